#include "mainform.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <string_view>

#include "colouring.h"
#include "fileio.h"
#include "frameform.h"
#include "linerules.h"
#include "positions.h"
#include "richdocument.h"

namespace ws::desktop {

namespace {

enum class MenuId { File, Edit, Build, Commands };

// One menu item: where it goes, its name, caption, key and hint, whether it
// starts disabled and is followed by a separator, and its command.
struct MenuItem {
  MenuId menu;
  const char* name;
  const char* caption;
  const char* key;
  const char* hint;
  bool startsDisabled;
  bool separatorAfter;
  void (*command)(TMainForm&, TFrameForm&);
};

const MenuItem kMenuItems[] = {
    {MenuId::File, "mnuFileNew", "&New Build File", "Ctrl+N", "Creates a new build file", false,
     false, [](TMainForm&, TFrameForm& f) { f.New(); }},
    {MenuId::File, "mnuFileOpen", "&Open Build File", "Ctrl+O", "Opens an existing build file",
     false, true, [](TMainForm& w, TFrameForm&) { w.mnuFileOpenClick(); }},
    {MenuId::File, "mnuFileClose", "Close File", "", "Closes the active build file", false, false,
     [](TMainForm& w, TFrameForm& f) { f.CloseDocument(w); }},
    {MenuId::File, "mnuFileSave", "&Save", "Ctrl+S", "Saves the active build file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuFileSaveClick(); }},
    {MenuId::File, "mnuFileSaveAs", "Save &As...", "",
     "Saves the active build file with a new name", false, true,
     [](TMainForm& w, TFrameForm&) { w.mnuFileSaveAsClick(); }},
    {MenuId::File, "mnuFilePageSetup", "P&age Setup...", "", "Runs  printer setup", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuFilePageSetupClick(); }},
    {MenuId::File, "mnuFilePrint", "&Print...", "Ctrl+P", "Prints the active build file", false,
     true, [](TMainForm& w, TFrameForm&) { w.mnuFilePrintClick(); }},
    {MenuId::File, "mnuFileExit", "E&xit", "F3", "Exits Weftsmith", false, false,
     [](TMainForm&, TFrameForm& f) { f.Exit(); }},
    {MenuId::Edit, "mnuEditUndo", "&Undo", "Ctrl+Z", "Reverses the last action", false, true,
     [](TMainForm& w, TFrameForm&) { w.mnuEditUndoClick(); }},
    {MenuId::Edit, "mnuEditCut", "Cu&t", "Ctrl+X",
     "Cuts the selection and puts it on the Clipboard", true, false,
     [](TMainForm& w, TFrameForm&) { w.mnuEditCutClick(); }},
    {MenuId::Edit, "mnuEditCopy", "&Copy", "Ctrl+C",
     "Copies the selection and puts it on the Clipboard", true, false,
     [](TMainForm& w, TFrameForm&) { w.mnuEditCopyClick(); }},
    {MenuId::Edit, "mnuEditPaste", "&Paste", "Ctrl+V", "Inserts Clipboard contents", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuEditPasteClick(); }},
    {MenuId::Edit, "mnuEditDelete", "Clear", "Ctrl+Del", "Erases the selection", true, true,
     [](TMainForm& w, TFrameForm&) { w.mnuEditDeleteClick(); }},
    {MenuId::Edit, "mnuEditSelectAll", "Select &All", "Ctrl+A", "Selects all text", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuEditSelectAllClick(); }},
    {MenuId::Edit, "mnuEditPreferences", "Preferences...", "", "Preferences...", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuEditPreferencesClick(); }},
    {MenuId::Build, "mnuBuildReformat", "Reformat Text", "F2",
     "Re-indent the text of the current window.", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuBuildReformatClick(); }},
    {MenuId::Build, "mnuBuildCheck", "Check Syntax ", "Ctrl+K", "Check this document for mistakes.",
     false, true, [](TMainForm& w, TFrameForm&) { w.mnuBuildCheckClick(); }},
    {MenuId::Build, "mnuBuildRun", "Run This Script", "F9", "Run this build file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuBuildRunClick(); }},
    {MenuId::Commands, "mnuCommandsNewFile", "Make new file...", "Ctrl+M",
     "Insert command to make new file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsNewFileClick(); }},
    {MenuId::Commands, "mnuCommandsInclude", "Include file...", "Ctrl+I",
     "Insert command to include a file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsIncludeClick(); }},
    {MenuId::Commands, "mnuCommandsIncludeTag", "Include tag from file...", "Ctrl+T",
     "Insert command to include a wide tag from a file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsIncludeTagClick(); }},
    {MenuId::Commands, "mnuCommandsReplaceTag", "Replace tag in file...", "Ctrl+E",
     "Insert command to replace a tag", false, true,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsReplaceTagClick(); }},
    {MenuId::Commands, "mnuCommandsNest", "Nest in tag", "Ctrl+Ins",
     "Make a one line tag command nested", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsNestClick(); }},
    {MenuId::Commands, "mnuCommandsDeNest", "De-Nest a tag", "",
     "Make a nested tag command one line", false, true,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsDeNestClick(); }},
    {MenuId::Commands, "mnuCommandsRun", "Run another build file...", "Ctrl+R",
     "Insert command to run another build file", false, false,
     [](TMainForm& w, TFrameForm&) { w.mnuCommandsRunClick(); }},
};

