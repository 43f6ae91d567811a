#include "folderdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "prompts.h"
#include "windowrules.h"

namespace ws::setup {

TNewFolder::TNewFolder(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      edit_(new QLineEdit(this)) {
  setObjectName("NewFolder");
  setWindowTitle("Enter the name of the new folder");
  edit_->setObjectName("NewFEdit");
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnNewOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btnNewCancel");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_);
  layout->addLayout(buttons);
  FitCaption(*this);
}

TDialog::TDialog(Prompts& prompts, QLineEdit* editFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      prompts_(prompts),
      editFolder_(editFolder),
      model_(new QFileSystemModel(this)),
      tree_(new QTreeView(this)),
      drives_(new QComboBox(this)),
      newFolder_(new TNewFolder(this)) {
  setObjectName("Dialog");
  setWindowTitle("Select Folder to Install Weftsmith in");

  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath("/");
  tree_->setObjectName("Folders");
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setHeaderHidden(true);
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(0, Qt::AscendingOrder);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (index.isValid()) current_ = model_->filePath(index);
          });
  // The model reads folders in the background and sorts them afterwards, and
  // either moves the current folder's row: until the user takes the tree in
  // hand, the current folder is shown again after each.
  const auto follow = [this] {
    if (following_) QTimer::singleShot(0, this, &TDialog::ShowCurrent);
  };
  connect(model_, &QFileSystemModel::directoryLoaded, this, follow);
  connect(model_, &QAbstractItemModel::layoutChanged, this, follow);
  connect(tree_, &QTreeView::pressed, this, [this] { following_ = false; });
  connect(tree_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this] { following_ = false; });

  drives_->setObjectName("Drives");
  drives_->addItems(Drives());
  connect(drives_, &QComboBox::activated, this, &TDialog::ChooseDrive);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("btnCancel");
  auto* newFolder = new QPushButton("New Folder", this);
  newFolder->setObjectName("btnNewFolder");
  connect(ok, &QPushButton::clicked, this, &TDialog::AcceptFolder);
  connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
  connect(newFolder, &QPushButton::clicked, this, &TDialog::ShowNewFolder);
  connect(newFolder_, &QDialog::accepted, this, &TDialog::CreateNewFolder);

  // The folders take the room; the buttons stand together at the top right.
  auto* folders = new QVBoxLayout;
  folders->addWidget(new QLabel("Folders:", this));
  folders->addWidget(tree_, 1);
  folders->addWidget(new QLabel("Drives:", this));
  folders->addWidget(drives_);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(newFolder);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(folders, 1);
  layout->addLayout(buttons);
  resize(460, 400);
  FitCaption(*this);
}

QStringList TDialog::Drives() const {
  QStringList roots{QDir::rootPath()};
  const QString home = QDir::homePath();
  if (!roots.contains(home)) roots << home;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()) &&
        QFileInfo(volume.rootPath()).isDir())
      roots << volume.rootPath();
  return roots;
}

int TDialog::DriveOf(const QString& folder) const {
  int best = 0;
  for (int i = 0; i < drives_->count(); ++i) {
    const QString root = drives_->itemText(i);
    const bool inside = root == "/" || folder == root || folder.startsWith(root + '/');
    if (inside && root.size() > drives_->itemText(best).size()) best = i;
  }
  return best;
}

void TDialog::OpenAt(const QString& folder) {
  const QString clean = QDir::cleanPath(folder);
  const int drive = DriveOf(clean);
  drives_->setCurrentIndex(drive);
  tree_->setRootIndex(model_->index(drives_->itemText(drive)));
  SetCurrentFolder(clean);
  show();
  raise();
  activateWindow();
}

void TDialog::SetCurrentFolder(const QString& folder) {
  current_ = QDir::cleanPath(folder);
  following_ = true;
  const QModelIndex index = model_->index(current_);
  if (index.isValid()) tree_->setCurrentIndex(index);
  ShowCurrent();
}

void TDialog::ShowCurrent() {
  const QModelIndex index = model_->index(current_);
  if (!index.isValid()) return;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TDialog::ChooseDrive(int index) {
  const QString root = drives_->itemText(index);
  tree_->setRootIndex(model_->index(root));
  SetCurrentFolder(root);
}

void TDialog::ShowNewFolder() {
  newFolder_->NewFEdit()->clear();
  newFolder_->show();
}

void TDialog::CreateNewFolder() {
  const QString name = newFolder_->NewFEdit()->text().trimmed();
  if (name.isEmpty()) return;
  const QString folder = QDir(current_.isEmpty() ? QDir::rootPath() : current_).filePath(name);
  if (!QDir().mkdir(folder) && !QFileInfo(folder).isDir()) {
    prompts_.Error(FrontWindow(this), "The folder " + folder + " could not be created.");
    return;
  }
  SetCurrentFolder(folder);
}

void TDialog::AcceptFolder() {
  if (!current_.isEmpty()) editFolder_->setText(current_);
  hide();
}

}  // namespace ws::setup
