#include "background.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "prompts.h"
#include "windowrules.h"

namespace ws::setup {

TBackground::TBackground(Prompts& prompts, const QString& sourceFolder, QWidget* parent)
    : QWidget(parent), prompts_(prompts), sourceFolder_(sourceFolder) {
  setObjectName("Background");
  setWindowTitle("Weftsmith Setup");

  auto* title = new QLabel("Weftsmith", this);
  title->setObjectName("lblTitle");
  QFont font("Arial Black");
  font.setPixelSize(35);
  font.setItalic(true);
  font.setWeight(QFont::Black);
  title->setFont(font);
  title->setStyleSheet("color: white; background: transparent;");

  auto* rights = new QLabel(
      "Weftsmith is copyright by its authors. All rights reserved.\n"
      "It may be used and copied only as its licence allows.",
      this);
  rights->setObjectName("lblRights");
  rights->setStyleSheet("color: white; background: transparent;");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(title);
  layout->addWidget(rights);
  layout->addStretch();
}

int TBackground::BandCount(int height) {
  return height < 256 ? std::max(height, 1) : 256;
}

QColor TBackground::BandColour(int band, int count) {
  const int last = std::max(count - 1, 1);
  auto channel = [&](int top) { return top - top * band / last; };
  return QColor(channel(64), channel(128), channel(128));
}

void TBackground::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int height = this->height();
  const int count = BandCount(height);
  for (int band = 0; band < count; ++band) {
    const int top = band * height / count;
    const int bottom = (band + 1) * height / count;
    painter.fillRect(0, top, width(), bottom - top, BandColour(band, count));
  }
}

void TBackground::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  emit firstShown();
}

void TBackground::closeEvent(QCloseEvent* event) {
  QWidget* over = wizard_ && wizard_->isVisible() ? wizard_.data() : this;
  if (!setupFinished_ &&
      !prompts_.Confirm(FrontWindow(over, this),
                        "The Setup is not finished! Do you really want to Quit? ")) {
    event->ignore();
    return;
  }
  event->accept();
  emit quitting();
}

}  // namespace ws::setup
