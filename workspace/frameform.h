// TFrameForm: the application's main window. Its client area holds the
// document windows (TMainForm), for which it is the WindowSurroundings; it
// carries the menus, the toolbar and the status bar, derives every action's
// enabled state in one place (UpdateActions), forwards toolbar commands to
// the active document window, owns the one undo record, the preferences in
// effect and their dialog, the engine's desktop host, and writes the settings
// file when it closes.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPageLayout>
#include <QPointer>
#include <QSettings>
#include <QTextDocument>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aboutbox.h"
#include "buildpanel.h"
#include "datafolder.h"
#include "desktophost.h"
#include "mainform.h"
#include "preferences.h"
#include "recentfiles.h"
#include "seams.h"
#include "settings.h"
#include "surroundings.h"
#include "tagform.h"
#include "undorecord.h"
#include "waitform.h"

namespace ws::desktop {

struct FrameOptions {
  FrameOptions() = default;
  FrameOptions(QString folder, QStringList args, QString state = {})
      : programFolder(std::move(folder)), arguments(std::move(args)), statePath(std::move(state)) {}

  // The program's folder; empty: the folder of the running executable. The
  // grammar tables, the settings file and the help file are looked for in
  // its data folder (DataFolderFor): beside it, or in ../share/weftsmith.
  QString programFolder;
  // The program's arguments after its name.
  QStringList arguments;
  // The desktop program's own state file; empty: DefaultDesktopStatePath().
  QString statePath;
};

class TFrameForm : public QMainWindow, public WindowSurroundings {
  Q_OBJECT

 public:
  TFrameForm(Seams& seams, FrameOptions options);
  ~TFrameForm() override;

  // The folder of the running executable with a trailing "/".
  static QString ExecutableFolder();
  // Where the toolbar's pictures come from when the desktop names no theme.
  static void UseIconTheme();

  // The frame's own state, for the tests.
  bool ToolbarHidden() const { return toolbarHidden_; }
  bool StatusBarHidden() const { return statusBarHidden_; }
  bool OpenUsed() const { return openUsed_; }
  bool SkipNextActivation() const { return skipNextActivation_; }
  bool ProgressShown() const { return progressShown_; }

  // The folder of the grammar tables, the settings and the help, with a "/".
  const QString& ProgramFolder() const { return programFolder_; }
  const DataFolder& dataFolder() const { return dataFolder_; }
  SettingsStore& prefs() { return prefs_; }
  // The desktop program's own state between starts (desktopstate.h).
  QSettings& state() { return *state_; }
  Seams& seams() { return seams_; }
  DesktopHost& host() { return *host_; }
  QMdiArea* mdiArea() const { return mdiArea_; }
  TAboutBox* aboutBox() const { return AboutBox_; }
  TTagForm* tagForm() const { return TagForm_; }
  TPreferences* preferences() const { return Preferences_; }
  TWaitForm* waitForm() const { return WaitForm_; }
  BuildPanel* buildPanel() const { return buildPanel_; }

  // The frame's own menu items and tool buttons by name (mnuNew, Tile1,
  // tbSave, ...), for the tests; the program itself uses typed members.
  QAction* action(const QString& name) const;
  QList<QMenu*> frameMenus() const;
  QList<QAction*> toolActions() const;
  QLabel* statusPanel(int index) const { return index == 0 ? panel0_ : panel1_; }

  // Commands.
  void New();
  void Open();
  void Exit();
  void HelpTopics();
  void About();
  void ToggleToolbar();
  void ToggleStatusBar();
  void ToggleLineNumbers();
  void Tile();
  void Cascade();
  void ToggleBuildPanel();

  // The document windows.
  TMainForm* CreateDocument();
  void OpenInNewDocument(const QString& fileName);
  // A recent file's item: opens it, or drops it from the list with a message
  // when it is gone.
  void OpenRecent(const QString& fileName);
  RecentFiles& recentFiles() { return recent_; }
  // Closes the window (it may ask to save); false when it stays open.
  bool CloseDocument(TMainForm& document);
  TMainForm* ActiveDocument() const;
  QList<TMainForm*> Documents() const;

  // The frame became the active window.
  void FormActivate();

  // Every action's and tool button's enabled state, from the active window,
  // the windows' selections and undo records, and whether a run goes.
  void UpdateActions();

  bool Busy() const { return host_->Busy(); }
  bool SaveQuestionSuppressed() const override { return suppressSaveQuestion_; }

