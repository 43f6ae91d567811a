#include "filecache.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace ws {

namespace {

// Writes, attribute changes (which include the link count: a rename over the
// file or its deletion), moves and the end of the file.
constexpr std::uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;

// Runs a file may go unused before it stops being watched: the one that
// ends and the one before it. A file that one run of a series skips (a page
// built only now and then) is not read again by the next.
constexpr std::uint64_t kRunsKept = 2;

// Events the watch thread keeps for the run before it gives up on single
// events and marks every file changed instead (a run that does not look for
// a long while, during a storm of changes, must not make the list grow).
constexpr std::size_t kMaxArrived = 4096;

// Reads the queue until it is empty (the descriptor does not block) and
// appends the events. False when the queue cannot be read any more.
template <typename Event>
bool ReadQueue(int fd, std::vector<Event>& events) {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno == EAGAIN;  // EAGAIN: nothing more
    if (n == 0) return false;
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + event->len;
      events.push_back({event->wd, event->mask});
    }
  }
}

}  // namespace

FileWatcher::FileWatcher() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatcher::~FileWatcher() {
  Stop();  // only when a RunScope outlived its watcher
  if (fd_ >= 0) ::close(fd_);
}

std::optional<FileWatcher::Version> FileWatcher::Watch(const std::string& path) {
  if (fd_ < 0) return std::nullopt;
  // Events of an earlier watch of the same file count before the version is
  // taken, so they do not make the file look changed once more.
  if (threaded_) TakeAnnounced();
  Drain();
  // The file the name leads to, and the name itself when it is a symbolic
  // link (re-pointing the link changes the link, not the old target).
  int wd = ::inotify_add_watch(fd_, path.c_str(), kFileEvents);
  if (wd < 0) return std::nullopt;
  int linkWd = ::inotify_add_watch(fd_, path.c_str(), kFileEvents | IN_DONT_FOLLOW);
  if (linkWd < 0) {
    // A watch that lists no file would only hold a kernel slot.
    if (!filesOfWatch_.contains(wd)) ::inotify_rm_watch(fd_, wd);
    return std::nullopt;
  }
  // Any event from here on gives the path a new version.
  // A file watched again after it was forgotten gets a version no cache
  // holds from before.
  auto [watched, fresh] = watched_.try_emplace(path);
  if (fresh) watched->second.version = ++clock_;
  watched->second.usedInRun = runs_;
  for (int w : {wd, linkWd}) {
    std::vector<std::string>& files = filesOfWatch_[w];
    if (std::find(files.begin(), files.end(), path) == files.end()) {
      files.push_back(path);
      watched->second.watches.push_back(w);
    }
  }
  return watched->second.version;
}

bool FileWatcher::Changed(const std::string& path, Version since) {
  if (fd_ < 0) return true;
  if (trustCount_) {
    // The count is read before the events are taken: events added after the
    // take come with a later count and are taken by a later check.
    std::uint64_t announced = announced_.load(std::memory_order_acquire);
    if (announced != announcedSeen_) {
      announcedSeen_ = announced;
      TakeAnnounced();
    }
  } else {
    Drain();
  }
  auto it = watched_.find(path);
  if (it == watched_.end()) return true;
  it->second.usedInRun = runs_;
  return it->second.version != since;
}

void FileWatcher::Note(const Event& event) {
  if (event.mask & IN_Q_OVERFLOW) {
    MarkAll();
    return;
  }
  auto files = filesOfWatch_.find(event.wd);
  if (files == filesOfWatch_.end()) return;
  for (const std::string& file : files->second)
    if (auto watched = watched_.find(file); watched != watched_.end())
      watched->second.version = ++clock_;
  if (!(event.mask & IN_IGNORED)) return;
  // The kernel dropped the watch (the file was deleted): a file that no
  // other watch covers is no longer watched, and counts as changed.
  const std::vector<std::string> dropped = std::move(files->second);
  filesOfWatch_.erase(files);
  for (const std::string& file : dropped) {
    auto watched = watched_.find(file);
    if (watched == watched_.end()) continue;
    std::erase(watched->second.watches, event.wd);
    if (!watched->second.watches.empty()) continue;
    watched_.erase(watched);
    ++forgotten_;
  }
}

