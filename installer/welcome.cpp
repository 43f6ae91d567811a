#include "welcome.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "background.h"
#include "folderdialog.h"
#include "installsteps.h"
#include "prompts.h"
#include "waitform.h"
#include "windowrules.h"

namespace ws::setup {

namespace {

const char* const kPageTexts[5][4] = {
    {},
    {"Welcome to the Weftsmith Setup program. This program will install Weftsmith on your "
     "computer. ",
     "Click Cancel to quit Setup or click Next to continue with the Setup program.",
     "WARNING: This program is protected by copyright law and international treaties.",
     "Unauthorized reproduction or distribution of this program, or any portion of it, may "
     "result in severe civil and criminal penalties, and will be prosecuted to the maximum "
     "extent possible under law."},
    {"Setup will install Weftsmith in the folder shown at the bottom of this window.",
     "To install to this folder, click Next.",
     "To install to a different folder, click Browse and select another folder.", ""},
    {"", "", "", ""},
    {"Setup is now ready to install Weftsmith on your computer.",
     "Click Finish to complete installation.", "", ""},
};

const char* const kCaptions[5] = {"", "Welcome", "Choose Destination Location",
                                  "Select Shortcut Folder", "Ready to Install"};

// The program's icon, carried inside Setup so that the launchers get it
// whatever the distribution folder holds.
std::string IconData() {
  QFile icon(":/weftsmith.svg");
  return icon.open(QIODevice::ReadOnly) ? icon.readAll().toStdString() : std::string();
}

// The wizard's picture: a small woven grid, the program's icon.
QPixmap WovenPicture() {
  QPixmap pixmap(120, 260);
  pixmap.fill(QColor(64, 128, 128));
  QPainter painter(&pixmap);
  const QColor warp(240, 220, 160), weft(200, 90, 60);
  for (int row = 0; row < 8; ++row) {
    for (int column = 0; column < 4; ++column) {
      const bool over = (row + column) % 2 == 0;
      const int x = 12 + column * 26, y = 20 + row * 28;
      painter.fillRect(x, y - 6, 18, 34, over ? warp : warp.darker(130));
      painter.fillRect(x - 6, y, 30, 16, over ? weft.darker(130) : weft);
    }
  }
  return pixmap;
}

}  // namespace

TWelcome::TWelcome(Prompts& prompts, TBackground& background,
                   const InstallerEnvironment& environment, const QString& installerName,
                   QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      prompts_(prompts),
      background_(background),
      environment_(environment),
      installerName_(installerName) {
  setObjectName("Welcome");

  picture_ = new QLabel(this);
  picture_->setObjectName("Image1");
  picture_->setPixmap(WovenPicture());
  picture_->setAlignment(Qt::AlignTop);

  auto* right = new QVBoxLayout;
  for (int i = 0; i < 4; ++i) {
    text_[i] = new QLabel(this);
    text_[i]->setObjectName(QString("Text%1").arg(i + 1));
    text_[i]->setWordWrap(true);
    right->addWidget(text_[i]);
  }

  grpDestination_ = new QGroupBox("Destination Folder", this);
  grpDestination_->setObjectName("grpDestination");
  editFolder_ =
      new QLineEdit(QString::fromStdString(DefaultDestination(environment_.home)), grpDestination_);
  editFolder_->setObjectName("EditFolder");
  browse_ = new QPushButton("Browse", grpDestination_);
  browse_->setObjectName("btnBrowse");
  auto* destinationRow = new QHBoxLayout(grpDestination_);
  destinationRow->addWidget(editFolder_, 1);
  destinationRow->addWidget(browse_);
  right->addWidget(grpDestination_);

  page3_ = new QWidget(this);
  page3_->setObjectName("page3");
  auto* page3 = new QVBoxLayout(page3_);
  page3->setContentsMargins(0, 0, 0, 0);
  for (const char* text :
       {"Setup will add shortcut icons to the folder indicated below.",
        "If you do not want to use the default folder, you can either type a new name, or select "
        "an existing folder from the list. If you do not want to add shortcut icons you can just "
        "check the box below.",
        "Add shortcuts to this program folder"}) {
    auto* label = new QLabel(text, page3_);
    label->setWordWrap(true);
    page3->addWidget(label);
  }
  edit1_ = new QLineEdit(kDefaultProgramFolder, page3_);
  edit1_->setObjectName("Edit1");
  page3->addWidget(edit1_);
  page3->addWidget(new QLabel("Existing program folders:", page3_));
  folders_ = new QListWidget(page3_);
  folders_->setObjectName("Folders");
  page3->addWidget(folders_);
  checkBox1_ = new QCheckBox("Don't want to add shortcut icons.", page3_);
  checkBox1_->setObjectName("CheckBox1");
  page3->addWidget(checkBox1_);
  right->addWidget(page3_);
  right->addStretch();

  back_ = new QPushButton("< Back", this);
  back_->setObjectName("btnBack");
  next_ = new QPushButton("Next >", this);
  next_->setObjectName("btnNext");
  next_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("btnCancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(back_);
  buttons->addWidget(next_);
  buttons->addSpacing(12);
  buttons->addWidget(cancel_);

  auto* body = new QHBoxLayout;
  body->addWidget(picture_);
  body->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addLayout(buttons);
  setFixedSize(560, 400);

  dialog_ = new TDialog(prompts_, editFolder_, this);
  waitForm_ = new TWaitForm(this);

  connect(next_, &QPushButton::clicked, this, &TWelcome::NextClick);
  connect(back_, &QPushButton::clicked, this, &TWelcome::BackClick);
  connect(cancel_, &QPushButton::clicked, this, &TWelcome::CancelClick);
  connect(browse_, &QPushButton::clicked, this, &TWelcome::BrowseClick);
  connect(folders_, &QListWidget::currentTextChanged, edit1_, [this](const QString& text) {
    if (!text.isEmpty()) edit1_->setText(text);
  });
  connect(checkBox1_, &QCheckBox::toggled, this, [this](bool ticked) {
    edit1_->setEnabled(!ticked);
    folders_->setEnabled(!ticked);
  });
  connect(&background_, &TBackground::quitting, this, &QWidget::close);
  background_.SetWizard(this);

  ShowWizardStep();
}

void TWelcome::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
}

void TWelcome::ShowWizardStep() {
  const int step = std::clamp(step_, 1, 4);
  setWindowTitle(kCaptions[step]);
  for (int i = 0; i < 4; ++i) {
    text_[i]->setText(kPageTexts[step][i]);
    text_[i]->setVisible(step != 3);
  }
  grpDestination_->setVisible(step == 2);
  page3_->setVisible(step == 3);
  back_->setVisible(step != 1);
  next_->setText(step == 4 ? "Finish" : "Next >");
  if (step == 3) {
    programsFolder_ = QString::fromStdString(setup::ProgramsFolder(environment_).string());
    folders_->clear();
    for (const std::string& folder : FindProgramsFolder(programsFolder_.toStdString()))
      folders_->addItem(QString::fromStdString(folder));
  }
}

QWidget* TWelcome::Front() {
  return FrontWindow(this, &background_);
}

QString TWelcome::Destination() const {
  return QString::fromStdString(ResolveDestination(editFolder_->text().toStdString(),
                                                   background_.SourceFolder().toStdString())
                                    .string());
}

bool TWelcome::CheckDestination() {
  const QString folder = Destination();
  std::error_code ec;
  const fs::path source = background_.SourceFolder().toStdString();
  if (fs::equivalent(folder.toStdString(), source, ec) && !ec) {
    prompts_.Error(
        Front(), "Weftsmith cannot be installed into the folder Setup is started from: " + folder);
    return false;
  }
  if (QFileInfo(folder).isDir()) return true;
  if (!prompts_.Confirm(Front(),
                        "The Folder:  " + folder + "  does not exist! Do you want to Create it? "))
    return false;
  try {
    EnsureFolder(folder.toStdString());
  } catch (const FolderNotCreated& error) {
    prompts_.Error(Front(), QString::fromStdString(error.what()));
    return false;
  }
  return true;
}

bool TWelcome::CheckProgramFolder() {
  if (checkBox1_->isChecked()) return true;
  const std::string problem =
      ProgramFolderProblem(programsFolder_.toStdString(), edit1_->text().trimmed().toStdString());
  if (problem.empty()) return true;
  prompts_.Error(Front(), QString::fromStdString(problem));
  return false;
}

void TWelcome::NextClick() {
  if (step_ == 4) {
    InstallFiles();
    return;
  }
  if (step_ == 2 && !CheckDestination()) return;
  if (step_ == 3 && !CheckProgramFolder()) return;
  ++step_;
  ShowWizardStep();
}

void TWelcome::BackClick() {
  if (step_ <= 1) return;
  --step_;
  ShowWizardStep();
}

void TWelcome::CancelClick() {
  background_.close();
}

void TWelcome::BrowseClick() {
  dialog_->OpenAt(
      QString::fromStdString(NearestExistingFolder(Destination().toStdString()).string()));
}

void TWelcome::InstallFiles() {
  const fs::path destination = Destination().toStdString();
  waitForm_->Start();
  InstallReport report;
  try {
    EnsureFolder(destination);
    report = setup::InstallFiles(background_.SourceFolder().toStdString(), destination,
                                 installerName_.toStdString(), [this] { waitForm_->StepIt(); });
    if (programsFolder_.isEmpty())
      programsFolder_ = QString::fromStdString(setup::ProgramsFolder(environment_).string());
    if (!checkBox1_->isChecked())
      CreateShortcuts(programsFolder_.toStdString(), edit1_->text().trimmed().toStdString(),
                      destination, IconData());
  } catch (const std::exception& error) {
    waitForm_->hide();
    prompts_.Error(Front(), QString::fromStdString(error.what()) +
                                "\nThe installation stopped; you can try again.");
    return;
  }
  waitForm_->Finish();
  waitForm_->hide();
  const QString kept =
      report.settingsKept ? QString("\n\nYour settings file prop was kept.") : QString();
  if (report.notCopied.empty()) {
    prompts_.Inform(Front(), "Weftsmith was successfuly installed on your computer!" + kept);
  } else {
    QString list;
    for (const std::string& file : report.notCopied) list += "\n" + QString::fromStdString(file);
    prompts_.Warn(Front(),
                  "Weftsmith was installed on your computer, but these files could not be "
                  "copied:" +
                      list + kept);
  }
  step_ = 5;
  background_.SetSetupFinished(true);
  background_.close();
  close();
}

}  // namespace ws::setup
