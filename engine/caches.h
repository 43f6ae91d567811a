// The files that runs read again and again, kept between calls until they
// change, and the grammar tables.
#pragma once

#include <memory>

#include "datafiles.h"
#include "filecache.h"
#include "markers.h"
#include "program.h"
#include "tags.h"
#include "textbuffer.h"

namespace ws {

struct GrammarTables;  // alpha, pred, rules as read from the program folder

// A build file run by "run", as read and as compiled on its first run.
struct NestedBuildFile {
  RichBuffer source;
  // Made by the first run of the file and kept for later ones; a run of the
  // file inside its own run (which would share the nodes' values) compiles
  // a copy of its own.
  mutable std::shared_ptr<CompiledProgram> program;
};

// Files read again and again during runs, kept until they change.
// One watcher tells all of them of changes; it is made first and goes last.
struct EngineCaches {
  FileWatcher watcher;
  std::shared_ptr<const GrammarTables> grammar;
  IncludeCache includes{watcher};
  DataFileCache dataFiles{watcher};
  TagMarkerCache tagMarkers;
  FileCache<NestedBuildFile> nestedFiles{watcher};
};

}  // namespace ws
