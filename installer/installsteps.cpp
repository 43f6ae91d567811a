#include "installsteps.h"

#include <algorithm>
#include <system_error>

namespace ws::setup {

namespace {

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

void CopyEntry(const fs::path& from, const fs::path& to, const StepFunction& step,
               InstallReport& report) {
  step();
  if (!CopyOneFile(from, to)) report.notCopied.push_back(from.string());
}

}  // namespace

FolderNotCreated::FolderNotCreated(const fs::path& folder, const std::string& reason)
    : std::runtime_error("The folder " + folder.string() + " could not be created: " + reason),
      folder_(folder) {}

std::vector<FileEntry> FileList(const fs::path& folder) {
  std::vector<FileEntry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.starts_with('.')) continue;
    std::error_code kindError;
    const bool link = it->is_symlink(kindError);
    const bool folderEntry = it->is_directory(kindError);
    if (link && folderEntry) continue;
    entries.push_back({std::move(name), folderEntry && !link});
  }
  std::sort(entries.begin(), entries.end(),
            [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
  return entries;
}

fs::path ResolveDestination(const std::string& text, const fs::path& sourceFolder) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return sourceFolder;
  std::string name = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  fs::path path(name);
  return path.is_absolute() ? path.lexically_normal() : (sourceFolder / path).lexically_normal();
}

std::string DefaultDestination(const std::string& home) {
  return (fs::path(home.empty() ? "/" : home) / "Weftsmith").lexically_normal().string();
}

fs::path NearestExistingFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path candidate = folder.lexically_normal();
  while (!fs::is_directory(candidate, ec) && candidate.has_relative_path())
    candidate = candidate.parent_path();
  return candidate.empty() ? fs::path("/") : candidate;
}

bool IsDistributionFolder(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(folder / kDistributionMarker, ec);
}

std::string DistributionFolderProblem(const fs::path& folder, const std::string& installerName) {
  if (IsDistributionFolder(folder)) return "";
  std::string text = "Setup installs the distribution folder it is started from, and " +
                     folder.string() + " is none: it lacks the file " + kDistributionMarker + ".\n";
  const fs::path beside = folder.parent_path() / "dist";
  if (IsDistributionFolder(beside))
    return text + "Start " + (beside / installerName).string() + " instead.";
  return text +
         "Make one with the build's dist target (cmake --build BUILD --target dist) and "
         "start " +
         installerName + " there.";
}

void EnsureFolder(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  if (!fs::create_directory(folder, ec) || ec)
    throw FolderNotCreated(folder, ec ? ec.message() : "a file of that name is in the way");
}

bool CopyOneFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::is_regular_file(from, ec)) return false;
  if (fs::exists(fs::symlink_status(to, ec))) {
    if (SameFolder(from, to)) return true;  // already in place
    fs::remove(to, ec);
    if (ec) return false;
  }
  return fs::copy_file(from, to, ec) && !ec;
}

void CopyFolderTree(const fs::path& parent, const std::string& name, const fs::path& destination,
                    const fs::path& skip, const StepFunction& step, InstallReport& report) {
  const fs::path listed = parent / name;
  for (const FileEntry& entry : FileList(listed)) {
    if (entry.folder) {
      step();
      const fs::path from = listed / entry.name;
      if (SameFolder(from, skip)) continue;
      const fs::path to = destination / entry.name;
      EnsureFolder(to);
      CopyFolderTree(listed, entry.name, to, skip, step, report);
    } else {
      CopyEntry(listed / entry.name, destination / entry.name, step, report);
    }
  }
}

InstallReport InstallFiles(const fs::path& source, const fs::path& destination,
                           const std::string& installerName, const StepFunction& step) {
  InstallReport report;
  std::error_code ec;
  for (const FileEntry& entry : FileList(source)) {
    step();
    if (!entry.folder && (entry.name == installerName || entry.name == kDistributionMarker))
      continue;
    // The user's settings outlive an update; a folder or a dangling link of
    // that name is no settings file and is replaced.
    if (!entry.folder && entry.name == kSettingsFileName &&
        fs::is_regular_file(destination / entry.name, ec)) {
      report.settingsKept = true;
      continue;
    }
    if (entry.folder) {
      step();
      const fs::path from = source / entry.name;
      if (SameFolder(from, destination)) continue;
      const fs::path to = destination / entry.name;
      EnsureFolder(to);
      CopyFolderTree(source, entry.name, to, destination, step, report);
    } else {
      CopyEntry(source / entry.name, destination / entry.name, step, report);
    }
  }
  return report;
}

}  // namespace ws::setup
