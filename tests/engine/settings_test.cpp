#include "settings.h"
#include "settingsfile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>

#include "datafolder.h"
#include "test_support.h"

namespace ws {
namespace {

using test::CrLfText;
using test::RecordingHost;
using test::TempFolder;

// The 19 lines written for the dialog's "Restore Defaults" values.
std::vector<std::string> DefaultLines() {
  return {"%%",   "%%",   "<!--tag \"", "\"-->",    "<!--/tag \"", "\"-->", "",
          "true", "true", "1",          "Fixedsys", "10",          " ",     " ",
          " ",    "",     "clRed",      "clBlue",   "clTeal"};
}

void ExpectSameSettings(const Settings& a, const Settings& b) {
  EXPECT_EQ(a.ShortStart, b.ShortStart);
  EXPECT_EQ(a.ShortEnd, b.ShortEnd);
  EXPECT_EQ(a.WideOpenStart, b.WideOpenStart);
  EXPECT_EQ(a.WideOpenEnd, b.WideOpenEnd);
  EXPECT_EQ(a.WideCloseStart, b.WideCloseStart);
  EXPECT_EQ(a.WideCloseEnd, b.WideCloseEnd);
  EXPECT_EQ(a.EditorFontName, b.EditorFontName);
  EXPECT_EQ(a.EditorFontSize, b.EditorFontSize);
  EXPECT_EQ(a.ReservedColor, b.ReservedColor);
  EXPECT_EQ(a.StringColor, b.StringColor);
  EXPECT_EQ(a.CommentColor, b.CommentColor);
  EXPECT_EQ(a.ReservedStyle, b.ReservedStyle);
  EXPECT_EQ(a.StringStyle, b.StringStyle);
  EXPECT_EQ(a.CommentStyle, b.CommentStyle);
}

void ExpectSameControls(const PreferenceControls& a, const PreferenceControls& b) {
  EXPECT_EQ(a.txtShortStart, b.txtShortStart);
  EXPECT_EQ(a.txtShortEnd, b.txtShortEnd);
  EXPECT_EQ(a.txtStartOne, b.txtStartOne);
  EXPECT_EQ(a.txtEndOne, b.txtEndOne);
  EXPECT_EQ(a.txtStartTwo, b.txtStartTwo);
  EXPECT_EQ(a.txtEndTwo, b.txtEndTwo);
  EXPECT_EQ(a.mnuEditUse, b.mnuEditUse);
  EXPECT_EQ(a.chkFieldName, b.chkFieldName);
  EXPECT_EQ(a.Indent, b.Indent);
  EXPECT_EQ(a.FontNames, b.FontNames);
  EXPECT_EQ(a.FontSize, b.FontSize);
}

// Loads a plain-text settings file made of the lines (CR LF ends).
SettingsStore LoadLines(const std::vector<std::string>& lines) {
  TempFolder folder;
  SettingsStore store;
  RecordingHost host;
  EXPECT_TRUE(LoadSettingsFile(store, folder.Write("prop", CrLfText(lines)), &host));
  EXPECT_TRUE(host.messages.empty());
  return store;
}

// The default lines with one line replaced.
SettingsStore LoadWithLine(int index, const std::string& text) {
  std::vector<std::string> lines = DefaultLines();
  lines[static_cast<std::size_t>(index)] = text;
  return LoadLines(lines);
}

TEST(SettingsConversions, IndentText) {
  EXPECT_EQ(IndentText(0), " ");
  EXPECT_EQ(IndentText(1), "  ");
  EXPECT_EQ(IndentText(2), "   ");
  EXPECT_EQ(IndentText(3), "\t");
  EXPECT_EQ(IndentText(4), "\t\t");
  EXPECT_EQ(IndentText(-1), "  ");
  EXPECT_EQ(IndentText(5), "  ");
}

TEST(SettingsConversions, TheSixteenColourNames) {
  const std::vector<std::pair<std::string, Color>> table = {
      {"clBlack", RgbColor(0, 0, 0)},        {"clMaroon", RgbColor(128, 0, 0)},
      {"clGreen", RgbColor(0, 128, 0)},      {"clOlive", RgbColor(128, 128, 0)},
      {"clNavy", RgbColor(0, 0, 128)},       {"clPurple", RgbColor(128, 0, 128)},
      {"clTeal", RgbColor(0, 128, 128)},     {"clGray", RgbColor(128, 128, 128)},
      {"clSilver", RgbColor(192, 192, 192)}, {"clRed", RgbColor(255, 0, 0)},
      {"clLime", RgbColor(0, 255, 0)},       {"clYellow", RgbColor(255, 255, 0)},
      {"clBlue", RgbColor(0, 0, 255)},       {"clFuchsia", RgbColor(255, 0, 255)},
      {"clAqua", RgbColor(0, 255, 255)},     {"clWhite", RgbColor(255, 255, 255)}};
  for (const auto& [name, color] : table) {
    EXPECT_EQ(ColorToSettingName(color), name);
    EXPECT_EQ(SettingNameToColor(name, 12345), color);
  }
  EXPECT_EQ(RgbColor(255, 0, 0), 0x0000FFu);  // red in the low byte
  EXPECT_EQ(SettingNameToColor("clred", 7), 7u);
  EXPECT_EQ(SettingNameToColor("clRed ", 7), 7u);
  EXPECT_EQ(SettingNameToColor("", 7), 7u);
  EXPECT_EQ(ColorToSettingName(RgbColor(1, 2, 3)), "");
}

TEST(SettingsConversions, LineInteger) {
  EXPECT_EQ(SettingsLineInteger("4"), 4);
  EXPECT_EQ(SettingsLineInteger("  -1"), -1);
  EXPECT_EQ(SettingsLineInteger("+3"), 3);
  EXPECT_EQ(SettingsLineInteger("2 spaces"), 2);
  EXPECT_EQ(SettingsLineInteger("12x4"), 12);
  EXPECT_EQ(SettingsLineInteger(""), 0);
  EXPECT_EQ(SettingsLineInteger("abc"), 0);
  EXPECT_EQ(SettingsLineInteger("-"), 0);
  EXPECT_EQ(SettingsLineInteger("- 3"), 0);
  EXPECT_EQ(SettingsLineInteger("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(SettingsLineInteger("-99999999999999999999999"), INT_MIN);
}

TEST(LoadSettingsFile, ShippedDefaultsFile) {
  const std::string path = std::string(WEFTSMITH_SOURCE_DIR) + "/data/prop";
  // The file is what the writer writes for the defaults, as plain lines.
  EXPECT_EQ(ReadFileBytes(path), CrLfText(DefaultLines()));
  SettingsStore store;
  store.settings = Settings{};
  ASSERT_TRUE(LoadSettingsFile(store, path, nullptr));
  PreferenceControls expected;
  expected.Indent = 1;
  ExpectSameControls(store.controls, expected);
  ExpectSameSettings(store.settings, Settings::Defaults());
}

TEST(LoadSettingsFile, EveryLineOfAPlainFile) {
  SettingsStore store = LoadLines({"[[", "]]", "<tag ", ">", "</tag ", ">>", "ignored", "false",
                                   "true", "3", "Mono Sans", "14", "Italic", "Bold", "Under",
                                   "ignored", "clLime", "clNavy", "clGray"});
  const PreferenceControls& c = store.controls;
  EXPECT_EQ(c.txtShortStart, "[[");
  EXPECT_EQ(c.txtShortEnd, "]]");
  EXPECT_EQ(c.txtStartOne, "<tag ");
  EXPECT_EQ(c.txtEndOne, ">");
  EXPECT_EQ(c.txtStartTwo, "</tag ");
  EXPECT_EQ(c.txtEndTwo, ">>");
  EXPECT_FALSE(c.mnuEditUse);
  EXPECT_TRUE(c.chkFieldName);
  EXPECT_EQ(c.Indent, 3);
  EXPECT_EQ(c.FontNames, "Mono Sans");
  EXPECT_EQ(c.FontSize, "14");
  const Settings& s = store.settings;
  EXPECT_EQ(s.ShortStart, "[[");
  EXPECT_EQ(s.ShortEnd, "]]");
  EXPECT_EQ(s.WideOpenStart, "<tag ");
  EXPECT_EQ(s.WideOpenEnd, ">");
  EXPECT_EQ(s.WideCloseStart, "</tag ");
  EXPECT_EQ(s.WideCloseEnd, ">>");
  EXPECT_EQ(s.EditorFontName, "Mono Sans");
  EXPECT_EQ(s.EditorFontSize, 14);
  EXPECT_EQ(s.ReservedStyle, TextStyle::Italic);
  EXPECT_EQ(s.StringStyle, TextStyle::Bold);
  EXPECT_EQ(s.CommentStyle, TextStyle::Underline);
  EXPECT_EQ(s.StringColor, RgbColor(0, 255, 0));
  EXPECT_EQ(s.ReservedColor, RgbColor(0, 0, 128));
  EXPECT_EQ(s.CommentColor, RgbColor(128, 128, 128));
}

TEST(LoadSettingsFile, SwitchesAreOnOnlyForExactlyTrue) {
  for (std::string text : {"True", "true ", " true", "TRUE", "1", "", "yes"}) {
    EXPECT_FALSE(LoadWithLine(7, text).controls.mnuEditUse) << text;
    EXPECT_FALSE(LoadWithLine(8, text).controls.chkFieldName) << text;
  }
}

TEST(LoadSettingsFile, IndentationLine) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"-1", -1}, {"4", 4}, {"0", 0},   {"5", -1}, {"  2", 2},         {"3rd", 3},
      {"", 0},    {"x", 0}, {"-2", -1}, {"+1", 1}, {"99999999999", -1}};
  for (const auto& [text, index] : cases)
    EXPECT_EQ(LoadWithLine(9, text).controls.Indent, index) << text;
  EXPECT_EQ(IndentText(LoadWithLine(9, "-1").controls.Indent), "  ");
  EXPECT_EQ(IndentText(LoadWithLine(9, "4").controls.Indent), "\t\t");
}

TEST(LoadSettingsFile, FontSize) {
  EXPECT_EQ(LoadWithLine(11, "200").settings.EditorFontSize, 200);  // kept as read
  EXPECT_EQ(LoadWithLine(11, " 7pt").settings.EditorFontSize, 7);
  EXPECT_EQ(LoadWithLine(11, "1000").settings.EditorFontSize, 1000);
  for (std::string text : {"0", "-5", "1001", "abc", "", "99999999999999"}) {
    SettingsStore store = LoadWithLine(11, text);
    EXPECT_EQ(store.settings.EditorFontSize, 10) << text;
    EXPECT_EQ(store.controls.FontSize, text);  // the box shows what was read
  }
}

TEST(LoadSettingsFile, StylesAreExactWords) {
  for (std::string text : {"bold", "Bold ", "B", "", " ", "Underline"})
    EXPECT_EQ(LoadWithLine(12, text).settings.ReservedStyle, TextStyle::None) << text;
  EXPECT_EQ(LoadWithLine(12, "Under").settings.ReservedStyle, TextStyle::Underline);
}

TEST(LoadSettingsFile, UnknownColourNamesFallBackToTheElementsDefault) {
  SettingsStore store = LoadLines({"%%", "%%", "a", "b", "c", "d", "", "true", "true", "1", "F",
                                   "10", " ", " ", " ", "", "red", "", "clteal"});
  const Settings defaults = Settings::Defaults();
  EXPECT_EQ(store.settings.StringColor, defaults.StringColor);
  EXPECT_EQ(store.settings.ReservedColor, defaults.ReservedColor);
  EXPECT_EQ(store.settings.CommentColor, defaults.CommentColor);
}

TEST(LoadSettingsFile, LinesSixAndFifteenHaveNoEffect) {
  SettingsStore plain = LoadLines(DefaultLines());
  std::vector<std::string> lines = DefaultLines();
  lines[6] = "Bold";
  lines[15] = "clWhite";
  SettingsStore noisy = LoadLines(lines);
  ExpectSameControls(noisy.controls, plain.controls);
  ExpectSameSettings(noisy.settings, plain.settings);
}

TEST(LoadSettingsFile, MissingLinesReadAsEmpty) {
  SettingsStore store = LoadLines({"{{", "}}", "<t"});
  EXPECT_EQ(store.controls.txtShortStart, "{{");
  EXPECT_EQ(store.controls.txtEndOne, "");
  EXPECT_FALSE(store.controls.mnuEditUse);
  EXPECT_FALSE(store.controls.chkFieldName);
  EXPECT_EQ(store.controls.Indent, 0);
  EXPECT_EQ(store.controls.FontNames, "");
  EXPECT_EQ(store.settings.EditorFontSize, 10);
  EXPECT_EQ(store.settings.StringStyle, TextStyle::None);
  EXPECT_EQ(store.settings.StringColor, Settings::Defaults().StringColor);
  EXPECT_EQ(store.settings.WideCloseEnd, "");
}

TEST(LoadSettingsFile, ByteOrderMarkAndOtherLineEnds) {
  TempFolder folder;
  std::string text =
      "\xEF\xBB\xBF"
      "<<\n>>\n";
  SettingsStore store;
  ASSERT_TRUE(LoadSettingsFile(store, folder.Write("prop", text), nullptr));
  EXPECT_EQ(store.controls.txtShortStart, "<<");
  EXPECT_EQ(store.settings.ShortEnd, ">>");
}

TEST(LoadSettingsFile, MissingFileKeepsTheDefaults) {
  TempFolder folder;
  const std::string path = folder.File("prop");
  SettingsStore store;
  store.settings = Settings{};  // as before the first reading
  RecordingHost host;
  EXPECT_FALSE(LoadSettingsFile(store, path, &host));
  EXPECT_EQ(host.messages,
            (std::vector<test::RecordedMessage>{{MessageKind::Error, "Cannot open file " + path}}));
  ExpectSameControls(store.controls, PreferenceControls{});
  ExpectSameSettings(store.settings, Settings::Defaults());

  SettingsStore quiet;
  EXPECT_FALSE(LoadSettingsFile(quiet, folder.Folder(), nullptr));  // a folder is no file
  ExpectSameSettings(quiet.settings, Settings::Defaults());
}

TEST(SaveSettingsFile, WritesAnRtfDocumentAtomically) {
  TempFolder folder;
  const std::string path = folder.File("prop");
  SaveSettingsFile(SettingsStore{}, path);
  EXPECT_TRUE(IsRtf(ReadFileBytes(path)));
  EXPECT_FALSE(std::filesystem::exists(path + ".weftsmith-tmp"));
  EXPECT_THROW(SaveSettingsFile(SettingsStore{}, folder.File("missing/prop")), FileError);
}

// The lines of the file as written.
std::vector<std::string> SavedLines(const SettingsStore& store) {
  TempFolder folder;
  const std::string path = folder.File("prop");
  SaveSettingsFile(store, path);
  RichBuffer memo;
  memo.Load(path);
  return memo.Lines();
}

TEST(SaveSettingsFile, WritesTheNineteenLines) {
  SettingsStore store;
  store.controls.Indent = 1;
  EXPECT_EQ(SavedLines(store), DefaultLines());

  store.settings.StringStyle = TextStyle::Bold;
  store.settings.CommentStyle = TextStyle::Underline;
  store.controls.Indent = -1;
  store.controls.mnuEditUse = false;
  std::vector<std::string> lines = SavedLines(store);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[7], "false");
  EXPECT_EQ(lines[9], "-1");
  EXPECT_EQ(lines[12], " ");
  EXPECT_EQ(lines[13], "Bold");
  EXPECT_EQ(lines[14], "Under");
}

