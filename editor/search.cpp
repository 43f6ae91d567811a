// The document window's find, replace and go-to-line commands. Finding only
// moves the selection; a replacement is one step of the window's undo and
// colours its lines as typed text would be coloured.
#include <QCoreApplication>
#include <QLayout>
#include <QStatusTipEvent>
#include <QTextBlock>

#include "findbar.h"
#include "mainform.h"
#include "scopedflag.h"
#include "surroundings.h"

namespace ws::desktop {

void TMainForm::CreateFindBar() {
  FindBar_ = new TFindBar(this);
  layout()->addWidget(FindBar_);
  connect(FindBar_, &TFindBar::FindRequested, this, &TMainForm::FindFromBar);
  connect(FindBar_, &TFindBar::ReplaceRequested, this, &TMainForm::ReplaceFromBar);
  connect(FindBar_, &TFindBar::ReplaceAllRequested, this, &TMainForm::ReplaceAllFromBar);
  connect(FindBar_, &TFindBar::Closed, this, [this] { Editor_->setFocus(); });
  // The bar's replace buttons follow the Replace command's enabled state.
  QAction* replace = action(Command::EditReplace);
  connect(replace, &QAction::changed, FindBar_,
          [this, replace] { FindBar_->SetReplaceEnabled(replace->isEnabled()); });
}

void TMainForm::ShowStatus(const QString& text) {
  // The status line of the program around the window takes status tips.
  QStatusTipEvent tip(text);
  QCoreApplication::sendEvent(this, &tip);
}

namespace {

// A one-line selection is what a find starts with.
QString SelectedWord(const QTextCursor& cursor) {
  const QString text = cursor.selectedText();
  return text.contains(QChar::ParagraphSeparator) ? QString() : text;
}

}  // namespace

void TMainForm::mnuEditFindClick() {
  FindBar_->Open(SelectedWord(Editor_->textCursor()), false);
}

void TMainForm::mnuEditReplaceClick() {
  FindBar_->Open(SelectedWord(Editor_->textCursor()), true);
}

void TMainForm::mnuEditFindNextClick() {
  FindFromBar(false);
}

void TMainForm::mnuEditFindPreviousClick() {
  FindFromBar(true);
}

void TMainForm::FindFromBar(bool backward) {
  const QString text = FindBar_->text();
  if (text.isEmpty()) {
    FindBar_->Open({}, FindBar_->isVisible() && FindBar_->ReplaceShown());
    return;
  }
  const FindResult found =
      FindText(*Editor_->document(), Editor_->textCursor(), text, FindBar_->options(), backward);
  switch (found.outcome) {
    case FindOutcome::NotFound:
      ShowStatus(QString("\"%1\" not found").arg(text));
      return;
    case FindOutcome::Wrapped:
      ShowStatus(backward ? "Search wrapped: continued from the end"
                          : "Search wrapped: continued from the beginning");
      break;
    case FindOutcome::Found:
      ShowStatus({});
      break;
  }
  Editor_->setTextCursor(found.match);
  Editor_->ensureCursorVisible();
}

void TMainForm::ReplaceFromBar() {
  if (!action(Command::EditReplace)->isEnabled()) return;
  const QTextCursor selection = Editor_->textCursor();
  if (IsMatch(selection, FindBar_->text(), FindBar_->options())) {
    Replacement done;
    {
      ScopedFlag command(flags_.CommandInProgress);
      done = ReplaceSelection(*Editor_->document(), selection, FindBar_->replacement(),
                              surroundings_.settings());
    }
    surroundings_.EndSaveQuestionSuppression();
    RecordUndo(done.undo);
    QTextCursor cursor = Editor_->textCursor();
    cursor.setPosition(done.caret);
    Editor_->setTextCursor(cursor);
    EndProgramEdit();
  }
  FindFromBar(false);
}

void TMainForm::ReplaceAllFromBar() {
  if (!action(Command::EditReplace)->isEnabled()) return;
  const QString text = FindBar_->text();
  std::optional<Replacement> done;
  {
    ScopedFlag command(flags_.CommandInProgress);
    done = ReplaceAll(*Editor_->document(), text, FindBar_->replacement(), FindBar_->options(),
                      surroundings_.settings());
  }
  if (!done) {
    ShowStatus(QString("\"%1\" not found").arg(text));
    return;
  }
  surroundings_.EndSaveQuestionSuppression();
  RecordUndo(done->undo);
  QTextCursor cursor = Editor_->textCursor();
  cursor.setPosition(done->caret);
  Editor_->setTextCursor(cursor);
  EndProgramEdit();
  ShowStatus(done->count == 1 ? QString("1 match replaced")
                              : QString("%1 matches replaced").arg(done->count));
}

void TMainForm::mnuEditGoToLineClick() {
  const QTextDocument& document = *Editor_->document();
  const int line = surroundings_.prompts().AskLineNumber(
      this, Editor_->textCursor().blockNumber() + 1, document.blockCount());
  if (line <= 0) return;
  PlaceCaretOnLine(line - 1);
  Editor_->setFocus();
}

}  // namespace ws::desktop
