#include "watch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>

#include "engine.h"
#include "folderwatch.h"

namespace cli {

namespace {

// A burst of saves (an editor writing a file in several steps, a script
// touching many) gives one rebuild once it has been quiet this long.
constexpr int kQuietMs = 150;

std::string Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

// The name of a failed system call and what went wrong, "poll: Invalid argument".
std::string Failure(const char* call, int error) {
  return std::string(call) + ": " + std::strerror(error);
}

// SIGINT and SIGTERM stay blocked in every thread and are read from a
// signalfd: between builds by the wait for changes, during a build by a
// thread that asks the engine to stop at its next instruction (the engine's
// stop may be asked for from any thread). A handler that only sets a flag
// would leave the engine nobody to tell, and would interrupt the system calls
// of the engine's own threads with EINTR; a blocked signal interrupts nothing
// and waits in the signalfd until it is read. Blocked, SIGINT is also seen
// when the shell started the program with it ignored (a job in a script).
class SignalWatch {
 public:
  // Blocks the signals; call before any thread starts, so that all inherit it.
  SignalWatch() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    if (int error = ::pthread_sigmask(SIG_BLOCK, &signals_, nullptr)) {
      failure_ = Failure("pthread_sigmask", error);
      return;
    }
    signalFd_ = ::signalfd(-1, &signals_, SFD_CLOEXEC);
    if (signalFd_ < 0) failure_ = Failure("signalfd", errno);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 && failure_.empty()) failure_ = Failure("eventfd", errno);
  }
  ~SignalWatch() {
    if (signalFd_ >= 0) ::close(signalFd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  int fd() const { return signalFd_; }
  bool Signalled() const { return signalled_; }
  // The failed system call and its error, empty while all is well.
  const std::string& FailureText() const { return failure_; }

  // Runs build while a thread waits for a signal to stop it.
  ws::RunOutcome During(const std::function<ws::RunOutcome(std::stop_token)>& build) {
    // The build's stop state is made before it begins, so a signal that
    // comes before then still stops it.
    std::stop_source stop;
    std::thread waiter;
    try {
      waiter = std::thread([this, &stop] { Wait(stop); });
    } catch (const std::system_error& error) {
      failure_ = "a thread: " + error.code().message();
      return ws::RunOutcome::Stopped;
    }
    ws::RunOutcome outcome;
    try {
      outcome = build(stop.get_token());
    } catch (...) {
      EndWait(waiter);
      throw;
    }
    EndWait(waiter);
    return outcome;
  }

 private:
  void EndWait(std::thread& waiter) {
    // Only a full counter refuses the write, and a full counter wakes the thread too.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t woken = ::write(wakeFd_, &one, sizeof one);
    waiter.join();
    std::uint64_t count;
    [[maybe_unused]] const ssize_t reset = ::read(wakeFd_, &count, sizeof count);
  }

  // The waiting thread: ends at a signal (asking the engine to stop), at the
  // wake of the build's end, or when poll fails (stopping the build too, since
  // no signal could stop it any more).
  void Wait(std::stop_source& stop) {
    for (;;) {
      pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        failure_ = Failure("poll", errno);
        stop.request_stop();
        return;
      }
      if (fds[0].revents & POLLIN) {
        signalled_ = true;
        stop.request_stop();
        return;
      }
      if (fds[1].revents & POLLIN) return;
    }
  }

  sigset_t signals_;
  int signalFd_ = -1;
  int wakeFd_ = -1;
  // Written by the waiting thread, read after it is joined.
  bool signalled_ = false;
  std::string failure_;
};

void PrintOutcome(ws::RunOutcome outcome, const ConsoleHost& host, long long ms) {
  if (outcome == ws::RunOutcome::Completed)
    std::fprintf(stderr, "%s %llu pages written (%llu unchanged) in %lld ms\n", Now().c_str(),
                 host.PagesWritten() - host.PagesUnchanged(), host.PagesUnchanged(), ms);
  else
    std::fprintf(stderr, "%s build stopped: %s\n", Now().c_str(), host.LastProblem().c_str());
  std::fflush(stderr);
}

int Fail(const char* what, const std::string& failure) {
  std::fprintf(stderr, "weftsmith-build: %s: %s\n", what, failure.c_str());
  return 2;
}

}  // namespace

int WatchAndBuild(const std::string& buildFile, ConsoleHost& host,
                  const std::function<ws::RunOutcome(std::stop_token)>& build) {
  SignalWatch signals;
  FolderWatch watch;
  if (!signals.FailureText().empty())
    return Fail("cannot watch files for changes", signals.FailureText());
  if (watch.fd() < 0) return Fail("cannot watch files for changes", Failure("inotify", errno));
  // Each file's folder is watched before the build reads the file, so a save
  // made while the build runs is seen whatever folder it is in.
  host.OnFirstRead([&watch](const std::string& file) { watch.Reading(file); });

  for (;;) {
    host.BeginRun();
    watch.BeginBuild();
    host.FileRead(buildFile);
    const auto start = std::chrono::steady_clock::now();
    const ws::RunOutcome outcome = signals.During(build);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    host.EndProgressLine();
    PrintOutcome(outcome, host, static_cast<long long>(ms));
    // A file changed after the build read it is built again; one changed
    // before it was read was built as it is now. Pages the build wrote are
    // no dependency, unless it read them.
    bool changed = watch.EndBuild();
    if (signals.Signalled()) return 0;
    if (!signals.FailureText().empty())
      return Fail("cannot wait for signals", signals.FailureText());

    // Waits for a change, then for the burst of changes to end.
    for (;;) {
      pollfd fds[2] = {{signals.fd(), POLLIN, 0}, {watch.fd(), POLLIN, 0}};
      const int ready = ::poll(fds, 2, changed ? kQuietMs : -1);
      if (ready < 0) {
        // EINTR only comes from a signal with a handler of its own; any
        // other failure (more descriptors polled than the process may have,
        // no kernel memory) would come again at once, so it ends the watch.
        if (errno == EINTR) continue;
        return Fail("cannot wait for changes", Failure("poll", errno));
      }
      if (fds[0].revents & POLLIN) return 0;
      if (ready == 0) break;  // quiet after a change: build again
      if (fds[1].revents & POLLIN) changed = watch.Drain() || changed;
    }
  }
}

}  // namespace cli
