#include "folderdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
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
  connect(tree_, &QTreeView::clicked, this,
          [this](const QModelIndex& index) { current_ = model_->filePath(index); });

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

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Folders:", this), 0, 0);
  grid->addWidget(tree_, 1, 0, 3, 1);
  grid->addWidget(new QLabel("Drives:", this), 4, 0);
  grid->addWidget(drives_, 5, 0);
  grid->addWidget(ok, 1, 1);
  grid->addWidget(cancel, 2, 1);
  grid->addWidget(newFolder, 3, 1, Qt::AlignTop);
  resize(460, 400);
}

QStringList TDialog::Drives() const {
  QStringList roots{QDir::rootPath()};
  const QString home = QDir::homePath();
  if (!roots.contains(home)) roots << home;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
      roots << volume.rootPath();
  return roots;
}

void TDialog::SetCurrentFolder(const QString& folder) {
  current_ = QDir::cleanPath(folder);
  const QModelIndex index = model_->index(current_);
  if (index.isValid()) {
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
  }
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
