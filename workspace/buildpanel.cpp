#include "buildpanel.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QTime>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "frameform.h"
#include "mainform.h"
#include "messages.h"

namespace ws::desktop {

namespace {

// What a row of a record is, kept in its first column.
enum class RowKind { Record, Message, Page, Summary };
constexpr int kRowKindRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;  // a message's file, a page's path
constexpr int kLineRole = Qt::UserRole + 2;  // a message's 0-based line

RowKind KindOf(const QTreeWidgetItem* item) {
  return static_cast<RowKind>(item->data(BuildPanel::KindColumn, kRowKindRole).toInt());
}

QStyle::StandardPixmap IconOf(BoxKind kind) {
  switch (kind) {
    case BoxKind::Error:
      return QStyle::SP_MessageBoxCritical;
    case BoxKind::Warning:
      return QStyle::SP_MessageBoxWarning;
    default:
      return QStyle::SP_MessageBoxInformation;
  }
}

const char* const kStateNames[] = {"written", "new", "changed", "unchanged"};

QString Counted(int count, const char* one, const char* many) {
  return QString("%1 %2").arg(count).arg(count == 1 ? one : many);
}

// "3 pages: 1 new, 1 changed, 1 unchanged - 0.4 s", naming only the states
// that some page has; a check counts its messages.
QString Summary(BuildKind kind, const std::array<int, 4>& pages, int messages,
                std::chrono::milliseconds time) {
  QString text;
  if (kind == BuildKind::Check) {
    text = messages == 0 ? QString("No messages") : Counted(messages, "message", "messages");
  } else {
    int total = 0;
    QStringList states;
    for (const PageState state :
         {PageState::New, PageState::Changed, PageState::Unchanged, PageState::Written}) {
      const int count = pages[static_cast<int>(state)];
      total += count;
      if (count > 0)
        states << QString("%1 %2").arg(count).arg(kStateNames[static_cast<int>(state)]);
    }
    text = total == 0 ? QString("No pages")
                      : Counted(total, "page", "pages") + ": " + states.join(", ");
  }
  return text + " " + QChar(0x2014) + " " + QString::number(time.count() / 1000.0, 'f', 1) + " s";
}

}  // namespace

BuildPanel::BuildPanel(QWidget* parent) : QDockWidget("Build", parent) {
  setObjectName("BuildPanel");
  list_ = new QTreeWidget;
  list_->setObjectName("BuildList");
  list_->setHeaderLabels({"Kind", "File", "Line", "Text"});
  list_->setUniformRowHeights(true);  // thousands of pages stay quick
  list_->setRootIsDecorated(true);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(KindColumn, 140);
  list_->setColumnWidth(FileColumn, 320);
  list_->setColumnWidth(LineColumn, 50);

  openInBrowser_ = new QAction(QIcon::fromTheme("internet-web-browser"), "Open in browser", this);
  openInBrowser_->setObjectName("actOpenInBrowser");
  openInBrowser_->setStatusTip("Opens the selected page in the web browser.");
  goToLine_ = new QAction("Go to line", this);
  goToLine_->setObjectName("actGoToMessageLine");
  goToLine_->setStatusTip("Places the caret on the line of the selected message.");
  connect(openInBrowser_, &QAction::triggered, this, [this] { OpenPage(list_->currentItem()); });
  connect(goToLine_, &QAction::triggered, this, [this] { GoToLine(list_->currentItem()); });

  auto* openButton = new QToolButton;
  openButton->setObjectName("OpenInBrowserButton");
  openButton->setDefaultAction(openInBrowser_);
  openButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(4, 2, 4, 0);
  buttons->addWidget(openButton);
  buttons->addStretch(1);
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addLayout(buttons);
  layout->addWidget(list_);
  setWidget(content);

  connect(list_, &QTreeWidget::currentItemChanged, this, &BuildPanel::UpdateActions);
  // A click on a message goes to its line; an activation (double-click,
  // Return) goes to a message's line or opens a page.
  connect(list_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (KindOf(item) == RowKind::Message) GoToLine(item);
  });
  connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (KindOf(item) == RowKind::Message) GoToLine(item);
    if (KindOf(item) == RowKind::Page) OpenPage(item);
  });
  connect(list_, &QWidget::customContextMenuRequested, this, &BuildPanel::ShowContextMenu);
  UpdateActions();
}

