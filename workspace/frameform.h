// TFrameForm: the application's main window. Its client area holds the
// document windows (TMainForm); it carries the menus, the toolbar and the
// status bar, forwards toolbar commands to the active document window, owns
// the shared buffer Memo1, the preferences in effect and their dialog, the
// engine's desktop host, and writes the settings file when it closes.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPageLayout>
#include <QPointer>
#include <QTextDocument>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aboutbox.h"
#include "datafolder.h"
#include "desktophost.h"
#include "documentstate.h"
#include "preferences.h"
#include "seams.h"
#include "settings.h"
#include "tagform.h"
#include "waitform.h"

namespace ws::desktop {

class TMainForm;

struct FrameOptions {
  // The program's folder; empty: the folder of the running executable. The
  // grammar tables, the settings file and the help file are looked for in
  // its data folder (DataFolderFor): beside it, or in ../share/weftsmith.
  QString programFolder;
  // The program's arguments after its name.
  QStringList arguments;
};

class TFrameForm : public QMainWindow {
  Q_OBJECT

 public:
  TFrameForm(Seams& seams, FrameOptions options);
  ~TFrameForm() override;

  // The folder of the running executable with a trailing "/".
  static QString ExecutableFolder();

  // Flags the document windows read.
  bool ToolbarHidden = false;
  bool StatusBarHidden = false;
  bool CreatingDocument = false;
  bool NewDocumentRequested = false;
  bool OpenUsed = false;
  bool SkipNextActivation = false;
  bool StatusBarToggled = false;
  int MessagesOpen = 0;        // message boxes shown at this moment
  bool ProgressShown = false;  // the progress window was shown (read by activation)

  // The folder of the grammar tables, the settings and the help, with a "/".
  const QString& ProgramFolder() const { return programFolder_; }
  const DataFolder& dataFolder() const { return dataFolder_; }
  DocumentState& documentState() { return documentState_; }
  SettingsStore& prefs() { return prefs_; }
  const Settings& settings() const { return prefs_.settings; }
  QTextDocument& Memo1() { return Memo1_; }
  Seams& seams() { return seams_; }
  DesktopHost& host() { return *host_; }
  QPageLayout& pageLayout() { return pageLayout_; }
  QMdiArea* mdiArea() const { return mdiArea_; }
  TAboutBox* aboutBox() const { return AboutBox_; }
  TTagForm* tagForm() const { return TagForm_; }
  TPreferences* preferences() const { return Preferences_; }
  TWaitForm* waitForm() const { return WaitForm_; }

  // The frame's own menu items and tool buttons by name (mnuNew, Tile1, tbSave, ...).
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
  void Tile();
  void Cascade();

  // The document windows.
  TMainForm* CreateDocument();
  void OpenInNewDocument(const QString& fileName);
  // Closes the window (it may ask to save); false when it stays open.
  bool CloseDocument(TMainForm& document);
  void DocumentClosing(TMainForm& document);
  TMainForm* ActiveDocument() const;
  QList<TMainForm*> Documents() const;

  // The frame became the active window.
  void FormActivate();

  // Enabling, called by the document windows.
  void SetToolEnabled(const QString& name, bool enabled);
  void SetWindowArrangeEnabled(bool enabled);
  void SetLinePanel(const QString& text);
  // Whether a key sequence belongs to one of the frame's commands.
  bool OwnsKey(const QKeySequence& key) const;

  // A message box of the kind, captioned as the kind says (a plain box with
  // the application title).
  void ShowMessage(BoxKind kind, const QString& text);
  QString ApplicationTitle() const { return windowTitle(); }

  // The build engine's requests for a document window.
  bool StartRun(TMainForm& document, const QString& folder);
  bool StartCheck(TMainForm& document);
  std::optional<std::vector<std::string>> Reformat(TMainForm& document);
  bool Busy() const { return host_->Busy(); }

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
  void LastDocumentCheck();
  void FillWindowMenu();
  void SetBuildRunning(bool running);
  BuildDocument DocumentForEngine(TMainForm& document, const QString& folder) const;

  Seams& seams_;
  DataFolder dataFolder_;
  QString programFolder_;  // dataFolder_.path
  QStringList arguments_;
  SettingsStore prefs_;
  DocumentState documentState_;
  QTextDocument Memo1_;
  QPageLayout pageLayout_;
  std::unique_ptr<DesktopHost> host_;

  QMdiArea* mdiArea_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  TAboutBox* AboutBox_ = nullptr;
  TTagForm* TagForm_ = nullptr;
  TPreferences* Preferences_ = nullptr;
  TWaitForm* WaitForm_ = nullptr;

  QPointer<TMainForm> activeDocument_;
  QPointer<TMainForm> buildDocument_;  // the document of the run, check or reformat
  QString titleBeforeRun_;
  bool runningTitle_ = false;
  bool shown_ = false;
  bool closing_ = false;
  bool startupDocumentMade_ = false;
};

}  // namespace ws::desktop
