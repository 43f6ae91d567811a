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

const char* const kOpenFilter =
    "Build files|*.bld|HTML files, text files|*.htm;*.txt;*.html|All files|*.*";

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
  Editor_->SetKeyPressHandler([this](QKeyEvent* e) { EditorKeyDown(e); });
  Editor_->SetAfterKeyEdit([this] { ColourAfterKey(); });
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

void TMainForm::RecordUndo(UndoKind kind, int start, QTextDocumentFragment text) {
  shared_.undo = {kind, this, start, std::move(text)};
  UpdateCommandStates(StateChange::UndoRecorded);
}

void TMainForm::mnuEditUndoClick() {
  if (buildRunning_) return;
  // The window's one-step undo record is replayed by the undo commands to
  // come; until then the control's own undo stands in.
  shared_.UndoInProgress = true;
  Editor_->undo();
  shared_.UndoInProgress = false;
  shared_.undo = {};
}

void TMainForm::mnuEditCutClick() {
  if (buildRunning_ || !Editor_->textCursor().hasSelection()) return;
  const QTextCursor cursor = Editor_->textCursor();
  RecordUndo(UndoKind::Cut, cursor.selectionStart(), cursor.selection());
  Editor_->cut();
}

void TMainForm::mnuEditCopyClick() {
  Editor_->copy();
}