void BuildPanel::BeginRecord(BuildKind kind, TMainForm* document) {
  if (records_.size() >= static_cast<std::size_t>(kKeptRecords)) {
    delete records_.back().item;
    records_.pop_back();
  }
  for (const Record& older : records_) older.item->setExpanded(false);
  Record record;
  record.document = document;
  record.documentFile = document ? document->fileName() : QString();
  record.caption = document ? document->caption() : QString();
  record.item =
      new QTreeWidgetItem(QStringList{kind == BuildKind::Run ? "Run" : "Check", record.caption,
                                      QString(), QTime::currentTime().toString("HH:mm:ss")});
  record.item->setData(KindColumn, kRowKindRole, static_cast<int>(RowKind::Record));
  list_->insertTopLevelItem(0, record.item);
  record.item->setExpanded(true);
  records_.push_front(std::move(record));
  recording_ = true;
  list_->scrollToItem(records_.front().item, QAbstractItemView::PositionAtTop);
}

QTreeWidgetItem* BuildPanel::AddRow(const QStringList& columns) {
  auto* row = new QTreeWidgetItem(columns);
  records_.front().item->addChild(row);
  return row;
}

void BuildPanel::AddMessage(const BuildMessage& message) {
  if (!recording_) return;
  Record& record = records_.front();
  ++record.messages;
  QTreeWidgetItem* row =
      AddRow({message.kind == BoxKind::Plain ? QString("Message") : CaptionOf(message.kind),
              message.file.isEmpty() ? record.caption : message.file,
              message.line >= 0 ? QString::number(message.line + 1) : QString(), message.text});
  row->setData(KindColumn, kRowKindRole, static_cast<int>(RowKind::Message));
  row->setData(KindColumn, kPathRole, message.file);
  row->setData(KindColumn, kLineRole, message.line);
  row->setIcon(KindColumn, style()->standardIcon(IconOf(message.kind)));
  row->setToolTip(TextColumn, message.text);
}

void BuildPanel::AddPage(const QString& path, PageState state) {
  if (!recording_) return;
  ++records_.front().pages[static_cast<int>(state)];
  QTreeWidgetItem* row = AddRow({"Page", path, QString(), kStateNames[static_cast<int>(state)]});
  row->setData(KindColumn, kRowKindRole, static_cast<int>(RowKind::Page));
  row->setData(KindColumn, kPathRole, path);
}

void BuildPanel::EndRecord(BuildKind kind, BuildOutcome outcome, std::chrono::milliseconds time) {
  if (!recording_) return;
  const Record& record = records_.front();
  QTreeWidgetItem* row =
      AddRow({outcome == BuildOutcome::Completed ? "Completed" : "Stopped", QString(), QString(),
              Summary(kind, record.pages, record.messages, time)});
  row->setData(KindColumn, kRowKindRole, static_cast<int>(RowKind::Summary));
  recording_ = false;
}

const BuildPanel::Record* BuildPanel::RecordOf(const QTreeWidgetItem* item) const {
  while (item && item->parent()) item = item->parent();
  for (const Record& record : records_)
    if (record.item == item) return &record;
  return nullptr;
}

void BuildPanel::UpdateActions() {
  const QTreeWidgetItem* item = list_->currentItem();
  openInBrowser_->setEnabled(item && KindOf(item) == RowKind::Page);
  goToLine_->setEnabled(item && KindOf(item) == RowKind::Message &&
                        item->data(KindColumn, kLineRole).toInt() >= 0);
}

void BuildPanel::GoToLine(const QTreeWidgetItem* item) {
  const Record* record = RecordOf(item);
  if (!record || !item || KindOf(item) != RowKind::Message) return;
  const int line = item->data(KindColumn, kLineRole).toInt();
  if (line < 0) return;
  const QString file = item->data(KindColumn, kPathRole).toString();
  if (!file.isEmpty()) {
    emit LineRequested(nullptr, file, line);
  } else if (record->document) {
    emit LineRequested(record->document, QString(), line);
  } else if (record->documentFile != "Untitled" && !record->documentFile.isEmpty()) {
    // The document's window is gone: its file opens again.
    emit LineRequested(nullptr, record->documentFile, line);
  }
}

