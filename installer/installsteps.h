// The install steps without windows: listing the distribution folder,
// resolving the destination, and copying the tree. The wizard calls these and
// the tests call them directly.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ws::setup {

namespace fs = std::filesystem;

// One entry of a folder listing: a file, or a subfolder (shown as "[name]").
struct FileEntry {
  std::string name;
  bool folder = false;
};

// The entries of a folder in name order. Hidden files (a leading dot) are not
// listed, and neither is a link to a folder: the copy never follows one, so a
// link to a parent folder cannot make it copy forever.
std::vector<FileEntry> FileList(const fs::path& folder);

// The folder an entry of EditFolder names: an absolute path as it is, anything
// else inside the installer's folder. Blanks around it and a trailing "/" are
// dropped.
fs::path ResolveDestination(const std::string& text, const fs::path& sourceFolder);

// The default destination: the folder "Weftsmith" in the user's home.
std::string DefaultDestination(const std::string& home);

// The folder itself when it exists, else its nearest existing parent: where
// the folder picker opens for a destination that is still to be made.
fs::path NearestExistingFolder(const fs::path& folder);

// The file that marks a distribution folder (the dist target writes it).
// Setup copies only such a folder: started from anywhere else, such as the
// build's bin folder with its test programs, it would copy whatever lies there.
inline constexpr const char* kDistributionMarker = "weftsmith.dist";
// The settings file; the user's edited copy in the destination is kept.
inline constexpr const char* kSettingsFileName = "prop";

bool IsDistributionFolder(const fs::path& folder);
// Why Setup will not copy folder, or "" when it is a distribution folder.
// Names the distribution folder beside it when there is one (a build folder's
// bin and dist).
std::string DistributionFolderProblem(const fs::path& folder, const std::string& installerName);

// A folder that could not be made; the installation stops there.
class FolderNotCreated : public std::runtime_error {
 public:
  FolderNotCreated(const fs::path& folder, const std::string& reason);
  const fs::path& folder() const { return folder_; }

 private:
  fs::path folder_;
};

// Makes sure folder exists, creating it (one level) when it does not.
void EnsureFolder(const fs::path& folder);

// Copies one file over an existing one: the old file is removed first, so a
// read-only or running file is replaced too; the permission bits go along.
bool CopyOneFile(const fs::path& from, const fs::path& to);

// What the copy could not do: the source paths of files not copied; and
// whether the destination's own settings file was kept.
struct InstallReport {
  std::vector<std::string> notCopied;
  bool settingsKept = false;
};

// Called once per step of the progress bar.
using StepFunction = std::function<void()>;

// Copies everything in source into destination, skipping installerName and
// the distribution marker in the top folder only. A settings file already in
// the destination is kept. Throws FolderNotCreated. The destination itself is
// never copied into itself when it lies inside the source folder.
InstallReport InstallFiles(const fs::path& source, const fs::path& destination,
                           const std::string& installerName, const StepFunction& step);

// Copies the subfolder name of parent into destination, recursively.
void CopyFolderTree(const fs::path& parent, const std::string& name, const fs::path& destination,
                    const fs::path& skip, const StepFunction& step, InstallReport& report);

// The progress bar's arithmetic: 0 to 600 in steps of 5, starting again from 0
// past the maximum.
class ProgressSteps {
 public:
  static constexpr int kMaximum = 600;
  static constexpr int kStep = 5;
  void StepIt() { position_ = position_ + kStep > kMaximum ? 0 : position_ + kStep; }
  void Finish() { position_ = kMaximum; }
  int position() const { return position_; }

 private:
  int position_ = 0;
};

}  // namespace ws::setup
