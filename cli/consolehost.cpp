#include "consolehost.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace cli {

namespace {

const char* Caption(ws::MessageKind kind) {
  switch (kind) {
    case ws::MessageKind::Error:
      return "Error";
    case ws::MessageKind::Warning:
      return "Warning";
    case ws::MessageKind::Information:
      return "Information";
    case ws::MessageKind::Plain:
      break;
  }
  return "Weftsmith";
}

// The severity word of the GNU form; a plain box tells of a failure too.
const char* Severity(ws::MessageKind kind) {
  switch (kind) {
    case ws::MessageKind::Warning:
      return "warning";
    case ws::MessageKind::Information:
      return "note";
    case ws::MessageKind::Error:
    case ws::MessageKind::Plain:
      break;
  }
  return "error";
}

const char* Label(ws::PageState state) {
  switch (state) {
    case ws::PageState::New:
      return "new";
    case ws::PageState::Changed:
      return "changed";
    case ws::PageState::Unchanged:
      return "unchanged";
    case ws::PageState::Written:
      break;
  }
  return "written";
}

}  // namespace

ConsoleHost::ConsoleHost(ConsoleOptions options)
    : options_(std::move(options)), terminal_(::isatty(STDERR_FILENO) == 1) {}

void ConsoleHost::ShowMessage(const ws::Message& message) {
  EndProgressLine();
  if (message.kind != ws::MessageKind::Information) lastProblem_ = message.text;
  std::ostream& out = message.kind == ws::MessageKind::Information ? std::cout : std::cerr;
  if (!options_.gnuMessages) {
    out << Caption(message.kind) << ": " << message.text << '\n';
  } else if (message.line >= 0) {
    out << (message.file.empty() ? options_.buildFile : message.file) << ':' << message.line + 1
        << ": " << Severity(message.kind) << ": " << message.text << '\n';
  } else {
    out << "weftsmith-build: " << Severity(message.kind) << ": " << message.text << '\n';
  }
  out.flush();
}

void ConsoleHost::OutputWritten(std::string_view path, ws::PageState state) {
  ++pages_;
  if (state == ws::PageState::Unchanged) ++unchanged_;
  if (options_.listPages) {
    std::cout << Label(state) << ' ' << path << '\n';
    return;
  }
  // On a terminal, a long build shows how many pages it has written so far.
  if (!terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (now - lastShown_ < std::chrono::milliseconds(200)) return;
  lastShown_ = now;
  std::fprintf(stderr, "\rWeftsmith running: %llu pages written", pages_);
  std::fflush(stderr);
  progressLine_ = true;
}

void ConsoleHost::EndProgressLine() {
  if (!progressLine_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  progressLine_ = false;
}

void ConsoleHost::BeginRun() {
  pages_ = unchanged_ = 0;
  filesRead_.clear();
  lastProblem_.clear();
}

}  // namespace cli
