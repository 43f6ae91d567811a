#include "windowrules.h"

#include <QApplication>
#include <QWidget>

namespace ws::setup {

QWidget* FrontWindow(QWidget* fallback, const QWidget* beneath) {
  QWidget* active = QApplication::activeWindow();
  if (active && active != beneath && active->isVisible()) return active;
  return fallback;
}

}  // namespace ws::setup