  // What the document windows need (WindowSurroundings).
  const Settings& settings() const override { return prefs_.settings; }
  const PreferenceControls& controls() const override { return prefs_.controls; }
  QFont BaseFont() const override;
  bool LineNumbersShown() const override;
  Seams& prompts() override { return seams_; }
  // A message box of the kind, captioned as the kind says (a plain box with
  // the application title).
  void ShowMessage(BoxKind kind, const QString& text) override;
  QPageLayout& pageLayout() override { return pageLayout_; }
  // Whether a key sequence belongs to one of the frame's commands.
  bool OwnsKey(const QKeySequence& key) const override;
  bool KeepPlainText() const override { return keepPlainText_; }
  UndoRecord& undoRecord() override { return undo_; }
  void EndSaveQuestionSuppression() override { suppressSaveQuestion_ = false; }
  void StartRun(TMainForm& document, const QString& folder) override;
  void StartCheck(TMainForm& document) override;
  std::optional<QStringList> Reformat(TMainForm& document) override;
  void ShowTags(TMainForm& document, const QString& file, bool choiceMode) override;
  void ShowPreferences() override;

  QString ApplicationTitle() const { return windowTitle(); }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void ConnectHost();
  void LoadPreferences();
  void SavePreferences();
  void MergeMenus(TMainForm* document);
  void SubWindowActivated(QMdiSubWindow* window);
  // Runs the document window's activation unless a run goes (it is done when
  // the run ends) or the frame's state says to skip it.
  void ActivateDocument(TMainForm& document);
  void DocumentClosing();
  void OpenCommandLineFiles(TMainForm& first);
  // "Weftsmith - [" + the active window's name + "]", and " - running" while
  // a run goes.
  void UpdateTitle();
  void LastDocumentCheck();
  void FillWindowMenu();
  void RunFinished();
  // Exit or the close box while a run goes: whether to stop it and exit.
  void AskToStopRun();
  BuildDocument DocumentForEngine(TMainForm& document, const QString& folder) const;
  // The build panel (buildpanel.cpp): made, its item kept ticked and its
  // state kept; a message's line shown, a page opened in the web browser.
  void CreateBuildPanel();
  void BuildPanelShownOrHidden();
  void ShowMessageLine(TMainForm* document, const QString& file, int line);
  void OpenPageInBrowser(const QString& path);

  Seams& seams_;
  DataFolder dataFolder_;
  QString programFolder_;  // dataFolder_.path
  QStringList arguments_;
  SettingsStore prefs_;
  std::unique_ptr<QSettings> state_;
  RecentFiles recent_;
  bool keepPlainText_ = false;
  UndoRecord undo_;
  QPageLayout pageLayout_;
  std::unique_ptr<DesktopHost> host_;

  QMdiArea* mdiArea_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  // The frame's menu items and tool buttons, in the order of their tables.
  std::vector<QAction*> frameActions_;
  std::vector<QAction*> tools_;
  std::vector<std::pair<QAction*, Command>> forwardedTools_;
  QAction* toolbarAction_ = nullptr;
  QAction* statusBarAction_ = nullptr;
  QAction* tileAction_ = nullptr;
  QAction* cascadeAction_ = nullptr;
  QIcon documentIcon_;
  QAction* lineNumbersAction_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  TAboutBox* AboutBox_ = nullptr;
  TTagForm* TagForm_ = nullptr;
  TPreferences* Preferences_ = nullptr;
  TWaitForm* WaitForm_ = nullptr;
  BuildPanel* buildPanel_ = nullptr;
  QAction* buildPanelAction_ = nullptr;

  QPointer<TMainForm> activeDocument_;
  QPointer<TMainForm> buildDocument_;  // the document of the run, check or reformat
  QPointer<TMainForm> tagAsker_;       // the window whose command showed the tag dialog
  QString runCaption_;                 // the caption of the run's document
  int messagesOpen_ = 0;               // message boxes shown at this moment
  int failedLine_ = -1;                // where the run or check going put the caret
  bool progressShown_ = false;         // the progress window was shown; the next activation skips
  bool toolbarHidden_ = false;
  bool statusBarHidden_ = false;
  bool openUsed_ = false;
  bool skipNextActivation_ = false;
  bool newDocumentRequested_ = false;
  bool suppressSaveQuestion_ = false;
  bool exitAfterRun_ = false;  // Yes to stopping the run on exit
  bool runningTitle_ = false;
  bool shown_ = false;
  bool closing_ = false;
  bool startupDocumentMade_ = false;
};

}  // namespace ws::desktop
