#include "outputfiles.h"

#include "context.h"
#include "fileio.h"
#include "paths.h"

namespace ws {

void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output) {
  if (engine.BuildStopped) return;
  const std::string resolved = ResolveFileName(engine.BaseFolder, fileName);
  std::size_t size = 0;
  for (const std::string& piece : output) size += piece.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& piece : output) {
    bytes += piece;
    bytes += "\r\n";
  }
  try {
    WriteFileAtomically(resolved, bytes);
  } catch (const FileError&) {
    // A missing folder is the build file's mistake, reported as such; it is
    // looked for only when the write failed, which saves a look per page.
    std::string folder = FolderOf(resolved);
    if (folder.size() > 1) folder.pop_back();  // named without its "/"
    if (folder.empty() || FolderExists(folder)) throw;
    engine.BuildStopped = true;
    engine.Error("Folder " + folder + " does not exist!");
    return;
  }
  output = FreshOutput();
  engine.host.OutputWritten(resolved);
}

}  // namespace ws
