#include "buildeditor.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

#include "linenumbers.h"

namespace ws::desktop {

Editor::Editor(QWidget* parent) : QPlainTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(false);
  // Build files read left to right: no line's direction is guessed from its
  // characters (a scan of every line at each layout otherwise).
  QTextOption option = document()->defaultTextOption();
  option.setTextDirection(Qt::LeftToRight);
  document()->setDefaultTextOption(option);
  // The configured colours were chosen for dark text on a light ground: the
  // text area keeps that ground and plain-text colour whatever the desktop's
  // theme (on a dark one, blue reserved words would be hard to read).
  QPalette light = palette();
  light.setColor(QPalette::Base, Qt::white);
  light.setColor(QPalette::Text, Qt::black);
  setPalette(light);
  lineNumbers_ = new LineNumbers(*this);
}

void Editor::SetLineNumbersShown(bool shown) {
  lineNumbers_->SetShown(shown);
}

bool Editor::LineNumbersShown() const {
  return lineNumbers_->Shown();
}

void Editor::MarkErrorLine(int line) {
  lineNumbers_->SetErrorLine(line);
}

int Editor::ErrorLine() const {
  return lineNumbers_->ErrorLine();
}

void Editor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  lineNumbers_->FitBesideText();
}

void Editor::SetCommandKeyTest(std::function<bool(const QKeySequence&)> test) {
  isCommandKey_ = std::move(test);
}

void Editor::SetCommandKeyHandler(std::function<void(const QKeySequence&)> handler) {
  runCommandKey_ = std::move(handler);
}

void Editor::SetAfterKeyEdit(std::function<void()> handler) {
  afterKeyEdit_ = std::move(handler);
}

void Editor::SetBeforeInsertFromOutside(std::function<void()> handler) {
  beforeInsertFromOutside_ = std::move(handler);
}

void Editor::SetKeyPressHandler(std::function<bool(QKeyEvent*)> handler) {
  keyPressHandler_ = std::move(handler);
}

bool Editor::event(QEvent* event) {
  // The control claims Ctrl+Ins, Ctrl+A, Ctrl+Z, Ctrl+X, Ctrl+C, Ctrl+V and more
  // for itself; those of a window command are handed back to the shortcut.
  if (event->type() == QEvent::ShortcutOverride && isCommandKey_) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (isCommandKey_(QKeySequence(key->keyCombination()))) {
      event->ignore();
      return true;
    }
  }
  return QPlainTextEdit::event(event);
}

void Editor::keyPressEvent(QKeyEvent* event) {
  // A command's key whose shortcut did not fire (it can happen when the
  // window has just got its focus back) runs the command, never the
  // control's own binding of the same key (Ctrl+K deletes to the line's end).
  const QKeySequence key(event->keyCombination());
  if (isCommandKey_ && isCommandKey_(key)) {
    if (runCommandKey_) runCommandKey_(key);
    event->accept();
    return;
  }
  // Undo is the window's command; the control's own undo and redo keys do
  // nothing, nor do its bindings that remove text no undo could put back.
  if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
      event->matches(QKeySequence::DeleteEndOfLine) ||
      event->matches(QKeySequence::DeleteCompleteLine)) {
    event->accept();
    return;
  }
  if (isReadOnly()) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  if (keyPressHandler_ && keyPressHandler_(event)) {
    event->accept();
    return;
  }
  inKeyPress_ = true;
  // The key's change is one edit block, so that the colouring its change
  // notification makes can join it as one undo step.
  QTextCursor editBlock = textCursor();
  editBlock.beginEditBlock();
  const bool newLine = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (newLine) {
    NewLine();
    event->accept();
  } else {
    QPlainTextEdit::keyPressEvent(event);
  }
  const bool edits = newLine || !event->text().isEmpty() || event->key() == Qt::Key_Delete ||
                     event->key() == Qt::Key_Backspace;
  // Work done here lands in the key's own edit block: one layout, one undo step.
  if (edits && afterKeyEdit_) afterKeyEdit_();
  editBlock.endEditBlock();
  inKeyPress_ = false;
}

// Every Return or Enter, whatever the modifiers, starts a new line (a line
// break on screen only would make the editor's and the engine's line numbers
// differ); the new line starts with the blanks and tabs that begin the line
// left, up to the caret.
void Editor::NewLine() {
  QTextCursor cursor = textCursor();
  cursor.removeSelectedText();
  const QString before = cursor.block().text().left(cursor.positionInBlock());
  qsizetype indent = 0;
  while (indent < before.size() && (before[indent] == ' ' || before[indent] == '\t')) ++indent;
  cursor.insertBlock();
  cursor.insertText(before.left(indent));
  setTextCursor(cursor);
  ensureCursorVisible();
}

bool Editor::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText();
}

void Editor::insertFromMimeData(const QMimeData* source) {
  // Only text: tables and images could be neither saved nor built.
  if (!source->hasText()) return;
  if (beforeInsertFromOutside_) beforeInsertFromOutside_();
  QString text = source->text();
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  text.replace(QChar::LineSeparator, '\n');
  text.replace(QChar::ParagraphSeparator, '\n');
  QTextCursor cursor = textCursor();
  cursor.insertText(text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace ws::desktop