TEST(SaveSettingsFile, RoundTrip) {
  SettingsStore store;
  store.controls.txtShortStart = "{{ \\";
  store.controls.txtShortEnd = "}}";
  store.controls.txtStartOne = "<!--tag \"";
  store.controls.txtEndOne = "\"--> \xC3\xA9";
  store.controls.txtStartTwo = "<!--/tag '";
  store.controls.txtEndTwo = "'-->";
  store.controls.mnuEditUse = false;
  store.controls.chkFieldName = true;
  store.controls.Indent = 4;
  store.controls.FontNames = "DejaVu Sans Mono";
  store.controls.FontSize = "12";
  store.settings.ReservedStyle = TextStyle::Italic;
  store.settings.StringColor = RgbColor(128, 0, 128);
  store.settings.ReservedColor = RgbColor(255, 255, 0);
  store.settings.CommentColor = RgbColor(0, 0, 0);

  TempFolder folder;
  const std::string path = folder.File("prop");
  SaveSettingsFile(store, path);
  SettingsStore loaded;
  ASSERT_TRUE(LoadSettingsFile(loaded, path, nullptr));
  ExpectSameControls(loaded.controls, store.controls);
  EXPECT_EQ(loaded.settings.WideOpenStart, "<!--tag \"");
  EXPECT_EQ(loaded.settings.WideOpenEnd, "\"--> \xC3\xA9");
  EXPECT_EQ(loaded.settings.ShortStart, "{{ \\");
  EXPECT_EQ(loaded.settings.EditorFontName, "DejaVu Sans Mono");
  EXPECT_EQ(loaded.settings.EditorFontSize, 12);
  EXPECT_EQ(loaded.settings.ReservedStyle, TextStyle::Italic);
  EXPECT_EQ(loaded.settings.StringColor, RgbColor(128, 0, 128));
  EXPECT_EQ(loaded.settings.ReservedColor, RgbColor(255, 255, 0));
  EXPECT_EQ(loaded.settings.CommentColor, RgbColor(0, 0, 0));
}

