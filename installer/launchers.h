// The desktop's menu entries for an installation: the three launcher files and
// the program's icon in a program folder under the applications folder of the
// user's data folder. All three are applications, since some menus leave out
// links: the help and the manual open with xdg-open.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ws::setup {

namespace fs = std::filesystem;

// Where the installer looks for the home folder and the data folder. Filled
// from the environment; the tests point both at temporary folders.
struct InstallerEnvironment {
  std::string home;
  std::string xdgDataHome;
  static InstallerEnvironment FromProcess();
};

inline constexpr const char* kDefaultProgramFolder = "Brindlow Weftsmith";
inline constexpr const char* kIconFileName = "weftsmith.svg";

// $XDG_DATA_HOME/applications, or ~/.local/share/applications when the
// variable is unset, empty or not an absolute path.
fs::path ProgramsFolder(const InstallerEnvironment& environment);

// The existing program folders: the subfolders of the programs folder, by name.
std::vector<std::string> FindProgramsFolder(const fs::path& programsFolder);

struct Launcher {
  std::string fileName;  // "Brindlow Weftsmith.desktop"
  std::string text;      // the whole file
};

// The three launchers for an installation in destination, in the order they
// are made: the program, the help, the manual. icon is the icon file's path.
std::vector<Launcher> LaunchersFor(const fs::path& destination, const fs::path& icon);

// Why folderName cannot be the program folder in programsFolder, or "" when
// it can: the launchers go into one folder directly inside programsFolder
// (or into programsFolder itself for an empty name), so the name holds no
// "/" and is not "." or "..", and a link of that name must lead to a folder
// inside programsFolder.
std::string ProgramFolderProblem(const fs::path& programsFolder, const std::string& folderName);

// Writes the three launchers and the icon (iconData, the bytes of
// kIconFileName) into programsFolder/folderName, making the folders that are
// missing; replaces files already there. The icon lies beside the launchers,
// so they show it whatever the installation holds. Throws FolderNotCreated,
// or std::runtime_error naming a file that could not be written or giving
// the ProgramFolderProblem. Returns the folder.
fs::path CreateShortcuts(const fs::path& programsFolder, const std::string& folderName,
                         const fs::path& destination, const std::string& iconData);

// Value escaping of launcher files, exposed for the tests.
std::string EscapeDesktopString(const std::string& value);
std::string QuoteExecArgument(const std::string& argument);

}  // namespace ws::setup
