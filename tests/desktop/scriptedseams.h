// Test side of the desktop program's seams: every prompt is answered from a
// script of expected prompts, in order. A prompt that the script does not
// expect, or that differs from the expected one, is recorded as a failure
// and answered in the safest way (Cancel, no file), so a test never blocks.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include "frameform.h"
#include "mainform.h"
#include "seams.h"

namespace ws::desktop::testing {

struct Expected {
  enum class Kind {
    Message,
    SaveQuestion,
    OpenFile,
    SaveFile,
    PageSetup,
    Print,
    Help,
    Question,
    LineNumber
  };
  Kind kind = Kind::Message;
  BoxKind box = BoxKind::Plain;
  QString caption;  // Message: expected caption ("" = any); file dialogs: expected title
  QString text;     // Message, SaveQuestion: expected text; file dialogs: the answer
  SaveAnswer answer = SaveAnswer::Cancel;
  bool confirm = false;
};

class ScriptedSeams : public Seams {
 public:
  void ExpectMessage(BoxKind kind, QString caption, QString text) {
    Expected e;
    e.box = kind;
    e.caption = std::move(caption);
    e.text = std::move(text);
    script_.push_back(e);
  }
  void ExpectSaveQuestion(QString text, SaveAnswer answer) {
    Expected e;
    e.kind = Expected::Kind::SaveQuestion;
    e.text = std::move(text);
    e.answer = answer;
    script_.push_back(e);
  }
  void ExpectQuestion(QString text, bool yes) {
    Expected e;
    e.kind = Expected::Kind::Question;
    e.text = std::move(text);
    e.confirm = yes;
    script_.push_back(e);
  }
  void ExpectOpenFile(QString title, QString answer) {
    Expected e;
    e.kind = Expected::Kind::OpenFile;
    e.caption = std::move(title);
    e.text = std::move(answer);
    script_.push_back(e);
  }
  void ExpectSaveFile(QString title, QString answer) {
    Expected e;
    e.kind = Expected::Kind::SaveFile;
    e.caption = std::move(title);
    e.text = std::move(answer);
    script_.push_back(e);
  }
  void ExpectPageSetup(bool confirm) {
    Expected e;
    e.kind = Expected::Kind::PageSetup;
    e.confirm = confirm;
    script_.push_back(e);
  }
  void ExpectPrint(bool confirm) {
    Expected e;
    e.kind = Expected::Kind::Print;
    e.confirm = confirm;
    script_.push_back(e);
  }
  // The Go to Line box, answered with a line (0: cancelled).
  void ExpectLineNumber(int answer) {
    Expected e;
    e.kind = Expected::Kind::LineNumber;
    e.text = QString::number(answer);
    script_.push_back(e);
  }
  // The help file, and the anchor of its topic ("" for the start).
  void ExpectHelp(QString file, QString anchor = {}) {
    Expected e;
    e.kind = Expected::Kind::Help;
    e.text = std::move(file);
    e.caption = std::move(anchor);
    script_.push_back(e);
  }

  // What went wrong so far; the script must also be used up.
  QStringList Problems() const {
    QStringList all = failures;
    for (const Expected& e : script_) all << "expected prompt never came: " + Describe(e);
    return all;
  }
  void Reset() {
    script_.clear();
    failures.clear();
    browserPaths.clear();
    browserOpens = true;
  }

  QStringList failures;
  // Called inside every message box, while it is "open".
  std::function<void(const QString& caption, const QString& text)> onMessage;
  QString lastCaption;
  QString lastPrintTitle, lastPrintText, lastHelpFile, lastHelpAnchor, lastOpenFolder;
  // The files asked to be shown in the web browser, and whether that works.
  QStringList browserPaths;
  bool browserOpens = true;
  FileDialogRequest lastOpenRequest;
  std::pair<int, int> lastLineRange;  // the Go to Line box's proposed line and last line
  int messagesShown = 0;

