// The user's preferences: the values that the preferences dialog's controls
// hold and the Settings record in effect. The "prop" file they are kept in
// is the hosts' (hosts/settingsfile.h).
#pragma once

#include <string>
#include <string_view>

#include "rtf.h"

namespace ws {

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

}  // namespace ws
