// TDialog, the folder picker behind "Browse", and TNewFolder, its prompt for
// the name of a new folder.
#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QTreeView;

namespace ws::setup {

class Prompts;

class TNewFolder : public QDialog {
  Q_OBJECT
 public:
  explicit TNewFolder(QWidget* parent = nullptr);
  QLineEdit* NewFEdit() const { return edit_; }

 private:
  QLineEdit* edit_;
};

class TDialog : public QDialog {
  Q_OBJECT
 public:
  TDialog(Prompts& prompts, QLineEdit* editFolder, QWidget* parent = nullptr);

  QString CurrentFolder() const { return current_; }
  // Shows the dialog at folder: the drive that holds it, the tree opened down
  // to it and the folder chosen.
  void OpenAt(const QString& folder);
  void SetCurrentFolder(const QString& folder);
  TNewFolder* NewFolderPrompt() const { return newFolder_; }
  // The roots offered under "Drives:": the mounted file systems and the home folder.
  QStringList Drives() const;
  QTreeView* FolderTree() const { return tree_; }

 public slots:
  void ChooseDrive(int index);
  void ShowNewFolder();
  void AcceptFolder();
  void CreateNewFolder();

 private:
  // The entry of "Drives:" with the longest root that holds folder.
  int DriveOf(const QString& folder) const;
  // Opens the tree down to the current folder and scrolls it into view.
  void ShowCurrent();

  Prompts& prompts_;
  QLineEdit* editFolder_;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QComboBox* drives_;
  TNewFolder* newFolder_;
  QString current_;
  // Whether the tree keeps the current folder in view while the model reads.
  bool following_ = false;
};

}  // namespace ws::setup
