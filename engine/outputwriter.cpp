#include "outputwriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "paths.h"
#include "texthelpers.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ws {

namespace {

// The writer is woken once this many files wait (or when someone waits for
// it): one wake-up per batch instead of one per page.
constexpr std::size_t kWakeBatch = 8;

// How bytes compare with the file at path, in one open, look and read. Only
// a regular file (or nothing, in a folder that exists) may be replaced.
PageState Compare(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT && FolderExists(FolderOf(path).empty() ? "." : FolderOf(path)))
      return PageState::New;
    throw FileError(FileError::Kind::Create, path);
  }
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  bool same = regular && static_cast<std::size_t>(st.st_size) == bytes.size();
  if (same && !bytes.empty()) {
    thread_local std::string there;
    there.resize(bytes.size());
    same = ::pread(fd, there.data(), there.size(), 0) == static_cast<ssize_t>(there.size()) &&
           there == bytes;
  }
  ::close(fd);
  if (!regular) throw FileError(FileError::Kind::Create, path);
  return same ? PageState::Unchanged : PageState::Changed;
}

// Writes a page as mode says and tells what it was.
PageState WritePage(const std::string& path, std::string_view bytes, WriteMode mode) {
  if (mode == WriteMode::Always) {
    WriteFileAtomically(path, bytes);
    return PageState::Written;
  }
  if (mode == WriteMode::AlwaysCompared) {
    // A page that cannot be compared goes the way of Always, with the same
    // failure if it cannot be written either.
    PageState state = PageState::Written;
    try {
      state = Compare(path, bytes);
    } catch (const FileError&) {
    }
    WriteFileAtomically(path, bytes);
    return state;
  }
  const PageState state = Compare(path, bytes);
  if (mode == WriteMode::OnlyChanged && state != PageState::Unchanged)
    WriteFileAtomically(path, bytes);
  return state;
}

}  // namespace

OutputWriter::OutputWriter(std::size_t maxFiles, std::size_t maxBytes)
    : maxFiles_(std::max<std::size_t>(maxFiles, 1)),
      maxBytes_(maxBytes),
      thread_([this] { Loop(); }) {}

OutputWriter::~OutputWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_one();
  thread_.join();
}

// Notifies with the lock held, so that no state changes between a caller's
// look at it and its wait.
void OutputWriter::WakeWriter() {
  if (!writerIdle_ || queue_.empty()) return;
  writerIdle_ = false;
  work_.notify_one();
}

void OutputWriter::Submit(std::string path, OutputText lines) {
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 2;
  // The pieces are joined (and freed) here: memory freed on another thread
  // than the one that took it makes both threads' allocations slower.
  std::string text = JoinCrLf(lines, bytes);
  lines.clear();
  std::unique_lock lock(mutex_);
  // One file always fits, however large.
  while (!failure_ && pendingFiles_ > 0 &&
         (pendingFiles_ >= maxFiles_ || pendingBytes_ + bytes > maxBytes_)) {
    WakeWriter();
    AwaitWriter(lock);
  }
  if (failure_) return;  // dropped: the run stops at the failure
  ++pendingFiles_;
  pendingBytes_ += bytes;
  queue_.push_back({std::move(path), std::move(text)});
  if (queue_.size() >= std::min(kWakeBatch, maxFiles_)) WakeWriter();
}

OutputWriter::Report OutputWriter::Collect(bool wait) {
  std::unique_lock lock(mutex_);
  while (wait && pendingFiles_ > 0) {
    // Files the writer has not started on are written here rather than
    // waited for; a batch the writer is writing is waited for, which also
    // keeps the files in order.
    if (!writing_) {
      WriteQueued(lock);
      continue;
    }
    AwaitWriter(lock);
  }
  Report report;
  report.written = std::move(written_);
  written_.clear();
  report.states = std::move(states_);
  states_.clear();
  report.failure = std::move(failure_);
  failure_.reset();
  return report;
}

void OutputWriter::SetBeforeWrite(WriteHook hook) {
  std::lock_guard lock(mutex_);
  beforeWrite_ = hook ? std::make_shared<const WriteHook>(std::move(hook)) : nullptr;
}

void OutputWriter::SetOnWait(WaitHook hook) {
  std::lock_guard lock(mutex_);
  onWait_ = hook ? std::make_shared<const WaitHook>(std::move(hook)) : nullptr;
}

void OutputWriter::AwaitWriter(std::unique_lock<std::mutex>& lock) {
  if (onWait_) (*onWait_)();
  submitterWaits_ = true;
  space_.wait(lock);
  submitterWaits_ = false;
}

void OutputWriter::WriteQueued(std::unique_lock<std::mutex>& lock) {
  Batch batch = std::move(queue_);
  queue_.clear();
  std::size_t batchBytes = 0;
  for (const Job& job : batch) batchBytes += job.bytes.size();
  std::shared_ptr<const WriteHook> hook = beforeWrite_;
  const WriteMode mode = mode_;
  writing_ = true;
  lock.unlock();

  std::vector<std::string> written;
  std::vector<PageState> states;
  std::optional<Failure> failed;
  for (Job& job : batch) {
    try {
      if (hook) (*hook)(job.path);
      states.push_back(WritePage(job.path, job.bytes, mode));
      written.push_back(std::move(job.path));
    } catch (const FileError& error) {
      failed = Failure{job.path, error};
    } catch (const std::exception&) {
      failed = Failure{job.path, FileError(FileError::Kind::Create, job.path)};
    }
    if (failed) break;  // the rest of the batch is dropped
  }

  lock.lock();
  writing_ = false;
  written_.insert(written_.end(), std::make_move_iterator(written.begin()),
                  std::make_move_iterator(written.end()));
  states_.insert(states_.end(), states.begin(), states.end());
  pendingFiles_ -= batch.size();
  pendingBytes_ -= batchBytes;
  if (failed) {
    failure_ = std::move(failed);
    // Everything handed over after the failed file is dropped.
    for (const Job& job : queue_) pendingBytes_ -= job.bytes.size();
    pendingFiles_ -= queue_.size();
    queue_.clear();
  }
  if (submitterWaits_) space_.notify_one();
}

void OutputWriter::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queue_.empty() || writing_) {
      if (stopping_ && queue_.empty() && !writing_) return;
      writerIdle_ = true;
      // WakeWriter clears writerIdle_; the destructor only sets stopping_.
      work_.wait(lock, [this] { return !writerIdle_ || stopping_; });
      writerIdle_ = false;
      continue;
    }
    WriteQueued(lock);
  }
}

}  // namespace ws
