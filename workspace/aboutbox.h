// TAboutBox: the program's name, version and the platform it runs on.
#pragma once

#include <QDialog>

namespace ws::desktop {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent);
  // The platform the program runs on, as the box names it.
  static QString PlatformName();
};

}  // namespace ws::desktop
