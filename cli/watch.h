// "--watch": build, then build again whenever the build file or a file the
// last build read changes, until SIGINT or SIGTERM.
#pragma once

#include <functional>
#include <string>

#include "consolehost.h"
#include "entrypoints.h"

namespace cli {

// Runs build (which runs the build file once and returns its outcome) until
// a signal ends the watch; one line on standard error per build. Returns the
// exit status (0 when a signal ended it, 2 when the watch cannot be set up).
int WatchAndBuild(const std::string& buildFile, ConsoleHost& host,
                  const std::function<ws::RunOutcome()>& build);

}  // namespace cli
