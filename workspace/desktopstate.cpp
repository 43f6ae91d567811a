#include "desktopstate.h"

#include <QStandardPaths>

namespace ws::desktop {

QString DefaultDesktopStatePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         "/weftsmith/desktop.conf";
}

}  // namespace ws::desktop
