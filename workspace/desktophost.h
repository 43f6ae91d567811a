// The desktop program's side of the build engine: the only unit that talks to
// the engine's run, check and reformat entry points. The rest of the desktop
// sees a Qt-shaped interface: a document goes in as its lines (a value, taken
// once), and what the engine wants shown comes back as signals on the
// user-interface thread: message boxes (and each message with the file and
// line it concerns), the pages written, the line to put the caret on, the
// progress window and its text, the " - running" title, the end of a run.
//
// Runs and checks go on a worker thread. The engine calls its host on that
// thread; a message box is shown by the user-interface thread while the run
// waits for it to be closed. One run or check at a time.
//
// A run's life: Started; maybe RunningTitle(true) and ProgressRequested;
// then, when the run ends on a stop or on a failure outside the engine's
// reach, ProgressClosed and RunningTitle(false) before the box that says so;
// Finished last. A Stop asked for at any moment between StartRun and Finished
// ends that run; one asked for between runs is forgotten.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "host.h"
#include "seams.h"
#include "settings.h"

namespace ws {
struct Engine;
}

namespace ws::desktop {

// A document as the engine takes it.
struct BuildDocument {
  std::vector<std::string> lines;  // UTF-8, one a line
  std::string folder;              // its folder with a trailing "/"; "" for "Untitled"
  std::string name;                // its caption, shown in the progress window
};

// A message of a run or check and where it points: file is "" for the
// document being run and the path of a nested build file otherwise; line is
// 0-based, -1 when the message concerns no line.
struct BuildMessage {
  BoxKind kind = BoxKind::Plain;
  QString text;
  QString file;
  int line = -1;
};

enum class BuildKind { Run, Check };
enum class BuildOutcome {
  Completed,  // a run showed "Build file complete"; a check found nothing
  Stopped,    // a failure was shown
  FileFailed  // a file could not be read or written; its message was shown
};

class DesktopHost : public QObject {
  Q_OBJECT

 public:
  // programFolder holds the grammar tables, with a trailing "/".
  explicit DesktopHost(std::string programFolder, QObject* parent = nullptr);
  ~DesktopHost() override;

  // The message boxes of the engine are shown through this function, on the
  // user-interface thread: kind and text. Set once by the frame.
  void SetMessageHandler(std::function<void(BoxKind, const QString&)> handler);

  bool Busy() const { return busy_; }

  // Starts "Run This Script" or "Check Syntax" on the worker thread with a
  // snapshot of the preferences; false (and nothing happens) while busy.
  bool StartRun(BuildDocument document, const SettingsStore& settings);
  bool StartCheck(BuildDocument document, const SettingsStore& settings);

  // "Reformat Text", on the calling thread: the re-indented lines. Messages
  // for lines that cannot be split are shown on the way. nullopt while busy.
  std::optional<std::vector<std::string>> Reformat(BuildDocument document,
                                                   const SettingsStore& settings);

  // How long the last run or check took, without the time its message boxes
  // waited for the user; set before its Finished.
  std::chrono::milliseconds BuildTime() const { return buildTime_; }

  // The progress window's "Stop" button. Thread-safe.
  void RequestStop();

  // Tests: the seconds field of the clock that the progress rule reads.
  void SetClockForTesting(std::function<int()> clockSecond);
  // Tests: called on the worker thread when a run or check starts there,
  // before the engine's call (a test throws from it).
  void SetWorkerHookForTesting(std::function<void()> hook);

 signals:
  void Started(ws::desktop::BuildKind kind);
  // The engine put the caret on this 0-based line of the document.
  void CaretLineRequested(int line);
  // Each message of a run or check, just before its box is shown.
  void MessageReported(const ws::desktop::BuildMessage& message);
  // Each page a run wrote, and how it compared with the file it replaced.
  void PageWritten(const QString& path, ws::PageState state);
  // Show the progress window now with this text; close it.
  void ProgressRequested(const QString& text);
  void ProgressClosed();
  // The application title gets " - running" (true) or loses it (false).
  void RunningTitle(bool running);
  void Finished(ws::desktop::BuildKind kind, ws::desktop::BuildOutcome outcome);

 private:
  class EngineHost;

  bool Start(BuildKind kind, BuildDocument document, const SettingsStore& settings);
  void Work(BuildKind kind, BuildDocument document);
  // Ends the run on the worker after something was thrown outside the part
  // of the call that the engine guards itself.
  void EndOnFailure(std::exception_ptr error) noexcept;
  // Called by the engine (any thread); file and line as in BuildMessage.
  void ShowMessageFromEngine(BoxKind kind, std::string_view text, std::string_view file = {},
                             int line = -1);
  // Shows a box on the user-interface thread; whatever the handler throws
  // stops here.
  void CallMessageHandler(BoxKind kind, const QString& text);
  void PostCaretLine(int line);
  // Runs action on the user-interface thread, in the order posted.
  void Post(std::function<void()> action);
  bool event(QEvent* event) override;

  std::string programFolder_;
  std::function<void(BoxKind, const QString&)> messageHandler_;
  std::unique_ptr<EngineHost> host_;
  std::unique_ptr<ws::Engine> engine_;
  std::function<void()> workerHook_;
  std::stop_source stop_;  // the run's: made afresh before each run starts
  std::thread worker_;
  bool busy_ = false;                       // user-interface thread only
  std::chrono::milliseconds buildTime_{0};  // user-interface thread only
  // The time the call in progress waited for message boxes; worker only.
  std::chrono::steady_clock::duration boxWait_{};
  std::atomic<bool> shuttingDown_{false};
};

}  // namespace ws::desktop