const char* const kMenuTitles[] = {"&File", "&Edit", "&Build", "&Commands"};

// The context menu: items of the Edit menu (by name), 0 for a separator.
const std::pair<const char*, const char*> kPopupItems[] = {
    {"&Undo", "mnuEditUndo"},   {nullptr, nullptr},
    {"Cu&t", "mnuEditCut"},     {"&Copy", "mnuEditCopy"},
    {"&Paste", "mnuEditPaste"}, {"Delete", "mnuEditDelete"},
    {nullptr, nullptr},         {"Select &All", "mnuEditSelectAll"}};

}  // namespace

TMainForm::TMainForm(TFrameForm& frame)
    : QWidget(nullptr), frame_(frame), shared_(frame.documentState()) {
  Editor_ = new Editor(this);
  Editor_->setObjectName("Editor");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Editor_);
  CreateMenus();

  // Creating a window.
  setWindowTitle("Untitled");
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  // The base font: the settings' face and size, with the style of each of
  // the preferences dialog's style boxes that is ticked now.
  const QFont baseFont = frame_.preferences()->WithTickedStyles(EditorFont(frame_.settings()));
  Editor_->document()->setDefaultFont(baseFont);
  Editor_->setCurrentFont(baseFont);
  Editor_->moveCursor(QTextCursor::Start);

  Editor_->SetCommandKeyTest([this](const QKeySequence& key) {
    for (QAction* a : menuActions())
      if (!a->shortcut().isEmpty() && a->shortcut() == key) return true;
    return frame_.OwnsKey(key);
  });
  Editor_->SetKeyPressHandler([this](QKeyEvent* e) { return EditorKeyDown(e); });
  Editor_->SetAfterKeyEdit([this] { ColourAfterKey(); });
  // A drop or a middle-click paste is not undoable; it ends the record, whose
  // positions would no longer fit the text.
  Editor_->SetBeforeInsertFromOutside([this] {
    if (!pasting_) ClearUndoRecord();
  });
  connect(Editor_->document(), &QTextDocument::contentsChange, this, &TMainForm::EditorChange);
  connect(Editor_, &QTextEdit::selectionChanged, this, &TMainForm::EditorSelectionChange);
  connect(Editor_, &QTextEdit::cursorPositionChanged, this, &TMainForm::UpdateCursorPos);
  Editor_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Editor_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu_->popup(Editor_->mapToGlobal(at)); });
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateMenus() {
  for (const char* title : kMenuTitles) {
    auto* menu = new QMenu(title, this);
    menus_.push_back(menu);
  }
  for (const MenuItem& item : kMenuItems) {
    QMenu* menu = menus_[static_cast<int>(item.menu)];
    QAction* a = menu->addAction(item.caption);
    a->setObjectName(item.name);
    if (*item.key) a->setShortcut(QKeySequence(item.key));
    a->setStatusTip(item.hint);
    a->setEnabled(!item.startsDisabled);
    const auto command = item.command;
    connect(a, &QAction::triggered, this, [this, command] { command(*this, frame_); });
    if (item.separatorAfter) menu->addSeparator();
  }
  // The context menu: its items are never disabled. They show their keys;
  // the keys themselves work through the menu bar's items.
  PopupMenu_ = new QMenu(this);
  PopupMenu_->setObjectName("PopupMenu");
  for (const auto& [caption, name] : kPopupItems) {
    if (!caption) {
      PopupMenu_->addSeparator();
      continue;
    }
    const QAction* source = action(name);
    QAction* a = PopupMenu_->addAction(caption);
    a->setShortcut(source->shortcut());
    a->setShortcutContext(Qt::WidgetShortcut);
    a->setStatusTip(source->statusTip());
    for (const MenuItem& item : kMenuItems) {
      if (std::string_view(item.name) != name) continue;
      const auto command = item.command;
      connect(a, &QAction::triggered, this, [this, command] { command(*this, frame_); });
    }
  }
}

