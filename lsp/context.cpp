#include "context.h"

#include <filesystem>
#include <system_error>

#include "fileio.h"
#include "paths.h"

namespace lsp {

bool WorthReading(const std::string& path) {
  constexpr std::uintmax_t kMaxFile = 64u << 20;
  std::error_code ec;
  const std::filesystem::path p(path);
  return std::filesystem::is_regular_file(p, ec) && std::filesystem::file_size(p, ec) <= kMaxFile &&
         !ec;
}

std::string Context::Resolve(const Document& document, std::string_view name) {
  return ws::ResolveFileName(ws::FolderOf(document.path), name);
}

const std::string* Context::FlattenedText(const std::string& path) {
  if (!WorthReading(path)) return nullptr;
  try {
    return &includes_.FlattenedText(path);
  } catch (const ws::FileError&) {
    return nullptr;
  }
}

const ws::DataFile* Context::DataFileAt(const std::string& path) {
  if (!WorthReading(path)) return nullptr;
  try {
    return &dataFiles_.File(path);
  } catch (const ws::FileError&) {
    return nullptr;
  }
}

}  // namespace lsp
