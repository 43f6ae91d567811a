#include "frameform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "colouring.h"
#include "desktopstate.h"
#include "fileio.h"
#include "mainform.h"
#include "messages.h"
#include "paths.h"
#include "positions.h"
#include "settingsfile.h"

namespace ws::desktop {

namespace {

const char* const kFrameTitle = "Weftsmith";
const char* const kIdleHint = "For Help, press F1";
const char* const kKeepPlainTextKey = "Files/KeepPlainText";

}  // namespace

// Without an icon theme of the desktop, the toolbar takes its pictures from
// the full-colour theme that the package depends on, by the freedesktop
// names, never Qt's built-in pictures of other things. Some platforms (the
// offscreen one) look for themes nowhere but in the resources.
void TFrameForm::UseIconTheme() {
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& folder : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                         "icons", QStandardPaths::LocateDirectory))
    if (!paths.contains(folder)) paths << folder;
  QIcon::setThemeSearchPaths(paths);
  if (QIcon::themeName().isEmpty()) QIcon::setThemeName("hicolor");
  if (QIcon::themeName() == "hicolor") QIcon::setFallbackThemeName("Adwaita");
}

QString TFrameForm::ExecutableFolder() {
  return QDir(QCoreApplication::applicationDirPath()).absolutePath() + "/";
}

TFrameForm::TFrameForm(Seams& seams, FrameOptions options)
    : seams_(seams),
      dataFolder_(DataFolderFor(
          (options.programFolder.isEmpty() ? ExecutableFolder() : options.programFolder)
              .toStdString())),
      programFolder_(QString::fromStdString(dataFolder_.path)),
      arguments_(std::move(options.arguments)),
      state_(std::make_unique<QSettings>(
          options.statePath.isEmpty() ? DefaultDesktopStatePath() : options.statePath,
          QSettings::IniFormat)),
      recent_(*state_) {
  setObjectName("FrameForm");
  setWindowTitle(kFrameTitle);
  // The program's icon on the frame and on every window and dialog of it.
  setWindowIcon(QIcon(":/weftsmith.png"));
  UseIconTheme();
  mdiArea_ = new QMdiArea(this);
  mdiArea_->setObjectName("ClientArea");
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TFrameForm::SubWindowActivated);

  host_ = std::make_unique<DesktopHost>(programFolder_.toStdString(), this);
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  // In the order of start-up: the preferences (read from the settings file,
  // then their dialog, which shows what was read), the about box, the
  // progress window.
  LoadPreferences();
  Preferences_ = new TPreferences(this, prefs_);
  keepPlainText_ = state_->value(kKeepPlainTextKey, false).toBool();
  Preferences_->chkKeepPlainText->setChecked(keepPlainText_);
  connect(Preferences_->chkKeepPlainText, &QCheckBox::toggled, this, [this](bool on) {
    keepPlainText_ = on;
    state_->setValue(kKeepPlainTextKey, on);
  });
  // Dialogs that stay in front come back only while no message box is open.
  const auto noMessageOpen = [this] { return messagesOpen_ == 0; };
  Preferences_->mayComeForward = noMessageOpen;
  // The help window belongs to the frame, so that it outlives the dialog's hiding.
  connect(Preferences_, &TPreferences::HelpRequested, this,
          [this] { seams_.ShowHelp(this, programFolder_ + "Help.htm", "Pref"); });
  AboutBox_ = new TAboutBox(this);
  WaitForm_ = new TWaitForm(this);
  // The tag dialog's answers go to the window whose command showed it, if
  // it is still there.
  TagForm_ = new TTagForm(this, prefs_.settings,
                          [this](const QString& text) { ShowMessage(BoxKind::Error, text); });
  connect(TagForm_, &TTagForm::TagAdded, this, [this](const QString& selected) {
    if (tagAsker_) tagAsker_->TagChosen(selected);
  });
  connect(TagForm_, &TTagForm::AllTagsAdded, this,
          [this](const QStringList& wide, const QStringList& shortTags) {
            if (tagAsker_) tagAsker_->AllTagsChosen(wide, shortTags);
          });
  TagForm_->mayComeForward = noMessageOpen;
  TagForm_->viewForm()->mayComeForward = noMessageOpen;
  connect(WaitForm_, &TWaitForm::StopRequested, host_.get(), &DesktopHost::RequestStop);
  ConnectHost();
  CreateBuildPanel();
  UpdateActions();
}

TFrameForm::~TFrameForm() {
  // The document windows go first: they use the frame's state while closing.
  disconnect(mdiArea_, nullptr, this, nullptr);
  // The panel hidden on the way out must not write to the state, gone by then.
  disconnect(buildPanel_, nullptr, this, nullptr);
  qDeleteAll(mdiArea_->subWindowList());
}

// ---- construction ----

