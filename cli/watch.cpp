#include "watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

#include "paths.h"

namespace cli {

namespace {

// A burst of saves (an editor writing a file in several steps, a script
// touching many) gives one rebuild once it has been quiet this long.
constexpr int kQuietMs = 150;

// Saves that replace a file (rename over it), write it, make or remove it.
constexpr std::uint32_t kFolderEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB | IN_MODIFY;

std::string Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

// The folders of the files a build depends on, watched for changes of those
// names: a file saved by renaming a new one over it is seen as well as one
// written in place, and a file that does not exist yet is seen when it comes.
class FolderWatch {
 public:
  FolderWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~FolderWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

  // Watches exactly these files from now on.
  void Set(const std::set<std::string>& files) {
    names_.clear();
    for (const std::string& file : files) {
      std::string folder = ws::FolderOf(file);
      if (folder.empty()) folder = "./";
      if (!folderOf_.count(folder)) {
        int wd = ::inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
        if (wd < 0) continue;  // a missing folder: nothing can change in it
        folderOf_[folder] = wd;
      }
      names_[folderOf_[folder]].insert(std::string(ws::FileNameOf(file)));
    }
  }

  // Reads the events queued; true when one concerns a watched file.
  bool Drain() {
    bool relevant = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return relevant;
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        p += sizeof(inotify_event) + event->len;
        if (event->mask & IN_Q_OVERFLOW) relevant = true;
        if (event->len == 0) continue;
        auto names = names_.find(event->wd);
        if (names != names_.end() && names->second.count(event->name)) relevant = true;
      }
    }
  }

 private:
  int fd_;
  std::map<std::string, int> folderOf_;
  std::map<int, std::set<std::string>> names_;
};

}  // namespace

int WatchAndBuild(const std::string& buildFile, ConsoleHost& host,
                  const std::function<ws::RunOutcome()>& build) {
  // The signals wait until a build has finished writing; then they end the watch.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return 2;
  const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
  FolderWatch watch;
  if (signalFd < 0 || watch.fd() < 0) {
    std::fprintf(stderr, "weftsmith-build: cannot watch files for changes\n");
    return 2;
  }

  for (;;) {
    host.BeginRun();
    const auto start = std::chrono::steady_clock::now();
    const ws::RunOutcome outcome = build();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    host.EndProgressLine();
    if (outcome == ws::RunOutcome::Completed)
      std::fprintf(stderr, "%s %llu pages written (%llu unchanged) in %lld ms\n", Now().c_str(),
                   host.PagesWritten() - host.PagesUnchanged(), host.PagesUnchanged(),
                   static_cast<long long>(ms));
    else
      std::fprintf(stderr, "%s build stopped: %s\n", Now().c_str(), host.LastProblem().c_str());
    std::fflush(stderr);

    std::set<std::string> files(host.FilesRead().begin(), host.FilesRead().end());
    files.insert(buildFile);
    // Events queued while the build ran stay: a file saved during a build is
    // built again. Pages the build wrote are no dependency, unless it read them.
    watch.Set(files);

    // Waits for a change, then for the burst of changes to end.
    bool changed = false;
    for (;;) {
      pollfd fds[2] = {{signalFd, POLLIN, 0}, {watch.fd(), POLLIN, 0}};
      int ready = ::poll(fds, 2, changed ? kQuietMs : -1);
      if (ready < 0 && errno == EINTR) continue;
      if (fds[0].revents & POLLIN) {
        ::close(signalFd);
        return 0;
      }
      if (ready == 0) break;  // quiet after a change: build again
      if (fds[1].revents & POLLIN) changed = watch.Drain() || changed;
    }
  }
}

}  // namespace cli
