// TMainForm: the window in which one build file is edited. It owns its
// editor, file name, menus ("&File", "&Edit", "&Build", "&Commands") and the
// state of its command insertions. What it needs from the program around it
// comes through WindowSurroundings; what changed goes out as signals. The
// program enables its actions from the queries below.
#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <QString>
#include <QTextDocument>
#include <QWidget>
#include <array>
#include <optional>

#include "buildeditor.h"
#include "undorecord.h"

class QCloseEvent;

namespace ws::desktop {

class TFindBar;
class WindowSurroundings;
struct Insertion;

// The window's menu commands, in menu order.
enum class Command {
  FileNew,
  FileOpen,
  FileClose,
  FileSave,
  FileSaveAs,
  FilePageSetup,
  FilePrint,
  FileExit,
  EditUndo,
  EditCut,
  EditCopy,
  EditPaste,
  EditDelete,
  EditSelectAll,
  EditPreferences,
  EditFind,
  EditFindNext,
  EditFindPrevious,
  EditReplace,
  EditGoToLine,
  BuildReformat,
  BuildCheck,
  BuildRun,
  CommandsNewFile,
  CommandsInclude,
  CommandsIncludeTag,
  CommandsReplaceTag,
  CommandsNest,
  CommandsDeNest,
  CommandsRun,
  Count
};
constexpr int kCommandCount = static_cast<int>(Command::Count);

// Which command last asked for tags; every further Add of the tag dialog
// inserts for it.
enum class CommandMode { None, IncludeFile, IncludeTag, ReplaceTag, Nest };

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TMainForm(WindowSurroundings& surroundings);
  ~TMainForm() override;

  Editor* editor() const { return Editor_; }
  TFindBar* findBar() const { return FindBar_; }
  const QString& fileName() const { return fileName_; }
  QString caption() const { return windowTitle(); }
  // The menus the frame shows while this window is active, in order.
  const QList<QMenu*>& menus() const { return menus_; }
  QMenu* popupMenu() const { return PopupMenu_; }
  QAction* action(Command command) const { return actions_[static_cast<int>(command)]; }
  // The window's menu actions, in the order of Command.
  const std::array<QAction*, kCommandCount>& actions() const { return actions_; }

  // What the program's enabling reads.
  bool HasSelection() const;
  bool UndoEnabled() const { return undoEnabled_; }
  bool IsModified() const;
  // The window takes no edits while a run or check goes.
  void SetBuildRunning(bool running);
  bool BuildRunning() const { return buildRunning_; }

  // Loads a build file (RTF or plain) into the window; false, with a message
  // and the window unchanged, when it cannot be read.
  bool LoadBuildFile(const QString& fileName);
  // The command-line start: the arguments joined by blanks name the file.
  void LoadFromCommandLine(const QStringList& arguments);

  // The window became the active one: recolour, update the undo command
  // and the line panel.
  void FormActivate();
  // Only gives the keyboard focus back to the editor.
  void FocusEditor();

  // The commands of the menus.
  void mnuFileOpenClick();
  bool mnuFileSaveClick();
  bool mnuFileSaveAsClick();
  void mnuFilePageSetupClick();
  void mnuFilePrintClick();
  void mnuEditUndoClick();
  void mnuEditCutClick();
  void mnuEditCopyClick();
  void mnuEditPasteClick();
  void mnuEditDeleteClick();
  void mnuEditSelectAllClick();
  void mnuEditPreferencesClick();
  void mnuEditFindClick();
  void mnuEditFindNextClick();
  void mnuEditFindPreviousClick();
  void mnuEditReplaceClick();
  void mnuEditGoToLineClick();
  void mnuBuildReformatClick();
  void mnuBuildCheckClick();
  void mnuBuildRunClick();
  void mnuCommandsNewFileClick();
  void mnuCommandsIncludeClick();
  void mnuCommandsRunClick();
  void mnuCommandsIncludeTagClick();
  void mnuCommandsReplaceTagClick();
  void mnuCommandsNestClick();
  void mnuCommandsDeNestClick();

