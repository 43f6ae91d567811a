#include "desktophost.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScopeGuard>
#include <QThread>
#include <QtGlobal>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>

#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"
#include "host.h"
#include "reformat.h"
#include "runprogress.h"

#if defined(__SANITIZE_THREAD__)
#define WEFTSMITH_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define WEFTSMITH_TSAN 1
#endif
#endif
#ifdef WEFTSMITH_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace ws::desktop {

namespace {

// An action posted from the worker to the user-interface thread. Qt's event
// queue orders the two threads with its own futex-based locks, which
// ThreadSanitizer cannot see in a Qt not built with it; so a build with it is
// told of the hand-over: the posting thread releases the event once it is
// made, and the receiving thread acquires it before running or destroying
// the action.
class PostedAction : public QEvent {
 public:
  explicit PostedAction(std::function<void()> action)
      : QEvent(Kind()), action_(std::move(action)) {}
  ~PostedAction() override { Acquire(); }  // also when dropped with its receiver

  static QEvent::Type Kind() {
    static const QEvent::Type kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  void Release() {
#ifdef WEFTSMITH_TSAN
    __tsan_release(this);
#endif
  }
  void Run() {
    Acquire();
    action_();
  }

 private:
  void Acquire() {
#ifdef WEFTSMITH_TSAN
    __tsan_acquire(this);
#endif
  }
  std::function<void()> action_;
};

BoxKind ToBoxKind(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return BoxKind::Error;
    case MessageKind::Warning:
      return BoxKind::Warning;
    case MessageKind::Information:
      return BoxKind::Information;
    case MessageKind::Plain:
      return BoxKind::Plain;
  }
  return BoxKind::Plain;
}

BuildOutcome ToOutcome(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Completed:
      return BuildOutcome::Completed;
    case RunOutcome::Stopped:
      return BuildOutcome::Stopped;
    case RunOutcome::FileFailed:
      return BuildOutcome::FileFailed;
  }
  return BuildOutcome::Stopped;
}

}  // namespace

// The engine's host: every member is called on the thread of the call, and
// BeginDocument on the user-interface thread before that thread starts.
class DesktopHost::EngineHost : public Host {
 public:
  explicit EngineHost(DesktopHost& owner) : owner_(owner) {}

  void ShowMessage(const Message& message) override {
    // A message shown once a stop was asked for ends the run (the engine's
    // "Build stopped", or a failure that came first): the progress window and
    // the title go before the box, not after the user has closed it.
    if (owner_.stop_.stop_requested()) EndWindows();
    owner_.ShowMessageFromEngine(ToBoxKind(message.kind), message.text, message.file, message.line);
  }
  void PlaceCaret(int line) override { owner_.PostCaretLine(line); }

