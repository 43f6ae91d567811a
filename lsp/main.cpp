// weftsmith-lsp: the language server for build files, on standard input and
// output. Messages for a person go to standard error.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

#include "datafolder.h"
#include "fileio.h"
#include "framing.h"
#include "server.h"

namespace {

constexpr const char* kUsage =
    "usage: weftsmith-lsp [--settings PROP] [--stdio]\n"
    "       weftsmith-lsp --help | --version\n";

constexpr const char* kHelp =
    "Serves the Language Server Protocol for build files on standard input and\n"
    "output: diagnostics, completion, hover, go to definition and formatting.\n"
    "\n"
    "  --settings PROP  read the settings file PROP instead of \"prop\" beside the\n"
    "                   program (an initialization option {\"prop\": PATH} does too)\n"
    "  --stdio          accepted for editors that pass it; standard input and\n"
    "                   output are always used\n"
    "  --help           show this help\n"
    "  --version        show the version\n";

bool WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A client that goes away makes writes fail; the loop then ends.
  std::signal(SIGPIPE, SIG_IGN);
  std::string settingsFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--settings" && i + 1 < argc) {
      settingsFile = argv[++i];
    } else if (arg == "--stdio") {
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    } else if (arg == "--version") {
      std::cout << "weftsmith-lsp " WEFTSMITH_VERSION "\n";
      return 0;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }

  const ws::DataFolder data = ws::DataFolderFor(ws::RunningProgramFolder());
  if (settingsFile.empty()) {
    const std::string path = ws::SettingsPathForReading(data);
    if (ws::StampOf(path).exists) settingsFile = path;
  }
  lsp::Server server({data.path, settingsFile}, WriteAll);
  lsp::StandardInput input;
  return server.Run(input);
}
