// Runs one program and reports its wall time and peak resident memory.
//
//   spawn RESULT_FILE PROGRAM [ARGS...]
//
// Writes "<wall seconds> <peak RSS in KiB> <exit code>" to RESULT_FILE. The
// program inherits standard input, output and error.
//
// The benchmark starts tools through this small process rather than from
// Python: the kernel counts the memory a child held before exec in its peak,
// and a child forked from the harness would start with the harness's size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: spawn RESULT_FILE PROGRAM [ARGS...]\n");
    return 2;
  }
  const double start = Now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::fprintf(stderr, "spawn: fork failed: %s\n", std::strerror(errno));
    return 2;
  }
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "spawn: cannot run %s: %s\n", argv[2], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "spawn: wait failed: %s\n", std::strerror(errno));
      return 2;
    }
  }
  const double wall = Now() - start;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE* result = std::fopen(argv[1], "w");
  if (result == nullptr) {
    std::fprintf(stderr, "spawn: cannot create %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  std::fprintf(result, "%.6f %ld %d\n", wall, usage.ru_maxrss, code);
  return std::fclose(result) == 0 ? 0 : 2;
}