  void OutputWritten(std::string_view path, PageState state) override {
    owner_.Post([owner = &owner_,
                 page = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())),
                 state] { emit owner->PageWritten(page, state); });
  }

  // The run's life: " - running" on the title from its start, the progress
  // window once it has lasted more than four seconds, both gone at its end.
  void RunStarted(std::string_view document) override {
    startSecond_ = ClockSecond();
    document_ = std::string(document);
    if (windowsEnded_) return;
    titleRunning_ = true;
    PostRunningTitle(true);
  }
  void RunTick() override {
    const int second = ClockSecond();  // looked at every time, as a test's clock expects
    if (progressShown_ || windowsEnded_) return;
    const std::optional<std::string> words = ProgressDue(startSecond_, second, document_);
    if (!words) return;
    progressShown_ = true;
    owner_.Post([owner = &owner_, text = QString::fromStdString(*words)] {
      emit owner->ProgressRequested(text);
    });
  }
  void RunEnded(RunOutcome) override {
    if (progressShown_) PostProgressClosed();
    if (titleRunning_) PostRunningTitle(false);
    progressShown_ = titleRunning_ = false;
  }

  int ClockSecond() const {
    std::lock_guard lock(mutex_);
    return clock_ ? clock_() : ws::ClockSecond();
  }

  void BeginDocument() {
    progressShown_ = false;
    titleRunning_ = false;
    windowsEnded_ = false;
  }
  void SetClock(std::function<int()> clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
  }

  // Closes the progress window and takes " - running" off the title now, for
  // the rest of the run: the engine's later calls to do so are left alone.
  void EndWindows() {
    if (windowsEnded_) return;
    windowsEnded_ = true;
    if (progressShown_) PostProgressClosed();
    if (titleRunning_) PostRunningTitle(false);
    progressShown_ = titleRunning_ = false;
  }
  // The same after a failure that the engine did not see: it may have come
  // at any point of the run, so both are told whatever was shown.
  void EndWindowsAfterFailure() {
    if (windowsEnded_) return;
    windowsEnded_ = true;
    progressShown_ = titleRunning_ = false;
    PostProgressClosed();
    PostRunningTitle(false);
  }

 private:
  void PostProgressClosed() {
    owner_.Post([owner = &owner_] { emit owner->ProgressClosed(); });
  }
  void PostRunningTitle(bool running) {
    owner_.Post([owner = &owner_, running] { emit owner->RunningTitle(running); });
  }

  DesktopHost& owner_;
  mutable std::mutex mutex_;
  std::function<int()> clock_;
  // What the run has shown; the thread of the call only, once it started.
  bool progressShown_ = false;
  bool titleRunning_ = false;
  bool windowsEnded_ = false;
  int startSecond_ = 0;
  std::string document_;
};

DesktopHost::DesktopHost(std::string programFolder, QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      host_(std::make_unique<EngineHost>(*this)),
      engine_(std::make_unique<Engine>(*host_)) {
  engine_->config.ProgramFolder = programFolder_;
  // Every page is written, as ever; comparing first tells the build panel
  // which pages are new, changed or unchanged.
  engine_->config.writeMode = WriteMode::AlwaysCompared;
}

DesktopHost::~DesktopHost() {
  // A run waiting for a message box gives up waiting, and the run is asked to
  // stop at its next instruction (one whose engine call has not begun yet
  // stops at its first).
  shuttingDown_ = true;
  RequestStop();
  if (worker_.joinable()) worker_.join();
}

void DesktopHost::SetMessageHandler(std::function<void(BoxKind, const QString&)> handler) {
  messageHandler_ = std::move(handler);
}

void DesktopHost::SetClockForTesting(std::function<int()> clockSecond) {
  host_->SetClock(std::move(clockSecond));
}

void DesktopHost::SetWorkerHookForTesting(std::function<void()> hook) {
  workerHook_ = std::move(hook);
}

bool DesktopHost::StartRun(BuildDocument document, const SettingsStore& settings) {
  return Start(BuildKind::Run, std::move(document), settings);
}

bool DesktopHost::StartCheck(BuildDocument document, const SettingsStore& settings) {
  return Start(BuildKind::Check, std::move(document), settings);
}

bool DesktopHost::Start(BuildKind kind, BuildDocument document, const SettingsStore& settings) {
  if (busy_) return false;
  if (worker_.joinable()) worker_.join();  // the last run has posted its end already
  busy_ = true;
  // The engine is idle here: the snapshot of the preferences and the document
  // are handed over before the thread starts, and nothing of the desktop's
  // own store is read during the run.
  engine_->config.prefs = settings;
  // The run's stop state is made here, before its thread starts: a Stop from
  // now on ends this run, even one pressed before the engine's call begins,
  // and one pressed before now is forgotten.
  stop_ = std::stop_source();
  host_->BeginDocument();
  emit Started(kind);
  worker_ = std::thread(
      [this, kind, document = std::move(document)]() mutable { Work(kind, std::move(document)); });
  return true;
}

void DesktopHost::Work(BuildKind kind, BuildDocument document) {
  // The engine catches and reports what goes wrong inside its run or check;
  // whatever is thrown around that (the line checker, the final report, this
  // host's own code) ends up here rather than ending the program.
  BuildOutcome outcome = BuildOutcome::Stopped;
  const auto start = std::chrono::steady_clock::now();
  boxWait_ = {};
  try {
    if (workerHook_) workerHook_();
    if (kind == BuildKind::Run)
      outcome = ToOutcome(RunBuildFile(
          *engine_,
          {std::move(document.lines), std::move(document.folder), std::move(document.name)},
          stop_.get_token()));
    else
      outcome = ToOutcome(CheckSyntax(*engine_, std::move(document.lines)));
  } catch (...) {
    EndOnFailure(std::current_exception());
  }
  const auto time = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start - boxWait_);
  Post([this, kind, outcome, time] {
    if (worker_.joinable()) worker_.join();
    busy_ = false;
    buildTime_ = time;
    emit Finished(kind, outcome);
  });
}

