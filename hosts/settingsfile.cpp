#include "settingsfile.h"

#include <array>
#include <climits>
#include <filesystem>

#include "fileio.h"
#include "host.h"
#include "textbuffer.h"

namespace ws {

namespace {

// The lines of the settings file.
enum SettingsLine {
  kShortStartLine = 0,
  kShortEndLine = 1,
  kStartOneLine = 2,
  kEndOneLine = 3,
  kStartTwoLine = 4,
  kEndTwoLine = 5,
  kUseRelativeLine = 7,
  kFieldNameLine = 8,
  kIndentLine = 9,
  kFontNameLine = 10,
  kFontSizeLine = 11,
  kReservedStyleLine = 12,
  kStringStyleLine = 13,
  kCommentStyleLine = 14,
  kStringColorLine = 16,
  kReservedColorLine = 17,
  kCommentColorLine = 18,
  kSettingsLineCount = 19
};

constexpr int kIndentEntries = 5;
constexpr int kFallbackFontSize = 10;
constexpr int kLargestFontSize = 1000;

struct NamedColor {
  std::string_view name;
  Color color;
};

// In the order of the cells of the preferences dialog's colour grid.
constexpr std::array<NamedColor, 16> kNamedColors{{
    {"clBlack", RgbColor(0, 0, 0)},
    {"clMaroon", RgbColor(128, 0, 0)},
    {"clGreen", RgbColor(0, 128, 0)},
    {"clOlive", RgbColor(128, 128, 0)},
    {"clNavy", RgbColor(0, 0, 128)},
    {"clPurple", RgbColor(128, 0, 128)},
    {"clTeal", RgbColor(0, 128, 128)},
    {"clGray", RgbColor(128, 128, 128)},
    {"clSilver", RgbColor(192, 192, 192)},
    {"clRed", RgbColor(255, 0, 0)},
    {"clLime", RgbColor(0, 255, 0)},
    {"clYellow", RgbColor(255, 255, 0)},
    {"clBlue", RgbColor(0, 0, 255)},
    {"clFuchsia", RgbColor(255, 0, 255)},
    {"clAqua", RgbColor(0, 255, 255)},
    {"clWhite", RgbColor(255, 255, 255)},
}};

std::string StyleToSettingText(TextStyle style) {
  switch (style) {
    case TextStyle::Bold:
      return "Bold";
    case TextStyle::Italic:
      return "Italic";
    case TextStyle::Underline:
      return "Under";
    default:
      return " ";
  }
}

TextStyle SettingTextToStyle(std::string_view text) {
  if (text == "Bold") return TextStyle::Bold;
  if (text == "Italic") return TextStyle::Italic;
  if (text == "Under") return TextStyle::Underline;
  return TextStyle::None;
}

// The boxes of the dialog hold one line each; a line break in a value would
// shift every later line of the file.
std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') line += c;
  return line;
}

// What the file's reading takes over from the controls into Settings: the
// font and the six delimiters.
void ApplyControlsToSettings(SettingsStore& store) {
  const PreferenceControls& c = store.controls;
  Settings& s = store.settings;
  s.EditorFontName = c.FontNames;
  int size = SettingsLineInteger(c.FontSize);
  s.EditorFontSize = size > 0 && size <= kLargestFontSize ? size : kFallbackFontSize;
  s.ShortStart = c.txtShortStart;
  s.ShortEnd = c.txtShortEnd;
  s.WideOpenStart = c.txtStartOne;
  s.WideOpenEnd = c.txtEndOne;
  s.WideCloseStart = c.txtStartTwo;
  s.WideCloseEnd = c.txtEndTwo;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string ColorToSettingName(Color color) {
  for (const NamedColor& named : kNamedColors)
    if (named.color == color) return std::string(named.name);
  return {};
}

Color SettingNameToColor(std::string_view name, Color fallback) {
  for (const NamedColor& named : kNamedColors)
    if (named.name == name) return named.color;
  return fallback;
}

int SettingsLineInteger(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  long long value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

bool LoadSettingsFile(SettingsStore& store, const std::string& path, Host* host) {
  RichBuffer memo;
  const std::string fullPath = AbsolutePath(path);
  try {
    memo.Load(fullPath);
  } catch (const FileError& error) {
    if (host) host->ShowMessage({MessageKind::Error, error.what(), {}, -1});
    // The controls keep what they hold; the values in effect become the
    // defaults as far as the controls do not give them.
    store.settings = Settings::Defaults();
    ApplyControlsToSettings(store);
    return false;
  }

  PreferenceControls& c = store.controls;
  c.txtShortStart = memo.Line(kShortStartLine);
  c.txtShortEnd = memo.Line(kShortEndLine);
  c.txtStartOne = memo.Line(kStartOneLine);
  c.txtEndOne = memo.Line(kEndOneLine);
  c.txtStartTwo = memo.Line(kStartTwoLine);
  c.txtEndTwo = memo.Line(kEndTwoLine);
  c.mnuEditUse = memo.Line(kUseRelativeLine) == "true";
  c.chkFieldName = memo.Line(kFieldNameLine) == "true";
  int indent = SettingsLineInteger(memo.Line(kIndentLine));
  c.Indent = indent >= 0 && indent < kIndentEntries ? indent : -1;
  c.FontNames = memo.Line(kFontNameLine);
  c.FontSize = memo.Line(kFontSizeLine);

  Settings& s = store.settings;
  const Settings defaults = Settings::Defaults();
  s.ReservedStyle = SettingTextToStyle(memo.Line(kReservedStyleLine));
  s.StringStyle = SettingTextToStyle(memo.Line(kStringStyleLine));
  s.CommentStyle = SettingTextToStyle(memo.Line(kCommentStyleLine));
  s.StringColor = SettingNameToColor(memo.Line(kStringColorLine), defaults.StringColor);
  s.ReservedColor = SettingNameToColor(memo.Line(kReservedColorLine), defaults.ReservedColor);
  s.CommentColor = SettingNameToColor(memo.Line(kCommentColorLine), defaults.CommentColor);
  ApplyControlsToSettings(store);
  return true;
}

void SaveSettingsFile(const SettingsStore& store, const std::string& path) {
  const PreferenceControls& c = store.controls;
  const Settings& s = store.settings;
  RichBuffer memo;
  memo.SetLines(std::vector<std::string>(kSettingsLineCount));
  memo.SetLine(kShortStartLine, OneLine(c.txtShortStart));
  memo.SetLine(kShortEndLine, OneLine(c.txtShortEnd));
  memo.SetLine(kStartOneLine, OneLine(c.txtStartOne));
  memo.SetLine(kEndOneLine, OneLine(c.txtEndOne));
  memo.SetLine(kStartTwoLine, OneLine(c.txtStartTwo));
  memo.SetLine(kEndTwoLine, OneLine(c.txtEndTwo));
  memo.SetLine(kUseRelativeLine, c.mnuEditUse ? "true" : "false");
  memo.SetLine(kFieldNameLine, c.chkFieldName ? "true" : "false");
  memo.SetLine(kIndentLine, std::to_string(c.Indent));
  memo.SetLine(kFontNameLine, OneLine(c.FontNames));
  memo.SetLine(kFontSizeLine, OneLine(c.FontSize));
  memo.SetLine(kReservedStyleLine, StyleToSettingText(s.ReservedStyle));
  memo.SetLine(kStringStyleLine, StyleToSettingText(s.StringStyle));
  memo.SetLine(kCommentStyleLine, StyleToSettingText(s.CommentStyle));
  memo.SetLine(kStringColorLine, ColorToSettingName(s.StringColor));
  memo.SetLine(kReservedColorLine, ColorToSettingName(s.ReservedColor));
  memo.SetLine(kCommentColorLine, ColorToSettingName(s.CommentColor));
  memo.Save(path);
}

std::string SettingsPathForReading(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& userFile) {
  if (!programFolderWritable && !userFile.empty() && FileExists(userFile)) return userFile;
  return programFolder + "prop";
}

std::string SettingsPathForWriting(const std::string& programFolder, bool programFolderWritable,
                                   const std::string& userFile) {
  if (programFolderWritable || userFile.empty()) return programFolder + "prop";
  return userFile;
}

}  // namespace ws