// The file is written from the dialog's controls, so values typed and then
// cancelled (never applied to Settings) are in effect after the next start.
TEST(SaveSettingsFile, CancelledValuesReachTheFile) {
  SettingsStore store;
  store.controls.txtShortStart = "[%";
  store.controls.txtEndTwo = "-->";
  store.controls.FontNames = "Typed Font";
  store.controls.FontSize = "20";
  ASSERT_EQ(store.settings.ShortStart, "%%");

  TempFolder folder;
  SaveSettingsFile(store, folder.File("prop"));
  SettingsStore next;
  ASSERT_TRUE(LoadSettingsFile(next, folder.File("prop"), nullptr));
  EXPECT_EQ(next.controls.txtShortStart, "[%");
  EXPECT_EQ(next.settings.ShortStart, "[%");
  EXPECT_EQ(next.settings.WideCloseEnd, "-->");
  EXPECT_EQ(next.settings.EditorFontName, "Typed Font");
  EXPECT_EQ(next.settings.EditorFontSize, 20);
}

TEST(SaveSettingsFile, LineBreaksInAValueDoNotShiftTheLines) {
  SettingsStore store;
  store.controls.txtShortStart = "a\r\nb";
  store.controls.Indent = 1;
  std::vector<std::string> lines = SavedLines(store);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[0], "ab");
  EXPECT_EQ(lines[9], "1");
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsPath, ProgramFolderWhenWritable) {
  TempFolder folder;
  const std::string user = folder.Write("user-prop", "x");
  EXPECT_EQ(SettingsPathForWriting("/opt/w/", true, user), "/opt/w/prop");
  EXPECT_EQ(SettingsPathForReading("/opt/w/", true, user), "/opt/w/prop");
  EXPECT_EQ(SettingsPathForWriting("/opt/w/", false, user), user);
  EXPECT_EQ(SettingsPathForReading("/opt/w/", false, user), user);
  // Until the per-user file is written, the program folder's file is read.
  EXPECT_EQ(SettingsPathForReading("/opt/w/", false, folder.File("none")), "/opt/w/prop");
  EXPECT_EQ(SettingsPathForWriting("/opt/w/", false, ""), "/opt/w/prop");
}

