// Writing output texts to files.
//
// Finished pages go to an OutputWriter and are written while the run goes on.
// The run stays as if every page were written the moment it is finished:
// - a file the run reads (include, data file, build file, grammar) whose name
//   is among the pages not yet confirmed waits for them;
// - every message first waits for the pages, so that a failed page is
//   reported before (and instead of) anything that came after it;
// - the process tables journal their changes while pages are pending, and
//   what changed after a page that then fails is undone; nothing handed over
//   after it is written;
// - the run ends only when every page is written (SettleOutputs).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "output.h"
#include "outputwriter.h"
#include "values.h"

namespace ws {

class Engine;

// The pages handed to the writer and not yet confirmed.
class OutputQueue {
 public:
  OutputWriter writer;
  // Pages by file name (the last part of the path): a file read under another
  // spelling of the same folder is still recognised.
  NameMap<int> unconfirmedNames;
  std::uint64_t submitted = 0;  // pages handed over so far
  std::uint64_t confirmed = 0;  // of them, written or dropped
};

// "endnew": writes every piece of the output as one line ending in CR LF to
// the named file (resolved against the build file's folder), replacing it
// atomically, and leaves a fresh output behind. A folder that does not exist
// is reported and stops the run; folders are never created.
void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output);

// Waits until every page handed over is written and tells the host about
// each. When one failed: undoes what the tables changed after it, reports it
// ("Cannot create file ..." or "Folder ... does not exist!"), stops the run
// and returns false.
bool SettleOutputs(Engine& engine);

// Settles the pages first when one of them has the file name of path; false
// when one of them failed.
bool AwaitOutput(Engine& engine, std::string_view path);

}  // namespace ws