void DesktopHost::EndOnFailure(std::exception_ptr error) noexcept {
  try {
    // The pages handed to the writer are settled and its thread ends, as at
    // the end of any run.
    engine_->run.outputs.reset();
    host_->EndWindowsAfterFailure();
    ShowMessageFromEngine(BoxKind::Error, UnexpectedFailureText(error));
  } catch (...) {
    // Nothing more can be shown; the run ends all the same.
  }
}

std::optional<std::vector<std::string>> DesktopHost::Reformat(BuildDocument document,
                                                              const SettingsStore& settings) {
  if (busy_) return std::nullopt;
  engine_->config.prefs = settings;
  return SplitLines(ReformatText(*engine_, std::move(document.lines)));
}

void DesktopHost::RequestStop() {
  stop_.request_stop();
}

void DesktopHost::Post(std::function<void()> action) {
  auto* event = new PostedAction(std::move(action));
  event->Release();
  QCoreApplication::postEvent(this, event);
}

bool DesktopHost::event(QEvent* event) {
  if (event->type() != PostedAction::Kind()) return QObject::event(event);
  static_cast<PostedAction*>(event)->Run();
  return true;
}

void DesktopHost::PostCaretLine(int line) {
  if (QThread::currentThread() == thread()) {
    emit CaretLineRequested(line);
    return;
  }
  Post([this, line] { emit CaretLineRequested(line); });
}

void DesktopHost::ShowMessageFromEngine(BoxKind kind, std::string_view text, std::string_view file,
                                        int line) {
  const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (QThread::currentThread() == thread()) {
    CallMessageHandler(kind, message);
    return;
  }
  if (shuttingDown_) return;
  // The run waits until the user-interface thread has shown the box and the
  // user has closed it. The promise is kept however the box ends; one that
  // is never shown (the host went first) breaks it, which ends the wait too.
  auto shown = std::make_shared<std::promise<void>>();
  std::future<void> closed = shown->get_future();
  BuildMessage reported{kind, message,
                        QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size())), line};
  Post([this, reported = std::move(reported), shown] {
    struct Fulfil {
      std::promise<void>& promise;
      ~Fulfil() { promise.set_value(); }
    } fulfil{*shown};
    emit MessageReported(reported);
    CallMessageHandler(reported.kind, reported.text);
  });
  const auto waitStart = std::chrono::steady_clock::now();
  // The time the user takes to read the box is no part of the run's time.
  const auto countWait =
      qScopeGuard([&] { boxWait_ += std::chrono::steady_clock::now() - waitStart; });
  while (closed.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (shuttingDown_) return;
}

void DesktopHost::CallMessageHandler(BoxKind kind, const QString& text) {
  if (!messageHandler_) return;
  // An exception must not unwind through Qt's event loop; the box counts as
  // closed and the run goes on.
  try {
    messageHandler_(kind, text);
  } catch (const std::exception& error) {
    qWarning("The message box failed: %s", error.what());
  } catch (...) {
    qWarning("The message box failed");
  }
}

}  // namespace ws::desktop
