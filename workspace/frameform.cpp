#include "frameform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "fileio.h"
#include "mainform.h"
#include "paths.h"
#include "positions.h"

namespace ws::desktop {

namespace {

const char* const kFrameTitle = "Weftsmith";
const char* const kIdleHint = "For Help, press F1";

// The frame's menus: the menu bar while no document window is active.
struct FrameMenuItem {
  int menu;  // 0 File, 1 View, 2 Window, 3 Help
  const char* name;
  const char* caption;
  const char* key;
  const char* hint;
  bool separatorAfter;
  void (TFrameForm::*command)();
};

const char* const kFrameMenuTitles[] = {"&File", "&View", "&Window", "&Help"};

const FrameMenuItem kFrameMenuItems[] = {
    {0, "mnuNew", "&New Build File", "Ctrl+N", "Creates a new build file", false, &TFrameForm::New},
    {0, "mnuOpen", "&Open Build File", "Ctrl+O", "Opens an existing build file", true,
     &TFrameForm::Open},
    {0, "mnuExit", "E&xit", "F3", "Exit Weftsmith", false, &TFrameForm::Exit},
    {1, "mnuViewToolbar", "Toolbar", "", "Shows or hides the toolbar.", false,
     &TFrameForm::ToggleToolbar},
    {1, "mnuViewStatusBar", "Status bar", "", "Shows or hides the status bar.", false,
     &TFrameForm::ToggleStatusBar},
    {2, "Tile1", "&Tile", "", "Arranges windows in non-overlapped tiles.", false,
     &TFrameForm::Tile},
    {2, "Cascade1", "&Cascade", "", "Arranges windows in an overlapped fashion.", false,
     &TFrameForm::Cascade},
    {3, "mnuHelpTopics", "&Help Topics", "F1", "Shows Help topics", true, &TFrameForm::HelpTopics},
    {3, "mnuHelpAbout", "About...", "", "Shows the program's name, version and platform", false,
     &TFrameForm::About},
};

// The toolbar, left to right; a null name is a separator. The hint's part
// before the bar is the tool tip, the part after it the long hint.
struct ToolButton {
  const char* name;
  const char* themeIcon;
  QStyle::StandardPixmap fallback;
  const char* hint;
};

const ToolButton kToolButtons[] = {
    {"tbNew", "document-new", QStyle::SP_FileIcon, "New|Creates a new build file"},
    {"tbOpen", "document-open", QStyle::SP_DialogOpenButton, "Open|Opens an existing build file"},
    {"tbSave", "document-save", QStyle::SP_DialogSaveButton, "Save|Saves the active build file"},
    {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
    {"tbPrint", "document-print", QStyle::SP_ComputerIcon, "Print|Prints the active build file"},
    {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
    {"tbCut", "edit-cut", QStyle::SP_DialogDiscardButton,
     "Cut|Cuts the selection and puts it on the Clipboard"},
    {"tbCopy", "edit-copy", QStyle::SP_FileDialogContentsView,
     "Copy|Copies the selection and puts it on the Clipboard"},
    {"tbPaste", "edit-paste", QStyle::SP_DialogApplyButton, "Paste|Inserts Clipboard contents"},
    {"tbUndo", "edit-undo", QStyle::SP_ArrowBack, "Undo|Reverses the last action"},
    {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
    {"tbRun", "system-run", QStyle::SP_MediaPlay, "Run this build file"},
    {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
    {"tbHelp", "help-contents", QStyle::SP_DialogHelpButton, "Help|Shows Help topics"},
};

// The tool buttons a document window enables; they start disabled.
const char* const kDocumentTools[] = {"tbSave", "tbCut",   "tbCopy", "tbPaste",
                                      "tbUndo", "tbPrint", "tbRun"};

QString CaptionOf(BoxKind kind) {
  switch (kind) {
    case BoxKind::Error:
      return "Error";
    case BoxKind::Warning:
      return "Warning";
    case BoxKind::Information:
      return "Information";
    case BoxKind::Plain:
      break;
  }
  return {};
}

}  // namespace

QString TFrameForm::ExecutableFolder() {
  return QDir(QCoreApplication::applicationDirPath()).absolutePath() + "/";
}

TFrameForm::TFrameForm(Seams& seams, FrameOptions options)
    : seams_(seams),
      dataFolder_(DataFolderFor(
          (options.programFolder.isEmpty() ? ExecutableFolder() : options.programFolder)
              .toStdString())),
      programFolder_(QString::fromStdString(dataFolder_.path)),
      arguments_(std::move(options.arguments)) {
  setObjectName("FrameForm");
  setWindowTitle(kFrameTitle);
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
  // Dialogs that stay in front come back only while no message box is open.
  const auto noMessageOpen = [this] { return MessagesOpen == 0; };
  Preferences_->mayComeForward = noMessageOpen;
  // The help window belongs to the frame, so that it outlives the dialog's hiding.
  connect(Preferences_, &TPreferences::HelpRequested, this,
          [this] { seams_.ShowHelp(this, programFolder_ + "Help.htm", "Pref"); });
  AboutBox_ = new TAboutBox(this);
  WaitForm_ = new TWaitForm(this);
  // The tag dialog's answers are acted on by the window whose command showed
  // it, through that window's activation.
  TagForm_ = new TTagForm(
      this, documentState_, prefs_.settings,
      [this](const QString& text) { ShowMessage(BoxKind::Error, text); },
      [this] {
        TMainForm* target = ActiveDocument();
        for (TMainForm* document : Documents())
          if (document->editor() == documentState_.CurrentEditor) target = document;
        if (target) target->FormActivate();
      });
  TagForm_->mayComeForward = noMessageOpen;
  TagForm_->viewForm()->mayComeForward = noMessageOpen;
  connect(WaitForm_, &TWaitForm::StopRequested, host_.get(), &DesktopHost::RequestStop);
  ConnectHost();
}

TFrameForm::~TFrameForm() {
  // The document windows go first: they use the frame's state while closing.
  disconnect(mdiArea_, nullptr, this, nullptr);
  qDeleteAll(mdiArea_->subWindowList());
}

// ---- construction ----

void TFrameForm::CreateMenus() {
  QMenu** targets[] = {&fileMenu_, &viewMenu_, &windowMenu_, &helpMenu_};
  for (int i = 0; i < 4; ++i) *targets[i] = new QMenu(kFrameMenuTitles[i], this);
  QMenu* menus[] = {fileMenu_, viewMenu_, windowMenu_, helpMenu_};
  for (const FrameMenuItem& item : kFrameMenuItems) {
    QAction* a = menus[item.menu]->addAction(item.caption);
    a->setObjectName(item.name);
    if (*item.key) a->setShortcut(QKeySequence(item.key));
    a->setStatusTip(item.hint);
    connect(a, &QAction::triggered, this, item.command);
    if (item.separatorAfter) menus[item.menu]->addSeparator();
  }
  for (const char* name : {"mnuViewToolbar", "mnuViewStatusBar"}) {
    action(name)->setCheckable(true);
    action(name)->setChecked(true);
  }
  // Tile and Cascade follow the document windows: off while none is active.
  SetWindowArrangeEnabled(false);
  // "&Window" also lists the open documents.
  connect(windowMenu_, &QMenu::aboutToShow, this, &TFrameForm::FillWindowMenu);
  MergeMenus(nullptr);
}

void TFrameForm::CreateToolBar() {
  toolBar_ = addToolBar("Toolbar");
  toolBar_->setObjectName("ToolBar");
  toolBar_->setMovable(false);
  for (const ToolButton& button : kToolButtons) {
    if (!button.name) {
      toolBar_->addSeparator();
      continue;
    }
    const QString hint = button.hint;
    const qsizetype bar = hint.indexOf('|');
    QAction* a = toolBar_->addAction(
        QIcon::fromTheme(button.themeIcon, style()->standardIcon(button.fallback)),
        bar < 0 ? hint : hint.left(bar));
    a->setObjectName(button.name);
    a->setToolTip(bar < 0 ? hint : hint.left(bar));
    a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
  }
  connect(action("tbNew"), &QAction::triggered, this, &TFrameForm::New);
  connect(action("tbOpen"), &QAction::triggered, this, &TFrameForm::Open);
  connect(action("tbHelp"), &QAction::triggered, this, &TFrameForm::HelpTopics);
  // The document tools forward to the active document window's command.
  const std::pair<const char*, std::function<void(TMainForm&)>> forwarded[] = {
      {"tbSave", [](TMainForm& w) { w.mnuFileSaveClick(); }},
      {"tbPrint", [](TMainForm& w) { w.mnuFilePrintClick(); }},
      {"tbCut", [](TMainForm& w) { w.mnuEditCutClick(); }},
      {"tbCopy", [](TMainForm& w) { w.mnuEditCopyClick(); }},
      {"tbPaste", [](TMainForm& w) { w.mnuEditPasteClick(); }},
      {"tbUndo", [](TMainForm& w) { w.mnuEditUndoClick(); }},
      {"tbRun", [](TMainForm& w) { w.mnuBuildRunClick(); }},
  };
  for (const auto& [name, command] : forwarded)
    connect(action(name), &QAction::triggered, this, [this, command = command] {
      if (activeDocument_) command(*activeDocument_);
    });
  for (const char* name : kDocumentTools) SetToolEnabled(name, false);
}

void TFrameForm::CreateStatusBar() {
  panel0_ = new QLabel(this);
  panel0_->setObjectName("StatusPanel0");
  panel0_->setFixedWidth(50);
  panel0_->setAlignment(Qt::AlignCenter);
  panel1_ = new QLabel(kIdleHint, this);
  panel1_->setObjectName("StatusPanel1");
  statusBar()->addWidget(panel0_);
  statusBar()->addWidget(panel1_, 1);
}

void TFrameForm::ConnectHost() {
  host_->SetMessageHandler([this](BoxKind kind, const QString& text) { ShowMessage(kind, text); });
  connect(host_.get(), &DesktopHost::Started, this, [this] { SetBuildRunning(true); });
  connect(host_.get(), &DesktopHost::RunningTitle, this, [this](bool running) {
    if (running == runningTitle_) return;
    runningTitle_ = running;
    if (running) {
      titleBeforeRun_ = windowTitle();
      setWindowTitle(titleBeforeRun_ + " - running");
    } else {
      setWindowTitle(titleBeforeRun_);
    }
  });
  connect(host_.get(), &DesktopHost::ProgressRequested, this, [this](const QString& text) {
    WaitForm_->ShowProgress(text);
    ProgressShown = true;
  });
  connect(host_.get(), &DesktopHost::ProgressClosed, WaitForm_, &QWidget::hide);
  connect(host_.get(), &DesktopHost::CaretLineRequested, this, [this](int line) {
    if (buildDocument_) buildDocument_->PlaceCaretOnLine(line);
  });
  connect(host_.get(), &DesktopHost::Finished, this, [this] {
    WaitForm_->hide();
    if (runningTitle_) {
      runningTitle_ = false;
      setWindowTitle(titleBeforeRun_);
    }
    SetBuildRunning(false);
  });
}

// ---- settings ----

void TFrameForm::LoadPreferences() {
  const std::string path = SettingsPathForReading(dataFolder_);
  if (!LoadSettingsFile(prefs_, path, nullptr))
    ShowMessage(BoxKind::Error, QString::fromStdString("Cannot open file " + path));
}

void TFrameForm::SavePreferences() {
  // A settings file that cannot be written is reported; the program ends anyway.
  try {
    SaveSettingsFile(prefs_, SettingsPathForWriting(dataFolder_));
  } catch (const std::exception& error) {
    ShowMessage(BoxKind::Warning, QString::fromStdString(error.what()));
  }
}

// ---- menus, tools, status bar ----

QAction* TFrameForm::action(const QString& name) const {
  return findChild<QAction*>(name);
}

QList<QMenu*> TFrameForm::frameMenus() const {
  return {fileMenu_, viewMenu_, windowMenu_, helpMenu_};
}

QList<QAction*> TFrameForm::toolActions() const {
  QList<QAction*> result;
  for (QAction* a : toolBar_->actions())
    if (!a->isSeparator()) result << a;
  return result;
}

void TFrameForm::MergeMenus(TMainForm* document) {
  // The active document's menus take the place of the frame's "&File".
  QMenuBar* bar = menuBar();
  bar->clear();
  if (document) {
    for (QMenu* menu : document->menus()) bar->addMenu(menu);
  } else {
    bar->addMenu(fileMenu_);
  }
  bar->addMenu(viewMenu_);
  bar->addMenu(windowMenu_);
  bar->addMenu(helpMenu_);
}

void TFrameForm::FillWindowMenu() {
  const QList<QAction*> actions = windowMenu_->actions();
  for (QAction* a : actions)
    if (a->objectName() != "Tile1" && a->objectName() != "Cascade1") {
      windowMenu_->removeAction(a);
      if (a->parent() == windowMenu_) a->deleteLater();
    }
  const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
  if (!windows.isEmpty()) windowMenu_->addSeparator();
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(number++).arg(window->windowTitle()));
    a->setCheckable(true);
    a->setChecked(window == mdiArea_->activeSubWindow());
    connect(a, &QAction::triggered, mdiArea_, [this, w = QPointer<QMdiSubWindow>(window)] {
      if (w) mdiArea_->setActiveSubWindow(w);
    });
  }
}

void TFrameForm::SetToolEnabled(const QString& name, bool enabled) {
  if (QAction* a = action(name)) a->setEnabled(enabled);
}

void TFrameForm::SetWindowArrangeEnabled(bool enabled) {
  action("Tile1")->setEnabled(enabled);
  action("Cascade1")->setEnabled(enabled);
}

void TFrameForm::SetLinePanel(const QString& text) {
  panel0_->setText(text);
}

bool TFrameForm::OwnsKey(const QKeySequence& key) const {
  for (const FrameMenuItem& item : kFrameMenuItems)
    if (*item.key && QKeySequence(item.key) == key) return true;
  return false;
}

void TFrameForm::ShowMessage(BoxKind kind, const QString& text) {
  const QString caption = kind == BoxKind::Plain ? ApplicationTitle() : CaptionOf(kind);
  ++MessagesOpen;
  seams_.ShowMessage(this, kind, caption, text);
  --MessagesOpen;
}

bool TFrameForm::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::StatusTip: {
      // The long hints of menu items and buttons go to panel 1.
      const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
      panel1_->setText(tip.isEmpty() ? kIdleHint : tip);
      return true;
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
  // A window made while a run goes takes no edits either until it ends.
  if (Busy()) document->SetBuildRunning(true);
  QMdiSubWindow* window = mdiArea_->addSubWindow(document);
  window->setWindowIcon(
      QIcon::fromTheme("text-x-generic", style()->standardIcon(QStyle::SP_FileIcon)));
  window->showMaximized();
  // Only the window made at start-up opens the file named on the command line.
  if (!startupDocumentMade_) {
    startupDocumentMade_ = true;
    if (!NewDocumentRequested) document->LoadFromCommandLine(arguments_);
  }
  return document;
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

void TFrameForm::DocumentClosing(TMainForm& document) {
  Q_UNUSED(document);
  for (const char* name : kDocumentTools) SetToolEnabled(name, false);
  SetWindowArrangeEnabled(false);
  // After the window is gone (never inside its close event): a frame left
  // without documents gets an empty one unless Open was used.
  QTimer::singleShot(0, this, &TFrameForm::LastDocumentCheck);
}

void TFrameForm::LastDocumentCheck() {
  if (closing_ || OpenUsed || !Documents().isEmpty()) return;
  CreatingDocument = true;
  CreateDocument();
  CreatingDocument = false;
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
  if (activeDocument_) activeDocument_->FormDeactivate();
  activeDocument_ = document;
  MergeMenus(document);
  if (document) document->FormActivate();
}

void TFrameForm::FormActivate() {
  if (closing_) return;
  if (Documents().isEmpty()) {
    if (!OpenUsed && !SkipNextActivation) {
      CreatingDocument = true;
      CreateDocument();
      CreatingDocument = false;
    }
  } else if (activeDocument_) {
    // QMdiArea reports no activation when the focus comes back from a
    // dialog; the document window's own handler runs from here.
    activeDocument_->FormActivate();
  }
  SkipNextActivation = false;
}

// ---- commands ----

void TFrameForm::New() {
  NewDocumentRequested = true;
  CreatingDocument = true;
  CreateDocument();
  NewDocumentRequested = false;
  CreatingDocument = false;
}

void TFrameForm::Open() {
  OpenUsed = true;
  CreatingDocument = true;
  FileDialogRequest request;
  request.title = "Select build file to open...";
  request.filter = "Build files|*.bld|HTML format|*.html|All files|*.*";
  const QString chosen = seams_.ChooseFileToOpen(this, request);
  if (!chosen.isEmpty()) OpenInNewDocument(chosen);
  CreatingDocument = false;
}

void TFrameForm::Exit() {
  close();
}

void TFrameForm::HelpTopics() {
  SkipNextActivation = true;
  // The current folder stays as it is: runs resolve relative names against
  // the folder the program started in, and the help file is named in full.
  seams_.ShowHelp(this, programFolder_ + "Help.htm");
}

void TFrameForm::About() {
  SkipNextActivation = true;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    AboutBox_->adjustSize();
    AboutBox_->move(screen->geometry().center() - AboutBox_->rect().center());
  }
  AboutBox_->show();
  AboutBox_->raise();
}

void TFrameForm::ToggleToolbar() {
  ToolbarHidden = toolBar_->isVisible();
  toolBar_->setVisible(!ToolbarHidden);
  action("mnuViewToolbar")->setChecked(!ToolbarHidden);
}

void TFrameForm::ToggleStatusBar() {
  StatusBarToggled = true;
  StatusBarHidden = statusBar()->isVisible();
  statusBar()->setVisible(!StatusBarHidden);
  action("mnuViewStatusBar")->setChecked(!StatusBarHidden);
  if (activeDocument_)
    activeDocument_->FormActivate();
  else
    StatusBarToggled = false;
}

void TFrameForm::Tile() {
  mdiArea_->tileSubWindows();
}

void TFrameForm::Cascade() {
  mdiArea_->cascadeSubWindows();
}

// ---- the engine ----

BuildDocument TFrameForm::DocumentForEngine(TMainForm& document, const QString& folder) const {
  return BuildDocument{DocumentLines(*document.editor()->document()), folder.toStdString(),
                       document.caption().toStdString()};
}

bool TFrameForm::StartRun(TMainForm& document, const QString& folder) {
  if (Busy()) return false;
  buildDocument_ = &document;
  return host_->StartRun(DocumentForEngine(document, folder), prefs_);
}

bool TFrameForm::StartCheck(TMainForm& document) {
  if (Busy()) return false;
  buildDocument_ = &document;
  return host_->StartCheck(DocumentForEngine(document, {}), prefs_);
}

std::optional<std::vector<std::string>> TFrameForm::Reformat(TMainForm& document) {
  if (Busy()) return std::nullopt;
  buildDocument_ = &document;
  return host_->Reformat(DocumentForEngine(document, {}), prefs_);
}

void TFrameForm::SetBuildRunning(bool running) {
  for (TMainForm* document : Documents()) document->SetBuildRunning(running);
  SetToolEnabled("tbRun", !running && activeDocument_);
}

// ---- shut-down ----

void TFrameForm::closeEvent(QCloseEvent* event) {
  // A run in progress ends first (its progress window has the Stop button).
  if (Busy()) {
    event->ignore();
    if (WaitForm_->isVisible()) WaitForm_->raise();
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
  event->accept();
}

}  // namespace ws::desktop
