// The document window's one-step undo. Most edits of the window are made by
// the program itself (inserted commands, nesting, whole-text colouring), so
// the control's own undo cannot reverse them: the window keeps a record of
// the last action instead and replays it backwards. Only a change typed by
// a key press is left to the control's undo, whose stacks hold no more than
// that key.
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>

#include "colouring.h"
#include "frameform.h"
#include "mainform.h"

namespace ws::desktop {

namespace {

// The keys that leave the undo record as it is: Backspace and Delete (which
// add to it), Tab, the modifiers, Caps Lock, the caret keys that do not page,
// Insert, and the right Windows key (X11's Super_R). Every other key ends it.
bool KeepsUndoRecord(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
      return true;
    case Qt::Key_Super_R:
      return true;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
      return event.nativeVirtualKey() == 0xffec;
    default:
      return false;
  }
}

// Whether the key puts text in place of the selection when the control gets it.
bool TypesText(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return true;
  const QString text = event.text();
  return !text.isEmpty() && (text[0].isPrint() || text[0] == '\t');
}

int Clamped(int position, const QTextDocument& document) {
  return std::clamp(position, 0, document.characterCount() - 1);
}

}  // namespace

void TMainForm::RecordUndo(UndoKind kind, int start, QTextDocumentFragment text) {
  shared_.undo = {kind, this, start, start, std::move(text), {}};
  UpdateCommandStates(StateChange::UndoRecorded);
}

void TMainForm::ClearUndoRecord() {
  shared_.undo = {};
  UpdateCommandStates(StateChange::UndoCleared);
}

// Program edits leave nothing on the control's own undo stack: what they did
// is in the window's record, and a later Undo of a typed key must find only
// that key there.
void TMainForm::EndProgramEdit() {
  Editor_->document()->clearUndoRedoStacks();
}

// Before a key reaches the text: Backspace and Delete add what they are about
// to remove to the record, the keys of the list keep it, all others end it.
// Cut, Copy and Paste by their standard keys are the window's commands, so
// that they make their records too.
bool TMainForm::EditorKeyDown(QKeyEvent* event) {
  shared_.SuppressSaveQuestion = false;
  if (event->matches(QKeySequence::Cut)) {
    mnuEditCutClick();
    return true;
  }
  if (event->matches(QKeySequence::Copy)) {
    mnuEditCopyClick();
    return true;
  }
  if (event->matches(QKeySequence::Paste)) {
    mnuEditPasteClick();
    return true;
  }
  const QTextCursor cursor = Editor_->textCursor();
  const bool removes = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
  if (removes)
    RecordKeyRemoval(*event);
  else if (!KeepsUndoRecord(*event))
    ClearUndoRecord();
  // The control's stack keeps what the last typed change needs (a Tab typed
  // after it joins it); otherwise this key starts it afresh.
  if (shared_.undo.kind != UndoKind::Native) EndProgramEdit();
  typingOverSelection_ = !removes && cursor.hasSelection() && TypesText(*event);
  // A Return's new line and its indentation are not coloured.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    shared_.PendingAutoIndent = true;
  return false;
}

// The range Backspace or Delete is about to remove, as the control computes
// it: the selection, else the character or the word before or after the
// caret. A press that continues the run of the one before (same key, caret
// where that one left it) adds to its text in reading order.
void TMainForm::RecordKeyRemoval(const QKeyEvent& event) {
  const bool backspace = event.key() == Qt::Key_Backspace;
  QTextCursor range = Editor_->textCursor();
  if (!range.hasSelection()) {
    QTextCursor::MoveOperation move =
        backspace ? QTextCursor::PreviousCharacter : QTextCursor::NextCharacter;
    if (event.matches(QKeySequence::DeleteStartOfWord)) move = QTextCursor::PreviousWord;
    if (event.matches(QKeySequence::DeleteEndOfWord)) move = QTextCursor::NextWord;
    range.movePosition(move, QTextCursor::KeepAnchor);
  }
  const int from = range.selectionStart();
  const int to = range.selectionEnd();
  const QString removed = range.selection().toPlainText();
  const UndoRecord& last = shared_.undo;
  const UndoKind kind = backspace ? UndoKind::Backspace : UndoKind::DeleteKey;
  const bool continues = last.kind == kind && last.window == this &&
                         (backspace ? to == last.start : from == last.start);
  QString text = removed;
  if (continues) text = backspace ? removed + last.keyText : last.keyText + removed;
  RecordUndo(kind, from);
  shared_.undo.keyText = text;
}

void TMainForm::mnuEditUndoClick() {
  if (buildRunning_) return;
  UndoRecord record = std::move(shared_.undo);
  ClearUndoRecord();
  // A record of another window has nothing to do with this text.
  if (record.kind == UndoKind::None || record.window != this) return;
  ReplayUndo(std::move(record));
  // The text differs from the saved file whatever it was before.
  Editor_->document()->setModified(true);
  EndProgramEdit();
}

void TMainForm::ReplayUndo(UndoRecord record) {
  QTextDocument& document = *Editor_->document();
  QTextCursor cursor = Editor_->textCursor();
  const int start = Clamped(record.start, document);
  const int end = Clamped(record.end, document);
  const auto replace = [&](const QTextDocumentFragment& with) {
    cursor.beginEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (!with.isEmpty()) cursor.insertFragment(with);
    cursor.endEditBlock();
    Editor_->setTextCursor(cursor);
  };

  shared_.UndoInProgress = true;
  switch (record.kind) {
    case UndoKind::Native:
      // The control's stacks hold the typed key and anything typed with it.
      while (document.isUndoAvailable()) document.undo();
      break;
    case UndoKind::Insert:
    case UndoKind::Paste:
    case UndoKind::DeNest:
    case UndoKind::Cut:
    case UndoKind::Clear:
      // What was put in goes (nothing for Cut and Clear), what was removed
      // comes back with its formats.
      replace(record.text);
      break;
    case UndoKind::Nest: {
      // The nested block goes and the value is back on the tag line, a string.
      QTextCharFormat format = PlainFormat(frame_.settings());
      format = ElementFormat::String(frame_.settings()).AppliedTo(format);
      replace({});
      cursor.insertText(record.text.toPlainText(), format);
      Editor_->setTextCursor(cursor);
      break;
    }
    case UndoKind::DeleteKey:
    case UndoKind::Backspace:
    case UndoKind::None:
      break;
  }
  shared_.UndoInProgress = false;

  // Text put back next to what was edited since (a cut half of a string)
  // takes the colours of its lines as they now stand.
  if (record.kind != UndoKind::Native) {
    const QTextBlock last = document.findBlock(cursor.position());
    shared_.LineColouring = true;
    for (QTextBlock b = document.findBlock(start); b.isValid(); b = b.next()) {
      ColourCaretLine(document, b.position(), frame_.settings());
      if (b == last) break;
    }
    shared_.LineColouring = false;
  }

  if (record.kind == UndoKind::DeleteKey || record.kind == UndoKind::Backspace) {
    // The removed run comes back coloured on its own; the change handling
    // then colours the lines it lands on as a whole.
    cursor.setPosition(start);
    Editor_->setTextCursor(cursor);
    QTextDocument& memo = frame_.Memo1();
    memo.clear();
    memo.setPlainText(record.keyText);
    ColourWholeText(memo, frame_.settings());
    TransferStyledText(false);
    // Delete leaves the caret before the text it took, Backspace after it.
    if (record.kind == UndoKind::DeleteKey) {
      cursor.setPosition(start);
      Editor_->setTextCursor(cursor);
    }
  }
}

}  // namespace ws::desktop
