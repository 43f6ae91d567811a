// The settings file "prop": reading it into the preferences, writing it,
// and where it lives.
#pragma once

#include <string>
#include <string_view>

#include "settings.h"

namespace ws {

class Host;

// The sixteen named colours of the settings file.
std::string ColorToSettingName(Color color);
// Unknown names yield fallback.
Color SettingNameToColor(std::string_view name, Color fallback);

// Reads the settings file (RTF or plain lines) into the store's controls and
// Settings. A missing or unreadable file shows "Cannot open file <path>"
// through host (when given), leaves the controls as they are and puts the
// defaults, with the controls' delimiters and font, in effect; returns false
// in that case.
bool LoadSettingsFile(SettingsStore& store, const std::string& path, Host* host);

// Writes the 19-line settings file as RTF, atomically. Throws FileError(Create).
void SaveSettingsFile(const SettingsStore& store, const std::string& path);

// Where the settings file lives: "prop" in the program's folder, or the
// per-user file (userFile, "" when there is no home to put it in) when the
// program's folder is not writable. ForReading takes the per-user file when
// the program's folder is not writable and that file exists, else the
// program folder's. Where the per-user file is and whether a folder is
// writable are the hosts' to find out (hosts/datafolder.h).
std::string SettingsPathForReading(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& userFile);
std::string SettingsPathForWriting(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& userFile);

// The integer of the settings file's lines 9 and 11: leading blanks skipped,
// an optional sign, the digits up to the first other character; no digits
// give 0. Values beyond the range of int are held at its bounds.
int SettingsLineInteger(std::string_view line);

}  // namespace ws