QAction* TMainForm::action(const QString& name) const {
  for (QMenu* menu : menus_)
    for (QAction* a : menu->actions())
      if (a->objectName() == name) return a;
  return nullptr;
}

QList<QAction*> TMainForm::menuActions() const {
  QList<QAction*> result;
  for (QMenu* menu : menus_)
    for (QAction* a : menu->actions())
      if (!a->isSeparator()) result << a;
  return result;
}

// ---- positions of the caret in CR LF counting ----

int TMainForm::CaretCrLf() const {
  return CrLfPosition(*Editor_->document(), Editor_->textCursor().position());
}

void TMainForm::SetCaretCrLf(int position) {
  QTextCursor cursor = Editor_->textCursor();
  cursor.setPosition(QtPosition(*Editor_->document(), position));
  Editor_->setTextCursor(cursor);
}

// ---- loading and saving ----

void TMainForm::SetFileName(const QString& fileName) {
  fileName_ = fileName;
  setWindowTitle(fileName == "Untitled" ? fileName : QFileInfo(fileName).fileName());
}

bool TMainForm::LoadBuildFile(const QString& fileName) {
  // The file is read first: a file that cannot be read leaves the window as it was.
  RichText text;
  try {
    text = ReadBuildFile(fileName.toStdString());
  } catch (const FileError& error) {
    frame_.ShowMessage(BoxKind::Error, QString::fromStdString(error.what()));
    return false;
  }
  SetFileName(fileName);
  shared_.CurrentFileName = fileName;
  shared_.LoadingFile = true;
  shared_.CurrentEditor = Editor_;
  QTextDocument& memo = frame_.Memo1();
  memo.clear();
  FillDocument(memo, text);
  if (!memo.isEmpty()) ColourWholeText(memo, frame_.settings());
  TransferStyledText(true);
  Editor_->moveCursor(QTextCursor::Start);
  Editor_->document()->setModified(false);
  shared_.LoadingFile = false;
  openFolder_ = QFileInfo(fileName).absolutePath();
  return true;
}

void TMainForm::LoadFromCommandLine(const QStringList& arguments) {
  if (arguments.isEmpty() || arguments.first().isEmpty()) return;
  // An unquoted path with blanks arrives in pieces.
  const QString fileName = QFileInfo(arguments.join(' ')).absoluteFilePath();
  shared_.SuppressSaveQuestion = true;
  LoadBuildFile(fileName);
  UpdateCursorPos();
}

bool TMainForm::WriteTo(const QString& fileName) {
  try {
    WriteBuildFile(fileName.toStdString(), *Editor_->document(), frame_.settings());
  } catch (const FileError& error) {
    frame_.ShowMessage(BoxKind::Error, QString::fromStdString(error.what()));
    return false;
  }
  Editor_->document()->setModified(false);
  return true;
}

bool TMainForm::mnuFileSaveAsClick() {
  FileDialogRequest request;
  request.title = "Save current file into folder...";
  request.filter = "Build files|*.bld";
  request.filterIndex = 1;
  request.defaultSuffix = "*.bld";
  request.confirmOverwrite = true;
  request.fileName = fileName_;
  const QString chosen = frame_.seams().ChooseFileToSave(this, request);
  if (chosen.isEmpty()) return false;
  if (!WriteTo(chosen)) return false;
  SetFileName(chosen);
  shared_.CurrentFileName = chosen;
  return true;
}

bool TMainForm::mnuFileSaveClick() {
  if (fileName_ == "Untitled") return mnuFileSaveAsClick();
  return WriteTo(fileName_);
}

