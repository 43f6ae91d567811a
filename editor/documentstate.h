// What all document windows share: the editor and file name that commands
// act on, the flags that make the change handling stand aside while the
// program itself changes text or formats, and the undo record. One copy,
// owned by the frame.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTextDocumentFragment>

namespace ws::desktop {

class Editor;
class TMainForm;

// What the last action was, for the window's one-step undo.
enum class UndoKind { None, Native, Insert, Nest, DeNest, Cut, Paste, Clear, DeleteKey, Backspace };

// Which command last asked for tags; every further Add of the tag dialog
// inserts for it.
enum class CommandMode { None, IncludeFile, IncludeTag, ReplaceTag, Nest };

// The last action and what it takes to reverse it. Positions are Qt
// positions in the window's document.
struct UndoRecord {
  UndoKind kind = UndoKind::None;
  QPointer<TMainForm> window;  // where it was made
  int start = 0;               // where the action took place
  int end = 0;                 // after the text it put in (Insert, Nest, DeNest, Paste)
  // What the action removed, with its formats: the value Nest took away,
  // the block of De-Nest, the text of Clear and Cut, the selection a Paste
  // replaced.
  QTextDocumentFragment text;
  // The run of characters consecutive presses of Delete or Backspace
  // removed, in reading order.
  QString keyText;
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

  // The command insertions: the indentation of the line a command goes
  // after, a block's first and last line, the file name as written, the
  // full name of the file whose tags are offered, and the pending command.
  QString CurrentIndent;
  QString BaseIndent;
  QString InsertedFileName;
  QString TagScanFile;
  CommandMode commandMode = CommandMode::None;

  // What the tag dialogs hand back: the mode they were shown in, the chosen
  // name, Done/Cancel, the viewer being open, and the lists of Add All.
  bool WideTagChoiceMode = false;
  QString ChosenTag;
  bool TagDialogCancelled = false;
  bool ShowingTag = false;
  QStringList WideTagList;
  QStringList ShortTagList;

  UndoRecord undo;
};

}  // namespace ws::desktop
