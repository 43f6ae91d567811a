#include "linenumbers.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

#include "buildeditor.h"

namespace ws::desktop {

namespace {

constexpr int kLeftPadding = 6;
constexpr int kRightPadding = 6;
const QColor kBackground(0xf0, 0xf0, 0xf0);
const QColor kNumber(0x80, 0x80, 0x80);

}  // namespace

LineNumbers::LineNumbers(Editor& editor) : QWidget(&editor), editor_(editor) {
  setObjectName("LineNumbers");
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(&editor, &QPlainTextEdit::blockCountChanged, this, [this] {
    UpdateWidth();
    update();
  });
  connect(&editor, &QPlainTextEdit::updateRequest, this, &LineNumbers::FollowTextArea);
  UpdateWidth();
}

void LineNumbers::SetShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  UpdateWidth();
}

void LineNumbers::SetErrorLine(int line) {
  if (line == errorLine_) return;
  errorLine_ = line;
  update();
}

int LineNumbers::NeededWidth() const {
  int digits = 1;
  for (int count = std::max(1, editor_.blockCount()); count >= 10; count /= 10) ++digits;
  return kLeftPadding + digits * fontMetrics().horizontalAdvance(QLatin1Char('9')) + kRightPadding;
}

void LineNumbers::UpdateWidth() {
  const QFont font = editor_.document()->defaultFont();
  if (font != font_) {
    font_ = font;
    setFont(font_);
  }
  const int width = shown_ ? NeededWidth() : 0;
  if (width != width_) {
    width_ = width;
    editor_.setViewportMargins(width_, 0, 0, 0);
  }
  FitBesideText();
}

void LineNumbers::FitBesideText() {
  const QRect text = editor_.viewport()->geometry();
  setGeometry(text.left() - width_, text.top(), width_, text.height());
  setVisible(shown_);
}

// The text area scrolls: so does the gutter. The numbers in view change
// otherwise only when lines come or go (blockCountChanged) or lines move or
// change height, and then the text area repaints as a whole; a stretch of
// it repainted for a typed key, a selection or the blinking caret leaves the
// gutter as it is. A whole text put in (a file loaded, a recolouring with
// the font of the preferences) repaints the whole area once it is in: the
// width follows the text's font then, and a count of lines seen in the
// middle of such a change is put right.
void LineNumbers::FollowTextArea(const QRect& rect, int dy) {
  if (!shown_) return;
  if (dy != 0) {
    scroll(0, dy);
  } else if (rect.contains(editor_.viewport()->rect())) {
    update();
    UpdateWidth();
  }
}

void LineNumbers::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, kBackground);
  painted_ = {0, 0};
  QTextBlock block = editor_.firstVisibleBlock();
  qreal top = editor_.blockBoundingGeometry(block).translated(editor_.contentOffset()).top();
  const int numberRight = width() - kRightPadding;
  for (; block.isValid() && top <= area.bottom(); block = block.next()) {
    const qreal height = editor_.blockBoundingRect(block).height();
    const qreal bottom = top + height;
    if (block.isVisible() && bottom >= area.top()) {
      const int number = block.blockNumber() + 1;
      const bool marked = block.blockNumber() == errorLine_;
      if (marked) painter.fillRect(QRectF(0, top, width(), height), MarkColour());
      painter.setPen(marked ? Qt::white : kNumber);
      painter.drawText(QRectF(0, top, numberRight, height), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(number));
      if (painted_.first == 0) painted_.first = number;
      painted_.second = number;
    }
    top = bottom;
  }
}

}  // namespace ws::desktop
