// The frame's menus, toolbar and status bar, built from their tables, and
// UpdateActions: every action's and tool button's enabled state derived from
// the active document window and whether a run goes.
#include <QDir>
#include <QHash>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "frameform.h"

namespace ws::desktop {

namespace {

const char* const kIdleHint = "For Help, press F1";
// Whether the document windows show line numbers, in the frame's state file.
const char* const kLineNumbersKey = "View/LineNumbers";

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
    {1, "mnuViewLineNumbers", "Line Numbers", "", "Shows or hides line numbers beside the text.",
     false, &TFrameForm::ToggleLineNumbers},
    {1, "mnuViewBuildPanel", "Build Panel", "", "Shows or hides the build panel.", false,
     &TFrameForm::ToggleBuildPanel},
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

// The document tools: each is the active window's command of the same name.
// (New, Open and Help are the frame's own.)
const std::pair<const char*, Command> kForwardedTools[] = {
    {"tbSave", Command::FileSave}, {"tbPrint", Command::FilePrint}, {"tbCut", Command::EditCut},
    {"tbCopy", Command::EditCopy}, {"tbPaste", Command::EditPaste}, {"tbUndo", Command::EditUndo},
    {"tbRun", Command::BuildRun}};

// What cannot act while a run or check goes: anything that changes the text
// or starts another build. The rest (files, printing, Copy, Select All,
// Preferences) goes on working.
bool ChangesTextOrBuilds(Command command) {
  switch (command) {
    case Command::EditUndo:
    case Command::EditCut:
    case Command::EditPaste:
    case Command::EditDelete:
    case Command::EditReplace:
    case Command::BuildReformat:
    case Command::BuildCheck:
    case Command::BuildRun:
    case Command::CommandsNewFile:
    case Command::CommandsInclude:
    case Command::CommandsIncludeTag:
    case Command::CommandsReplaceTag:
    case Command::CommandsNest:
    case Command::CommandsDeNest:
    case Command::CommandsRun:
      return true;
    default:
      return false;
  }
}

}  // namespace

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
    frameActions_.push_back(a);
    if (item.separatorAfter) menus[item.menu]->addSeparator();
  }
  for (QAction* a : frameActions_) {
    if (a->objectName() == "mnuViewToolbar") toolbarAction_ = a;
    if (a->objectName() == "mnuViewStatusBar") statusBarAction_ = a;
    if (a->objectName() == "Tile1") tileAction_ = a;
    if (a->objectName() == "Cascade1") cascadeAction_ = a;
    if (a->objectName() == "mnuViewLineNumbers") lineNumbersAction_ = a;
  }
  for (QAction* a : {toolbarAction_, statusBarAction_, lineNumbersAction_}) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  lineNumbersAction_->setChecked(state_->value(kLineNumbersKey, true).toBool());
  connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
    recent_.FillMenu(*fileMenu_, [this](const QString& file) { OpenRecent(file); });
  });
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
    tools_.push_back(a);
    a->setToolTip(bar < 0 ? hint : hint.left(bar));
    a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
  }
  const auto tool = [this](const char* name) {
    for (QAction* a : tools_)
      if (a->objectName() == name) return a;
    Q_UNREACHABLE();
  };
  connect(tool("tbNew"), &QAction::triggered, this, &TFrameForm::New);
  connect(tool("tbOpen"), &QAction::triggered, this, &TFrameForm::Open);
  connect(tool("tbHelp"), &QAction::triggered, this, &TFrameForm::HelpTopics);
  // The document tools run the active document window's command, which does
  // nothing while it is disabled.
  for (const auto& [name, command] : kForwardedTools) {
    QAction* a = tool(name);
    forwardedTools_.push_back({a, command});
    connect(a, &QAction::triggered, this, [this, command = command] {
      if (activeDocument_) activeDocument_->action(command)->trigger();
    });
  }
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

// ---- menus, tools, status bar ----

QAction* TFrameForm::action(const QString& name) const {
  for (const auto* list : {&frameActions_, &tools_})
    for (QAction* a : *list)
      if (a->objectName() == name) return a;
  return nullptr;
}

QList<QMenu*> TFrameForm::frameMenus() const {
  return {fileMenu_, viewMenu_, windowMenu_, helpMenu_};
}

QList<QAction*> TFrameForm::toolActions() const {
  return {tools_.begin(), tools_.end()};
}

void TFrameForm::UpdateActions() {
  const bool busy = Busy();
  for (TMainForm* document : Documents()) {
    document->SetBuildRunning(busy);
    const bool selected = document->HasSelection();
    for (int i = 0; i < kCommandCount; ++i) {
      const auto command = static_cast<Command>(i);
      bool enabled = !(busy && ChangesTextOrBuilds(command));
      switch (command) {
        case Command::EditUndo:
          enabled = enabled && document->UndoEnabled();
          break;
        case Command::EditCut:
        case Command::EditCopy:
        case Command::EditDelete:
          enabled = enabled && selected;
          break;
        default:
          break;
      }
      document->action(command)->setEnabled(enabled);
    }
  }
  // The document tools are the active window's commands; Cut and Copy follow
  // its selection, Paste and Undo its own rules, not the menu items.
  TMainForm* active = activeDocument_;
  for (const auto& [tool, command] : forwardedTools_) {
    bool enabled = active != nullptr;
    if (active) {
      switch (command) {
        case Command::EditCut:
        case Command::EditCopy:
        case Command::EditUndo:
          enabled = active->action(command)->isEnabled();
          break;
        case Command::EditPaste:
        case Command::BuildRun:
          enabled = !busy;
          break;
        default:
          break;
      }
    }
    tool->setEnabled(enabled);
  }
  // Tile and Cascade follow the document windows: off while none is active.
  tileAction_->setEnabled(active != nullptr);
  cascadeAction_->setEnabled(active != nullptr);
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
  // Two files of the same name are told apart by their folders.
  QHash<QString, int> sameName;
  for (QMdiSubWindow* window : windows) ++sameName[window->windowTitle()];
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QString name = window->windowTitle();
    const auto* document = qobject_cast<TMainForm*>(window->widget());
    if (sameName[name] > 1 && document && document->fileName() != "Untitled")
      name = QDir::toNativeSeparators(document->fileName());
    QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(number++).arg(name));
    a->setCheckable(true);
    a->setChecked(window == mdiArea_->activeSubWindow());
    connect(a, &QAction::triggered, mdiArea_, [this, w = QPointer<QMdiSubWindow>(window)] {
      if (w) mdiArea_->setActiveSubWindow(w);
    });
  }
}

bool TFrameForm::LineNumbersShown() const {
  return lineNumbersAction_->isChecked();
}

// The action is checkable: its check mark has changed when this runs.
void TFrameForm::ToggleLineNumbers() {
  const bool shown = lineNumbersAction_->isChecked();
  state_->setValue(kLineNumbersKey, shown);
  for (TMainForm* document : Documents()) document->editor()->SetLineNumbersShown(shown);
}

bool TFrameForm::OwnsKey(const QKeySequence& key) const {
  // Read once: every key typed into a window asks.
  static const QList<QKeySequence> keys = [] {
    QList<QKeySequence> read;
    for (const FrameMenuItem& item : kFrameMenuItems)
      if (*item.key) read << QKeySequence(item.key);
    return read;
  }();
  return keys.contains(key);
}

}  // namespace ws::desktop
