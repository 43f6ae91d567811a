#include "datafolder.h"

#include <filesystem>
#include <system_error>

#include "settings.h"

// The installed data folder relative to the installed programs; the build
// passes the one of its install layout.
#ifndef WEFTSMITH_INSTALLED_DATA_FOLDER
#define WEFTSMITH_INSTALLED_DATA_FOLDER "../share/weftsmith"
#endif

namespace ws {

namespace {

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

bool HoldsGrammar(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder + "alpha", ec);
}

}  // namespace

DataFolder DataFolderFor(const std::string& programFolder) {
  return DataFolderFor(programFolder, WEFTSMITH_INSTALLED_DATA_FOLDER);
}

DataFolder DataFolderFor(const std::string& programFolder, const std::string& installedFolder) {
  const std::string beside = WithSlash(programFolder);
  if (beside.empty() || HoldsGrammar(beside) || installedFolder.empty()) return {beside, false};
  // Normalised, so that messages name /usr/share/weftsmith/rules, not
  // /usr/bin/../share/weftsmith/rules.
  const std::filesystem::path installed =
      (std::filesystem::path(beside) / installedFolder).lexically_normal();
  const std::string candidate = WithSlash(installed.string());
  if (HoldsGrammar(candidate)) return {candidate, true};
  return {beside, false};
}

std::string SettingsPathForReading(const DataFolder& folder) {
  if (!folder.shared) return SettingsPathForReading(folder.path);
  return SettingsPathForReading(folder.path, false, UserSettingsFile());
}

std::string SettingsPathForWriting(const DataFolder& folder) {
  if (!folder.shared) return SettingsPathForWriting(folder.path);
  const std::string path = SettingsPathForWriting(folder.path, false, UserSettingsFile());
  if (path != folder.path + "prop") {
    // A failure here shows as "Cannot create file" when the file is written.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  }
  return path;
}

}  // namespace ws