  void ShowMessage(QWidget*, BoxKind kind, const QString& caption, const QString& text) override {
    ++messagesShown;
    lastCaption = caption;
    if (onMessage) onMessage(caption, text);
    if (const Expected* e = Next(Expected::Kind::Message, "message " + caption + ": " + text)) {
      if (e->box != kind || (!e->caption.isEmpty() && e->caption != caption) || e->text != text)
        failures << "message differs: got " + caption + ": " + text + ", expected " + Describe(*e);
    }
  }
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString& text) override {
    const Expected* e = Next(Expected::Kind::SaveQuestion, "save question " + text);
    if (!e) return SaveAnswer::Cancel;
    if (e->text != text) failures << "save question differs: " + text + " vs " + e->text;
    return e->answer;
  }
  bool AskYesNo(QWidget*, const QString&, const QString& text) override {
    const Expected* e = Next(Expected::Kind::Question, "question " + text);
    if (!e) return false;
    if (e->text != text) failures << "question differs: " + text + " vs " + e->text;
    return e->confirm;
  }
  QString ChooseFileToOpen(QWidget*, const FileDialogRequest& request) override {
    lastOpenFolder = request.folder;
    lastOpenRequest = request;
    return FileAnswer(Expected::Kind::OpenFile, request);
  }
  QString ChooseFileToSave(QWidget*, const FileDialogRequest& request) override {
    return FileAnswer(Expected::Kind::SaveFile, request);
  }
  bool SetUpPage(QWidget*, QPageLayout&) override {
    const Expected* e = Next(Expected::Kind::PageSetup, "page setup");
    return e && e->confirm;
  }
  bool Print(QWidget*, QTextDocument& document, const QString& title, const QPageLayout&) override {
    const Expected* e = Next(Expected::Kind::Print, "print " + title);
    if (!e || !e->confirm) return false;
    lastPrintTitle = title;
    lastPrintText = document.toPlainText();
    return true;
  }
  using Seams::ShowHelp;
  int AskLineNumber(QWidget*, int current, int last) override {
    lastLineRange = {current, last};
    const Expected* e = Next(Expected::Kind::LineNumber, "line number");
    return e ? e->text.toInt() : 0;
  }
  void ShowHelp(QWidget*, const QString& helpFile, const QString& anchor) override {
    if (const Expected* e = Next(Expected::Kind::Help, "help " + helpFile + "#" + anchor)) {
      lastHelpFile = helpFile;
      lastHelpAnchor = anchor;
      if (e->text != helpFile) failures << "help file " + helpFile + " vs " + e->text;
      if (e->caption != anchor) failures << "help anchor " + anchor + " vs " + e->caption;
    }
  }
  bool OpenInBrowser(QWidget*, const QString& path) override {
    browserPaths << path;
    return browserOpens;
  }

 private:
  static QString Describe(const Expected& e) {
    static const char* const names[] = {"message",     "save question", "open dialog",
                                        "save dialog", "page setup",    "print",
                                        "help",        "question",      "line number"};
    return QString(names[static_cast<int>(e.kind)]) + " " + e.caption + " " + e.text;
  }
  const Expected* Next(Expected::Kind kind, const QString& what) {
    if (script_.empty() || script_.front().kind != kind) {
      failures << "unexpected prompt: " + what;
      return nullptr;
    }
    current_ = script_.front();
    script_.pop_front();
    return &current_;
  }
  QString FileAnswer(Expected::Kind kind, const FileDialogRequest& request) {
    const Expected* e = Next(kind, "file dialog " + request.title);
    if (!e) return {};
    if (!e->caption.isEmpty() && e->caption != request.title)
      failures << "file dialog title " + request.title + " vs " + e->caption;
    return e->text;
  }

  std::deque<Expected> script_;
  Expected current_;
};

// A program folder of its own for each test (the settings file is written
// there at exit): the grammar tables and the default settings of the build.
inline QString MakeProgramFolder(const QTemporaryDir& dir) {
  const QString folder = dir.path() + "/program/";
  QDir().mkpath(folder);
  for (const char* name : {"alpha", "pred", "rules", "prop"})
    QFile::copy(QString(WEFTSMITH_BIN_DIR) + "/" + name, folder + name);
  return folder;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// A menu item or tool button of a window by its object name.
// What a desktop test sets up before each test function: scripted seams, a
// temporary folder with a program folder and an empty site folder in it.
class DesktopFixture {
 protected:
  void SetUpFolders() {
    seams.Reset();
    dir = std::make_unique<QTemporaryDir>();
    program = MakeProgramFolder(*dir);
    site = dir->path() + "/site/";
    QDir().mkpath(site);
  }
  // Fails the test function when a message or question went otherwise than
  // scripted.
  void VerifySeams() {
    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }

  ScriptedSeams seams;
  std::unique_ptr<QTemporaryDir> dir;
  QString program;
  QString site;  // with the trailing "/"
};

inline QAction* ActionNamed(const QObject& owner, const QString& name) {
  return owner.findChild<QAction*>(name);
}

// Triggers an action the way a user can: only while it is enabled.
inline void Trigger(QAction* action) {
  QVERIFY2(action, "no such action");
  QVERIFY2(action->isEnabled(), qPrintable(action->objectName() + " is disabled"));
  action->trigger();
}

// Waits until the run or check of the frame has ended and its end is shown.
inline void WaitForBuild(TFrameForm& frame) {
  QTRY_VERIFY_WITH_TIMEOUT(!frame.Busy(), 20000);
  QCoreApplication::processEvents();
}

// Waits for the frame's queued start-up work and shows it active.
inline void ShowFrame(TFrameForm& frame) {
  frame.showMaximized();
  QApplication::setActiveWindow(&frame);
  QTRY_VERIFY(!frame.Documents().isEmpty() || frame.OpenUsed());
}

// Whether the frame keeps the focus while a message box is open, that is, a
// dialog that comes back in front waits until the box is closed.
inline bool FrameKeepsFocusDuringMessage(TFrameForm& frame, ScriptedSeams& seams) {
  bool stayedBehind = false;
  seams.onMessage = [&](const QString&, const QString&) {
    QApplication::setActiveWindow(&frame);
    QTest::qWait(50);
    stayedBehind = QApplication::activeWindow() == &frame;
  };
  seams.ExpectMessage(BoxKind::Information, "", "note");
  frame.ShowMessage(BoxKind::Information, "note");
  seams.onMessage = nullptr;
  return stayedBehind;
}

}  // namespace ws::desktop::testing
