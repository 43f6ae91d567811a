// Writing output texts to files.
//
// Finished pages go to an OutputWriter and are written while the run goes on.
// The run stays as if every page were written the moment it is finished:
// - a file the run reads (include, data file, build file, grammar) whose name
//   is among the pages not yet confirmed waits for them;
// - every message first waits for the pages, so that a failed page is
//   reported before (and instead of) anything that came after it;
// - changes to the process-wide tables made after a page that then fails are
//   undone (RecordUndo), and nothing handed over after it is written;
// - the run ends only when every page is written (SettleOutputs).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "outputwriter.h"
#include "values.h"

namespace ws {

struct Engine;

// The pages handed to the writer and not yet confirmed, and how to undo what
// the run changed since.
class OutputQueue {
 public:
  OutputWriter writer;
  // Pages by file name (the last part of the path): a file read under another
  // spelling of the same folder is still recognised.
  NameMap<int> unconfirmedNames;
  std::uint64_t submitted = 0;  // pages handed over so far
  std::uint64_t confirmed = 0;  // of them, written or dropped
  struct Undo {
    std::uint64_t mark;  // pages handed over when the change was made
    std::function<void()> action;
  };
  std::vector<Undo> undo;
};

// Thrown once a failure has been reported and has ended the run.
struct RunHalted {};

// "endnew": writes every piece of the output as one line ending in CR LF to
// the named file (resolved against the build file's folder), replacing it
// atomically, and leaves a fresh output behind. A folder that does not exist
// is reported and stops the run; folders are never created.
void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output);

// Waits until every page handed over is written and tells the host about
// each. When one failed: undoes what came after it, sets BuildStopped and
// throws FileError(Create), or reports a missing folder and throws RunHalted.
void SettleOutputs(Engine& engine);

// Settles the pages first when one of them has the file name of path.
void AwaitOutput(Engine& engine, std::string_view path);

// Whether pages handed over are not yet confirmed (changes need an undo).
bool OutputsPending(const Engine& engine);

// Keeps undo (which restores a process-wide value) while pages are not yet
// confirmed; it runs when one of them fails.
void RecordUndo(Engine& engine, std::function<void()> undo);

}  // namespace ws
