// What the features share beyond the document: the settings in effect, the
// client's abilities, and the included and data files read from disk (kept
// until they change, in the engine's caches).
#pragma once

#include <string>
#include <string_view>

#include "datafiles.h"
#include "documents.h"
#include "filecache.h"
#include "settings.h"
#include "tags.h"

namespace lsp {

// Whether a file is worth reading: a regular file of at most 64 MiB (a name
// in a build file or a URI may name a device or a folder).
bool WorthReading(const std::string& path);

class Context {
 public:
  ws::SettingsStore prefs;
  bool snippets = false;  // the client takes completion snippets

  // A file name as the build file writes it, resolved against its folder.
  static std::string Resolve(const Document& document, std::string_view name);

  // The flattened text of an included file; null when it cannot be read.
  const std::string* FlattenedText(const std::string& path);
  // A data file; null when it cannot be read.
  const ws::DataFile* DataFileAt(const std::string& path);
  // The 1-based number of the first record of data: the second when the first
  // holds the field names.
  long long FirstDataRecord() const { return prefs.controls.chkFieldName ? 2 : 1; }

 private:
  ws::FileWatcher watcher_;
  ws::IncludeCache includes_{watcher_};
  ws::DataFileCache dataFiles_{watcher_};
};

}  // namespace lsp
