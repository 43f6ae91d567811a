// Caches of file contents that never serve a file that changed on disk.
//
// Included files and data files are read again and again during a build (once
// per page); reading and parsing them each time dominated the build. A cache
// entry stays valid until the file changes. Changes are learnt from the
// kernel (inotify): each watched file reports writes, attribute and link-count
// changes (a rename over it, a deletion) and moves. Where a file cannot be
// watched, its size, time and inode are compared.
//
// How a check learns of events:
// - Outside a run (no RunScope alive), each check reads the event queue
//   (one non-blocking read). The kernel queues an event before the write
//   that caused it returns, so a change is seen by the very next check.
// - During a run (a RunScope alive), a watch thread sleeps on the queue, reads
//   what arrives and counts it; a check reads that count and looks at the
//   events only when it moved. While nothing changes, a check costs one atomic
//   load and no system call.
//   The price is a short window: a change made by another process (or another
//   thread) during a run is seen once the watch thread has woken and read it,
//   usually within microseconds, not at the instant the write returns. Pages
//   the run writes itself are not affected: the output queue invalidates them
//   in the caches when their write is confirmed. Changes made before a run
//   starts are always seen by its first check.
//
// A program that runs builds for days must not hold on to every file it ever
// read: when a run ends, files that neither it nor the run before it used are
// no longer watched, and the caches forget them at their next look. A file
// used by every run stays watched and is not read again.
//
// Nothing here touches process-wide state: no signals, no file-descriptor
// ownership; the watch thread exists only while a RunScope does.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fileio.h"

namespace ws {

// One inotify queue, shared by every cache that holds it. Watch, Changed and
// RunScope are meant for one thread at a time (the one that runs builds).
class FileWatcher {
 public:
  // Counts the changes seen of one path; a file is unchanged while its
  // version stays the same.
  using Version = std::uint64_t;

  FileWatcher();
  ~FileWatcher();
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;

  // Starts watching path; call it before reading the file. Returns the
  // version to pass to Changed, or nullopt when the file cannot be watched
  // (compare stamps instead).
  std::optional<Version> Watch(const std::string& path);
  // Whether path may have changed since Watch(path) returned since.
  bool Changed(const std::string& path, Version since);
  // Whether path is watched now; a file that was deleted (or whose file
  // system went), or that the last runs did not use, is not, and its caches
  // may forget it.
  bool Watching(const std::string& path) const { return watched_.count(path) != 0; }
  // Counts the files that stopped being watched, so that a cache knows when
  // to look for entries to forget.
  std::uint64_t Forgotten() const { return forgotten_; }
  // The kernel's watches held now (one per file, or two for a symbolic link).
  std::size_t WatchCount() const { return filesOfWatch_.size(); }

  // Runs the watch thread from construction to destruction; construct one at
  // the start of each run, on the thread that runs it. Scopes may nest (a
  // nested run): the outermost one starts and stops the thread. The thread is
  // joined before the outermost scope's destructor returns; then the files
  // that neither this run nor the one before used stop being watched.
  class RunScope {
   public:
    explicit RunScope(FileWatcher& watcher);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    FileWatcher& watcher_;
  };

  // Whether a watch thread runs now.
  bool Threaded() const { return threaded_; }
  // How many times the watch thread has read arrived events (for tests that
  // wait until a change has reached the thread).
  std::uint64_t EventsAnnounced() const { return announced_.load(std::memory_order_acquire); }

 private:
  struct Event {
    int wd;
    std::uint32_t mask;
  };

  void Start();
  void Stop();
  void ThreadLoop();
  // Reads the queue until it is empty and takes the events in.
  void Drain();
  // Takes in what the watch thread read.
  void TakeAnnounced();
  void Note(const Event& event);
  void MarkAll();
  // Stops watching the files the last runs did not use; between runs only.
  void ForgetUnused();
  // Takes path off its watches and removes the watches no file is left on.
  void Unwatch(const std::string& path);

  struct Watched {
    Version version = 0;
    std::uint64_t usedInRun = 0;  // the value of runs_ when it was last used
    std::vector<int> watches;     // the watches that list it
  };

  int fd_ = -1;
  std::unordered_map<int, std::vector<std::string>> filesOfWatch_;
  std::unordered_map<std::string, Watched> watched_;
  Version clock_ = 0;
  std::uint64_t forgotten_ = 0;
  std::uint64_t runs_ = 0;  // runs ended (outermost scopes)

  // The run's side of the watch thread.
  int scopes_ = 0;
  bool threaded_ = false;    // the watch thread exists
  bool trustCount_ = false;  // checks look at the events only when the count moved
  std::uint64_t announcedSeen_ = 0;
  int wakeFd_ = -1;  // an eventfd: written to end the thread
  std::thread thread_;

  // Shared with the watch thread.
  std::atomic<std::uint64_t> announced_{0};
  std::atomic<bool> threadGaveUp_{false};  // the checks read the queue again
  std::mutex mutex_;
  std::vector<Event> arrived_;  // read by the thread, not yet taken in
  bool arrivedOverflow_ = false;
};

// Parsed contents by path. Parse is called with the file's text (without a
// byte-order mark) and returns the value to keep. Several caches may share one
// FileWatcher; each keeps its own versions, so one cache reading a file again
// does not hide the change from another.
template <typename T>
class FileCache {
 public:
  // A cache with a watcher of its own.
  FileCache() : own_(std::make_unique<FileWatcher>()), watcher_(*own_) {}
  // A cache on a shared watcher, which must outlive it.
  explicit FileCache(FileWatcher& watcher) : watcher_(watcher) {}

  // Forgets the entries of files no longer watched before it looks: a
  // reference an earlier Get returned may not be used after a later one.
  template <typename Parse>
  const T& Get(const std::string& path, Parse parse) {
    ForgetGoneFiles();
    auto it = entries_.find(path);
    if (it != entries_.end()) {
      const Entry& e = it->second;
      bool fresh = e.version ? !watcher_.Changed(path, *e.version)
                             : (e.stamp.exists && StampOf(path) == e.stamp);
      if (fresh) return e.value;
    }
    std::optional<FileWatcher::Version> version = watcher_.Watch(path);
    FileStamp stamp = version ? FileStamp{} : StampOf(path);
    T value = parse(ReadTextFile(path));
    ForgetGoneFiles();  // the file may have gone meanwhile
    Entry& entry = entries_[path];
    entry.version = version;
    entry.stamp = stamp;
    entry.value = std::move(value);
    return entry.value;
  }

  // Forgets what is kept for path: the next Get reads it again.
  void Invalidate(const std::string& path) { entries_.erase(path); }
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::optional<FileWatcher::Version> version;  // nullopt: not watched
    FileStamp stamp;
    T value;
  };
  // A program that runs for days reads files that are deleted later (pages
  // of old sites, renamed templates) or no longer used: their contents go
  // once the watcher has stopped watching them, so the cache holds only
  // files that exist and that the last runs used.
  void ForgetGoneFiles() {
    if (watcher_.Forgotten() == forgottenSeen_) return;
    forgottenSeen_ = watcher_.Forgotten();
    std::erase_if(entries_, [this](const auto& entry) {
      return entry.second.version && !watcher_.Watching(entry.first);
    });
  }

  std::unique_ptr<FileWatcher> own_;
  FileWatcher& watcher_;
  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t forgottenSeen_ = 0;
};

}  // namespace ws
