#include "filecache.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "paths.h"

namespace ws {

namespace {
constexpr std::uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;
constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
}  // namespace

FileWatcher::FileWatcher() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatcher::~FileWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileWatcher::Watch(const std::string& path) {
  if (fd_ < 0) return false;
  Drain();
  std::string folder = FolderOf(path);
  if (!watchOfFolder_.contains(folder)) {
    // The folder's watch sees a file replaced by a rename or deleted and made anew.
    int wd = ::inotify_add_watch(fd_, folder.empty() ? "." : folder.c_str(), kFolderEvents);
    if (wd < 0) return false;
    watchOfFolder_[folder] = wd;
    folderOfWatch_[wd] = folder;
  }
  int wd = ::inotify_add_watch(fd_, path.c_str(), kFileEvents);
  if (wd < 0) return false;
  std::vector<std::string>& files = filesOfWatch_[wd];
  if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
  changed_.erase(path);
  return true;
}

bool FileWatcher::Changed(const std::string& path) {
  if (fd_ < 0) return true;
  Drain();
  return changed_.contains(path);
}

void FileWatcher::MarkAll() {
  for (const auto& [wd, files] : filesOfWatch_) changed_.insert(files.begin(), files.end());
}

void FileWatcher::Drain() {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // EAGAIN: nothing happened since the last look
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      if (event->mask & IN_Q_OVERFLOW) {
        MarkAll();
        continue;
      }
      if (auto folder = folderOfWatch_.find(event->wd); folder != folderOfWatch_.end()) {
        if (event->len > 0) changed_.insert(folder->second + event->name);
        if (event->mask & IN_IGNORED) {  // the folder itself went away
          watchOfFolder_.erase(folder->second);
          folderOfWatch_.erase(folder);
          MarkAll();
        }
        continue;
      }
      if (auto files = filesOfWatch_.find(event->wd); files != filesOfWatch_.end()) {
        changed_.insert(files->second.begin(), files->second.end());
        if (event->mask & IN_IGNORED) filesOfWatch_.erase(files);
      }
    }
  }
}

}  // namespace ws
