// What all document windows share: the editor and file name that commands
// act on, the flags that make the change handling stand aside while the
// program itself changes text or formats, and the undo record. One copy,
// owned by the frame.
#pragma once

#include <QPointer>
#include <QString>
#include <QTextDocumentFragment>

namespace ws::desktop {

class Editor;
class TMainForm;

enum class UndoKind { None, Native, Insert, Paste, Clear, Cut, Delete, Backspace };

struct UndoRecord {
  UndoKind kind = UndoKind::None;
  QPointer<TMainForm> window;  // where it was made
  int start = 0;               // Qt position
  QTextDocumentFragment text;  // what was removed (Clear, Cut)
};

struct DocumentState {
  QPointer<Editor> CurrentEditor;
  QString CurrentFileName = "Untitled";

  bool SuppressSaveQuestion = false;
  bool LoadingFile = false;
  bool CommandInProgress = false;
  bool UndoInProgress = false;
  bool WholeTextColouring = false;
  bool LineColouring = false;
  bool PendingAutoIndent = false;
  // The tag dialogs' hand-over flags.
  bool TagAdded = false;
  bool TagAddAll = false;

  UndoRecord undo;
};

}  // namespace ws::desktop
