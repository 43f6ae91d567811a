#include "tagform.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "colouring.h"
#include "messages.h"
#include "tagscan.h"

namespace ws::desktop {

TViewForm::TViewForm(QWidget* parent, const Settings& settings)
    : QDialog(parent), settings_(settings) {
  setObjectName("ViewForm");
  TagName = new QPlainTextEdit(this);
  TagName->setObjectName("TagName");
  TagName->setReadOnly(true);
  TagName->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  TagName->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // "Fixedsys" shows as the system's fixed-width face, as in the editor.
  TagName->setFont(EditorFont("Fixedsys", 10));
  SubTags = new QListWidget(this);
  SubTags->setObjectName("SubTags");
  BitBtnOK = new QPushButton("OK", this);
  BitBtnOK->setObjectName("BitBtnOK");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TagName);
  layout->addWidget(new QLabel("Tags found in this tag", this));
  layout->addWidget(SubTags);
  layout->addWidget(BitBtnOK);
  // A click on a nested tag selects its first occurrence in the body.
  connect(SubTags, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const QString text = TagName->toPlainText();
    const qsizetype at = text.indexOf(item->text());
    if (at < 0) return;
    QTextCursor cursor = TagName->textCursor();
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + item->text().size()), QTextCursor::KeepAnchor);
    TagName->setTextCursor(cursor);
  });
  connect(BitBtnOK, &QPushButton::clicked, this, [this] {
    TagName->clear();
    SubTags->clear();
    hide();
    // The focus goes back to the results dialog.
    if (QWidget* results = parentWidget(); results && results->isVisible()) {
      results->raise();
      results->activateWindow();
    }
  });
}

void ComeForwardLater(QWidget* window, const std::function<bool()>& may) {
  QTimer::singleShot(0, window, [window, may] {
    // Only over the program's own windows: when another program has the
    // focus, no window of ours is active and the dialog stays where it is.
    const QWidget* active = QApplication::activeWindow();
    if (!window->isVisible() || !active || active == window || QApplication::activeModalWidget() ||
        (may && !may()))
      return;
    window->raise();
    window->activateWindow();
  });
}

void TViewForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible())
    ComeForwardLater(this, mayComeForward);
}

void TViewForm::ShowTag(const QString& name, const QString& body) {
  setWindowTitle(name);
  TagName->appendPlainText(body);
  const QString text = FlattenLineBreaks(TagName->toPlainText());
  QStringList names;
  ScanTagsInText(text, TagKind::Short, settings_, names);
  ScanTagsInText(text, TagKind::Wide, settings_, names);
  SubTags->addItems(names);
  show();
}

TTagForm::TTagForm(QWidget* parent, const Settings& settings,
                   std::function<void(const QString&)> showError)
    : QDialog(parent), settings_(settings), showError_(std::move(showError)) {
  setObjectName("TagForm");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  WideTags = new QListWidget(this);
  WideTags->setObjectName("WideTags");
  ShortTags = new QListWidget(this);
  ShortTags->setObjectName("ShortTags");
  ShortLabel = new QLabel("Short tag(s) found in current file:", this);
  btnShowTag = new QPushButton("&Show tag", this);
  btnShowTag->setObjectName("btnShowTag");
  BitBtnOK = new QPushButton("Add", this);
  BitBtnOK->setObjectName("BitBtnOK");
  BitBtnAddAll = new QPushButton("Add All", this);
  BitBtnAddAll->setObjectName("BitBtnAddAll");
  BitBtnCancel = new QPushButton("Done", this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  BitBtnCancel->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Wide tag(s) found in current file:", this));
  layout->addWidget(WideTags);
  layout->addWidget(ShortLabel);
  layout->addWidget(ShortTags);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnShowTag, BitBtnOK, BitBtnAddAll, BitBtnCancel}) buttons->addWidget(b);
  layout->addLayout(buttons);
  ViewForm_ = new TViewForm(this, settings_);

  connect(WideTags, &QListWidget::itemClicked, this, &TTagForm::WideClicked);
  connect(ShortTags, &QListWidget::itemClicked, this, &TTagForm::ShortClicked);
  connect(BitBtnOK, &QPushButton::clicked, this, &TTagForm::AddClick);
  connect(BitBtnAddAll, &QPushButton::clicked, this, &TTagForm::AddAllClick);
  connect(BitBtnCancel, &QPushButton::clicked, this, &TTagForm::DoneClick);
  connect(btnShowTag, &QPushButton::clicked, this, &TTagForm::ShowTagClick);
}

