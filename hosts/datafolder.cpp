#include "datafolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "settings.h"
#include "settingsfile.h"

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

std::string RunningProgramFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().string() + "/";
}

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
  const bool writable = !folder.shared && FolderIsWritable(folder.path);
  return SettingsPathForReading(folder.path, writable, UserSettingsFile());
}

std::string SettingsPathForWriting(const DataFolder& folder) {
  const bool writable = !folder.shared && FolderIsWritable(folder.path);
  const std::string path = SettingsPathForWriting(folder.path, writable, UserSettingsFile());
  if (path != folder.path + "prop") {
    // A failure here shows as "Cannot create file" when the file is written.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  }
  return path;
}

std::string UserSettingsFile() {
  std::string configHome;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    configHome = xdg;
  } else {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] != '\0') {
      home = h;
    } else {
      long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
      std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
      passwd entry{};
      passwd* found = nullptr;
      if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
          found->pw_dir)
        home = found->pw_dir;
    }
    if (home.empty()) return {};
    configHome = home + "/.config";
  }
  while (configHome.size() > 1 && configHome.back() == '/') configHome.pop_back();
  return configHome + "/weftsmith/prop";
}

bool FolderIsWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

}  // namespace ws
