#include "folderwatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "paths.h"

namespace cli {

namespace {

// Saves that replace a file (rename over it), write it, make or remove it;
// and the folder moved away (a removed folder ends its watch with IN_IGNORED).
constexpr std::uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                        IN_MOVED_FROM | IN_ATTRIB | IN_MODIFY | IN_MOVE_SELF;

}  // namespace

FolderWatch::FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FolderWatch::~FolderWatch() {
  if (fd_ >= 0) ::close(fd_);
}

void FolderWatch::BeginBuild() {
  Drain();
  changed_ = false;
  for (auto& [wd, names] : names_) names.clear();
}

void FolderWatch::Reading(const std::string& file) {
  // Everything queued so far happened before this read. Draining first also
  // keeps a watch that ends in this drain from being noted again below.
  if (Drain()) changed_ = true;
  std::string folder = ws::FolderOf(file);
  if (folder.empty()) folder = "./";
  auto known = wdOfFolder_.find(folder);
  const int wd = known != wdOfFolder_.end()
                     ? known->second
                     : ::inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
  if (wd < 0) return;  // a missing folder: the build fails to read the file anyway
  wdOfFolder_.emplace(folder, wd);
  names_[wd].insert(std::string(ws::FileNameOf(file)));
}

bool FolderWatch::EndBuild() {
  if (Drain()) changed_ = true;
  std::vector<int> unused;
  for (const auto& [wd, names] : names_)
    if (names.empty()) unused.push_back(wd);
  for (int wd : unused) Forget(wd);
  return changed_;
}

bool FolderWatch::Drain() {
  bool relevant = false;
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return relevant;  // EAGAIN: nothing more queued
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      if (event->mask & IN_Q_OVERFLOW) {
        relevant = true;
        continue;
      }
      const auto names = names_.find(event->wd);
      if (names == names_.end()) continue;
      if (event->mask & (IN_IGNORED | IN_MOVE_SELF)) {
        // The folder was removed or moved: its files are gone from their
        // paths, and a later read watches the path anew.
        if (!names->second.empty()) relevant = true;
        Forget(event->wd);
        continue;
      }
      if (event->len > 0 && names->second.contains(event->name)) relevant = true;
    }
  }
}

void FolderWatch::Forget(int wd) {
  ::inotify_rm_watch(fd_, wd);  // fails harmlessly when the kernel ended it already
  names_.erase(wd);
  std::erase_if(wdOfFolder_, [wd](const auto& entry) { return entry.second == wd; });
}

}  // namespace cli
