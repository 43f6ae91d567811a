// TMainForm: the window in which one build file is edited. It owns its
// editor, file name and menus ("&File", "&Edit", "&Build", "&Commands"),
// which the frame puts into its menu bar while the window is active.
#pragma once

#include <QAction>
#include <QList>
#include <QMenu>
#include <QString>
#include <QTextDocument>
#include <QWidget>

#include "buildeditor.h"
#include "documentstate.h"

class QCloseEvent;

namespace ws::desktop {

class TFrameForm;

class TMainForm : public QWidget {
  Q_OBJECT

 public:
  explicit TMainForm(TFrameForm& frame);
  ~TMainForm() override;

  Editor* editor() const { return Editor_; }
  const QString& fileName() const { return fileName_; }
  QString caption() const { return windowTitle(); }
  // The menus the frame shows while this window is active, in order.
  const QList<QMenu*>& menus() const { return menus_; }
  QMenu* popupMenu() const { return PopupMenu_; }
  // A menu item by its name (mnuFileSave, ...), nullptr if there is none.
  QAction* action(const QString& name) const;
  QList<QAction*> menuActions() const;

  // Loads a build file (RTF or plain) into the window; false, with a message
  // and the window unchanged, when it cannot be read.
  bool LoadBuildFile(const QString& fileName);
  // The command-line start: the arguments joined by blanks name the file.
  void LoadFromCommandLine(const QStringList& arguments);

  // Activation and deactivation as the frame reports them.
  void FormActivate();
  void FormDeactivate();

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

  // The run of this document put the caret on a line (0-based).
  void PlaceCaretOnLine(int line);
  // A run or check started or ended somewhere: no edits meanwhile.
  void SetBuildRunning(bool running);

  // What the enabling rules react to.
  enum class StateChange { Activated, SelectionChanged, UndoRecorded, UndoCleared };
  void UpdateCommandStates(StateChange change);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void InsertFileCommand(const QString& word, const QString& title, int filterIndex);
  QString NextIndentLevel();
  void InsertCommand(int start, const QString& prefix, const QString& command, const QString& word,
                     int stringLength);
  void PerformPendingInsertion();
  void InsertAllTags();
  void EditorChange(int position, int removed, int added);
  void EditorSelectionChange();
  bool EditorKeyDown(QKeyEvent* event);
  void RecordKeyRemoval(const QKeyEvent& event);
  void ClearUndoRecord();
  void ReplayUndo(UndoRecord record);
  void EndProgramEdit();
  bool CaretLineColouringDue() const;
  // The record holds what Backspace or Delete removed (the key's recolouring
  // does not turn it into a change the control undoes).
  bool KeyRemovalRecorded() const;
  void ColourAfterKey();
  void RecordUndo(UndoKind kind, int start, QTextDocumentFragment text = {});
  void RecolourFromMemo(const QString& text, bool setModified);
  void TransferStyledText(bool replaceWhole);
  void DeleteEmptyLastLines();
  void SetFileName(const QString& fileName);
  void UpdateCursorPos();
  bool WriteTo(const QString& fileName);
  int CaretCrLf() const;
  void SetCaretCrLf(int position);

  // The open dialogs' filter, also of the commands that choose a file.
  static constexpr const char* kOpenFilter =
      "Build files|*.bld|HTML files, text files|*.htm;*.txt;*.html|All files|*.*";

  TFrameForm& frame_;
  DocumentState& shared_;
  Editor* Editor_ = nullptr;
  QMenu* PopupMenu_ = nullptr;
  QList<QMenu*> menus_;
  QString fileName_ = "Untitled";
  QString openFolder_;  // where this window's open dialog starts
  bool buildRunning_ = false;
  bool typingOverSelection_ = false;  // the key being handled replaces a selection
  bool pasting_ = false;              // the Paste command is putting text in
};

}  // namespace ws::desktop
