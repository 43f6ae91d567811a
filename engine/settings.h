// The user's preferences: the values that the preferences dialog's controls
// hold, the Settings record in effect, and the "prop" file they are kept in.
#pragma once

#include <string>
#include <string_view>

#include "rtf.h"

namespace ws {

class Host;

// Style of one element of the colouring; a set of font styles in which an
// element never has more than one.
enum class TextStyle { None = 0, Bold = 1, Italic = 2, Underline = 4 };

// The values in effect for the engine and the editor.
struct Settings {
  std::string ShortStart, ShortEnd;
  std::string WideOpenStart, WideOpenEnd;
  std::string WideCloseStart, WideCloseEnd;
  std::string EditorFontName;
  int EditorFontSize = 0;
  Color ReservedColor = 0, StringColor = 0, CommentColor = 0;
  TextStyle ReservedStyle = TextStyle::None, StringStyle = TextStyle::None,
            CommentStyle = TextStyle::None;

  // The values the "Restore Defaults" buttons set.
  static Settings Defaults();
};

// What the preferences dialog's controls hold. These are the primary store:
// the file is read into them and written from them, and three settings
// (relative file names, first record as field names, indentation) live only
// here and are read at the moment of use.
struct PreferenceControls {
  std::string txtShortStart = "%%", txtShortEnd = "%%";
  std::string txtStartOne = "<!--tag \"", txtEndOne = "\"-->";
  std::string txtStartTwo = "<!--/tag \"", txtEndTwo = "\"-->";
  bool mnuEditUse = true;    // "Use relative filenames"
  bool chkFieldName = true;  // "Treat first record as field names"
  int Indent = -1;           // entry index 0..4, -1 when none is chosen
  std::string FontNames = "Fixedsys";
  std::string FontSize = "10";
};

struct SettingsStore {
  PreferenceControls controls;
  Settings settings = Settings::Defaults();
};

// The unit of indentation for an entry index of the indentation list: one,
// two or three blanks, one or two tabs; two blanks when no entry is chosen.
std::string IndentText(int indentIndex);

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