void TFrameForm::ConnectHost() {
  host_->SetMessageHandler([this](BoxKind kind, const QString& text) { ShowMessage(kind, text); });
  connect(host_.get(), &DesktopHost::Started, this, &TFrameForm::UpdateActions);
  connect(host_.get(), &DesktopHost::RunningTitle, this, [this](bool running) {
    runningTitle_ = running;
    UpdateTitle();
  });
  connect(host_.get(), &DesktopHost::ProgressRequested, this, [this](const QString& text) {
    WaitForm_->ShowProgress(text);
    progressShown_ = true;
  });
  connect(host_.get(), &DesktopHost::ProgressClosed, WaitForm_, &QWidget::hide);
  connect(host_.get(), &DesktopHost::CaretLineRequested, this, [this](int line) {
    if (buildDocument_) buildDocument_->PlaceCaretOnLine(line);
    failedLine_ = line;
  });
  // The engine puts the caret only on the line of a failure. Reformat Text
  // does so outside any run; a run's start forgets it.
  connect(host_.get(), &DesktopHost::Started, this, [this] { failedLine_ = -1; });
  connect(host_.get(), &DesktopHost::Finished, this, &TFrameForm::RunFinished);
  // After the window's activation has recoloured it: the line of a failed
  // run or check keeps its mark until the text is edited.
  connect(host_.get(), &DesktopHost::Finished, this, [this](BuildKind, BuildOutcome outcome) {
    if (buildDocument_)
      buildDocument_->editor()->MarkErrorLine(outcome == BuildOutcome::Completed ? -1
                                                                                 : failedLine_);
  });
}

void TFrameForm::RunFinished() {
  WaitForm_->hide();
  runningTitle_ = false;
  UpdateTitle();
  UpdateActions();
  // The active window is activated now, as if it had just been: what was
  // held back during the run (another window's activation, a window made
  // meanwhile) happens, and the activation after the progress window skips.
  if (activeDocument_) ActivateDocument(*activeDocument_);
  if (exitAfterRun_) {
    exitAfterRun_ = false;
    close();
  }
}

// ---- settings ----

void TFrameForm::LoadPreferences() {
  const std::string path = SettingsPathForReading(dataFolder_);
  if (!LoadSettingsFile(prefs_, path, nullptr))
    ShowMessage(BoxKind::Error,
                QString::fromStdString(MessageText(MessageId::CannotOpenFile, {path})));
}

void TFrameForm::SavePreferences() {
  // A settings file that cannot be written is reported; the program ends anyway.
  try {
    SaveSettingsFile(prefs_, SettingsPathForWriting(dataFolder_));
  } catch (const std::exception& error) {
    ShowMessage(BoxKind::Warning, QString::fromStdString(error.what()));
  }
}

void TFrameForm::ShowMessage(BoxKind kind, const QString& text) {
  const QString caption = kind == BoxKind::Plain ? ApplicationTitle() : CaptionOf(kind);
  ++messagesOpen_;
  const auto closed = qScopeGuard([this] { --messagesOpen_; });
  seams_.ShowMessage(this, kind, caption, text);
}

bool TFrameForm::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::StatusTip: {
      // The long hints of menu items and buttons go to panel 1.
      const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
      panel1_->setText(tip.isEmpty() ? kIdleHint : tip);
      return true;
    }
    case QEvent::WindowTitleChange: {
      // A maximised document window writes its name into the frame's title
      // on its own, from whatever the title was when it was maximised; the
      // frame alone decides its title.
      const bool handled = QMainWindow::event(event);
      UpdateTitle();
      return handled;
    }
    case QEvent::WindowActivate: {
      const bool handled = QMainWindow::event(event);
      FormActivate();
      return handled;
    }
    default:
      return QMainWindow::event(event);
  }
}

void TFrameForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The first document window comes right after the frame is shown.
  QTimer::singleShot(0, this, &TFrameForm::FormActivate);
}

// ---- document windows ----

