// The "&Commands" menu of the document window: commands written into the
// text from file and tag choices, Nest in tag and De-Nest a tag.
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>

#include "insertions.h"
#include "linerules.h"
#include "mainform.h"
#include "scopedflag.h"
#include "surroundings.h"

namespace ws::desktop {

QString TMainForm::NextIndentLevel() {
  pending_.BaseIndent = pending_.CurrentIndent;
  pending_.CurrentIndent += QString::fromStdString(IndentText(surroundings_.controls().Indent));
  return pending_.CurrentIndent;
}

// Inserts prefix and command at start as one edit block, colours the
// command, records it for undo and puts the caret after it.
void TMainForm::InsertCommand(int start, const QString& prefix, const QString& command,
                              const QString& word, int stringLength) {
  Apply(InsertCommandText(*Editor_->document(), start, prefix, command, word, stringLength,
                          surroundings_.settings()));
}

// An edit of the Commands menu is done: its undo record, the caret. Like a
// key, it ends the command-line file's freedom from the save question.
void TMainForm::Apply(const Insertion& done) {
  surroundings_.EndSaveQuestionSuppression();
  RecordUndo(done.undo);
  QTextCursor cursor = Editor_->textCursor();
  cursor.setPosition(done.caret);
  Editor_->setTextCursor(cursor);
  EndProgramEdit();
}

// "Make new file...", "Include file..." and "Run another build file...": a
// file is chosen and its command goes below the caret's line with that
// line's indentation, or onto the caret's line when it holds only blanks.
// The insertion and its colouring are one edit block.
void TMainForm::InsertFileCommand(const QString& word, const QString& title, int filterIndex) {
  ScopedFlag command(flags_.CommandInProgress);
  FileDialogRequest request;
  request.title = title;
  request.filter = kOpenFilter;
  request.filterIndex = filterIndex;
  // A new page is named here before it exists; included and run files exist.
  request.mustExist = word != "new";
  request.folder =
      pending_.TagScanFile.isEmpty() ? openFolder_ : QFileInfo(pending_.TagScanFile).absolutePath();
  const QString chosen = surroundings_.prompts().ChooseFileToOpen(this, request);
  const bool refused = word == "new" && Editor_->textCursor().hasSelection();
  if (!chosen.isEmpty() && !refused) {
    pending_.TagScanFile = chosen;
    pending_.InsertedFileName =
        InsertedName(fileName_, chosen, surroundings_.controls().mnuEditUse);
    const QString text = Editor_->toPlainText();
    const int caret = Editor_->textCursor().position();
    pending_.CurrentIndent = LineIndentBefore(text, caret);
    const int start = MoveToLineEnd(text, caret);
    QString inserted = CaretLineIsBlank(text, start) ? QString() : "\n" + pending_.CurrentIndent;
    QString command = word + " \"" + pending_.InsertedFileName + "\"";
    if (word == "new") {
      NextIndentLevel();
      command += "\n" + pending_.CurrentIndent + "\n" + pending_.BaseIndent + "end";
    }
    InsertCommand(start, inserted, command, word,
                  static_cast<int>(pending_.InsertedFileName.size()));
    // A new block leaves the caret at the end of its body line.
    if (word == "new") {
      QTextCursor cursor = Editor_->textCursor();
      cursor.setPosition(cursor.position() - static_cast<int>(pending_.BaseIndent.size()) - 4);
      Editor_->setTextCursor(cursor);
    }
    if (word == "include") {
      pending_.mode = CommandMode::IncludeFile;
      surroundings_.ShowTags(*this, pending_.TagScanFile, false);
    }
  }
}

void TMainForm::mnuCommandsNewFileClick() {
  InsertFileCommand("new", "Make New File...", 2);
}

void TMainForm::mnuCommandsIncludeClick() {
  InsertFileCommand("include", "Select File For Include Tag In File Command...", 2);
}

void TMainForm::mnuCommandsRunClick() {
  InsertFileCommand("run", "Select File For Run Command...", 1);
}

// "Include tag from file...": a file is chosen and the dialog offers its
// wide tags; the include goes in when one is chosen with OK.
void TMainForm::mnuCommandsIncludeTagClick() {
  ScopedFlag command(flags_.CommandInProgress);
  FileDialogRequest request;
  request.title = "Select File For Include File Command...";
  request.filter = kOpenFilter;
  request.filterIndex = 2;
  request.folder = openFolder_;
  const QString chosen = surroundings_.prompts().ChooseFileToOpen(this, request);
  pending_.mode = CommandMode::IncludeTag;
  if (!chosen.isEmpty()) {
    pending_.TagScanFile = chosen;
    pending_.InsertedFileName =
        InsertedName(fileName_, chosen, surroundings_.controls().mnuEditUse);
    surroundings_.ShowTags(*this, chosen, true);
  }
}

// "Replace tag in file...": the dialog offers the tags of the file of the
// nearest include above the caret that is not inside a closed block.
void TMainForm::mnuCommandsReplaceTagClick() {
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
  pending_.TagScanFile = QFileInfo(included).isAbsolute() ? included : folder + included;
  pending_.mode = CommandMode::ReplaceTag;
  surroundings_.ShowTags(*this, pending_.TagScanFile, false);
}

// Add or OK in the tag dialog this window showed: the command that showed it
// goes in for the chosen tag.
void TMainForm::TagChosen(const QString& selected) {
  if (!selected.isNull()) pending_.ChosenTag = selected;
  openFolder_ = fileName_ == "Untitled" ? QString() : QFileInfo(fileName_).absolutePath();
  PerformPendingInsertion();
  UpdateCursorPos();
}

// Add All in the tag dialog this window showed.
void TMainForm::AllTagsChosen(const QStringList& wide, const QStringList& shortTags) {
  {
    ScopedFlag addAll(flags_.TagAddAll);
    InsertAllTags(wide + shortTags);
  }
  UpdateCursorPos();
}

void TMainForm::PerformPendingInsertion() {
  const QString tag = "tag \"" + pending_.ChosenTag + "\" \"\"";
  const QString text = Editor_->toPlainText();
  const int caret = Editor_->textCursor().position();
  ScopedFlag command(flags_.CommandInProgress);
  switch (pending_.mode) {
    case CommandMode::IncludeTag:
    case CommandMode::ReplaceTag: {
      const bool include = pending_.mode == CommandMode::IncludeTag;
      if (include && pending_.ChosenTag.isEmpty()) break;
      pending_.CurrentIndent = LineIndentBefore(text, caret);
      const int start = MoveToLineEnd(text, caret);
      const QString prefix =
          CaretLineIsBlank(text, start) ? QString() : "\n" + pending_.CurrentIndent;
      if (include) {
        InsertCommand(
            start, prefix,
            "include \"" + pending_.InsertedFileName + "\" \"" + pending_.ChosenTag + '"',
            "include",
            static_cast<int>(pending_.InsertedFileName.size() + pending_.ChosenTag.size() + 3));
        pending_.mode = CommandMode::None;
      } else {
        InsertCommand(start, prefix, tag, "tag", static_cast<int>(pending_.ChosenTag.size()));
        pending_.ChosenTag.clear();
      }
      break;
    }
    case CommandMode::IncludeFile:
      // Each Add starts a new line below the include or the last tag line.
      InsertCommand(caret, "\n" + pending_.CurrentIndent, tag, "tag",
                    static_cast<int>(pending_.ChosenTag.size()));
      pending_.ChosenTag.clear();
      break;
    case CommandMode::None:
    case CommandMode::Nest:
      break;
  }
}

// Add All: one tag line per listed name, wide tags first, the first on the
// caret's line when that is blank; one edit block, one undo step.
void TMainForm::InsertAllTags(const QStringList& names) {
  Apply(InsertTagLines(*Editor_->document(), Editor_->textCursor().position(), names,
                       pending_.CurrentIndent, surroundings_.settings()));
}

// A one-line tag command becomes a nested one: its value goes (kept only
// by the undo record), an indented empty body line and an end line follow.
void TMainForm::mnuCommandsNestClick() {
  ScopedFlag command(flags_.CommandInProgress);
  if (Editor_->document()->isEmpty()) return;
  const QString indentText = QString::fromStdString(IndentText(surroundings_.controls().Indent));
  const auto done = NestTagCommand(*Editor_->document(), Editor_->textCursor().position(),
                                   indentText, surroundings_.settings());
  if (done) {
    pending_.BaseIndent = done->indent;
    pending_.CurrentIndent = done->indent + indentText;
    Apply(*done);
  } else {
    Editor_->moveCursor(QTextCursor::EndOfBlock);
    surroundings_.ShowMessage(BoxKind::Warning, "You can not use \"Nest In Tag\" here!");
  }
  pending_.mode = CommandMode::Nest;
}

// A nested tag command becomes a one-line one: its body and end line go (the
// removed text, with its formats, stays in the undo record) and an empty
// quoted value takes their place, with the caret between the quotes.
void TMainForm::mnuCommandsDeNestClick() {
  if (Editor_->document()->isEmpty()) return;
  if (const auto done = DeNestTagCommand(*Editor_->document(), Editor_->textCursor().position()))
    Apply(*done);
  else
    surroundings_.ShowMessage(BoxKind::Warning, "You can not use \"De-Nest a Tag\" here!");
}

}  // namespace ws::desktop
