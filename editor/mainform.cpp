#include "mainform.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "colouring.h"
#include "fileio.h"
#include "positions.h"
#include "richdocument.h"
#include "scopedflag.h"
#include "surroundings.h"

namespace ws::desktop {

TMainForm::TMainForm(WindowSurroundings& surroundings)
    : QWidget(nullptr), surroundings_(surroundings), undo_(surroundings.undoRecord()) {
  Editor_ = new Editor(this);
  Editor_->setObjectName("Editor");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Editor_);
  CreateMenus();
  CreateFindBar();

  // Creating a window.
  setWindowTitle("Untitled");
  // The base font: the settings' face and size, with the style put in effect
  // by the preferences dialog's last Apply.
  const QFont baseFont = surroundings_.BaseFont();
  Editor_->document()->setDefaultFont(baseFont);
  QTextCharFormat typed;
  typed.setFont(baseFont);
  Editor_->mergeCurrentCharFormat(typed);
  Editor_->SetLineNumbersShown(surroundings_.LineNumbersShown());
  Editor_->moveCursor(QTextCursor::Start);

  Editor_->SetCommandKeyTest([this](const QKeySequence& key) {
    return CommandOfKey(key).has_value() || surroundings_.OwnsKey(key);
  });
  Editor_->SetCommandKeyHandler([this](const QKeySequence& key) {
    if (const auto command = CommandOfKey(key)) Run(*command);
  });
  Editor_->SetKeyPressHandler([this](QKeyEvent* e) { return EditorKeyDown(e); });
  Editor_->SetAfterKeyEdit([this] { ColourAfterKey(); });
  // A drop or a middle-click paste is not undoable; it ends the record, whose
  // positions would no longer fit the text.
  Editor_->SetBeforeInsertFromOutside([this] {
    if (!pasting_) ClearUndoRecord();
  });
  connect(Editor_->document(), &QTextDocument::contentsChange, this, &TMainForm::EditorChange);
  connect(Editor_->document(), &QTextDocument::modificationChanged, this, &TMainForm::StateChanged);
  connect(Editor_, &QPlainTextEdit::selectionChanged, this, [this] {
    if (!flags_.LineColouring) emit StateChanged();
  });
  connect(Editor_, &QPlainTextEdit::cursorPositionChanged, this, &TMainForm::UpdateCursorPos);
  Editor_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Editor_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu_->popup(Editor_->mapToGlobal(at)); });
}

TMainForm::~TMainForm() = default;

std::optional<Command> TMainForm::CommandOfKey(const QKeySequence& key) const {
  for (int i = 0; i < kCommandCount; ++i)
    if (!actions_[i]->shortcut().isEmpty() && actions_[i]->shortcut() == key)
      return static_cast<Command>(i);
  return std::nullopt;
}

bool TMainForm::HasSelection() const {
  return Editor_->textCursor().hasSelection();
}

bool TMainForm::IsModified() const {
  return Editor_->document()->isModified();
}

void TMainForm::SetBuildRunning(bool running) {
  buildRunning_ = running;
  Editor_->setReadOnly(running);
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
  bool plainText = false;
  try {
    text = ReadBuildFile(fileName.toStdString(), &plainText);
  } catch (const FileError& error) {
    surroundings_.ShowMessage(BoxKind::Error, QString::fromStdString(error.what()));
    return false;
  }
  SetFileName(fileName);
  plainTextFile_ = plainText;
  {
    ScopedFlag loading(flags_.LoadingFile);
    // The file's own formats give way to the colouring: only its lines count.
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(text.lines.size()));
    for (const std::string& line : text.lines) lines << QString::fromStdString(line);
    TransferStyledText(lines, true);
    Editor_->moveCursor(QTextCursor::Start);
    Editor_->document()->setModified(false);
  }
  openFolder_ = QFileInfo(fileName).absolutePath();
  emit FileUsed(fileName);
  return true;
}

void TMainForm::LoadFromCommandLine(const QStringList& arguments) {
  if (arguments.isEmpty() || arguments.first().isEmpty()) return;
  // An unquoted path with blanks arrives in pieces.
  LoadBuildFile(QFileInfo(arguments.join(' ')).absoluteFilePath());
  UpdateCursorPos();
}

bool TMainForm::WriteTo(const QString& fileName) {
  // A file read as plain text stays plain text when the user asked for it;
  // what was written is what the file is from then on.
  const bool plain = plainTextFile_ && surroundings_.KeepPlainText();
  try {
    if (plain)
      WritePlainBuildFile(fileName.toStdString(), *Editor_->document());
    else
      WriteBuildFile(fileName.toStdString(), *Editor_->document(), surroundings_.settings());
  } catch (const FileError& error) {
    surroundings_.ShowMessage(BoxKind::Error, QString::fromStdString(error.what()));
    return false;
  }
  plainTextFile_ = plain;
  Editor_->document()->setModified(false);
  emit FileUsed(fileName);
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
  const QString chosen = surroundings_.prompts().ChooseFileToSave(this, request);
  if (chosen.isEmpty()) return false;
  if (!WriteTo(chosen)) return false;
  SetFileName(chosen);
  return true;
}

bool TMainForm::mnuFileSaveClick() {
  if (fileName_ == "Untitled") return mnuFileSaveAsClick();
  return WriteTo(fileName_);
}