void TMainForm::mnuEditPasteClick() {
  if (buildRunning_) return;
  RecordUndo(UndoKind::Paste, Editor_->textCursor().position());
  Editor_->paste();
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
      action("mnuEditUndo")->setEnabled(true);
      if (active) frame_.SetToolEnabled("tbUndo", true);
      break;
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

void TMainForm::EditorKeyDown(QKeyEvent* event) {
  if (event->text().isEmpty() && event->key() != Qt::Key_Delete &&
      event->key() != Qt::Key_Backspace)
    return;
  shared_.SuppressSaveQuestion = false;
  // Each key press starts a change of its own; whether its line needed new
  // formats is known after the colouring.
  if (shared_.undo.kind == UndoKind::Native) shared_.undo.kind = UndoKind::None;
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
  if (!CaretLineColouringDue()) return;
  const int caret = Editor_->textCursor().position();
  shared_.LineColouring = true;
  const bool changed = ColourCaretLine(*Editor_->document(), caret, frame_.settings());
  shared_.LineColouring = false;
  if (changed) RecordUndo(UndoKind::Native, caret);
  shared_.CurrentEditor = Editor_;
}

void TMainForm::EditorChange(int position, int removed, int added) {
  Q_UNUSED(removed);
  if (shared_.LineColouring) return;  // our own format changes
  // Only a change made by a key press becomes one the control undoes itself
  // (kind Native); the program's own edits keep their records.
  const bool byKey = Editor_->InKeyPress();
  if (byKey && Editor_->textCursor().hasSelection() && !shared_.CommandInProgress &&
      !shared_.TagAddAll)
    RecordUndo(UndoKind::Native, Editor_->textCursor().selectionStart());
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
  // A line that needed new formats makes the change one the control undoes
  // itself (its change notification would have recorded that).
  if (changed && byKey) RecordUndo(UndoKind::Native, caret);
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

// ---- the Commands menu ----

namespace ws::desktop {

namespace {

// A text's length with each line break counted as CR LF, as the colouring
// of inserted commands takes it.
int CrLfLength(const QString& text) {
  return static_cast<int>(text.size() + text.count('\n'));
}

// The format inserted command text starts with: plain, in the editor font.
QTextCharFormat PlainFormat(const Settings& settings) {
  QTextCharFormat format;
  format.setFont(EditorFont(settings));
  return ElementFormat::Plain().AppliedTo(format);
}

}  // namespace

QString TMainForm::NextIndentLevel() {
  shared_.BaseIndent = shared_.CurrentIndent;
  shared_.CurrentIndent += QString::fromStdString(IndentText(frame_.prefs().controls.Indent));
  return shared_.CurrentIndent;
}

// Inserts prefix and command at start as one edit block, colours the
// command and puts the caret after it.
void TMainForm::InsertCommand(int start, const QString& prefix, const QString& command,
                              const QString& word, int stringLength) {
  QTextCursor cursor = Editor_->textCursor();
  cursor.beginEditBlock();
  cursor.setPosition(start);
  cursor.insertText(prefix + command, PlainFormat(frame_.settings()));
  ColourInsertedCommand(*Editor_->document(), cursor.position(), word, stringLength,
                        CrLfLength(command), frame_.settings());
  cursor.endEditBlock();
  Editor_->setTextCursor(cursor);
}

// "Make new file...", "Include file..." and "Run another build file...": a
// file is chosen and its command goes below the caret's line with that
// line's indentation, or onto the caret's line when it holds only blanks.
// The insertion and its colouring are one edit block.
void TMainForm::InsertFileCommand(const QString& word, const QString& title, int filterIndex) {
  if (buildRunning_) return;
  shared_.CommandInProgress = true;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  FileDialogRequest request;
  request.title = title;
  request.filter = kOpenFilter;
  request.filterIndex = filterIndex;
  request.folder =
      shared_.TagScanFile.isEmpty() ? openFolder_ : QFileInfo(shared_.TagScanFile).absolutePath();
  const QString chosen = frame_.seams().ChooseFileToOpen(this, request);
  const bool refused = word == "new" && Editor_->textCursor().hasSelection();
  if (!chosen.isEmpty() && !refused) {
    shared_.TagScanFile = chosen;
    shared_.InsertedFileName = InsertedName(fileName_, chosen, frame_.prefs().controls.mnuEditUse);
    const QString text = Editor_->toPlainText();
    const int caret = Editor_->textCursor().position();
    shared_.CurrentIndent = LineIndentBefore(text, caret);
    const int start = MoveToLineEnd(text, caret);
    RecordUndo(UndoKind::Insert, start);
    QString inserted = CaretLineIsBlank(text, start) ? QString() : "\n" + shared_.CurrentIndent;
    QString command = word + " \"" + shared_.InsertedFileName + "\"";
    if (word == "new") {
      NextIndentLevel();
      command += "\n" + shared_.CurrentIndent + "\n" + shared_.BaseIndent + "end";
    }
    InsertCommand(start, inserted, command, word,
                  static_cast<int>(shared_.InsertedFileName.size()));
    // A new block leaves the caret at the end of its body line.
    if (word == "new") {
      QTextCursor cursor = Editor_->textCursor();
      cursor.setPosition(cursor.position() - static_cast<int>(shared_.BaseIndent.size()) - 4);
      Editor_->setTextCursor(cursor);
    }
    if (word == "include") {
      shared_.WideTagChoiceMode = false;
      frame_.tagForm()->ShowFor(shared_.TagScanFile, false);
      shared_.CurrentEditor = Editor_;
      shared_.commandMode = CommandMode::IncludeFile;
    }
  }
  shared_.CommandInProgress = false;
}

void TMainForm::mnuCommandsNewFileClick() {
  InsertFileCommand("new", "Make New File...", 2);
}

void TMainForm::mnuCommandsIncludeClick() {
  shared_.TagDialogCancelled = false;
  InsertFileCommand("include", "Select File For Include Tag In File Command...", 2);
}

void TMainForm::mnuCommandsRunClick() {
  InsertFileCommand("run", "Select File For Run Command...", 1);
}

// "Include tag from file...": a file is chosen and the dialog offers its
// wide tags; the include goes in when one is chosen with OK.
void TMainForm::mnuCommandsIncludeTagClick() {
  if (buildRunning_) return;
  shared_.CommandInProgress = true;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  shared_.TagDialogCancelled = false;
  FileDialogRequest request;
  request.title = "Select File For Include File Command...";
  request.filter = kOpenFilter;
  request.filterIndex = 2;
  request.folder = openFolder_;
  const QString chosen = frame_.seams().ChooseFileToOpen(this, request);
  shared_.commandMode = CommandMode::IncludeTag;
  if (!chosen.isEmpty()) {
    shared_.TagScanFile = chosen;
    shared_.InsertedFileName = InsertedName(fileName_, chosen, frame_.prefs().controls.mnuEditUse);
    shared_.WideTagChoiceMode = true;
    frame_.tagForm()->ShowFor(chosen, true);
    shared_.CurrentEditor = Editor_;
  }
  shared_.CommandInProgress = false;
}

// "Replace tag in file...": the dialog offers the tags of the file of the
// nearest include above the caret that is not inside a closed block.
void TMainForm::mnuCommandsReplaceTagClick() {
  if (buildRunning_) return;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  if (Editor_->document()->isEmpty()) return;
  QTextCursor cursor = Editor_->textCursor();
  cursor.clearSelection();
  cursor.movePosition(QTextCursor::EndOfBlock);
  Editor_->setTextCursor(cursor);
  QStringList lines;
  for (QTextBlock b = Editor_->document()->begin(); b.isValid(); b = b.next()) {
    lines << b.text();
    if (b == cursor.block()) break;
  }
  const QString included = FindEnclosingIncludeIn(lines);
  if (included.isEmpty()) return;
  const QString folder =
      fileName_ == "Untitled" ? QString() : QFileInfo(fileName_).absolutePath() + '/';
  shared_.TagScanFile = QFileInfo(included).isAbsolute() ? included : folder + included;
  shared_.TagDialogCancelled = false;
  shared_.WideTagChoiceMode = false;
  frame_.tagForm()->ShowFor(shared_.TagScanFile, false);
  shared_.CurrentEditor = Editor_;
  shared_.commandMode = CommandMode::ReplaceTag;
}

// The answer of the tag dialog (Add or OK) for the command that showed it.
void TMainForm::PerformPendingInsertion() {
  if (shared_.TagDialogCancelled) return;
  const QString tag = "tag \"" + shared_.ChosenTag + "\" \"\"";
  const QString text = Editor_->toPlainText();
  const int caret = Editor_->textCursor().position();
  shared_.CommandInProgress = true;
  switch (shared_.commandMode) {
    case CommandMode::IncludeTag:
    case CommandMode::ReplaceTag: {
      const bool include = shared_.commandMode == CommandMode::IncludeTag;
      if (include && shared_.ChosenTag.isEmpty()) break;
      shared_.CurrentIndent = LineIndentBefore(text, caret);
      const int start = MoveToLineEnd(text, caret);
      RecordUndo(UndoKind::Insert, start);
      const QString prefix =
          CaretLineIsBlank(text, start) ? QString() : "\n" + shared_.CurrentIndent;
      if (include) {
        InsertCommand(
            start, prefix,
            "include \"" + shared_.InsertedFileName + "\" \"" + shared_.ChosenTag + '"', "include",
            static_cast<int>(shared_.InsertedFileName.size() + shared_.ChosenTag.size() + 3));
        shared_.commandMode = CommandMode::None;
      } else {
        InsertCommand(start, prefix, tag, "tag", static_cast<int>(shared_.ChosenTag.size()));
        shared_.ChosenTag.clear();
      }
      break;
    }
    case CommandMode::IncludeFile:
      // Each Add starts a new line below the include or the last tag line.
      RecordUndo(UndoKind::Insert, caret);
      InsertCommand(caret, "\n" + shared_.CurrentIndent, tag, "tag",
                    static_cast<int>(shared_.ChosenTag.size()));
      shared_.ChosenTag.clear();
      break;
    case CommandMode::None:
    case CommandMode::Nest:
      break;
  }
  shared_.CommandInProgress = false;
}

// Add All: one tag line per listed name, wide tags first, the first on the
// caret's line when that is blank; one edit block, one undo step.
void TMainForm::InsertAllTags() {
  QTextCursor cursor = Editor_->textCursor();
  cursor.clearSelection();
  RecordUndo(UndoKind::Insert, cursor.position());
  cursor.beginEditBlock();
  for (const QString& name : shared_.WideTagList + shared_.ShortTagList) {
    shared_.ChosenTag = name;
    const bool blank = CaretLineIsBlank(Editor_->toPlainText(), cursor.position());
    const QString command = "tag \"" + name + "\" \"\"";
    cursor.insertText((blank ? QString() : "\n" + shared_.CurrentIndent) + command,
                      PlainFormat(frame_.settings()));
    ColourInsertedCommand(*Editor_->document(), cursor.position(), "tag",
                          static_cast<int>(name.size()), CrLfLength(command), frame_.settings());
  }
  cursor.endEditBlock();
  Editor_->setTextCursor(cursor);
  shared_.TagAddAll = false;
}

// A one-line tag command becomes a nested one: its value goes (kept only
// by the undo record), an indented empty body line and an end line follow.
void TMainForm::mnuCommandsNestClick() {
  if (buildRunning_) return;
  shared_.CommandInProgress = true;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  if (Editor_->document()->isEmpty()) {
    shared_.CommandInProgress = false;
    return;
  }
  QTextCursor cursor = Editor_->textCursor();
  cursor.clearSelection();
  const QTextBlock block = cursor.block();
  const QString line = block.text();
  cursor.setPosition(block.position() + static_cast<int>(line.size()));
  const QString value = ExtractTagValue(line);
  if (line.contains("tag") && !value.isEmpty()) {
    cursor.beginEditBlock();
    cursor.setPosition(cursor.position() - static_cast<int>(value.size()), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    const int start = cursor.position();
    RecordUndo(UndoKind::Nest, start, QTextDocumentFragment::fromPlainText(value));
    shared_.CurrentIndent = LineIndentBefore(Editor_->toPlainText(), start);
    NextIndentLevel();
    cursor.insertText("\n" + shared_.CurrentIndent + "\n" + shared_.BaseIndent + "end",
                      PlainFormat(frame_.settings()));
    QTextCursor end = cursor;
    end.setPosition(cursor.position() - 3, QTextCursor::KeepAnchor);
    end.mergeCharFormat(ElementFormat::Reserved(frame_.settings()).AppliedTo(end.charFormat()));
    cursor.endEditBlock();
    cursor.setPosition(cursor.position() - static_cast<int>(shared_.BaseIndent.size()) - 4);
    Editor_->setTextCursor(cursor);
  } else {
    Editor_->setTextCursor(cursor);
    frame_.ShowMessage(BoxKind::Warning, "You can not use \"Nest In Tag\" here!");
  }
  shared_.commandMode = CommandMode::Nest;
  shared_.CommandInProgress = false;
}

// A nested tag command becomes a one-line one: its body and end line go (the
// removed text, with its formats, stays in the undo record) and an empty
// quoted value takes their place, with the caret between the quotes.
void TMainForm::mnuCommandsDeNestClick() {
  if (buildRunning_) return;
  shared_.CurrentEditor = Editor_;
  shared_.CurrentFileName = fileName_;
  QTextDocument* document = Editor_->document();
  if (document->isEmpty()) return;
  QTextCursor cursor = Editor_->textCursor();
  const QTextBlock block = cursor.block();
  const QString line = block.text();
  const bool applies = block.next().isValid() && line.contains("tag ") &&
                       (!line.contains("end tag") || line.contains('"')) &&
                       ExtractTagValue(line).isEmpty();
  if (!applies) {
    frame_.ShowMessage(BoxKind::Warning, "You can not use \"De-Nest a Tag\" here!");
    return;
  }
  QStringList lines;
  for (QTextBlock b = block; b.isValid(); b = b.next()) lines << b.text();
  const int start = block.position() + static_cast<int>(line.size());
  const int end = std::min(start + NestedBodyLength(lines), document->characterCount() - 1);
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  RecordUndo(UndoKind::DeNest, start, cursor.selection());
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  // Nest in tag leaves the blank after the name; a second one is not added.
  cursor.insertText(line.endsWith(' ') ? "\"\"" : " \"\"");
  cursor.endEditBlock();
  cursor.setPosition(cursor.position() - 1);
  Editor_->setTextCursor(cursor);
}

}  // namespace ws::desktop
