// Where the installer's boxes and dialogs open. The wizard stays on top of the
// background, so a box that belonged to the background would open behind the
// wizard and leave it looking frozen.
#pragma once

class QWidget;

namespace ws::setup {

// The window a box or dialog opens over: the installer's active window, so it
// stands in front of what the user was working in. When none of the
// installer's windows is active, or the active one is `beneath` (the
// background, which the wizard covers), it opens over `fallback`.
QWidget* FrontWindow(QWidget* fallback, const QWidget* beneath = nullptr);

}  // namespace ws::setup