void TMainForm::mnuFileOpenClick() {
  FileDialogRequest request;
  request.title = "Open build file...";
  request.filter = kOpenFilter;
  request.defaultSuffix = "*.bld";
  request.folder = openFolder_;
  const QString chosen = surroundings_.prompts().ChooseFileToOpen(this, request);
  if (!chosen.isEmpty()) emit OpenRequested(chosen);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (IsModified() && !surroundings_.SaveQuestionSuppressed()) {
    const SaveAnswer answer = surroundings_.prompts().AskSaveChanges(
        this, "Confirm", QString("Save changes to %1?").arg(fileName_));
    // A save that is cancelled or fails keeps the window and its text.
    if (answer == SaveAnswer::Cancel || (answer == SaveAnswer::Yes && !mnuFileSaveClick())) {
      event->ignore();
      return;
    }
  }
  event->accept();
  emit Closing();
}

// ---- printing ----

void TMainForm::mnuFilePageSetupClick() {
  surroundings_.prompts().SetUpPage(this, surroundings_.pageLayout());
}

void TMainForm::mnuFilePrintClick() {
  surroundings_.prompts().Print(this, *Editor_->document(), fileName_, surroundings_.pageLayout());
}

// ---- the edit commands ----

void TMainForm::mnuEditCutClick() {
  if (!HasSelection()) return;
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
  if (!Editor_->canPaste()) return;
  // A selection the paste replaces is kept, so that Undo puts it back.
  const QTextCursor cursor = Editor_->textCursor();
  RecordUndo(UndoKind::Paste, cursor.selectionStart(), cursor.selection());
  {
    ScopedFlag pasting(pasting_);
    Editor_->paste();
  }
  undo_.SetEnd(Editor_->textCursor().position());
  EndProgramEdit();
}

void TMainForm::mnuEditDeleteClick() {
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
  // What Apply puts in effect reaches this window through its next
  // activation, which recolours.
  surroundings_.ShowPreferences();
}

// ---- whole-text colouring ----

void TMainForm::TransferStyledText(const QStringList& lines, bool replaceWhole) {
  QTextDocument* target = Editor_->document();
  // One edit block, the text going in coloured; the control's own undo does
  // not keep whole texts.
  target->setUndoRedoEnabled(false);
  QTextCursor cursor = Editor_->textCursor();
  cursor.beginEditBlock();
  if (replaceWhole) {
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
  }
  // Setting the default font lays the text out at once, in the middle of
  // this change: only a new one is set.
  const QFont font = EditorFont(surroundings_.settings());
  if (target->defaultFont() != font) target->setDefaultFont(font);
  // An empty text leaves the formats of the empty line as they are.
  if (lines.size() > 1 || !lines.value(0).isEmpty())
    InsertColouredLines(cursor, lines, surroundings_.settings());
  cursor.endEditBlock();
  target->setUndoRedoEnabled(true);
}

void TMainForm::RecolourFromMemo(const QString& text, bool setModified) {
  const int caret = CaretCrLf();
  const bool modified = IsModified();
  ScopedFlag colouring(flags_.WholeTextColouring);
  TransferStyledText(text.split('\n'), true);
  SetCaretCrLf(caret);
  Editor_->document()->setModified(setModified || modified);
  DeleteEmptyLastLines();
  EndProgramEdit();
}

void TMainForm::DeleteEmptyLastLines() {
  QTextDocument* document = Editor_->document();
  QTextCursor cursor(document);
  ScopedFlag command(flags_.CommandInProgress);
  while (document->blockCount() > 1 && document->lastBlock().length() == 1) {
    cursor.setPosition(document->lastBlock().position() - 1);
    cursor.setPosition(document->lastBlock().position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
}

// ---- activation ----

void TMainForm::FormActivate() {
  // Undo comes back on only for an insertion made in this window.
  SetUndoEnabled(undo_.kind() == UndoKind::Insert && undo_.MadeIn(this));
  if (!Editor_->document()->isEmpty()) RecolourFromMemo(Editor_->toPlainText(), false);
  openFolder_ = fileName_ == "Untitled" ? QString() : QFileInfo(fileName_).absolutePath();
  UpdateCursorPos();
}

void TMainForm::FocusEditor() {
  Editor_->setFocus();
}

void TMainForm::UpdateCursorPos() {
  if (flags_.LineColouring) return;
  emit CaretLineChanged(Editor_->textCursor().blockNumber() + 1);
}

// ---- build commands ----

void TMainForm::mnuBuildReformatClick() {
  if (Editor_->document()->isEmpty()) return;
  const auto lines = surroundings_.Reformat(*this);
  if (!lines) return;
  Editor_->ClearErrorMark();
  RecolourFromMemo(lines->join('\n'), true);
}

void TMainForm::mnuBuildCheckClick() {
  if (!Editor_->document()->isEmpty()) surroundings_.StartCheck(*this);
}

void TMainForm::mnuBuildRunClick() {
  // The folder of the file with its "/"; empty for "Untitled".
  const QString folder = fileName_ == "Untitled" || !fileName_.contains('/')
                             ? QString()
                             : fileName_.left(fileName_.lastIndexOf('/') + 1);
  surroundings_.StartRun(*this, folder);
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