void TMainForm::mnuFileOpenClick() {
  frame_.CreatingDocument = true;
  FileDialogRequest request;
  request.title = "Open build file...";
  request.filter = kOpenFilter;
  request.defaultSuffix = "*.bld";
  request.folder = openFolder_;
  const QString chosen = frame_.seams().ChooseFileToOpen(this, request);
  if (!chosen.isEmpty()) frame_.OpenInNewDocument(chosen);
  frame_.CreatingDocument = false;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (Editor_->document()->isModified() && !shared_.SuppressSaveQuestion) {
    const SaveAnswer answer = frame_.seams().AskSaveChanges(
        this, "Confirm", QString("Save changes to %1?").arg(fileName_));
    // A save that is cancelled or fails keeps the window and its text.
    if (answer == SaveAnswer::Cancel || (answer == SaveAnswer::Yes && !mnuFileSaveClick())) {
      event->ignore();
      return;
    }
  }
  event->accept();
  frame_.DocumentClosing(*this);
}

// ---- printing ----

void TMainForm::mnuFilePageSetupClick() {
  frame_.seams().SetUpPage(this, frame_.pageLayout());
}

void TMainForm::mnuFilePrintClick() {
  Editor* target = shared_.CurrentEditor ? shared_.CurrentEditor.data() : Editor_;
  frame_.seams().Print(this, *target->document(), shared_.CurrentFileName, frame_.pageLayout());
}

// ---- the edit commands ----

void TMainForm::mnuEditCutClick() {
  if (buildRunning_ || !Editor_->textCursor().hasSelection()) return;
  const QTextCursor cursor = Editor_->textCursor();
  // The cut text is kept for undo inside the program, so an Undo puts back
  // what was cut even when the clipboard has changed since.
  RecordUndo(UndoKind::Cut, cursor.selectionStart(), cursor.selection());
  Editor_->cut();
  EndProgramEdit();
}

void TMainForm::mnuEditCopyClick() {
  Editor_->copy();
}

void TMainForm::mnuEditPasteClick() {
  // Nothing to paste changes nothing, the undo record included.
  if (buildRunning_ || !Editor_->canPaste()) return;
  // A selection the paste replaces is kept, so that Undo puts it back.
  const QTextCursor cursor = Editor_->textCursor();
  RecordUndo(UndoKind::Paste, cursor.selectionStart(), cursor.selection());
  pasting_ = true;
  Editor_->paste();
  pasting_ = false;
  shared_.undo.end = Editor_->textCursor().position();
  EndProgramEdit();
}

void TMainForm::mnuEditDeleteClick() {
  if (buildRunning_) return;
  QTextCursor cursor = Editor_->textCursor();
  // The erased text is kept for undo inside the program; the clipboard is
  // not touched.
  RecordUndo(UndoKind::Clear, cursor.selectionStart(), cursor.selection());
  if (!cursor.hasSelection()) return;
  cursor.removeSelectedText();
  Editor_->setTextCursor(cursor);
  EndProgramEdit();
}

void TMainForm::mnuEditSelectAllClick() {
  Editor_->selectAll();
}

void TMainForm::mnuEditPreferencesClick() {
  // The editor the dialog applies to is this one; what Apply puts in effect
  // reaches it through the next activation, which recolours.
  shared_.CurrentEditor = Editor_;
  frame_.preferences()->ShowDialog();
}

// ---- whole-text colouring through Memo1 ----

void TMainForm::TransferStyledText(bool replaceWhole) {
  QTextDocument& memo = frame_.Memo1();
  const QTextDocumentFragment fragment(&memo);
  memo.clear();
  QTextDocument* target = Editor_->document();
  // One edit block; the control's own undo does not keep whole texts.
  target->setUndoRedoEnabled(false);
  QTextCursor cursor = Editor_->textCursor();
  cursor.beginEditBlock();
  if (replaceWhole) {
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
  }
  target->setDefaultFont(EditorFont(frame_.settings()));
  cursor.insertFragment(fragment);
  cursor.endEditBlock();
  target->setUndoRedoEnabled(true);
}

void TMainForm::RecolourFromMemo(const QString& text, bool setModified) {
  const int caret = CaretCrLf();
  const bool modified = Editor_->document()->isModified();
  QTextDocument& memo = frame_.Memo1();
  memo.clear();
  memo.setPlainText(text);
  shared_.WholeTextColouring = true;
  ColourWholeText(memo, frame_.settings());
  TransferStyledText(true);
  shared_.WholeTextColouring = false;
  SetCaretCrLf(caret);
  Editor_->document()->setModified(setModified || modified);
  DeleteEmptyLastLines();
  EndProgramEdit();
}

