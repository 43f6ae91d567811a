#include "windowrules.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace ws::setup {

namespace {
// Room for the title bar's buttons (close, maximise, minimise, a menu) and
// its margins, which the window manager draws in widths of its own.
constexpr int kTitleBarButtons = 140;
}  // namespace

QWidget* FrontWindow(QWidget* fallback, const QWidget* beneath) {
  QWidget* active = QApplication::activeWindow();
  if (active && active != beneath && active->isVisible()) return active;
  return fallback;
}

int CaptionWidth(const QWidget& window) {
  // Title bars mostly draw their caption in bold.
  QFont font = window.font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + kTitleBarButtons;
}

void FitCaption(QWidget& window) {
  // A window not resized yet would take its layout's size when first shown.
  const QSize size = window.testAttribute(Qt::WA_Resized) ? window.size() : window.sizeHint();
  window.resize(std::max(size.width(), CaptionWidth(window)), size.height());
}

}  // namespace ws::setup