void TTagForm::ShowFor(const QString& file, bool choiceMode) {
  choiceMode_ = choiceMode;
  WideTags->clear();
  ShortTags->clear();
  setWindowTitle("Please choose which tags you would like to edit....");
  // Wide enough for the whole caption on the title bar.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
  ShortTags->setVisible(!choiceMode);
  ShortTags->setEnabled(!choiceMode);
  ShortLabel->setVisible(!choiceMode);
  BitBtnAddAll->setVisible(!choiceMode);
  BitBtnAddAll->setEnabled(!choiceMode);
  BitBtnOK->setText(choiceMode ? "OK" : "Add");
  BitBtnCancel->setText(choiceMode ? "Cancel" : "Done");
  BitBtnOK->setEnabled(false);
  btnShowTag->setEnabled(false);
  TempText_.clear();
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    showError_(
        QString::fromStdString(MessageText(MessageId::CannotOpenFile, {file.toStdString()})));
  } else {
    TempText_ = QString::fromUtf8(in.readAll());
    const QString flat = FlattenLineBreaks(TempText_);
    QStringList wide, shortNames;
    if (!choiceMode) ScanTagsInText(flat, TagKind::Short, settings_, shortNames);
    ScanTagsInText(flat, TagKind::Wide, settings_, wide);
    ShortTags->addItems(shortNames);
    WideTags->addItems(wide);
  }
  if (!choiceMode && WideTags->count() == 0 && ShortTags->count() == 0)
    BitBtnAddAll->setEnabled(false);
  show();
  raise();
}

void TTagForm::WideClicked(QListWidgetItem* item) {
  if (!item) return;
  ShortTags->clearSelection();
  const bool named = !item->text().isEmpty();
  BitBtnOK->setEnabled(named);
  btnShowTag->setEnabled(named);
}

void TTagForm::ShortClicked(QListWidgetItem* item) {
  if (!item) return;
  WideTags->clearSelection();
  BitBtnOK->setEnabled(true);
  btnShowTag->setEnabled(false);
}

void TTagForm::mousePressEvent(QMouseEvent* event) {
  WideTags->clearSelection();
  ShortTags->clearSelection();
  BitBtnOK->setEnabled(false);
  btnShowTag->setEnabled(false);
  QDialog::mousePressEvent(event);
}

void TTagForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || isActiveWindow()) return;
  if (isVisible() && !ViewForm_->isVisible()) ComeForwardLater(this, mayComeForward);
}

void TTagForm::AddClick() {
  // The selected short tag, else the selected wide tag; none leaves the
  // asker's last choice as it is.
  QString selected;
  if (!ShortTags->selectedItems().isEmpty())
    selected = ShortTags->selectedItems().first()->text();
  else if (!WideTags->selectedItems().isEmpty())
    selected = WideTags->selectedItems().first()->text();
  // In choice mode the one answer closes the dialog; in browse mode it stays
  // for further Adds. Either way the asking window inserts now.
  if (choiceMode_) hide();
  emit TagAdded(selected);
}

void TTagForm::AddAllClick() {
  QStringList wide, shortNames;
  for (int i = 0; i < WideTags->count(); ++i) wide << WideTags->item(i)->text();
  for (int i = 0; i < ShortTags->count(); ++i) shortNames << ShortTags->item(i)->text();
  hide();
  emit AllTagsAdded(wide, shortNames);
}

void TTagForm::DoneClick() {
  hide();
}

void TTagForm::ShowTagClick() {
  const QList<QListWidgetItem*> selected = WideTags->selectedItems();
  if (selected.isEmpty()) return;
  bool found = false;
  const QString name = selected.first()->text();
  const QString body = WideTagBody(FlattenLineBreaks(TempText_), name, settings_, &found);
  if (!found) return;
  ViewForm_->ShowTag(name, body);
}

}  // namespace ws::desktop
