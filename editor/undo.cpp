// The document window's one-step undo. Most edits of the window are made by
// the program itself (inserted commands, nesting, whole-text colouring), so
// the control's own undo cannot reverse them: the window keeps a record of
// the last action instead and replays it backwards. Only a change typed by
// a key press is left to the control's undo, whose stacks hold no more than
// that key.
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

#include "colouring.h"
#include "mainform.h"
#include "scopedflag.h"
#include "surroundings.h"

namespace ws::desktop {

namespace {

int Clamped(int position, const QTextDocument& document) {
  return std::clamp(position, 0, document.characterCount() - 1);
}

}  // namespace

void TMainForm::RecordUndo(UndoKind kind, int start, QTextDocumentFragment text) {
  undo_.Record(kind, this, start, std::move(text));
  SetUndoEnabled(true);
}

void TMainForm::RecordUndo(UndoEntry entry) {
  entry.window = this;
  undo_.Record(std::move(entry));
  SetUndoEnabled(true);
}

void TMainForm::ClearUndoRecord() {
  undo_.Clear();
  SetUndoEnabled(false);
}

void TMainForm::SetUndoEnabled(bool enabled) {
  if (undoEnabled_ == enabled) return;
  undoEnabled_ = enabled;
  emit StateChanged();
}

// Program edits leave nothing on the control's own undo stack: what they did
// is in the window's record, and a later Undo of a typed key must find only
// that key there.
void TMainForm::EndProgramEdit() {
  // Qt counts a document unchanged when its undo stack is back where it was
  // last marked: emptying the stack must not make a changed text look saved
  // at the next edit block (even an empty one, as every key press makes).
  // Marking it unchanged and changed again makes Qt count it changed
  // whatever its stack holds.
  QTextDocument& document = *Editor_->document();
  const bool modified = document.isModified();
  document.clearUndoRedoStacks();
  if (modified) {
    const QSignalBlocker quiet(&document);
    document.setModified(false);
    document.setModified(true);
  }
}

void TMainForm::mnuEditUndoClick() {
  UndoEntry record = undo_.Take();
  SetUndoEnabled(false);
  // A record of another window has nothing to do with this text.
  if (record.kind == UndoKind::None || record.window != this) return;
  ReplayUndo(std::move(record));
  // The text differs from the saved file whatever it was before.
  Editor_->document()->setModified(true);
  EndProgramEdit();
}

void TMainForm::ReplayUndo(UndoEntry record) {
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

  {
    ScopedFlag undoing(flags_.UndoInProgress);
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
      case UndoKind::Replace:
        // What was put in goes (nothing for Cut and Clear), what was removed
        // comes back with its formats.
        replace(record.text);
        break;
      case UndoKind::Nest: {
        // The nested block goes and the value is back on the tag line, a string.
        QTextCharFormat format = PlainFormat(surroundings_.settings());
        format = ElementFormat::String(surroundings_.settings()).AppliedTo(format);
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
  }

  // Text put back next to what was edited since (a cut half of a string)
  // takes the colours of its lines as they now stand.
  if (record.kind != UndoKind::Native) {
    const QTextBlock last = document.findBlock(cursor.position());
    ScopedFlag colouring(flags_.LineColouring);
    for (QTextBlock b = document.findBlock(start); b.isValid(); b = b.next()) {
      ColourCaretLine(document, b.position(), surroundings_.settings());
      if (b == last) break;
    }
  }

  if (record.kind == UndoKind::DeleteKey || record.kind == UndoKind::Backspace) {
    // The removed run comes back coloured on its own; the change handling
    // then colours the lines it lands on as a whole.
    cursor.setPosition(start);
    Editor_->setTextCursor(cursor);
    TransferStyledText(record.keyText.split('\n'), false);
    // Delete leaves the caret before the text it took, Backspace after it.
    if (record.kind == UndoKind::DeleteKey) {
      cursor.setPosition(start);
      Editor_->setTextCursor(cursor);
    }
  }
}

}  // namespace ws::desktop
