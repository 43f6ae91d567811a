// The engine's entry points: "Run This Script", "Check Syntax", and the
// build language's "run" of another build file. host.h gives the threading
// and stop contract.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace ws {

class Engine;

enum class RunOutcome {
  Completed,  // "Build file complete" was shown
  Stopped,    // a check, compile or run failure was shown, or a stop was asked for
  FileFailed  // a file could not be opened or written; its message was shown
};

// The document to run: its lines, its folder with the trailing "/" (empty for
// a document never saved) and its name for the progress window.
struct BuildSource {
  std::vector<std::string> lines;
  std::string folder;
  std::string name;
};

// Checks, compiles and runs the document.
RunOutcome RunBuildFile(Engine& engine, BuildSource source);

// Checks and compiles the document's lines; shows nothing on success.
RunOutcome CheckSyntax(Engine& engine, std::vector<std::string> lines);

// "run F": compiles and runs another build file in its own folder, then the
// caller goes on. Throws FileError when the file cannot be read.
void RunNestedBuildFile(Engine& engine, std::string_view name);

// Called before every instruction: shows the progress window once the run
// has lasted more than four seconds, and stops the run when asked to.
void ShowRunProgress(Engine& engine);

// The UnexpectedFailure message for an exception that ended a call: its
// what(), "out of memory" for std::bad_alloc. A host that catches what was
// thrown around a call shows this too.
std::string UnexpectedFailureText(std::exception_ptr error);

// How deep "run" may nest (a build file that runs itself stops here).
constexpr int kMaxRunDepth = 50;

}  // namespace ws