void BuildPanel::OpenPage(const QTreeWidgetItem* item) {
  if (item && KindOf(item) == RowKind::Page)
    emit PageOpenRequested(item->data(KindColumn, kPathRole).toString());
}

void BuildPanel::ShowContextMenu(const QPoint& at) {
  QTreeWidgetItem* item = list_->itemAt(at);
  if (!item) return;
  list_->setCurrentItem(item);
  QAction* action = KindOf(item) == RowKind::Page ? openInBrowser_ : goToLine_;
  if (!action->isEnabled()) return;
  QMenu menu(this);
  menu.addAction(action);
  menu.exec(list_->viewport()->mapToGlobal(at));
}

// ---- the frame's side ----

namespace {
const char* const kBuildPanelKey = "View/BuildPanel";
}

void TFrameForm::CreateBuildPanel() {
  buildPanel_ = new BuildPanel(this);
  addDockWidget(Qt::BottomDockWidgetArea, buildPanel_);
  // A few rows high: the documents keep most of the room.
  resizeDocks({buildPanel_}, {160}, Qt::Vertical);
  buildPanelAction_ = action("mnuViewBuildPanel");
  buildPanelAction_->setCheckable(true);
  if (!state_->value(kBuildPanelKey, true).toBool()) buildPanel_->hide();
  buildPanelAction_->setChecked(!buildPanel_->isHidden());
  // Its own close button hides it too.
  connect(buildPanel_, &QDockWidget::visibilityChanged, this, &TFrameForm::BuildPanelShownOrHidden);

  connect(host_.get(), &DesktopHost::Started, this,
          [this](BuildKind kind) { buildPanel_->BeginRecord(kind, buildDocument_); });
  connect(host_.get(), &DesktopHost::MessageReported, buildPanel_, &BuildPanel::AddMessage);
  connect(host_.get(), &DesktopHost::PageWritten, buildPanel_, &BuildPanel::AddPage);
  connect(host_.get(), &DesktopHost::Finished, this, [this](BuildKind kind, BuildOutcome outcome) {
    buildPanel_->EndRecord(kind, outcome, host_->BuildTime());
  });
  connect(buildPanel_, &BuildPanel::LineRequested, this, &TFrameForm::ShowMessageLine);
  connect(buildPanel_, &BuildPanel::PageOpenRequested, this, &TFrameForm::OpenPageInBrowser);
}

void TFrameForm::ToggleBuildPanel() {
  buildPanel_->setVisible(buildPanel_->isHidden());
  BuildPanelShownOrHidden();
}

void TFrameForm::BuildPanelShownOrHidden() {
  // Hidden means hidden by the user, not with the frame.
  const bool shown = !buildPanel_->isHidden();
  buildPanelAction_->setChecked(shown);
  state_->setValue(kBuildPanelKey, shown);
}

void TFrameForm::ShowMessageLine(TMainForm* document, const QString& file, int line) {
  // A build file's window, if one is open.
  const auto windowOf = [this](const QFileInfo& wanted) -> TMainForm* {
    for (TMainForm* open : Documents())
      if (open->fileName() != "Untitled" && QFileInfo(open->fileName()) == wanted) return open;
    return nullptr;
  };
  TMainForm* target = document;
  if (!file.isEmpty()) {
    const QFileInfo wanted(file);
    target = windowOf(wanted);
    if (!target) {
      // A file that cannot be read is reported and leaves no window.
      OpenInNewDocument(wanted.absoluteFilePath());
      target = windowOf(wanted);
    }
  }
  if (!target) return;
  mdiArea_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(target->parentWidget()));
  target->PlaceCaretOnLine(line);
  target->FocusEditor();
}

void TFrameForm::OpenPageInBrowser(const QString& path) {
  const QFileInfo page(path);
  if (!page.isFile()) {
    ShowMessage(BoxKind::Error,
                QString::fromStdString(MessageText(MessageId::CannotOpenFile,
                                                   {page.absoluteFilePath().toStdString()})));
    return;
  }
  if (!seams_.OpenInBrowser(this, page.absoluteFilePath()))
    ShowMessage(BoxKind::Error,
                "The web browser could not be started to show " + page.absoluteFilePath());
}

}  // namespace ws::desktop