TEST(SettingsPath, UserFileFromTheEnvironment) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/");
    EXPECT_EQ(UserSettingsFile(), "/cfg/weftsmith/prop");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
    ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(UserSettingsFile(), "/home/u/.config/weftsmith/prop");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", "/home/v");
    EXPECT_EQ(UserSettingsFile(), "/home/v/.config/weftsmith/prop");
  }
}

TEST(SettingsPath, UnwritableProgramFolderUsesThePerUserFolder) {
  TempFolder folder;
  ScopedEnv xdg("XDG_CONFIG_HOME", folder.File("config"));
  EXPECT_TRUE(FolderIsWritable(folder.Folder()));
  EXPECT_EQ(SettingsPathForWriting(DataFolder{folder.Folder()}), folder.Folder() + "prop");

  const std::string unwritable = folder.File("no-such-folder") + "/";
  EXPECT_FALSE(FolderIsWritable(unwritable));
  const DataFolder data{unwritable};
  const std::string path = SettingsPathForWriting(data);
  EXPECT_EQ(path, folder.File("config") + "/weftsmith/prop");
  EXPECT_TRUE(FolderExists(folder.File("config") + "/weftsmith"));
  EXPECT_EQ(SettingsPathForReading(data), unwritable + "prop");
  WriteFileAtomically(path, CrLfText(DefaultLines()));
  EXPECT_EQ(SettingsPathForReading(data), path);
}

