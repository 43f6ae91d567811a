#include "filecache.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace ws {

namespace {

// Writes, attribute changes (which include the link count: a rename over the
// file or its deletion), moves and the end of the file.
constexpr std::uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;

// How many times the kernel announced queued events to this process.
std::atomic<std::uint64_t> gEventSignals{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

void OnEventSignal(int) {
  gEventSignals.fetch_add(1, std::memory_order_relaxed);
}

// Installs the SIGIO handler once. Refused when the host handles or ignores
// SIGIO itself, or blocks it in this thread (the count would never move).
bool EventSignalReady() {
  static const bool ready = [] {
    struct sigaction old {};
    if (::sigaction(SIGIO, nullptr, &old) != 0) return false;
    if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) return false;
    sigset_t blocked;
    if (::pthread_sigmask(SIG_BLOCK, nullptr, &blocked) != 0 || sigismember(&blocked, SIGIO))
      return false;
    struct sigaction action {};
    action.sa_handler = OnEventSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGIO, &action, nullptr) == 0;
  }();
  return ready;
}

}  // namespace

FileWatcher::FileWatcher() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (fd_ < 0 || !EventSignalReady()) return;
  // The signal goes to the process, and first to its main thread: a file
  // that thread writes is announced before its write returns. (Pages written
  // by the output writer leave the caches when they are confirmed.)
  int flags = ::fcntl(fd_, F_GETFL);
  if (flags < 0 || ::fcntl(fd_, F_SETOWN, ::getpid()) != 0 ||
      ::fcntl(fd_, F_SETFL, flags | O_ASYNC) != 0)
    return;
  signalled_ = true;
  signalsSeen_ = gEventSignals.load(std::memory_order_acquire);
}

FileWatcher::~FileWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileWatcher::Watch(const std::string& path) {
  if (fd_ < 0) return false;
  Drain();
  // The file the name leads to, and the name itself when it is a symbolic
  // link (re-pointing the link changes the link, not the old target).
  int wd = ::inotify_add_watch(fd_, path.c_str(), kFileEvents);
  if (wd < 0) return false;
  int linkWd = ::inotify_add_watch(fd_, path.c_str(), kFileEvents | IN_DONT_FOLLOW);
  if (linkWd < 0) return false;
  for (int w : {wd, linkWd}) {
    std::vector<std::string>& files = filesOfWatch_[w];
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
  }
  changed_.erase(path);
  return true;
}

bool FileWatcher::Changed(const std::string& path) {
  if (fd_ < 0) return true;
  if (signalled_) {
    // Read before the queue, so that an event queued during the read is
    // announced by a later count and read by a later check.
    std::uint64_t signals = gEventSignals.load(std::memory_order_acquire);
    if (signals != signalsSeen_) {
      signalsSeen_ = signals;
      Drain();
    }
  } else {
    Drain();
  }
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
      if (auto files = filesOfWatch_.find(event->wd); files != filesOfWatch_.end()) {
        changed_.insert(files->second.begin(), files->second.end());
        if (event->mask & IN_IGNORED) filesOfWatch_.erase(files);
      }
    }
  }
}

}  // namespace ws
