// weftsmith-build: the command-line front of the build engine.
//
//   weftsmith-build [--settings PROP] [--check | --reformat] FILE.bld
//
// Each message the desktop program would show in a box is one line
// "<Caption>: <text>"; "Build file complete" goes to standard output, all
// others to standard error. Exit status: 0 completed, 1 stopped with a
// reported message, 2 usage errors and files that cannot be opened or created.
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"
#include "paths.h"
#include "reformat.h"
#include "settings.h"

namespace {

constexpr const char* kUsage =
    "usage: weftsmith-build [--settings PROP] [--check | --reformat] FILE.bld\n";

class ConsoleHost : public ws::Host {
 public:
  ConsoleHost() : terminal_(::isatty(STDERR_FILENO) == 1) {}

  void ShowMessage(const ws::Message& message) override {
    EndProgressLine();
    const ws::MessageKind kind = message.kind;
    const std::string& text = message.text;
    const char* caption = "Weftsmith";
    switch (kind) {
      case ws::MessageKind::Error:
        caption = "Error";
        break;
      case ws::MessageKind::Warning:
        caption = "Warning";
        break;
      case ws::MessageKind::Information:
        caption = "Information";
        break;
      case ws::MessageKind::Plain:
        break;
    }
    std::ostream& out = kind == ws::MessageKind::Information ? std::cout : std::cerr;
    out << caption << ": " << text << '\n';
    out.flush();
  }

  // On a terminal, a long build shows how many pages it has written so far.
  void OutputWritten(std::string_view, ws::PageState) override {
    ++pages_;
    if (!terminal_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ < std::chrono::milliseconds(200)) return;
    lastShown_ = now;
    std::fprintf(stderr, "\rWeftsmith running: %llu pages written", pages_);
    std::fflush(stderr);
    progressLine_ = true;
  }

  void EndProgressLine() {
    if (!progressLine_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    progressLine_ = false;
  }

 private:
  bool terminal_;
  bool progressLine_ = false;
  unsigned long long pages_ = 0;
  std::chrono::steady_clock::time_point lastShown_ = std::chrono::steady_clock::now();
};

std::string ProgramFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().string() + "/";
}

int ExitStatus(ws::RunOutcome outcome) {
  switch (outcome) {
    case ws::RunOutcome::Completed:
      return 0;
    case ws::RunOutcome::Stopped:
      return 1;
    case ws::RunOutcome::FileFailed:
      return 2;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit a write fails and is reported; the signal would end the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // <date> and <time> use the short date and full time formats of the locale
  // in the environment (LC_TIME, LC_ALL, LANG).
  std::setlocale(LC_TIME, "");

  std::string settingsPath, buildFile;
  bool check = false, reformat = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--settings" && i + 1 < argc) {
      settingsPath = argv[++i];
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--reformat") {
      reformat = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg.starts_with("--") || !buildFile.empty()) {
      std::cerr << kUsage;
      return 2;
    } else {
      buildFile = arg;
    }
  }
  if (buildFile.empty() || (check && reformat)) {
    std::cerr << kUsage;
    return 2;
  }

  ConsoleHost host;
  ws::Engine engine(host);
  engine.config.ProgramFolder = ProgramFolder();
  if (!settingsPath.empty()) {
    if (!ws::LoadSettingsFile(engine.config.prefs, settingsPath, &host)) return 2;
  } else {
    std::string path = ws::SettingsPathForReading(engine.config.ProgramFolder);
    if (ws::StampOf(path).exists) ws::LoadSettingsFile(engine.config.prefs, path, &host);
  }

  std::error_code ec;
  std::string absolute = std::filesystem::absolute(buildFile, ec).lexically_normal().string();
  if (ec) absolute = buildFile;
  ws::RichBuffer source;
  try {
    source.Load(absolute);
  } catch (const ws::FileError& error) {
    host.ShowMessage({ws::MessageKind::Error, error.what(), {}, -1});
    return 2;
  }

  if (reformat) {
    std::string text = ws::ReformatText(engine, source.Lines());
    std::cout << text;
    if (!text.empty()) std::cout << "\r\n";
    return 0;
  }
  ws::RunOutcome outcome = check
                               ? ws::CheckSyntax(engine, source.Lines())
                               : ws::RunBuildFile(engine, {source.Lines(), ws::FolderOf(absolute),
                                                           std::string(ws::FileNameOf(absolute))});
  host.EndProgressLine();
  return ExitStatus(outcome);
}