TMainForm* TFrameForm::CreateDocument() {
  auto* document = new TMainForm(*this);
  connect(document, &TMainForm::StateChanged, this, &TFrameForm::UpdateActions);
  connect(document, &TMainForm::CaretLineChanged, this, [this, document](int line) {
    if (document == activeDocument_) panel0_->setText(QString::asprintf("Line:%3d ", line));
  });
  connect(document, &TMainForm::NewRequested, this, &TFrameForm::New);
  connect(document, &TMainForm::OpenRequested, this, &TFrameForm::OpenInNewDocument);
  connect(document, &TMainForm::CloseRequested, this,
          [this, document] { CloseDocument(*document); });
  connect(document, &TMainForm::ExitRequested, this, &TFrameForm::Exit);
  connect(document, &TMainForm::Closing, this, &TFrameForm::DocumentClosing);
  connect(document, &TMainForm::FileUsed, this, [this](const QString& file) { recent_.Add(file); });
  // The recent files end the window's File menu as they end the frame's.
  QMenu* fileMenu = document->menus().front();
  connect(fileMenu, &QMenu::aboutToShow, this, [this, fileMenu] {
    recent_.FillMenu(*fileMenu, [this](const QString& file) { OpenRecent(file); });
  });
  connect(document, &QWidget::windowTitleChanged, this, &TFrameForm::UpdateTitle);
  QMdiSubWindow* window = mdiArea_->addSubWindow(document);
  // One icon for every document window, so that its pictures are made once.
  if (documentIcon_.isNull())
    documentIcon_ = QIcon::fromTheme("text-x-generic", style()->standardIcon(QStyle::SP_FileIcon));
  window->setWindowIcon(documentIcon_);
  window->showMaximized();
  // A window made while a run goes takes no edits either until it ends.
  UpdateActions();
  // Only the window made at start-up opens the file named on the command line.
  if (!startupDocumentMade_) {
    startupDocumentMade_ = true;
    if (!newDocumentRequested_ && !arguments_.isEmpty() && !arguments_.first().isEmpty())
      OpenCommandLineFiles(*document);
  }
  return document;
}

void TFrameForm::OpenCommandLineFiles(TMainForm& first) {
  suppressSaveQuestion_ = true;
  // The arguments joined by blanks name the file (an unquoted path with
  // blanks arrives in pieces); when they do not, each argument that names a
  // file opens in a window of its own (several files dropped on a launcher).
  QStringList files;
  if (arguments_.size() > 1 && !QFileInfo(arguments_.join(' ')).isFile())
    for (const QString& argument : arguments_)
      if (QFileInfo(argument).isFile()) files << QFileInfo(argument).absoluteFilePath();
  if (files.isEmpty()) {
    first.LoadFromCommandLine(arguments_);
    return;
  }
  first.LoadFromCommandLine({files.takeFirst()});
  for (const QString& file : files) OpenInNewDocument(file);
}

void TFrameForm::OpenRecent(const QString& fileName) {
  if (!QFileInfo(fileName).isFile()) {
    recent_.Remove(fileName);
    ShowMessage(BoxKind::Warning,
                QString("%1 no longer exists. It was removed from the recent files.")
                    .arg(QDir::toNativeSeparators(fileName)));
    return;
  }
  OpenInNewDocument(fileName);
}

void TFrameForm::OpenInNewDocument(const QString& fileName) {
  TMainForm* document = CreateDocument();
  // A file that cannot be read leaves no empty window behind.
  if (!document->LoadBuildFile(fileName)) CloseDocument(*document);
}

bool TFrameForm::CloseDocument(TMainForm& document) {
  auto* window = qobject_cast<QMdiSubWindow*>(document.parentWidget());
  return window ? window->close() : document.close();
}

void TFrameForm::DocumentClosing() {
  // After the window is gone (never inside its close event): the actions
  // follow the window that is active then, and a frame left without
  // documents gets an empty one unless Open was used.
  QTimer::singleShot(0, this, [this] {
    UpdateActions();
    LastDocumentCheck();
  });
}

void TFrameForm::LastDocumentCheck() {
  if (closing_ || openUsed_ || !Documents().isEmpty()) return;
  CreateDocument();
}

TMainForm* TFrameForm::ActiveDocument() const {
  return activeDocument_.data();
}

QList<TMainForm*> TFrameForm::Documents() const {
  QList<TMainForm*> result;
  for (QMdiSubWindow* window : mdiArea_->subWindowList())
    if (auto* document = qobject_cast<TMainForm*>(window->widget());
        document && !window->isHidden())  // a closed window is hidden until it goes
      result << document;
  return result;
}

void TFrameForm::SubWindowActivated(QMdiSubWindow* window) {
  TMainForm* document = window ? qobject_cast<TMainForm*>(window->widget()) : nullptr;
  if (document == activeDocument_) return;
  activeDocument_ = document;
  MergeMenus(document);
  UpdateTitle();
  UpdateActions();
  if (document) ActivateDocument(*document);
}

void TFrameForm::UpdateTitle() {
  QString title = kFrameTitle;
  if (activeDocument_) title += " - [" + activeDocument_->caption() + "]";
  if (runningTitle_)
    title = QString::fromStdString(MessageText(MessageId::RunningTitle, {title.toStdString()}));
  if (windowTitle() != title) setWindowTitle(title);
}

void TFrameForm::ActivateDocument(TMainForm& document) {
  // While a run goes, the text stays as the run took it; the activation
  // happens when the run ends.
  if (Busy()) return;
  // The first activation after the progress window was shown does nothing.
  if (progressShown_) {
    progressShown_ = false;
    return;
  }
  document.FormActivate();
  UpdateActions();
}

