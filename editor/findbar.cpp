#include "findbar.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace ws::desktop {

namespace {

QPushButton* Button(const char* name, const QString& caption, const QString& hint,
                    QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setStatusTip(hint);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TFindBar::TFindBar(QWidget* parent) : QWidget(parent) {
  setObjectName("FindBar");
  findEdit_ = new QLineEdit(this);
  findEdit_->setObjectName("FindText");
  findEdit_->setStatusTip("The text to find");
  replaceEdit_ = new QLineEdit(this);
  replaceEdit_->setObjectName("ReplaceText");
  replaceEdit_->setStatusTip("The text that takes the place of each match");
  matchCase_ = new QCheckBox("Match &case", this);
  matchCase_->setObjectName("MatchCase");
  wholeWord_ = new QCheckBox("&Whole word", this);
  wholeWord_->setObjectName("WholeWord");
  auto* next = Button("FindNextButton", "&Next", "Finds the next match", this);
  auto* previous = Button("FindPreviousButton", "Pre&vious", "Finds the previous match", this);
  replace_ = Button("ReplaceButton", "&Replace",
                    "Replaces the selected match and finds the next one", this);
  replaceAll_ = Button("ReplaceAllButton", "Replace &All", "Replaces every match", this);
  auto* close = new QToolButton(this);
  close->setObjectName("CloseFindBar");
  close->setIcon(QIcon::fromTheme("window-close"));
  close->setText("x");
  close->setToolTip("Close");
  close->setAutoRaise(true);

  auto* findLabel = new QLabel("&Find:", this);
  findLabel->setBuddy(findEdit_);
  auto* replaceLabel = new QLabel("Replace wit&h:", this);
  replaceLabel->setBuddy(replaceEdit_);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(findEdit_, 0, 1);
  grid->addWidget(previous, 0, 2);
  grid->addWidget(next, 0, 3);
  grid->addWidget(matchCase_, 0, 4);
  grid->addWidget(wholeWord_, 0, 5);
  grid->addWidget(close, 0, 6);
  // The replace row is one widget, shown and hidden as a whole.
  replaceRow_ = new QWidget(this);
  auto* row = new QHBoxLayout(replaceRow_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(replace_);
  row->addWidget(replaceAll_);
  row->addStretch(1);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(replaceEdit_, 1, 1);
  grid->addWidget(replaceRow_, 1, 2, 1, 5);
  grid->setColumnStretch(1, 1);
  replaceLabel_ = replaceLabel;

  connect(next, &QPushButton::clicked, this, [this] { emit FindRequested(false); });
  connect(previous, &QPushButton::clicked, this, [this] { emit FindRequested(true); });
  connect(replace_, &QPushButton::clicked, this, &TFindBar::ReplaceRequested);
  connect(replaceAll_, &QPushButton::clicked, this, &TFindBar::ReplaceAllRequested);
  connect(findEdit_, &QLineEdit::returnPressed, this,
          [this] { emit FindRequested(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier); });
  connect(replaceEdit_, &QLineEdit::returnPressed, this, &TFindBar::ReplaceRequested);
  connect(close, &QToolButton::clicked, this, [this] {
    hide();
    emit Closed();
  });
  hide();
}

void TFindBar::Open(const QString& text, bool withReplace) {
  if (!text.isEmpty()) findEdit_->setText(text);
  for (QWidget* w : {replaceLabel_, static_cast<QWidget*>(replaceEdit_), replaceRow_})
    w->setVisible(withReplace);
  show();
  findEdit_->setFocus();
  findEdit_->selectAll();
}

FindOptions TFindBar::options() const {
  return {matchCase_->isChecked(), wholeWord_->isChecked()};
}

void TFindBar::SetReplaceEnabled(bool enabled) {
  replace_->setEnabled(enabled);
  replaceAll_->setEnabled(enabled);
}

void TFindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    emit Closed();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace ws::desktop