  // The answers of the tag results dialog this window showed: Add or OK with
  // the selected tag (null when none is selected: the last choice stays),
  // and Add All with the dialog's lists.
  void TagChosen(const QString& selected);
  void AllTagsChosen(const QStringList& wide, const QStringList& shortTags);

  // The run of this document put the caret on a line (0-based).
  void PlaceCaretOnLine(int line);

 signals:
  // The selection, the undo command or the modified flag changed.
  void StateChanged();
  // The caret is on this 1-based line.
  void CaretLineChanged(int line);
  // The window's commands that act on the program.
  void NewRequested();
  void OpenRequested(const QString& fileName);
  void CloseRequested();
  void ExitRequested();
  // The window accepted its close and goes.
  void Closing();
  // A build file was read into the window or its text written to one.
  void FileUsed(const QString& fileName);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // What makes the change handling stand aside while the program itself
  // changes text or formats.
  struct StandAside {
    bool LoadingFile = false;
    bool CommandInProgress = false;
    bool UndoInProgress = false;
    bool WholeTextColouring = false;
    bool LineColouring = false;
    bool PendingAutoIndent = false;
    bool TagAddAll = false;
  };
  // A command insertion that spans the tag dialog: the indentation of the
  // line a command goes after, a block's first and last line, the file name
  // as written, the full name of the file whose tags are offered, the chosen
  // tag and the pending command.
  struct PendingCommand {
    QString CurrentIndent;
    QString BaseIndent;
    QString InsertedFileName;
    QString TagScanFile;
    QString ChosenTag;
    CommandMode mode = CommandMode::None;
  };

  void CreateMenus();
  void Run(Command command);
  // The window's command whose key this is.
  std::optional<Command> CommandOfKey(const QKeySequence& key) const;
  void InsertFileCommand(const QString& word, const QString& title, int filterIndex);
  QString NextIndentLevel();
  void InsertCommand(int start, const QString& prefix, const QString& command, const QString& word,
                     int stringLength);
  void Apply(const Insertion& done);
  // Find and replace through the find bar; the outcome shows in the status line.
  void CreateFindBar();
  void FindFromBar(bool backward);
  void ReplaceFromBar();
  void ReplaceAllFromBar();
  void ShowStatus(const QString& text);
  void PerformPendingInsertion();
  void InsertAllTags(const QStringList& names);
  void EditorChange(int position, int removed, int added);
  bool EditorKeyDown(QKeyEvent* event);
  void RecordKeyRemoval(const QKeyEvent& event);
  void RecordUndo(UndoKind kind, int start, QTextDocumentFragment text = {});
  void RecordUndo(UndoEntry entry);
  void ClearUndoRecord();
  void SetUndoEnabled(bool enabled);
  void ReplayUndo(UndoEntry record);
  void EndProgramEdit();
  bool CaretLineColouringDue() const;
  void ColourAfterKey();
  void RecolourFromMemo(const QString& text, bool setModified);
  // Puts the lines in, coloured as a whole, in place of the text or at the caret.
  void TransferStyledText(const QStringList& lines, bool replaceWhole);
  void DeleteEmptyLastLines();
  void SetFileName(const QString& fileName);
  void UpdateCursorPos();
  bool WriteTo(const QString& fileName);
  int CaretCrLf() const;
  void SetCaretCrLf(int position);

  // The open dialogs' filter, also of the commands that choose a file.
  static constexpr const char* kOpenFilter =
      "Build files|*.bld|HTML files, text files|*.htm;*.txt;*.html|All files|*.*";

  WindowSurroundings& surroundings_;
  UndoRecord& undo_;
  Editor* Editor_ = nullptr;
  TFindBar* FindBar_ = nullptr;
  QMenu* PopupMenu_ = nullptr;
  QList<QMenu*> menus_;
  std::array<QAction*, kCommandCount> actions_{};
  QString fileName_ = "Untitled";
  QString openFolder_;  // where this window's open dialog starts
  StandAside flags_;
  PendingCommand pending_;
  bool undoEnabled_ = false;
  bool buildRunning_ = false;
  bool typingOverSelection_ = false;  // the key being handled replaces a selection
  bool pasting_ = false;              // the Paste command is putting text in
  bool plainTextFile_ = false;        // the file was read as plain text, not RTF
};

}  // namespace ws::desktop
