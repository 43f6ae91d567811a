// The line stores: a plain buffer reads past its end as empty lines and keeps
// its final line break; a rich buffer saves RTF and loads RTF or plain text by
// what the file holds.
#include "textbuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fileio.h"
#include "rtf.h"
#include "test_support.h"

namespace ws {
namespace {

using Lines = std::vector<std::string>;

std::string DataPath(const std::string& name) {
  return std::string(WEFTSMITH_TEST_DATA) + "/rtf/" + name;
}

TEST(TextBuffer, ReadingPastTheEndYieldsEmptyLines) {
  TextBuffer b;
  b.SetText("one\r\ntwo");
  EXPECT_EQ(b.LineCount(), 2);
  EXPECT_EQ(b.Line(1), "two");
  EXPECT_EQ(b.Line(2), "");
  EXPECT_EQ(b.Line(-1), "");
  b.SetLine(4, "five");
  EXPECT_EQ(b.LineCount(), 5);
  EXPECT_EQ(b.Line(3), "");
  EXPECT_EQ(b.Line(0), "one");
}

TEST(TextBuffer, WholeTextKeepsTheFinalLineBreak) {
  TextBuffer b;
  b.SetText("a\nb\n");
  EXPECT_EQ(b.Text(), "a\r\nb\r\n");
  b.SetText("a\rb");
  EXPECT_EQ(b.Text(), "a\r\nb");
}

TEST(RichBufferRtf, SavedLinesAndFormatsLoadBack) {
  test::TempFolder folder;
  CharFormat keyword;
  keyword.color = RgbColor(0, 0, 255);
  keyword.bold = true;
  CharFormat big;
  big.fontName = "Arial";
  big.fontSize = 14;
  // "new" in the keyword's format; the tab, "tag" and the blank and quote
  // after it in the big one.
  const RichText text{{"new \"index.htm\"", "", "\ttag \"t\" \"Grüße {x}\\\"", "end"},
                      {{0, 3, keyword}, {19, 6, big}}};
  const std::string path = folder.File("site.bld");
  WriteFileAtomically(path, WriteRtf(text));
  RichBuffer loaded;
  loaded.Load(path);
  EXPECT_EQ(loaded.Lines(), text.lines);
  EXPECT_EQ(loaded.Runs(), text.runs);
  // Saved again by the buffer, the same lines and formats.
  loaded.Save(path);
  EXPECT_TRUE(IsRtf(ReadFileBytes(path)));
  RichBuffer again;
  again.Load(path);
  EXPECT_EQ(again.Runs(), text.runs);
}

TEST(RichBufferRtf, TheSettingsFileKeepsItsNineteenLines) {
  test::TempFolder folder;
  const Lines settings = {"%%",     "%%",   "<!--tag \"", "\"-->", "<!--/tag \"", "\"-->",
                          "",       "true", "false",      "-1",    "Courier New", "10",
                          " ",      "Bold", " ",          "",      "clRed",       "clBlue",
                          "clGreen"};
  RichBuffer buffer;
  buffer.SetLines(settings);
  buffer.Save(folder.File("prop"));
  RichBuffer loaded;
  loaded.SetLines(Lines(19));
  loaded.Load(folder.File("prop"));
  EXPECT_EQ(loaded.Lines(), settings);
  EXPECT_EQ(loaded.Line(19), "");
}

TEST(RichBufferRtf, RtfAndPlainTextOfOneFileLoadAsTheSameLines) {
  RichBuffer plain;
  plain.Load(DataPath("build.txt"));
  ASSERT_EQ(plain.LineCount(), 7);
  for (const char* name :
       {"build.wordpad.rtf", "build.pandoc.rtf", "build.abiword.rtf", "build.libreoffice.rtf"}) {
    SCOPED_TRACE(name);
    RichBuffer rich;
    rich.Load(DataPath(name));
    EXPECT_EQ(rich.Lines(), plain.Lines());
  }
  // Saved by the buffer itself, from the plain text.
  test::TempFolder folder;
  plain.Save(folder.File("saved.bld"));
  RichBuffer again;
  again.Load(folder.File("saved.bld"));
  EXPECT_EQ(again.Lines(), plain.Lines());
}

TEST(RichBufferRtf, TheDefaultFontIsWrittenIntoTheDocument) {
  test::TempFolder folder;
  WriteFileAtomically(folder.File("a.bld"), WriteRtf(RichText{{"x"}, {}}, "Lucida Console", 12));
  const std::string rtf = ReadFileBytes(folder.File("a.bld"));
  EXPECT_NE(rtf.find("{\\f0\\fnil\\fcharset0 Lucida Console;}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\fs24"), std::string::npos) << rtf;
  RichBuffer loaded;
  loaded.Load(folder.File("a.bld"));
  EXPECT_TRUE(loaded.Runs().empty());  // text in the default font carries no format
}

}  // namespace
}  // namespace ws
