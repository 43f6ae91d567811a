// Writes finished output files on a thread of its own, in the order they were
// handed over, while the run goes on with the next pages. Creating and writing
// the files is about half of a large build; overlapping it with the building
// of the following pages hides most of it.
//
// The writer never reports to the host itself: the running thread collects
// what was written and what failed. After a failed write, every write handed
// over later is dropped, exactly as if the run had stopped at the failure.
// When the running thread waits for the end (Collect) and the writer has not
// started on the files left, it writes them itself: waking a sleeping thread
// can take longer than writing a few files.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fileio.h"
#include "host.h"
#include "output.h"

namespace ws {

// How pages are put on disk: always written, written only when their bytes
// differ from the file there, or never (a dry run that only compares).
// AlwaysCompared writes every page as Always does, but compares it with the
// file there first, so that its state tells New, Changed or Unchanged; a file
// that cannot be compared (unreadable, no plain file) is written as Always
// writes it and told as Written.
enum class WriteMode { Always, AlwaysCompared, OnlyChanged, DryRun };

// What a test may hook into the writer: see SetBeforeWrite and SetOnWait.
struct WriterHooks {
  std::function<void(const std::string& path)> beforeWrite;
  std::function<void()> onWait;
};

class OutputWriter {
 public:
  // At most maxFiles files or maxBytes bytes wait at once; Submit blocks
  // beyond, so memory does not grow with the number of pages.
  explicit OutputWriter(std::size_t maxFiles = 64, std::size_t maxBytes = std::size_t{16} << 20);
  // Writes what is still queued, then ends the thread.
  ~OutputWriter();
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // Hands a file over: each piece becomes one line ending in CR LF, and the
  // file is replaced atomically (WriteFileAtomically).
  void Submit(std::string path, OutputText lines);

  struct Failure {
    std::string path;
    FileError error;
  };
  struct Report {
    std::vector<std::string> written;  // in the order handed over
    std::vector<PageState> states;     // of each written page
    std::optional<Failure> failure;    // the first failed write, if any
  };
  // What was written or failed since the last call; with wait, first waits
  // until every file handed over is written or dropped. A reported failure
  // is forgotten, so that later writes go ahead again.
  Report Collect(bool wait);

  // Called before each file is written (for tests that need a slow or a
  // stalled disk); on the writer's thread or on the one that waits.
  using WriteHook = std::function<void(const std::string& path)>;
  // Set before the first Submit.
  void SetMode(WriteMode mode) { mode_ = mode; }
  void SetBeforeWrite(WriteHook hook);
  // Called each time a thread begins to wait for the writer (in Submit for
  // room, in Collect for the end), with the writer's lock held: it must not
  // call the writer. Lets a test hold a write until the run waits for it.
  using WaitHook = std::function<void()>;
  void SetOnWait(WaitHook hook);

 private:
  struct Job {
    std::string path;
    std::string bytes;
  };
  using Batch = std::deque<Job>;

  void Loop();
  // Wakes the writer when it sleeps and files wait; called with the lock held.
  void WakeWriter();
  // Takes everything queued and writes it, letting the lock go meanwhile.
  void WriteQueued(std::unique_lock<std::mutex>& lock);
  // The running thread waits until the writer frees room or ends a batch.
  void AwaitWriter(std::unique_lock<std::mutex>& lock);

  const std::size_t maxFiles_;
  const std::size_t maxBytes_;
  std::mutex mutex_;
  std::condition_variable work_;   // the writer waits for jobs
  std::condition_variable space_;  // the running thread waits for room or the end
  Batch queue_;                    // not yet taken
  std::size_t pendingFiles_ = 0;   // queued or being written
  std::size_t pendingBytes_ = 0;
  bool writing_ = false;     // a batch is being written (by either thread)
  bool writerIdle_ = false;  // the writer sleeps until woken
  bool submitterWaits_ = false;
  bool stopping_ = false;
  WriteMode mode_ = WriteMode::Always;
  std::vector<std::string> written_;
  std::vector<PageState> states_;
  std::optional<Failure> failure_;
  std::shared_ptr<const WriteHook> beforeWrite_;
  std::shared_ptr<const WaitHook> onWait_;
  std::thread thread_;  // last: starts after everything above exists
};

}  // namespace ws
