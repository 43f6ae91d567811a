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
  // The caption as shown: Qt adds the application's display name to a title
  // that differs from it. Title bars mostly draw it in bold.
  QString caption = window.windowTitle();
  const QString program = QGuiApplication::applicationDisplayName();
  if (!program.isEmpty() && caption != program) caption += QString::fromUtf8(" \u2014 ") + program;
  QFont font = window.font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarButtons;
}

void FitCaption(QWidget& window) {
  // A window not resized yet would take its layout's size when first shown.
  const QSize size = window.testAttribute(Qt::WA_Resized) ? window.size() : window.sizeHint();
  window.resize(std::max(size.width(), CaptionWidth(window)), size.height());
}

}  // namespace ws::setup
