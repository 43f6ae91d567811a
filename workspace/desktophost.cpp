#include "desktophost.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>

#include "context.h"
#include "drivers.h"
#include "fileio.h"
#include "host.h"
#include "positions.h"
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

// The engine takes the document's caption from a frame caption of the form
// "Weftsmith - [name]" (the frame of a maximised document window).
std::string FrameCaptionFor(const std::string& documentName) {
  return "Weftsmith - [" + documentName + "]";
}

}  // namespace

// The engine's host: every member is called on the thread of the run.
class DesktopHost::EngineHost : public Host {
 public:
  explicit EngineHost(DesktopHost& owner) : owner_(owner) {}

  void ShowMessage(MessageKind kind, std::string_view text) override {
    owner_.ShowMessageFromEngine(ToBoxKind(kind), text);
  }

  std::string FrameCaption() const override {
    std::lock_guard lock(mutex_);
    return FrameCaptionFor(documentName_);
  }
  // The engine sets the title to its saved caption + " - running" and later
  // back to the saved caption: anything but the caption means running.
  void SetApplicationTitle(std::string_view title) override {
    const bool running = title != FrameCaption();
    owner_.Post([owner = &owner_, running] { emit owner->RunningTitle(running); });
  }

  bool ProgressIsActive() const override { return progressShown_; }
  void ShowProgress(std::string_view) override {
    // The engine lays the text out for a window that wraps it; the window
    // here is given the words only.
    progressShown_ = true;
    const QString text = "Weftsmith running: " + QString::fromStdString(DocumentName());
    owner_.Post([owner = &owner_, text] { emit owner->ProgressRequested(text); });
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

  void BeginDocument(const std::string& name) {
    std::lock_guard lock(mutex_);
    documentName_ = name;
    progressShown_ = false;
  }
  std::string DocumentName() const {
    std::lock_guard lock(mutex_);
    return documentName_;
  }
  void SetClock(std::function<int()> clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
  }

 private:
  DesktopHost& owner_;
  mutable std::mutex mutex_;
  std::string documentName_;
  std::function<int()> clock_;
  std::atomic<bool> progressShown_{false};
};

// The document's lines as the engine reads them; a caret offset placed by the
// engine is turned back into the line it falls on.
class DesktopHost::DocumentSource : public SourceEditor {
 public:
  DocumentSource(DesktopHost& owner, std::vector<std::string> lines)
      : owner_(owner), lines_(std::move(lines)) {}
  std::vector<std::string> Lines() const override { return lines_; }
  void PlaceCaret(std::size_t position) override {
    owner_.PostCaretLine(LineOfCrLfOffset(lines_, position));
  }

 private:
  DesktopHost& owner_;
  std::vector<std::string> lines_;
};

DesktopHost::DesktopHost(std::string programFolder, QObject* parent)
    : QObject(parent),
      programFolder_(std::move(programFolder)),
      host_(std::make_unique<EngineHost>(*this)),
      engine_(std::make_unique<Engine>(*host_)) {
  engine_->ProgramFolder = programFolder_;
}

DesktopHost::~DesktopHost() {
  // A run waiting for a message box gives up waiting; the run itself goes on
  // to its end (RequestStop will end it sooner once the engine has it).
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
  engine_->prefs = settings;
  host_->BeginDocument(document.name);
  source_ = std::make_unique<DocumentSource>(*this, std::move(document.lines));
  emit Started(kind);
  worker_ = std::thread([this, kind, folder = std::move(document.folder)]() mutable {
    Work(kind, std::move(folder));
  });
  return true;
}

void DesktopHost::Work(BuildKind kind, std::string folder) {
  BuildOutcome outcome = BuildOutcome::Stopped;
  try {
    outcome = ToOutcome(kind == BuildKind::Run ? RunBuildFile(*engine_, *source_, std::move(folder))
                                               : CheckSyntax(*engine_, *source_));
  } catch (const std::exception& error) {
    // Nothing but a lack of memory should get here; the run ends like a failure.
    host_->CloseProgress();
    ShowMessageFromEngine(BoxKind::Error, error.what());
  }
  Post([this, kind, outcome] {
    if (worker_.joinable()) worker_.join();
    busy_ = false;
    emit Finished(kind, outcome);
  });
}

std::optional<std::vector<std::string>> DesktopHost::Reformat(BuildDocument document,
                                                              const SettingsStore& settings) {
  if (busy_) return std::nullopt;
  engine_->prefs = settings;
  host_->BeginDocument(document.name);
  DocumentSource source(*this, std::move(document.lines));
  const std::string text = ReformatText(*engine_, source);
  return SplitLines(text);
}

void DesktopHost::RequestStop() {
  // Hook for the engine's stop request (ends the run at its next instruction
  // like a failure). The engine in this tree has none yet: nothing to call.
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
