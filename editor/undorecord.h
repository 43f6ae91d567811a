// The program's one-step undo record: the last action of any document
// window and what it takes to reverse it. One record for the whole program,
// so an action in one window ends the record of another; Undo acts only in
// the window that made it.
#pragma once

#include <QPointer>
#include <QString>
#include <QTextDocumentFragment>

namespace ws::desktop {

// What the last action was.
enum class UndoKind {
  None,
  Native,
  Insert,
  Nest,
  DeNest,
  Cut,
  Paste,
  Clear,
  DeleteKey,
  Backspace,
  Replace
};

// The last action. Positions are Qt positions in the window's document.
struct UndoEntry {
  UndoKind kind = UndoKind::None;
  QPointer<QObject> window;  // the document window it was made in
  int start = 0;             // where the action took place
  int end = 0;               // after the text it put in (Insert, Nest, DeNest, Paste, Replace)
  // What the action removed, with its formats: the value Nest took away,
  // the block of De-Nest, the text of Clear and Cut, the selection a Paste
  // replaced, the lines a Replace changed.
  QTextDocumentFragment text;
  // The run of characters consecutive presses of Delete or Backspace
  // removed, in reading order.
  QString keyText;
};

class UndoRecord {
 public:
  const UndoEntry& entry() const { return entry_; }
  UndoKind kind() const { return entry_.kind; }

  // A new record for an action of `window` at `start`; it replaces the last.
  void Record(UndoKind kind, QObject* window, int start, QTextDocumentFragment text = {}) {
    entry_ = {kind, window, start, start, std::move(text), {}};
  }
  void Record(UndoEntry entry) { entry_ = std::move(entry); }
  // Where the text the action put in ends.
  void SetEnd(int end) { entry_.end = end; }
  void SetKeyText(QString text) { entry_.keyText = std::move(text); }
  void Clear() { entry_ = {}; }
  // Takes the record out for its replay, leaving none.
  UndoEntry Take() {
    UndoEntry taken = std::move(entry_);
    entry_ = {};
    return taken;
  }
  bool MadeIn(const QObject* window) const {
    return entry_.kind != UndoKind::None && entry_.window == window;
  }
  // Backspace or Delete made it: the key's recolouring does not turn it
  // into a change the control undoes.
  bool IsKeyRemoval() const {
    return entry_.kind == UndoKind::Backspace || entry_.kind == UndoKind::DeleteKey;
  }

 private:
  UndoEntry entry_;
};

}  // namespace ws::desktop
