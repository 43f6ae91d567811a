// The document window's text control: a QPlainTextEdit that leaves every key
// of a window command to the command, keeps its own undo and redo keys to
// itself, takes only text from a paste, and starts a new line on every
// Return, indented like the line it leaves. Its text carries character
// formats (the colouring) all the same; the plain-text control lays out only
// the lines that change and the lines in view, so a key costs the same in a
// long file as in a short one. Beside the text it keeps a line-number gutter.
#pragma once

#include <QPlainTextEdit>
#include <functional>

namespace ws::desktop {

class LineNumbers;

class Editor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit Editor(QWidget* parent = nullptr);

  // The gutter of line numbers, shown or not; the viewport leaves it room.
  LineNumbers* lineNumbers() const { return lineNumbers_; }
  void SetLineNumbersShown(bool shown);
  bool LineNumbersShown() const;
  // The 0-based line whose number carries the error mark (-1: none).
  void MarkErrorLine(int line);
  void ClearErrorMark() { MarkErrorLine(-1); }
  int ErrorLine() const;

  // Whether a key sequence belongs to a command of the window (those keys go
  // to the shortcut, not to the text).
  void SetCommandKeyTest(std::function<bool(const QKeySequence&)> test);
  // Runs the command of a key whose shortcut did not fire (the key reached
  // the text instead); the text never handles a command's key itself.
  void SetCommandKeyHandler(std::function<void(const QKeySequence&)> handler);
  // Called before every key press reaches the text; returning true means the
  // window handled the key and the text does not see it.
  void SetKeyPressHandler(std::function<bool(QKeyEvent*)> handler);
  // Called at the end of a key press that edits, inside its edit block.
  void SetAfterKeyEdit(std::function<void()> handler);
  // Called before text from outside (a paste, a drop, a middle click) goes in.
  void SetBeforeInsertFromOutside(std::function<void()> handler);
  // True while a key press typed into the text is being handled.
  bool InKeyPress() const { return inKeyPress_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The gutter reads where the lines lie and sets the text area's margin.
  friend class LineNumbers;

  std::function<bool(const QKeySequence&)> isCommandKey_;
  std::function<void(const QKeySequence&)> runCommandKey_;
  void NewLine();

  std::function<bool(QKeyEvent*)> keyPressHandler_;
  std::function<void()> afterKeyEdit_;
  std::function<void()> beforeInsertFromOutside_;
  bool inKeyPress_ = false;
  LineNumbers* lineNumbers_ = nullptr;
};

}  // namespace ws::desktop
