// The engine's entry points: "Run This Script", "Check Syntax", and the
// build language's "run" of another build file.
#pragma once

#include <string>
#include <string_view>

namespace ws {

struct Engine;
class SourceEditor;

enum class RunOutcome {
  Completed,  // "Build file complete" was shown
  Stopped,    // a check, compile or run failure was shown
  FileFailed  // a file could not be opened or written; its message was shown
};

// Checks, compiles and runs the editor's text. folder is the build file's
// folder with its trailing "/" (empty for a document never saved).
RunOutcome RunBuildFile(Engine& engine, SourceEditor& editor, std::string folder);

// Checks and compiles the editor's text; shows nothing on success.
RunOutcome CheckSyntax(Engine& engine, SourceEditor& editor);

// "run F": compiles and runs another build file in its own folder, then the
// caller goes on. Throws FileError when the file cannot be read.
void RunNestedBuildFile(Engine& engine, std::string_view name);

// Shows the progress window once a run has lasted more than four seconds.
void ShowRunProgress(Engine& engine);

// How deep "run" may nest (a build file that runs itself stops here).
constexpr int kMaxRunDepth = 50;

}  // namespace ws
