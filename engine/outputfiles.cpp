#include "outputfiles.h"

#include "context.h"
#include "fileio.h"
#include "paths.h"

namespace ws {

void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output) {
  if (engine.BuildStopped) return;
  const std::string resolved = ResolveFileName(engine.BaseFolder, fileName);
  std::string folder = FolderOf(resolved);
  if (!folder.empty()) {
    if (folder.size() > 1) folder.pop_back();  // the message names it without the "/"
    if (!FolderExists(folder)) {
      engine.BuildStopped = true;
      engine.Error("Folder " + folder + " does not exist!");
      return;
    }
  }
  std::size_t size = 0;
  for (const std::string& piece : output) size += piece.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& piece : output) {
    bytes += piece;
    bytes += "\r\n";
  }
  WriteFileAtomically(resolved, bytes);
  output = FreshOutput();
  engine.host.OutputWritten(resolved);
}

}  // namespace ws
