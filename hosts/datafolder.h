// Where the programs find the files they read at run time (the grammar
// tables, the default settings, the help and the manual), and where the
// settings file of such a folder is read and written.
#pragma once

#include <string>

namespace ws {

// The folder of the running program, with a trailing "/"; "" when it cannot
// be found out.
std::string RunningProgramFolder();

struct DataFolder {
  // The folder, with a trailing "/" ("" for the current folder).
  std::string path;
  // An installed layout (<prefix>/share/weftsmith/): the folder belongs to
  // every user and to the package manager, so no settings are written there.
  bool shared = false;
};

// The data folder of a program that lies in programFolder (with or without a
// trailing "/"): programFolder itself when the grammar table "alpha" lies
// there (the build folder, the distribution folder, a copy made by Install);
// else programFolder/installedFolder when "alpha" lies there (installed with
// `cmake --install` or from the Debian package; installedFolder is relative
// to programFolder, "../share/weftsmith" by default); else programFolder, so
// that a message names the file missing beside the program. An empty
// programFolder (the program's folder is unknown) gives the current folder.
DataFolder DataFolderFor(const std::string& programFolder);
DataFolder DataFolderFor(const std::string& programFolder, const std::string& installedFolder);

// The settings file of a data folder: its "prop" while the folder is
// writable and not shared. A shared folder's "prop", or that of a folder
// that cannot be written, is only the default: it is read while the
// per-user file (UserSettingsFile) does not exist, and the settings are
// written to the per-user file, whose folder ForWriting creates.
std::string SettingsPathForReading(const DataFolder& folder);
std::string SettingsPathForWriting(const DataFolder& folder);

// $XDG_CONFIG_HOME/weftsmith/prop, or ~/.config/weftsmith/prop when that
// variable is unset or not an absolute path; "" when there is no home folder.
std::string UserSettingsFile();
// True when files can be created in the folder ("" is the current folder).
bool FolderIsWritable(const std::string& folder);

}  // namespace ws
