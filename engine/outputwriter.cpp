#include "outputwriter.h"

#include <utility>

namespace ws {

OutputWriter::OutputWriter(std::size_t maxFiles, std::size_t maxBytes)
    : maxFiles_(maxFiles == 0 ? 1 : maxFiles), maxBytes_(maxBytes), thread_([this] { Loop(); }) {}

OutputWriter::~OutputWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_one();
  thread_.join();
}

void OutputWriter::Submit(std::string path, std::string bytes) {
  std::unique_lock lock(mutex_);
  if (failure_) return;  // dropped: the run stops at the failure
  // One file always fits, however large.
  while (!failure_ && !queue_.empty() &&
         (queue_.size() >= maxFiles_ || queuedBytes_ + bytes.size() > maxBytes_)) {
    submitterWaits_ = true;
    space_.wait(lock);
    submitterWaits_ = false;
  }
  if (failure_) return;
  queuedBytes_ += bytes.size();
  queue_.push_back({std::move(path), std::move(bytes)});
  if (writerIdle_) {
    lock.unlock();
    work_.notify_one();
  }
}

OutputWriter::Report OutputWriter::Collect(bool wait) {
  std::unique_lock lock(mutex_);
  while (wait && (writing_ || !queue_.empty())) {
    submitterWaits_ = true;
    space_.wait(lock);
    submitterWaits_ = false;
  }
  Report report;
  report.written = std::move(written_);
  written_.clear();
  report.failure = std::move(failure_);
  failure_.reset();
  return report;
}

void OutputWriter::SetBeforeWrite(WriteHook hook) {
  std::lock_guard lock(mutex_);
  beforeWrite_ = hook ? std::make_shared<const WriteHook>(std::move(hook)) : nullptr;
}

void OutputWriter::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queue_.empty()) {
      if (stopping_) return;
      writerIdle_ = true;
      work_.wait(lock);
      writerIdle_ = false;
      continue;
    }
    Job job = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= job.bytes.size();
    writing_ = true;
    std::shared_ptr<const WriteHook> hook = beforeWrite_;
    lock.unlock();

    std::optional<Failure> failed;
    try {
      if (hook) (*hook)(job.path);
      WriteFileAtomically(job.path, job.bytes);
    } catch (const FileError& error) {
      failed = Failure{job.path, error};
    } catch (const std::exception&) {
      failed = Failure{job.path, FileError(FileError::Kind::Create, job.path)};
    }

    lock.lock();
    writing_ = false;
    if (failed) {
      failure_ = std::move(failed);
      // Everything handed over after the failed file is dropped.
      queue_.clear();
      queuedBytes_ = 0;
    } else {
      written_.push_back(std::move(job.path));
    }
    if (submitterWaits_) space_.notify_one();
  }
}

}  // namespace ws
