// The desktop program's own state between starts, kept apart from the build
// settings file (whose lines other programs read too): the recent files, the
// View menu's ticked items and how plain-text build files are saved. An INI
// file under the user's configuration folder.
#pragma once

#include <QString>

namespace ws::desktop {

// <configuration folder>/weftsmith/desktop.conf
QString DefaultDesktopStatePath();

}  // namespace ws::desktop