void TMainForm::DeleteEmptyLastLines() {
  QTextDocument* document = Editor_->document();
  QTextCursor cursor(document);
  while (document->blockCount() > 1 && document->lastBlock().length() == 1) {
    cursor.setPosition(document->lastBlock().position() - 1);
    cursor.setPosition(document->lastBlock().position(), QTextCursor::KeepAnchor);
    shared_.CommandInProgress = true;
    cursor.removeSelectedText();
    shared_.CommandInProgress = false;
  }
}

// ---- activation ----

void TMainForm::FormActivate() {
  // While a run goes, the text stays as the run took it.
  if (buildRunning_) return;
  if (frame_.ProgressShown) {
    frame_.ProgressShown = false;
    return;
  }
  if (frame_.StatusBarToggled) {
    Editor_->setFocus();
    frame_.StatusBarToggled = false;
    return;
  }
  UpdateCommandStates(StateChange::Activated);
  if (!shared_.TagAdded && !shared_.TagAddAll && !Editor_->document()->isEmpty())
    RecolourFromMemo(Editor_->toPlainText(), false);
  if (shared_.TagAdded) {
    PerformPendingInsertion();
    shared_.TagAdded = false;
  } else {
    shared_.CurrentEditor = Editor_;
    shared_.CurrentFileName = fileName_;
  }
  openFolder_ = fileName_ == "Untitled" ? QString() : QFileInfo(fileName_).absolutePath();
  if (shared_.TagAddAll) InsertAllTags();
  UpdateCursorPos();
}

void TMainForm::FormDeactivate() {
  if (frame_.CreatingDocument) return;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
}

// ---- enabling ----

void TMainForm::UpdateCommandStates(StateChange change) {
  const bool active = frame_.ActiveDocument() == this;
  switch (change) {
    case StateChange::Activated: {
      const bool undoHere = shared_.undo.kind == UndoKind::Insert && shared_.undo.window == this;
      action("mnuEditUndo")->setEnabled(undoHere);
      frame_.SetToolEnabled("tbSave", true);
      frame_.SetToolEnabled("tbPrint", true);
      frame_.SetToolEnabled("tbUndo", undoHere);
      frame_.SetToolEnabled("tbCut", false);
      frame_.SetToolEnabled("tbCopy", false);
      frame_.SetToolEnabled("tbPaste", true);
      frame_.SetToolEnabled("tbRun", !buildRunning_);
      frame_.SetWindowArrangeEnabled(true);
      break;
    }
    case StateChange::SelectionChanged: {
      const bool selected = Editor_->textCursor().hasSelection();
      if (active) {
        frame_.SetToolEnabled("tbCopy", selected);
        frame_.SetToolEnabled("tbCut", selected);
      }
      action("mnuEditCopy")->setEnabled(selected);
      action("mnuEditCut")->setEnabled(selected);
      action("mnuEditDelete")->setEnabled(selected);
      break;
    }
    case StateChange::UndoRecorded:
    case StateChange::UndoCleared: {
      const bool enabled = change == StateChange::UndoRecorded;
      action("mnuEditUndo")->setEnabled(enabled);
      if (active) frame_.SetToolEnabled("tbUndo", enabled);
      break;
    }
  }
  for (const char* name : {"mnuBuildReformat", "mnuBuildCheck", "mnuBuildRun"})
    action(name)->setEnabled(!buildRunning_);
}

void TMainForm::SetBuildRunning(bool running) {
  buildRunning_ = running;
  Editor_->setReadOnly(running);
  for (const char* name : {"mnuBuildReformat", "mnuBuildCheck", "mnuBuildRun"})
    action(name)->setEnabled(!running);
}

// ---- the editor's notifications ----

void TMainForm::EditorSelectionChange() {
  if (shared_.LineColouring) return;
  UpdateCommandStates(StateChange::SelectionChanged);
}

void TMainForm::UpdateCursorPos() {
  if (shared_.LineColouring || frame_.ActiveDocument() != this) return;
  const int line = Editor_->textCursor().blockNumber() + 1;
  frame_.SetLinePanel(QString::asprintf("Line:%3d ", line));
}

