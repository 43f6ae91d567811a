// The folders of the files a build depends on, watched for changes of those
// names: a file saved by renaming a new one over it is seen as well as one
// written in place, and a file that does not exist yet is seen when it comes.
#pragma once

#include <map>
#include <set>
#include <string>

namespace cli {

class FolderWatch {
 public:
  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // The inotify descriptor to poll, -1 when none could be made.
  int fd() const { return fd_; }

  // A build begins: what is queued happened before it read anything, and
  // none of its files has been read yet.
  void BeginBuild();
  // The build is about to read file: its folder is watched from now on, and
  // a change of it from now on is a change after the build read it.
  void Reading(const std::string& file);
  // The build has ended: true when a file changed after the build read it.
  // Folders that hold none of its files are no longer watched.
  bool EndBuild();

  // Reads the events queued; true when one concerns a file the build read
  // (or the queue overflowed, so that nothing can be told).
  bool Drain();

 private:
  void Forget(int wd);

  int fd_;
  bool changed_ = false;
  std::map<std::string, int> wdOfFolder_;
  // Per watched folder, the names in it that the build read.
  std::map<int, std::set<std::string>> names_;
};

}  // namespace cli
