// The engine's entry points: "Run This Script", "Check Syntax", and the
// build language's "run" of another build file. host.h gives the threading
// and stop contract.
#pragma once

#include <exception>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"

namespace ws {

class Engine;

// The document to run: its lines, its folder with the trailing "/" (empty for
// a document never saved) and its name, which the host is told with the
// run's start.
struct BuildSource {
  std::vector<std::string> lines;
  std::string folder;
  std::string name;
};

// Checks, compiles and runs the document; a stop asked for through stop ends
// the run at its next instruction.
RunOutcome RunBuildFile(Engine& engine, BuildSource source, std::stop_token stop = {});

// Checks and compiles the document's lines; shows nothing on success.
RunOutcome CheckSyntax(Engine& engine, std::vector<std::string> lines);

// "run F": compiles and runs another build file in its own folder, then the
// caller goes on. Throws FileError when the file cannot be read.
void RunNestedBuildFile(Engine& engine, std::string_view name);

// Called before every instruction: stops the run when a stop was asked for,
// and otherwise gives the host its tick.
void RunTick(Engine& engine);

// The UnexpectedFailure message for an exception that ended a call: its
// what(), "out of memory" for std::bad_alloc. A host that catches what was
// thrown around a call shows this too.
std::string UnexpectedFailureText(std::exception_ptr error);

// How deep "run" may nest (a build file that runs itself stops here).
constexpr int kMaxRunDepth = 50;

}  // namespace ws
