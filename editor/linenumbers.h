// The gutter beside a document window's text: the 1-based number of every
// line in view, and the mark of the line a failed check or run stopped at.
// It repaints when the numbers in view change (lines scrolled, added,
// removed or moved) and for its mark, never for a key typed within a line;
// it measures its width when the number of lines changes or the whole text
// area repaints, and never makes the text lay out again.
#pragma once

#include <QFont>
#include <QWidget>
#include <utility>

namespace ws::desktop {

class Editor;

class LineNumbers : public QWidget {
  Q_OBJECT

 public:
  explicit LineNumbers(Editor& editor);

  void SetShown(bool shown);
  bool Shown() const { return shown_; }
  // The 0-based line marked as the place of an error; -1 clears the mark.
  void SetErrorLine(int line);
  int ErrorLine() const { return errorLine_; }

  // Puts the gutter at the left of the text area and gives it room there.
  void FitBesideText();
  // The first and last 1-based numbers of the last paint (0, 0 before any).
  std::pair<int, int> PaintedNumbers() const { return painted_; }

  static QColor MarkColour() { return {0xd0, 0x20, 0x20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The width the gutter needs for the editor's line count and font.
  int NeededWidth() const;
  void UpdateWidth();
  void FollowTextArea(const QRect& rect, int dy);

  Editor& editor_;
  QFont font_;  // the text's font the width was measured with
  int width_ = 0;
  int errorLine_ = -1;
  bool shown_ = true;
  std::pair<int, int> painted_{0, 0};
};

}  // namespace ws::desktop
