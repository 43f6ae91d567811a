// The engine's host on a terminal: each message as one line, progress on a
// terminal, the pages of a dry run listed, and the files a run read noted.
#pragma once

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "host.h"

namespace cli {

struct ConsoleOptions {
  bool gnuMessages = false;    // "FILE:LINE: error: TEXT"
  bool listPages = false;      // a dry run: "new|changed|unchanged PATH" on standard output
  bool noteFilesRead = false;  // --watch: keep the names of the files a run reads
  std::string buildFile;       // named in GNU-style messages about the document's lines
};

class ConsoleHost : public ws::Host {
 public:
  explicit ConsoleHost(ConsoleOptions options);

  void ShowMessage(const ws::Message& message) override;
  void OutputWritten(std::string_view path, ws::PageState state) override;
  // Called at every access of an included or data file: kept cheap. The
  // first access of a file in a run is told on, before the file is read.
  void FileRead(std::string_view path) override {
    if (options_.noteFilesRead && !filesRead_.contains(path))
      firstRead_(*filesRead_.emplace(path).first);
  }
  // What FileRead tells of the first access of each file in a run.
  void OnFirstRead(std::function<void(const std::string&)> observer) {
    firstRead_ = std::move(observer);
  }

  // Clears the progress line from the terminal.
  void EndProgressLine();

  // What the last run did: pages written (or compared), of them unchanged,
  // and the text of its last error or warning.
  void BeginRun();
  unsigned long long PagesWritten() const { return pages_; }
  unsigned long long PagesUnchanged() const { return unchanged_; }
  const std::string& LastProblem() const { return lastProblem_; }

 private:
  ConsoleOptions options_;
  bool terminal_;
  bool progressLine_ = false;
  unsigned long long pages_ = 0;
  unsigned long long unchanged_ = 0;
  std::set<std::string, std::less<>> filesRead_;
  std::function<void(const std::string&)> firstRead_ = [](const std::string&) {};
  std::string lastProblem_;
  std::chrono::steady_clock::time_point lastShown_ = std::chrono::steady_clock::now();
};

}  // namespace cli
