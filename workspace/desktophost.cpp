#include "desktophost.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>

#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"
#include "host.h"
#include "reformat.h"

namespace ws::desktop {

namespace {

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

// The engine's host: every member is called on the thread of the run.
class DesktopHost::EngineHost : public Host {
 public:
  explicit EngineHost(DesktopHost& owner) : owner_(owner) {}

  void ShowMessage(const Message& message) override {
    owner_.ShowMessageFromEngine(ToBoxKind(message.kind), message.text);
  }
  void PlaceCaret(int line) override { owner_.PostCaretLine(line); }

  // The engine sets the title to what this returns + " - running" during a
  // run and back afterwards.
  std::string ApplicationTitle() const override { return {}; }
  void SetApplicationTitle(std::string_view title) override {
    const bool running = !title.empty();
    owner_.Post([owner = &owner_, running] { emit owner->RunningTitle(running); });
  }

  bool ProgressIsActive() const override { return progressShown_; }
  void ShowProgress(std::string_view text) override {
    progressShown_ = true;
    const QString words = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    owner_.Post([owner = &owner_, words] { emit owner->ProgressRequested(words); });
  }
  void RepaintProgress() override {}  // the window repaints on its own thread
  void CloseProgress() override {
    if (!progressShown_.exchange(false)) return;
    owner_.Post([owner = &owner_] { emit owner->ProgressClosed(); });
  }

  int ClockSecond() const override {
    std::lock_guard lock(mutex_);
    return clock_ ? clock_() : Host::ClockSecond();
  }

  void BeginDocument() { progressShown_ = false; }
  void SetClock(std::function<int()> clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
  }

 private:
  DesktopHost& owner_;
  mutable std::mutex mutex_;
  std::function<int()> clock_;
  std::atomic<bool> progressShown_{false};
};

DesktopHost::DesktopHost(std::string programFolder, QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      host_(std::make_unique<EngineHost>(*this)),
      engine_(std::make_unique<Engine>(*host_)) {
  engine_->config.ProgramFolder = programFolder_;
}

DesktopHost::~DesktopHost() {
  // A run waiting for a message box gives up waiting, and the run is asked to
  // stop at its next instruction.
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
  host_->BeginDocument();
  emit Started(kind);
  worker_ = std::thread(
      [this, kind, document = std::move(document)]() mutable { Work(kind, std::move(document)); });
  return true;
}

void DesktopHost::Work(BuildKind kind, BuildDocument document) {
  // The engine catches whatever goes wrong inside and reports it.
  const BuildOutcome outcome =
      ToOutcome(kind == BuildKind::Run
                    ? RunBuildFile(*engine_, {std::move(document.lines), std::move(document.folder),
                                              std::move(document.name)})
                    : CheckSyntax(*engine_, std::move(document.lines)));
  Post([this, kind, outcome] {
    if (worker_.joinable()) worker_.join();
    busy_ = false;
    emit Finished(kind, outcome);
  });
}

std::optional<std::vector<std::string>> DesktopHost::Reformat(BuildDocument document,
                                                              const SettingsStore& settings) {
  if (busy_) return std::nullopt;
  engine_->config.prefs = settings;
  return SplitLines(ReformatText(*engine_, std::move(document.lines)));
}

void DesktopHost::RequestStop() {
  engine_->RequestStop();
}

void DesktopHost::Post(std::function<void()> action) {
  QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

void DesktopHost::PostCaretLine(int line) {
  if (QThread::currentThread() == thread()) {
    emit CaretLineRequested(line);
    return;
  }
  Post([this, line] { emit CaretLineRequested(line); });
}

void DesktopHost::ShowMessageFromEngine(BoxKind kind, std::string_view text) {
  const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (QThread::currentThread() == thread()) {
    if (messageHandler_) messageHandler_(kind, message);
    return;
  }
  // The run waits until the user-interface thread has shown the box and the
  // user has closed it.
  auto shown = std::make_shared<std::promise<void>>();
  std::future<void> closed = shown->get_future();
  Post([this, kind, message, shown] {
    if (messageHandler_) messageHandler_(kind, message);
    shown->set_value();
  });
  while (closed.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (shuttingDown_) return;
}

}  // namespace ws::desktop