void TFrameForm::FormActivate() {
  if (closing_) return;
  if (Documents().isEmpty()) {
    if (!openUsed_ && !skipNextActivation_) CreateDocument();
  } else if (activeDocument_) {
    // QMdiArea reports no activation when the focus comes back from a
    // dialog; the document window's activation runs from here.
    ActivateDocument(*activeDocument_);
  }
  skipNextActivation_ = false;
}

// ---- commands ----

void TFrameForm::New() {
  newDocumentRequested_ = true;
  CreateDocument();
  newDocumentRequested_ = false;
}

void TFrameForm::Open() {
  openUsed_ = true;
  FileDialogRequest request;
  request.title = "Select build file to open...";
  request.filter = "Build files|*.bld|HTML format|*.html|All files|*.*";
  const QString chosen = seams_.ChooseFileToOpen(this, request);
  if (!chosen.isEmpty()) OpenInNewDocument(chosen);
}

void TFrameForm::Exit() {
  close();
}

void TFrameForm::HelpTopics() {
  skipNextActivation_ = true;
  // The current folder stays as it is: runs resolve relative names against
  // the folder the program started in, and the help file is named in full.
  seams_.ShowHelp(this, programFolder_ + "Help.htm");
}

void TFrameForm::About() {
  skipNextActivation_ = true;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    AboutBox_->adjustSize();
    AboutBox_->move(screen->geometry().center() - AboutBox_->rect().center());
  }
  AboutBox_->show();
  AboutBox_->raise();
}

void TFrameForm::ToggleToolbar() {
  toolbarHidden_ = !toolbarHidden_;
  toolBar_->setVisible(!toolbarHidden_);
  toolbarAction_->setChecked(!toolbarHidden_);
}

void TFrameForm::ToggleStatusBar() {
  statusBarHidden_ = !statusBarHidden_;
  statusBar()->setVisible(!statusBarHidden_);
  statusBarAction_->setChecked(!statusBarHidden_);
  // The editor gets its focus back; nothing else of an activation happens.
  if (activeDocument_) activeDocument_->FocusEditor();
}

void TFrameForm::Tile() {
  mdiArea_->tileSubWindows();
}

void TFrameForm::Cascade() {
  mdiArea_->cascadeSubWindows();
}

// ---- what the document windows ask for ----

QFont TFrameForm::BaseFont() const {
  return Preferences_->WithTickedStyles(EditorFont(prefs_.settings));
}

void TFrameForm::ShowTags(TMainForm& document, const QString& file, bool choiceMode) {
  tagAsker_ = &document;
  TagForm_->ShowFor(file, choiceMode);
}

void TFrameForm::ShowPreferences() {
  Preferences_->ShowDialog();
}

// ---- the engine ----

BuildDocument TFrameForm::DocumentForEngine(TMainForm& document, const QString& folder) const {
  return BuildDocument{DocumentLines(*document.editor()->document()), folder.toStdString(),
                       document.caption().toStdString()};
}

void TFrameForm::StartRun(TMainForm& document, const QString& folder) {
  if (Busy()) return;
  buildDocument_ = &document;
  runCaption_ = document.caption();
  host_->StartRun(DocumentForEngine(document, folder), prefs_);
}

void TFrameForm::StartCheck(TMainForm& document) {
  if (Busy()) return;
  buildDocument_ = &document;
  runCaption_ = document.caption();
  host_->StartCheck(DocumentForEngine(document, {}), prefs_);
}

std::optional<QStringList> TFrameForm::Reformat(TMainForm& document) {
  if (Busy()) return std::nullopt;
  buildDocument_ = &document;
  const auto lines = host_->Reformat(DocumentForEngine(document, {}), prefs_);
  if (!lines) return std::nullopt;
  QStringList text;
  for (const std::string& line : *lines) text << QString::fromStdString(line);
  return text;
}

// ---- shut-down ----

void TFrameForm::AskToStopRun() {
  // The Stop button is at hand whatever the answer.
  if (!WaitForm_->isVisible()) {
    WaitForm_->ShowProgress(QString(122, ' ') + "Weftsmith running: " + runCaption_);
    progressShown_ = true;
  }
  WaitForm_->raise();
  if (seams_.AskYesNo(this, "Confirm", "A build is running. Stop it and exit?")) {
    // The usual save questions come when the run has ended; the progress
    // window goes now, before the stop's message.
    exitAfterRun_ = true;
    WaitForm_->hide();
    host_->RequestStop();
  }
}

void TFrameForm::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    event->ignore();
    if (!exitAfterRun_) AskToStopRun();
    return;
  }
  closing_ = true;
  for (TMainForm* document : Documents()) {
    if (!CloseDocument(*document)) {
      closing_ = false;
      event->ignore();
      return;
    }
  }
  SavePreferences();
  state_->sync();
  event->accept();
}

}  // namespace ws::desktop
