#include "paths.h"

#include <algorithm>

namespace ws {

std::string ResolveFileName(std::string_view baseFolder, std::string_view name) {
  std::string resolved(name);
  std::replace(resolved.begin(), resolved.end(), '\\', '/');
  if (resolved.starts_with('/') || resolved.find(':') != std::string::npos) return resolved;
  return std::string(baseFolder) + resolved;
}

std::string FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string_view FileNameOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace ws