void FileWatcher::MarkAll() {
  for (auto& [path, watched] : watched_) watched.version = ++clock_;
}

void FileWatcher::ForgetUnused() {
  ++runs_;
  if (fd_ < 0) return;
  std::vector<std::string> unused;
  for (const auto& [path, watched] : watched_)
    if (runs_ - watched.usedInRun >= kRunsKept) unused.push_back(path);
  if (unused.empty()) return;
  for (const std::string& path : unused) Unwatch(path);
  forgotten_ += unused.size();
  // The kernel has queued IN_IGNORED for each watch removed; they are read
  // now, before any new watch could be given a number again.
  Drain();
}

void FileWatcher::Unwatch(const std::string& path) {
  auto watched = watched_.find(path);
  if (watched == watched_.end()) return;
  for (int wd : watched->second.watches) {
    auto files = filesOfWatch_.find(wd);
    if (files == filesOfWatch_.end()) continue;
    std::erase(files->second, path);
    if (!files->second.empty()) continue;  // another name of the same file
    ::inotify_rm_watch(fd_, wd);
    filesOfWatch_.erase(files);
  }
  watched_.erase(watched);
}

void FileWatcher::Drain() {
  std::vector<Event> events;
  if (!ReadQueue(fd_, events)) MarkAll();
  for (const Event& event : events) Note(event);
}

void FileWatcher::TakeAnnounced() {
  std::vector<Event> events;
  bool overflow = false;
  {
    std::lock_guard lock(mutex_);
    events.swap(arrived_);
    overflow = std::exchange(arrivedOverflow_, false);
  }
  if (overflow) MarkAll();
  for (const Event& event : events) Note(event);
  // A thread that could not go on leaves the queue to the checks.
  if (threadGaveUp_.load(std::memory_order_acquire)) trustCount_ = false;
}

FileWatcher::RunScope::RunScope(FileWatcher& watcher) : watcher_(watcher) {
  if (watcher_.scopes_++ == 0) watcher_.Start();
}

FileWatcher::RunScope::~RunScope() {
  if (--watcher_.scopes_ != 0) return;
  watcher_.Stop();
  watcher_.ForgetUnused();
}

void FileWatcher::Start() {
  if (fd_ < 0) return;
  // What changed before the run is seen by its first check.
  Drain();
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) return;  // no thread: every check reads the queue
  threadGaveUp_.store(false, std::memory_order_relaxed);
  announcedSeen_ = announced_.load(std::memory_order_relaxed);
  try {
    thread_ = std::thread([this] { ThreadLoop(); });
  } catch (const std::system_error&) {
    ::close(wakeFd_);
    wakeFd_ = -1;
    return;
  }
  threaded_ = true;
  trustCount_ = true;
}

void FileWatcher::Stop() {
  if (!threaded_) return;
  const std::uint64_t one = 1;
  while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  thread_.join();
  ::close(wakeFd_);
  wakeFd_ = -1;
  threaded_ = false;
  trustCount_ = false;
  // Events the thread read last; what it left in the queue is read by the
  // next check.
  TakeAnnounced();
}

void FileWatcher::ThreadLoop() {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  std::vector<Event> events;
  for (;;) {
    int n = ::poll(fds, 2, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (fds[1].revents != 0) return;  // the run ends
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
    if (!(fds[0].revents & POLLIN)) continue;
    events.clear();
    bool readable = ReadQueue(fd_, events);
    // Nothing when a check read the queue first (Watch does).
    if (!events.empty()) {
      {
        std::lock_guard lock(mutex_);
        if (arrivedOverflow_ || arrived_.size() + events.size() > kMaxArrived) {
          arrivedOverflow_ = true;
          arrived_.clear();
        } else {
          arrived_.insert(arrived_.end(), events.begin(), events.end());
        }
      }
      announced_.fetch_add(1, std::memory_order_release);
    }
    if (!readable) break;
  }
  // The queue cannot be waited on: from the next check on, the checks read
  // it themselves, and everything counts as changed once.
  {
    std::lock_guard lock(mutex_);
    arrivedOverflow_ = true;
  }
  threadGaveUp_.store(true, std::memory_order_release);
  announced_.fetch_add(1, std::memory_order_release);
}

}  // namespace ws
