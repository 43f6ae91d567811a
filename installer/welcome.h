// TWelcome: the four-page wizard. Next on page 2 checks the destination, on
// page 3 the program folder for the launchers, on page 4 installs; Cancel
// closes the background, which asks first.
#pragma once

#include <QWidget>

#include "launchers.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ws::setup {

class Prompts;
class TBackground;
class TDialog;
class TWaitForm;

class TWelcome : public QWidget {
  Q_OBJECT
 public:
  TWelcome(Prompts& prompts, TBackground& background, const InstallerEnvironment& environment,
           const QString& installerName, QWidget* parent = nullptr);

  int WizardStep() const { return step_; }
  const QString& ProgramsFolder() const { return programsFolder_; }
  TDialog* FolderDialog() const { return dialog_; }
  TWaitForm* WaitForm() const { return waitForm_; }

  // Lays out the page for the current step.
  void ShowWizardStep();

 public slots:
  void NextClick();
  void BackClick();
  void CancelClick();
  void BrowseClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The window the wizard's boxes open over.
  QWidget* Front();
  bool CheckDestination();
  // The launcher folder typed on page 3 lies inside the applications folder.
  bool CheckProgramFolder();
  void InstallFiles();
  QString Destination() const;

  Prompts& prompts_;
  TBackground& background_;
  InstallerEnvironment environment_;
  QString installerName_;
  int step_ = 1;
  QString programsFolder_;

  QLabel* picture_;
  QLabel* text_[4];
  QGroupBox* grpDestination_;
  QLineEdit* editFolder_;
  QPushButton* browse_;
  QWidget* page3_;
  QLineEdit* edit1_;
  QListWidget* folders_;
  QCheckBox* checkBox1_;
  QPushButton* back_;
  QPushButton* next_;
  QPushButton* cancel_;
  TDialog* dialog_;
  TWaitForm* waitForm_;
};

}  // namespace ws::setup