bool TMainForm::KeyRemovalRecorded() const {
  return shared_.undo.kind == UndoKind::Backspace || shared_.undo.kind == UndoKind::DeleteKey;
}

bool TMainForm::CaretLineColouringDue() const {
  return !shared_.UndoInProgress && !shared_.CommandInProgress && !shared_.LoadingFile &&
         !shared_.WholeTextColouring && !shared_.PendingAutoIndent && !shared_.TagAddAll &&
         shared_.undo.kind != UndoKind::Native;
}

// The caret-line pass of a typed key, made before the key's edit ends: its
// format changes are laid out with the key's text at once (the change
// notification that follows finds the line coloured and changes nothing).
void TMainForm::ColourAfterKey() {
  const int caret = Editor_->textCursor().position();
  bool changed = false;
  if (CaretLineColouringDue()) {
    shared_.LineColouring = true;
    changed = ColourCaretLine(*Editor_->document(), caret, frame_.settings());
    shared_.LineColouring = false;
  }
  // A typed change that replaced a selection or whose line needed new
  // formats is one the control undoes itself; Backspace and Delete keep the
  // record of what they removed.
  if (typingOverSelection_ || (changed && !KeyRemovalRecorded()))
    RecordUndo(UndoKind::Native, caret);
  typingOverSelection_ = false;
  shared_.CurrentEditor = Editor_;
}

void TMainForm::EditorChange(int position, int removed, int added) {
  Q_UNUSED(removed);
  if (shared_.LineColouring) return;  // our own format changes
  // The new line of a Return and its indentation are not coloured.
  if (shared_.PendingAutoIndent) {
    shared_.PendingAutoIndent = false;
    return;
  }
  const bool byKey = Editor_->InKeyPress();
  if (!CaretLineColouringDue()) return;

  QTextDocument* document = Editor_->document();
  const int caret = Editor_->textCursor().position();
  // The colouring joins the edit block of the change that raised it, so one
  // undo step takes back both.
  QTextCursor block = Editor_->textCursor();
  block.joinPreviousEditBlock();
  shared_.LineColouring = true;
  bool changed = ColourCaretLine(*document, caret, frame_.settings());
  // Text that arrived over several lines (a paste) is coloured line by line.
  const QTextBlock first = document->findBlock(position);
  const QTextBlock last = document->findBlock(position + added);
  if (first.blockNumber() != last.blockNumber()) {
    for (QTextBlock b = first; b.isValid() && b.blockNumber() <= last.blockNumber(); b = b.next())
      if (!b.contains(caret))
        changed |= ColourCaretLine(*document, b.position(), frame_.settings());
  }
  shared_.LineColouring = false;
  block.endEditBlock();
  // Text typed over several lines whose formats changed: as above.
  if (changed && byKey && !KeyRemovalRecorded()) RecordUndo(UndoKind::Native, caret);
  shared_.CurrentEditor = Editor_;
}

// ---- build commands ----

void TMainForm::mnuBuildReformatClick() {
  if (buildRunning_ || Editor_->document()->isEmpty()) return;
  shared_.CurrentEditor = Editor_;
  const auto lines = frame_.Reformat(*this);
  if (!lines) return;
  QStringList text;
  for (const std::string& line : *lines) text << QString::fromStdString(line);
  RecolourFromMemo(text.join('\n'), true);
}

void TMainForm::mnuBuildCheckClick() {
  if (buildRunning_ || Editor_->document()->isEmpty()) return;
  shared_.CurrentEditor = Editor_;
  frame_.StartCheck(*this);
}

void TMainForm::mnuBuildRunClick() {
  if (buildRunning_) return;
  // The folder of the file with its "/"; empty for "Untitled".
  const QString folder = fileName_ == "Untitled" || !fileName_.contains('/')
                             ? QString()
                             : fileName_.left(fileName_.lastIndexOf('/') + 1);
  frame_.StartRun(*this, folder);
}

void TMainForm::PlaceCaretOnLine(int line) {
  const QTextBlock block = Editor_->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor cursor = Editor_->textCursor();
  cursor.setPosition(block.position());
  Editor_->setTextCursor(cursor);
  Editor_->ensureCursorVisible();
}

}  // namespace ws::desktop
