// Caches of file contents that never serve a file that changed on disk.
//
// Included files and data files are read again and again during a build (once
// per page); reading and parsing them each time dominated the build. A cache
// entry stays valid until the file changes. Changes are learnt from the
// kernel (inotify): each watched file reports writes, attribute and link-count
// changes (a rename over it, a deletion) and moves. The kernel also raises
// SIGIO when it queues an event; a counter bumped by the handler lets an
// access skip reading the queue while nothing happened, so a check costs no
// system call. Where the signal cannot be used (the host handles, ignores or
// blocks SIGIO when the first watcher is made), each access reads the queue;
// a host must not take SIGIO over later. Where a file cannot be watched, its
// size, time and inode are compared.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fileio.h"

namespace ws {

class FileWatcher {
 public:
  FileWatcher();
  ~FileWatcher();
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;

  // Starts watching path; call it before reading the file. False when the
  // file cannot be watched (compare stamps instead).
  bool Watch(const std::string& path);
  // Whether path may have changed since Watch(path).
  bool Changed(const std::string& path);
  // Whether events are announced by signal (else every check reads the queue).
  bool Signalled() const { return signalled_; }

 private:
  void Drain();
  void MarkAll();

  int fd_ = -1;
  bool signalled_ = false;
  std::uint64_t signalsSeen_ = 0;
  std::unordered_map<int, std::vector<std::string>> filesOfWatch_;
  std::unordered_set<std::string> changed_;
};

// Parsed contents by path. Parse is called with the file's text (without a
// byte-order mark) and returns the value to keep.
template <typename T>
class FileCache {
 public:
  template <typename Parse>
  const T& Get(const std::string& path, Parse parse) {
    auto it = entries_.find(path);
    if (it != entries_.end()) {
      const Entry& e = it->second;
      bool fresh =
          e.watched ? !watcher_.Changed(path) : (e.stamp.exists && StampOf(path) == e.stamp);
      if (fresh) return e.value;
    }
    bool watched = watcher_.Watch(path);
    FileStamp stamp = watched ? FileStamp{} : StampOf(path);
    T value = parse(ReadTextFile(path));
    Entry& entry = entries_[path];
    entry.watched = watched;
    entry.stamp = stamp;
    entry.value = std::move(value);
    return entry.value;
  }

  // Forgets what is kept for path: the next Get reads it again.
  void Invalidate(const std::string& path) { entries_.erase(path); }

 private:
  struct Entry {
    bool watched = false;
    FileStamp stamp;
    T value;
  };
  FileWatcher watcher_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace ws
