// Wide and short tags in output texts and included files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "filecache.h"
#include "output.h"

namespace ws {

class Engine;

// Turns the lines of a file into one line: runs of four line breaks become a
// blank, then runs of two, then single ones. A line break is CR LF, LF or a
// lone CR, as SplitLines reads them.
std::string FlattenLineBreaks(std::string_view text);

// "include F": appends the flattened text of the file as a new piece.
void IncludeFile(Engine& engine, OutputText& output, std::string_view fileName);
// "include F T": appends the body of wide tag T of file F as a new piece.
void IncludeTagFromFile(Engine& engine, std::string_view fileName, std::string_view tagName,
                        OutputText& output);
// "tag T V": replaces every occurrence of tag T (short and wide) by V.
void ReplaceTagWithText(Engine& engine, std::string_view tagName, std::string_view value,
                        OutputText& output);
// Removes every occurrence of tag T and returns the pieces after which a tag
// block's text is to be put: one point per short and per wide occurrence.
std::vector<PieceRef> FindTagInsertionPoints(Engine& engine, OutputText& output,
                                             std::string_view tagName);

// Flattened texts of included files, read once and read again only when the
// file changed.
class IncludeCache {
 public:
  // With a watcher of its own, or on one shared with other caches (which
  // must outlive this one).
  IncludeCache() = default;
  explicit IncludeCache(FileWatcher& watcher) : files_(watcher) {}
  // The flattened text of the file at path; throws FileError.
  const std::string& FlattenedText(const std::string& path) {
    return files_.Get(path, [](std::string text) { return FlattenLineBreaks(text); });
  }
  // The run wrote path: the next access reads it again.
  void Invalidate(const std::string& path) { files_.Invalidate(path); }

 private:
  FileCache<std::string> files_;
};

}  // namespace ws
