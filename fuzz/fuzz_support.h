// What the fuzz targets share: a check that stops the process, a host that
// records messages with a fixed clock, and a
// folder under the temporary folder that one process works in.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "caches.h"
#include "engine.h"
#include "fileio.h"
#include "host.h"
#include "tags.h"

namespace ws::fuzz {

// A broken promise of the engine: the fuzzer reports it as a crash.
inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Records every message. Every date and time is the same; their texts hold no
// "/" or ":" so that a build file cannot make a path out of them.
class RecordingHost : public Host {
 public:
  void ShowMessage(const Message& message) override { messages.push_back(message); }
  std::string CurrentDateText() const override { return "02.01.2003"; }
  std::string CurrentTimeText() const override { return "04.05.06"; }

  void RunStarted(std::string_view) override { ++runsStarted; }
  void RunEnded(RunOutcome outcome) override {
    ++runsEnded;
    endedWith = outcome;
  }

  std::vector<Message> messages;
  int runsStarted = 0, runsEnded = 0;
  RunOutcome endedWith = RunOutcome::Stopped;
};

// The engine's caches of included files and data files, lent to each fresh
// engine and taken back after the input. Each cache owns a kernel file
// watcher, and closing one waits for the kernel long enough to slow a target
// down tenfold. Kept caches must see every file that an input rewrites, as
// they must see any file changed on disk.
class KeptCaches {
 public:
  void LendTo(Engine& engine) {
    if (kept_) engine.caches = std::move(kept_);
  }
  void TakeBackFrom(Engine& engine) { kept_ = std::move(engine.caches); }

 private:
  std::unique_ptr<EngineCaches> kept_;
};

// A folder of this process under the temporary folder, made on first use and
// removed when the process ends normally. Targets empty it before each input
// so that no input sees what an earlier one left.
class Sandbox {
 public:
  static Sandbox& Get() {
    static Sandbox sandbox;
    return sandbox;
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The folder with a trailing "/".
  const std::string& Folder() const { return folder_; }
  std::string File(std::string_view name) const { return folder_ + std::string(name); }

  void Clear() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
      std::filesystem::remove_all(entry.path(), ec);
  }

  std::string Write(std::string_view name, std::string_view bytes) const {
    std::string path = File(name);
    WriteFileAtomically(path, bytes);
    return path;
  }

 private:
  Sandbox() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "weftsmith-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("weftsmith fuzz: cannot make a folder under the temporary folder");
      std::abort();
    }
    path_ = pattern;
    folder_ = pattern + "/";
  }
  ~Sandbox() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }

  std::filesystem::path path_;
  std::string folder_;
};

}  // namespace ws::fuzz
