// weftsmith-build: the command-line front of the build engine.
//
// Each message the desktop program would show in a box is one line
// "<Caption>: <text>"; "Build file complete" goes to standard output, all
// others to standard error. Exit status: 0 completed, 1 stopped with a
// reported message, 2 usage errors and files that cannot be opened or created.
#include <clocale>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "consolehost.h"
#include "datafolder.h"
#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"
#include "paths.h"
#include "reformat.h"
#include "settings.h"
#include "settingsfile.h"
#include "watch.h"

namespace {

constexpr const char* kUsage =
    "usage: weftsmith-build [--settings PROP] [--check | --reformat | --dry-run | --watch]\n"
    "                       [--only-changed] [--gnu-messages] FILE.bld\n"
    "       weftsmith-build --help | --version\n";

constexpr const char* kHelp =
    "Builds the pages that a build file describes.\n"
    "\n"
    "  --settings PROP  use the settings file PROP instead of \"prop\" beside the program\n"
    "  --check          check and compile only; silent on success\n"
    "  --reformat       print the build file re-indented\n"
    "  --dry-run        write nothing; list each page as new, changed or unchanged\n"
    "  --watch          build, then build again whenever the build file or a file\n"
    "                   it read changes; Ctrl+C ends it (implies --only-changed)\n"
    "  --only-changed   leave a page alone when its bytes are already on disk\n"
    "  --gnu-messages   print messages about a line as FILE:LINE: error: TEXT\n"
    "  --help           show this help\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 completed; 1 stopped with a reported message (a mistake in the\n"
    "build file, a missing tag or column, ...); 2 usage errors and files that cannot\n"
    "be opened or created.\n";

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

struct Options {
  std::string settingsPath, buildFile;
  bool check = false, reformat = false, dryRun = false, watch = false;
  bool onlyChanged = false, gnuMessages = false;
};

// Reads the arguments; exits for --help, --version and usage errors.
Options ParseArguments(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--settings" && i + 1 < argc) {
      o.settingsPath = argv[++i];
    } else if (arg == "--check") {
      o.check = true;
    } else if (arg == "--reformat") {
      o.reformat = true;
    } else if (arg == "--dry-run") {
      o.dryRun = true;
    } else if (arg == "--watch") {
      o.watch = true;
    } else if (arg == "--only-changed") {
      o.onlyChanged = true;
    } else if (arg == "--gnu-messages") {
      o.gnuMessages = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      std::exit(0);
    } else if (arg == "--version") {
      std::cout << "weftsmith-build " WEFTSMITH_VERSION "\n";
      std::exit(0);
    } else if (arg.starts_with("--") || !o.buildFile.empty()) {
      std::cerr << kUsage;
      std::exit(2);
    } else {
      o.buildFile = arg;
    }
  }
  const int modes = o.check + o.reformat + o.dryRun + o.watch;
  if (o.buildFile.empty() || modes > 1) {
    std::cerr << kUsage;
    std::exit(2);
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit a write fails and is reported; the signal would end the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // <date> and <time> use the short date and full time formats of the locale
  // in the environment (LC_TIME, LC_ALL, LANG).
  std::setlocale(LC_TIME, "");
  const Options o = ParseArguments(argc, argv);

  std::error_code ec;
  std::string absolute = std::filesystem::absolute(o.buildFile, ec).lexically_normal().string();
  if (ec) absolute = o.buildFile;

  cli::ConsoleHost host({o.gnuMessages, o.dryRun, o.watch, absolute});
  ws::Engine engine(host);
  // The grammar tables and the default settings: beside the program, or in
  // the installed data folder.
  const ws::DataFolder data = ws::DataFolderFor(ws::RunningProgramFolder());
  engine.config.ProgramFolder = data.path;
  if (!o.settingsPath.empty()) {
    if (!ws::LoadSettingsFile(engine.config.prefs, o.settingsPath, &host)) return 2;
  } else {
    std::string path = ws::SettingsPathForReading(data);
    if (ws::StampOf(path).exists) ws::LoadSettingsFile(engine.config.prefs, path, &host);
  }
  if (o.dryRun)
    engine.config.writeMode = ws::WriteMode::DryRun;
  else if (o.onlyChanged || o.watch)
    engine.config.writeMode = ws::WriteMode::OnlyChanged;

  // Reads the build file and runs (or checks) it once.
  auto build = [&](std::stop_token stop) -> ws::RunOutcome {
    ws::RichBuffer source;
    try {
      source.Load(absolute);
    } catch (const ws::FileError& error) {
      host.ShowMessage({ws::MessageKind::Error, error.what(), {}, -1});
      return ws::RunOutcome::FileFailed;
    }
    if (o.check) return ws::CheckSyntax(engine, source.Lines());
    return ws::RunBuildFile(
        engine, {source.Lines(), ws::FolderOf(absolute), std::string(ws::FileNameOf(absolute))},
        std::move(stop));
  };

  if (o.watch) return cli::WatchAndBuild(absolute, host, build);
  if (o.reformat) {
    ws::RichBuffer source;
    try {
      source.Load(absolute);
    } catch (const ws::FileError& error) {
      host.ShowMessage({ws::MessageKind::Error, error.what(), {}, -1});
      return 2;
    }
    std::string text = ws::ReformatText(engine, source.Lines());
    std::cout << text;
    if (!text.empty()) std::cout << "\r\n";
    return 0;
  }
  const ws::RunOutcome outcome = build({});
  host.EndProgressLine();
  return ExitStatus(outcome);
}