// A hand-written RTF document holding the default lines.
std::string RtfSeed() {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern Courier New;}}"
      "{\\colortbl ;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  std::vector<std::string> lines = DefaultLines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 16) rtf += "\\cf1 ";
    rtf += lines[i];
    rtf += "\\par\r\n";
  }
  return rtf + "}";
}

std::string Mutate(std::string bytes, std::mt19937& random) {
  static const std::vector<std::string> kInserts = {
      "\r\n",      "\n",           "\r",      "{",
      "}",         "\\",           "\\par ",  "\\u-3",
      "\\'e9",     "\\u70000?",    "\\bin5 ", "{\\*\\x ",
      "\\fonttbl", "\xEF\xBB\xBF", "\"",      std::string(1, '\0')};
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int e = 0; e < edits; ++e) {
    const std::size_t at = bytes.empty() ? 0 : random() % (bytes.size() + 1);
    switch (random() % 5) {
      case 0:
        if (at < bytes.size()) bytes[at] = static_cast<char>(random() % 256);
        break;
      case 1:
        bytes.insert(at, kInserts[random() % kInserts.size()]);
        break;
      case 2:
        bytes.erase(at, random() % 16);
        break;
      case 3:
        bytes.insert(at, bytes.substr(random() % (bytes.size() + 1), random() % 32));
        break;
      default:
        bytes.resize(at);
        break;
    }
  }
  return bytes;
}

