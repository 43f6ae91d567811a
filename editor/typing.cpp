// What the document window does around a key press and every change of its
// text: the undo record a key keeps, extends or ends, and the caret-line
// colouring of typed text.
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <vector>

#include "colouring.h"
#include "mainform.h"
#include "scopedflag.h"
#include "surroundings.h"

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

}  // namespace

// Before a key reaches the text: Backspace and Delete add what they are about
// to remove to the record, the keys of the list keep it, all others end it.
// Cut, Copy and Paste by their standard keys are the window's commands, so
// that they make their records too (and do nothing while disabled).
bool TMainForm::EditorKeyDown(QKeyEvent* event) {
  surroundings_.EndSaveQuestionSuppression();
  for (const auto& [keys, command] : {std::pair{QKeySequence::Cut, Command::EditCut},
                                      std::pair{QKeySequence::Copy, Command::EditCopy},
                                      std::pair{QKeySequence::Paste, Command::EditPaste}}) {
    if (event->matches(keys)) {
      Run(command);
      return true;
    }
  }
  const QTextCursor cursor = Editor_->textCursor();
  const bool removes = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
  if (removes && !Editor_->isReadOnly())
    RecordKeyRemoval(*event);
  else if (!KeepsUndoRecord(*event))
    ClearUndoRecord();
  // The control's stack keeps what the last typed change needs (a Tab typed
  // after it joins it); otherwise this key starts it afresh.
  if (undo_.kind() != UndoKind::Native) EndProgramEdit();
  typingOverSelection_ = !removes && cursor.hasSelection() && TypesText(*event);
  // A Return's new line and its indentation are not coloured.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    flags_.PendingAutoIndent = true;
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
  const UndoEntry& last = undo_.entry();
  const UndoKind kind = backspace ? UndoKind::Backspace : UndoKind::DeleteKey;
  const bool continues = last.kind == kind && last.window == this &&
                         (backspace ? to == last.start : from == last.start);
  QString text = removed;
  if (continues) text = backspace ? removed + last.keyText : last.keyText + removed;
  RecordUndo(kind, from);
  undo_.SetKeyText(text);
}

bool TMainForm::CaretLineColouringDue() const {
  return !flags_.UndoInProgress && !flags_.CommandInProgress && !flags_.LoadingFile &&
         !flags_.WholeTextColouring && !flags_.PendingAutoIndent && !flags_.TagAddAll &&
         undo_.kind() != UndoKind::Native;
}

// The caret-line pass of a typed key, made before the key's edit ends: its
// format changes are laid out with the key's text at once (the change
// notification that follows finds the line coloured and changes nothing).
void TMainForm::ColourAfterKey() {
  const int caret = Editor_->textCursor().position();
  bool changed = false;
  if (CaretLineColouringDue()) {
    ScopedFlag colouring(flags_.LineColouring);
    changed = ColourCaretLine(*Editor_->document(), caret, surroundings_.settings());
  }
  // A typed change that replaced a selection or whose line needed new
  // formats is one the control undoes itself; Backspace and Delete keep the
  // record of what they removed.
  if (typingOverSelection_ || (changed && !undo_.IsKeyRemoval()))
    RecordUndo(UndoKind::Native, caret);
  typingOverSelection_ = false;
}

void TMainForm::EditorChange(int position, int removed, int added) {
  Q_UNUSED(removed);
  if (flags_.LineColouring) return;  // our own format changes
  // Any edit ends the mark of a failed check or run; recolouring is no edit.
  if (!flags_.WholeTextColouring) Editor_->ClearErrorMark();
  // The new line of a Return and its indentation are not coloured.
  if (flags_.PendingAutoIndent) {
    flags_.PendingAutoIndent = false;
    return;
  }
  const bool byKey = Editor_->InKeyPress();
  if (!CaretLineColouringDue()) return;

  QTextDocument* document = Editor_->document();
  const Settings& settings = surroundings_.settings();
  const int caret = Editor_->textCursor().position();
  // The caret's line, and each line of text that arrived over several (a
  // paste), in the order they are coloured.
  std::vector<int> lines{caret};
  const QTextBlock first = document->findBlock(position);
  const QTextBlock last = document->findBlock(position + added);
  if (first.blockNumber() != last.blockNumber()) {
    for (QTextBlock b = first; b.isValid() && b.blockNumber() <= last.blockNumber(); b = b.next())
      if (!b.contains(caret)) lines.push_back(b.position());
  }
  // A typed key has coloured its line already: nothing is left to change,
  // and an edit block here would only lay the line out a second time.
  if (std::none_of(lines.begin(), lines.end(),
                   [&](int at) { return CaretLineNeedsColour(*document, at, settings); }))
    return;
  // The colouring joins the edit block of the change that raised it, so one
  // undo step takes back both.
  QTextCursor block = Editor_->textCursor();
  block.joinPreviousEditBlock();
  bool changed = false;
  {
    ScopedFlag colouring(flags_.LineColouring);
    for (int at : lines) changed |= ColourCaretLine(*document, at, settings);
  }
  block.endEditBlock();
  // Text typed over several lines whose formats changed: as above.
  if (changed && byKey && !undo_.IsKeyRemoval()) RecordUndo(UndoKind::Native, caret);
}

}  // namespace ws::desktop
