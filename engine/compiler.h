// The compiler: a table-driven simple-precedence parser that turns the
// prepared build file in run.Memo1 into an intermediate program.
#pragma once

#include "program.h"

namespace ws {

class Engine;
class Scanner;

// Compiles run.Memo1 (already prepared). On success fills out (its tree and
// table) and returns true.
// On a syntax error: message shown, run.CompileError set (and BuildStopped
// for parse errors), out untouched.
// A missing, unreadable, short or malformed grammar file throws FileError
// (fileio.h; Kind::Open for missing/unreadable/too short, or
// FileError(path, "clear message") for malformed content) and does not set
// CompileError.
bool CompileBuildFile(Engine& engine, CompiledProgram& out);

// Shows the mistakes the scanner found since the last call, each with its
// line number and the caret on its line, and sets run.CompileError.
void ReportScanErrors(Engine& engine, Scanner& scanner);

}  // namespace ws