TEST(LoadSettingsFile, MutatedFilesNeverGiveUnusableSettings) {
  TempFolder folder;
  const std::string path = folder.File("prop");
  const std::vector<std::string> seeds = {CrLfText(DefaultLines()), RtfSeed()};
  std::vector<Color> named;
  for (int i = 0; i < 16; ++i)
    named.push_back(SettingNameToColor(ColorToSettingName(RgbColor((i & 1) * 128, 0, 0)), 0));
  std::mt19937 random(20240607);
  for (int round = 0; round < 2000; ++round) {
    const std::string bytes = Mutate(seeds[static_cast<std::size_t>(round) % seeds.size()], random);
    WriteFileAtomically(path, bytes);
    SettingsStore store;
    RecordingHost host;
    ASSERT_TRUE(LoadSettingsFile(store, path, &host)) << round;
    EXPECT_TRUE(host.messages.empty());
    const Settings& s = store.settings;
    EXPECT_GE(store.controls.Indent, -1);
    EXPECT_LE(store.controls.Indent, 4);
    EXPECT_GT(s.EditorFontSize, 0);
    EXPECT_LE(s.EditorFontSize, 1000);
    for (Color color : {s.StringColor, s.ReservedColor, s.CommentColor})
      EXPECT_NE(ColorToSettingName(color), "") << round;
    for (TextStyle style : {s.ReservedStyle, s.StringStyle, s.CommentStyle})
      EXPECT_TRUE(style == TextStyle::None || style == TextStyle::Bold ||
                  style == TextStyle::Italic || style == TextStyle::Underline);
    EXPECT_EQ(s.ShortStart, store.controls.txtShortStart);
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace ws
