// "--watch": build, then build again whenever the build file or a file the
// last build read changes after the build read it, until SIGINT or SIGTERM.
#pragma once

#include <functional>
#include <stop_token>
#include <string>

#include "consolehost.h"
#include "entrypoints.h"

namespace ws {
class Engine;
}

namespace cli {

// Runs build (which runs the build file once, stopping when its token asks,
// and returns its outcome) until a signal ends the watch; one line on standard error per
// build. A signal during a build stops it at its next instruction. Returns
// the exit status: 0 when a signal ended it, 2 when the watch cannot be set
// up or waiting for changes fails. Call before any other thread starts.
int WatchAndBuild(const std::string& buildFile, ConsoleHost& host,
                  const std::function<ws::RunOutcome(std::stop_token)>& build);

}  // namespace cli
