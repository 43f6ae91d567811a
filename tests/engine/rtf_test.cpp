#include "rtf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codepages.h"
#include "fileio.h"

namespace ws {
namespace {

using Lines = std::vector<std::string>;

std::string DataFile(const std::string& name) {
  return ReadFileBytes(std::string(WEFTSMITH_TEST_DATA) + "/rtf/" + name);
}

// The body of a document with the given header words and no tables.
RichText ReadBody(const std::string& body) {
  return ReadRtf("{\\rtf1\\ansi " + body + "}");
}
Lines BodyLines(const std::string& body) {
  return ReadBody(body).lines;
}

// The format of the character at an offset of the joined text.
CharFormat FormatAt(const RichText& text, std::size_t offset) {
  for (const FormatRun& run : text.runs)
    if (offset >= run.start && offset < run.start + run.length) return run.format;
  return {};
}

// The offset of the first occurrence of a piece of text in the joined lines.
std::size_t OffsetOf(const RichText& text, std::string_view piece) {
  std::string joined;
  for (std::size_t i = 0; i < text.lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += text.lines[i];
  }
  return joined.find(piece);
}

// Builds a character format: Format().Color(blue).Bold().
class Format {
 public:
  Format& Color(ws::Color c) {
    f_.color = c;
    return *this;
  }
  Format& Bold() {
    f_.bold = true;
    return *this;
  }
  Format& Italic() {
    f_.italic = true;
    return *this;
  }
  Format& Underline() {
    f_.underline = true;
    return *this;
  }
  Format& Font(std::string name) {
    f_.fontName = std::move(name);
    return *this;
  }
  Format& Size(int points) {
    f_.fontSize = points;
    return *this;
  }
  operator CharFormat() const { return f_; }

 private:
  CharFormat f_;
};

CharFormat Bold() {
  return Format().Bold();
}
CharFormat Colored(Color c) {
  return Format().Color(c);
}

// ---- The writer and the reader together --------------------------------

TEST(RtfRoundTrip, AnyListOfLinesComesBack) {
  const std::vector<Lines> cases = {
      {},
      {""},
      {"", ""},
      {"a", "", ""},
      {"only"},
      {"tag \"title\" \"Home\"", "", "\tinclude \"a.htm\"  \"menu\"", "end"},
      {"back\\slash {braces} }{ \\par \\'41 \\u65"},
      {" leading and trailing blanks ", "  ", "12345", "-minus", ";semi;colon"},
      {"Grüße, Crème brûlée — 5 € Œuvre", "Здравствуйте", "日本語", "emoji 😀 end"},
      {"control \x01 char", "\x7f delete"},
  };
  for (const Lines& lines : cases) {
    const std::string rtf = WriteRtf(RichText{lines, {}});
    EXPECT_TRUE(IsRtf(rtf));
    const RichText back = ReadRtf(rtf);
    EXPECT_EQ(back.lines, lines) << rtf;
    EXPECT_TRUE(back.runs.empty()) << rtf;
  }
}

TEST(RtfRoundTrip, WriterUsesCodePage1252FallbacksAndPlainAscii) {
  const std::string rtf = WriteRtf(RichText{{"a{b}\\ é € Я 😀\t!"}, {}});
  EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0"));
  EXPECT_NE(rtf.find("Courier New;"), std::string::npos);
  EXPECT_NE(rtf.find("a\\{b\\}\\\\ \\u233\\'e9 \\u8364\\'80 \\u1071? \\u-10179?\\u-8704?\\tab !"),
            std::string::npos)
      << rtf;
  EXPECT_NE(rtf.find("\\fs20"), std::string::npos);
  for (char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(RtfRoundTrip, RunsComeBackIncludingRunsAcrossLineBreaks) {
  const Color blue = RgbColor(0, 0, 255), maroon = RgbColor(128, 0, 0);
  RichText text;
  text.lines = {"tag \"x\" \"y\"", "", "end // done", "Grüße"};
  // Offsets: line 0 at 0 (11 bytes), line 1 at 13, line 2 at 15, line 3 at 28.
  text.runs = {
      {0, 3, Colored(blue)},                              // tag
      {4, 3, CharFormat(Format().Italic().Underline())},  // "x"
      {8, 7, Bold()},                                     // "y", the breaks, the empty line
      {15, 3, Colored(maroon)},                           // end
      {19, 7, CharFormat(Format().Font("Arial").Size(14))},
      {26, 4, Format().Color(blue).Bold().Font("Font; {odd} Näme")},
      {30, 2, CharFormat(Format().Size(9))},  // ü: offsets count bytes
  };
  const RichText back = ReadRtf(WriteRtf(text, "Courier New", 10));
  EXPECT_EQ(back.lines, text.lines);
  EXPECT_EQ(back.runs, text.runs);
}

TEST(RtfRoundTrip, RunsInTheDefaultFormatAreNoRuns) {
  RichText text{{"abc def"},
                {{0, 3, CharFormat(Format().Font("Courier New").Size(10))},
                 {4, 3, CharFormat(Format().Color(0))}}};
  EXPECT_TRUE(ReadRtf(WriteRtf(text, "Courier New", 10)).runs.empty());
  // Another default font makes the same run a run.
  const RichText back = ReadRtf(WriteRtf(text, "Arial", 12));
  ASSERT_EQ(back.runs.size(), 1u);
  EXPECT_EQ(back.runs[0], (FormatRun{0, 3, CharFormat(Format().Font("Courier New").Size(10))}));
}

TEST(RtfRoundTrip, RunsPastTheTextOrOverlappingDoNotBreakTheWriter) {
  RichText text{{"ab", "cd"},
                {{1, 100, Bold()}, {0, 2, Colored(RgbColor(1, 2, 3))}, {5, 0, Bold()}}};
  const RichText back = ReadRtf(WriteRtf(text));
  EXPECT_EQ(back.lines, text.lines);
  EXPECT_FALSE(back.runs.empty());
  EXPECT_LE(back.runs.back().start + back.runs.back().length, 6u);
}

TEST(RtfRoundTrip, BytesThatAreNotUtf8AreTakenAsCodePage1252) {
  // A line from a file in the old single-byte code page.
  EXPECT_EQ(ReadRtf(WriteRtf(RichText{{"caf\xe9 \x80"}, {}})).lines, Lines{"café €"});
}

// ---- The reader ---------------------------------------------------------

TEST(RtfReader, ParagraphsAndLineBreaksMakeLines) {
  EXPECT_EQ(BodyLines("a\\par b\\line c"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(BodyLines("a\\par b\\par"), (Lines{"a", "b"}));
  EXPECT_EQ(BodyLines("a\\par\\par"), (Lines{"a", ""}));
  EXPECT_EQ(BodyLines("\\par"), (Lines{""}));
  EXPECT_EQ(BodyLines(""), Lines{});
  EXPECT_EQ(BodyLines("a\\\nb\\\r\nc"), (Lines{"a", "b", "c"}));  // \ before a line end
  // Line ends in the file are not text; text after the document is ignored.
  EXPECT_EQ(ReadRtf("junk{\\rtf1 one\r\ntwo\\par}more\\par").lines, Lines{"onetwo"});
  EXPECT_EQ(ReadRtf("not rtf at all").lines, Lines{});
}

TEST(RtfReader, EscapesAndSpecialCharacters) {
  EXPECT_EQ(BodyLines("\\\\ \\{ \\}"), Lines{"\\ { }"});
  EXPECT_EQ(BodyLines("a\\tab b\tc"), Lines{"a\tb\tc"});
  EXPECT_EQ(BodyLines("non\\~break soft\\-hyphen non\\_breaking"),
            Lines{"non\u00a0break softhyphen non\u2011breaking"});
  EXPECT_EQ(BodyLines("\\emdash\\endash\\bullet\\lquote x\\rquote\\ldblquote y\\rdblquote"),
            Lines{"—–•‘x’“y”"});
  // A control word takes one blank as its delimiter, no more.
  EXPECT_EQ(BodyLines("\\b  two\\b0\\i x"), Lines{" twox"});
}

TEST(RtfReader, CodePagesOfTheDocumentAndOfFonts) {
  EXPECT_EQ(BodyLines("\\'e9\\'80\\'9c"), Lines{"é€œ"});  // 1252 when none is named
  EXPECT_EQ(ReadRtf("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}").lines, Lines{"При"});
  EXPECT_EQ(ReadRtf("{\\rtf1\\pc \\'81\\'e1\\'c9}").lines, Lines{"üß╔"});
  EXPECT_EQ(ReadRtf("{\\rtf1\\pca \\'81\\'9b\\'d0}").lines, Lines{"üøð"});
  EXPECT_EQ(ReadRtf("{\\rtf1\\mac \\'8a\\'a5}").lines, Lines{"ä•"});
  EXPECT_EQ(ReadRtf("{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a9\\'e2\\'82\\'ac \\'ff}").lines,
            Lines{"é€ \ufffd"});
  EXPECT_EQ(ReadRtf("{\\rtf1\\ansi\\ansicpg932 \\'e9}").lines, Lines{"é"});  // unknown: 1252
  // A font with a Cyrillic charset in a 1252 document.
  EXPECT_EQ(ReadRtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}"
                    "{\\f1\\fcharset204 Arial CYR;}}\\'e9 {\\f1 \\'e9}}")
                .lines,
            Lines{"é й"});
  // Bytes above 127 written as they are (not valid RTF, but seen).
  EXPECT_EQ(BodyLines("caf\xe9"), Lines{"café"});
}

TEST(RtfReader, UnicodeEscapesAndTheirFallbacks) {
  EXPECT_EQ(BodyLines("\\u233? \\u-3913?"), Lines{"é \uf0b7"});
  EXPECT_EQ(BodyLines("\\u8364\\'80!"), Lines{"€!"});
  EXPECT_EQ(BodyLines("\\uc2\\u8364\\'80\\'81!"), Lines{"€!"});
  EXPECT_EQ(BodyLines("\\uc0\\u8364 x"), Lines{"€x"});
  EXPECT_EQ(BodyLines("\\uc2\\u8364 ab!"), Lines{"€!"});
  // \uc belongs to the group; a group boundary ends the fallback.
  EXPECT_EQ(BodyLines("{\\uc3 \\u233 abc}\\u233 abc"), Lines{"éébc"});
  EXPECT_EQ(BodyLines("{\\uc5\\u233 a}bc"), Lines{"ébc"});
  // Surrogate pairs, lone halves, out-of-range numbers.
  EXPECT_EQ(BodyLines("\\u-10179?\\u-8704?"), Lines{"😀"});
  EXPECT_EQ(BodyLines("\\u-10179?x\\u-8704?"), Lines{"\ufffdx\ufffd"});
  EXPECT_EQ(BodyLines("\\u99999?\\u0?z"), Lines{"\ufffdz"});
}

TEST(RtfReader, DestinationsThatAreNotTextAreSkipped) {
  EXPECT_EQ(ReadRtf("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
                    "{\\*\\generator G;}{\\*\\unknown {nested} text}{\\header H\\par}"
                    "{\\pict\\bin6 }{\\}x{\\pict abc}"
                    "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}} body"
                    "{\\footnote note}{\\listtable{\\list x}}\\v hidden\\v0 !}")
                .lines,
            Lines{"link body!"});
}

TEST(RtfReader, TableCellsBecomeTabs) {
  EXPECT_EQ(BodyLines("\\trowd\\pard\\intbl a\\cell b\\cell\\row\\pard after\\par"),
            (Lines{"a\tb", "after"}));
}

TEST(RtfReader, CharacterFormatsAndGroupScoping) {
  const Color blue = RgbColor(0, 0, 255);
  const RichText text = ReadRtf(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Courier New;}{\\f1\\fswiss Arial;}}"
      "{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green0\\blue0;}"
      "a\\cf1 b\\cf0 c\\b d\\b0 e\\i f\\i0 g\\ul h\\ulnone i\\ul\\ul0 j"
      "{\\b\\cf1 k}l\\f1 m\\f0 n\\fs36 o\\plain p\\cf2 q\\cf9 r\\ul\\ulc1 s\\ulnone\\uldb t}");
  ASSERT_EQ(text.lines, Lines{"abcdefghijklmnopqrst"});
  const auto at = [&](char c) { return FormatAt(text, OffsetOf(text, std::string(1, c))); };
  EXPECT_EQ(at('a'), CharFormat{});
  EXPECT_EQ(at('b'), Colored(blue));
  EXPECT_EQ(at('d'), Bold());
  EXPECT_EQ(at('f'), CharFormat(Format().Italic()));
  EXPECT_EQ(at('h'), CharFormat(Format().Underline()));
  EXPECT_EQ(at('i'), CharFormat{});
  EXPECT_EQ(at('j'), CharFormat{});
  EXPECT_EQ(at('k'), (CharFormat(Format().Color(blue).Bold())));
  EXPECT_EQ(at('l'), CharFormat{});
  EXPECT_EQ(at('m'), CharFormat(Format().Font("Arial")));
  EXPECT_EQ(at('n'), CharFormat{});  // the default font has no name of its own
  EXPECT_EQ(at('o'), CharFormat(Format().Size(18)));
  EXPECT_EQ(at('p'), CharFormat{});
  EXPECT_EQ(at('q'), CharFormat{});                      // black is the default colour
  EXPECT_EQ(at('r'), CharFormat{});                      // past the colour table
  EXPECT_EQ(at('s'), CharFormat(Format().Underline()));  // \ulc is the underline's colour
  EXPECT_EQ(at('t'), CharFormat(Format().Underline()));
  // Neighbouring characters of one format are one run.
  EXPECT_EQ(text.runs.front(), (FormatRun{1, 1, Colored(blue)}));
}

TEST(RtfReader, DefaultSizeComesFromTheDefaultFormat) {
  // Without \defchp the default size is 12 points.
  EXPECT_EQ(ReadRtf("{\\rtf1 a\\fs24 b\\fs20 c}").runs,
            (std::vector<FormatRun>{{2, 1, CharFormat(Format().Size(10))}}));
  EXPECT_EQ(ReadRtf("{\\rtf1{\\*\\defchp\\fs20}a\\fs24 b\\fs20 c}").runs,
            (std::vector<FormatRun>{{1, 1, CharFormat(Format().Size(12))}}));
}

TEST(RtfReader, FormatsOfLineBreaksJoinRunsAcrossLines) {
  const RichText text = ReadBody("\\b ab\\par cd\\b0\\par ef\\par");
  EXPECT_EQ(text.lines, (Lines{"ab", "cd", "ef"}));
  EXPECT_EQ(text.runs, (std::vector<FormatRun>{{0, 6, Bold()}}));
  // A format that is still on at the final paragraph mark ends with the text.
  EXPECT_EQ(ReadBody("x\\b ab\\par").runs, (std::vector<FormatRun>{{1, 2, Bold()}}));
}

TEST(RtfReader, IsRtfLooksAtTheStartOnly) {
  EXPECT_TRUE(IsRtf("{\\rtf1 x}"));
  EXPECT_TRUE(IsRtf("\xEF\xBB\xBF  \r\n{\\rtf1 x}"));
  EXPECT_FALSE(IsRtf("tag \"{\\rtf1\""));
  EXPECT_FALSE(IsRtf("{\\rt"));
  EXPECT_FALSE(IsRtf(""));
}

// ---- Documents of other programs -----------------------------------------

Lines PlainLines(const std::string& name) {
  return SplitLines(DataFile(name));
}

TEST(RtfProducers, DocumentsReadBackAsTheLinesTheyWereMadeFrom) {
  const Lines build = PlainLines("build.txt");
  const Lines settings = PlainLines("settings.txt");
  ASSERT_EQ(build.size(), 7u);
  ASSERT_EQ(settings.size(), 19u);
  ASSERT_EQ(settings[6], "");
  ASSERT_EQ(settings[2], "<!--tag \"");
  for (const char* producer : {"pandoc", "abiword", "libreoffice"}) {
    SCOPED_TRACE(producer);
    EXPECT_EQ(ReadRtf(DataFile(std::string("build.") + producer + ".rtf")).lines, build);
    EXPECT_EQ(ReadRtf(DataFile(std::string("settings.") + producer + ".rtf")).lines, settings);
  }
  EXPECT_EQ(ReadRtf(DataFile("build.wordpad.rtf")).lines, build);
}

TEST(RtfProducers, WordPadColoursFontsAndSizes) {
  const RichText text = ReadRtf(DataFile("build.wordpad.rtf"));
  const CharFormat keyword = Format().Color(RgbColor(0, 0, 255)).Size(10);
  EXPECT_EQ(FormatAt(text, OffsetOf(text, "new")), keyword);
  EXPECT_EQ(FormatAt(text, OffsetOf(text, "\"index")), CharFormat(Format().Size(10)));
  EXPECT_EQ(FormatAt(text, OffsetOf(text, "Seiten")),
            CharFormat(Format().Color(RgbColor(0, 128, 0)).Italic().Size(10)));
  EXPECT_EQ(FormatAt(text, OffsetOf(text, "set")),
            CharFormat(Format().Color(RgbColor(0, 0, 255)).Bold().Size(10)));
  EXPECT_EQ(FormatAt(text, OffsetOf(text, "end")),
            CharFormat(Format().Color(RgbColor(128, 0, 0)).Font("Arial")));
}

TEST(RtfProducers, FormatsFromLibreOfficeAndPandoc) {
  const RichText office = ReadRtf(DataFile("formats.libreoffice.rtf"));
  ASSERT_EQ(office.lines, (Lines{"tag \"title\" \"Grüße\"", "end big"}));
  EXPECT_EQ(FormatAt(office, OffsetOf(office, "tag")), Bold());
  EXPECT_EQ(FormatAt(office, OffsetOf(office, " \"title")), CharFormat{});
  EXPECT_EQ(FormatAt(office, OffsetOf(office, "\"title")), Colored(RgbColor(0, 0, 255)));
  EXPECT_EQ(FormatAt(office, OffsetOf(office, "Grüße")), CharFormat(Format().Italic()));
  EXPECT_EQ(FormatAt(office, OffsetOf(office, "end")), CharFormat(Format().Underline()));
  EXPECT_EQ(FormatAt(office, OffsetOf(office, "big")),
            (CharFormat(Format().Font("Arial").Size(18))));

  const RichText pandoc = ReadRtf(DataFile("formats.pandoc.rtf"));
  ASSERT_EQ(pandoc.lines, Lines{"tag “title” Grüße and code"});
  EXPECT_EQ(FormatAt(pandoc, OffsetOf(pandoc, "tag")), Bold());
  EXPECT_EQ(FormatAt(pandoc, OffsetOf(pandoc, "Grüße")), CharFormat(Format().Italic()));
  EXPECT_EQ(FormatAt(pandoc, OffsetOf(pandoc, "code")), CharFormat(Format().Font("Courier")));
}

// ---- Malformed input -------------------------------------------------------

// What every result of the reader must satisfy, whatever the input.
void ExpectWellFormed(const RichText& text) {
  std::size_t length = 0;
  for (const std::string& line : text.lines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    for (std::size_t i = 0; i < line.size();)
      ASSERT_EQ(DecodeUtf8(line, i) & kInvalidUtf8Flag, 0u) << "not UTF-8: " << line;
    length += line.size() + 2;
  }
  if (length > 0) length -= 2;
  std::size_t end = 0;
  for (const FormatRun& run : text.runs) {
    EXPECT_GE(run.start, end);
    EXPECT_GT(run.length, 0u);
    EXPECT_FALSE(run.format == CharFormat{});
    end = run.start + run.length;
  }
  EXPECT_LE(end, length);
}

// Whatever the reader gives, the writer writes so that it reads back the
// same. The writer folds runs in its default font and size into the default
// format, so the expected runs are folded the same way.
void ExpectWrittenAndReadBack(const RichText& text) {
  const std::string defaultFont = "Courier New";
  const int defaultSize = 11;
  std::vector<FormatRun> expected;
  for (FormatRun run : text.runs) {
    if (run.format.fontName == defaultFont) run.format.fontName.clear();
    if (run.format.fontSize == defaultSize) run.format.fontSize = 0;
    if (run.format == CharFormat{}) continue;
    if (!expected.empty() && expected.back().format == run.format &&
        expected.back().start + expected.back().length == run.start)
      expected.back().length += run.length;
    else
      expected.push_back(run);
  }
  const RichText back = ReadRtf(WriteRtf(text, defaultFont, defaultSize));
  EXPECT_EQ(back.lines, text.lines);
  EXPECT_EQ(back.runs, expected);
}

TEST(RtfMalformed, BrokenDocumentsYieldWhatCouldBeRead) {
  EXPECT_EQ(ReadRtf("{\\rtf1 open\\par no close").lines, (Lines{"open", "no close"}));
  EXPECT_EQ(ReadRtf("{\\rtf1 a}}}b").lines, Lines{"a"});
  EXPECT_EQ(ReadRtf("{\\rtf1 {{{{a}").lines, Lines{"a"});
  for (const char* input :
       {"{\\rtf1 x\\", "{\\rtf1 x\\'", "{\\rtf1 x\\'4", "{\\rtf1 x\\'zz", "{\\rtf1 x\\u",
        "{\\rtf1 x\\u-", "{\\rtf1 x\\u-?", "{\\rtf1 \\uc99999999999\\u65 x",
        "{\\rtf1 \\fs99999999999999999999999 x", "{\\rtf1 \\fs-5 x\\fs0 y",
        "{\\rtf1 \\bin99999999999999 x", "{\\rtf1 \\bin-1 x", "{\\rtf1 \\u99999999999999999999 x",
        "{\\rtf1{\\colortbl\\red999\\green-4\\blue300;}\\cf1 x\\cf99999999999 y}",
        "{\\rtf1{\\fonttbl{\\f99999999999 A;}{\\f-3 B}\\f}\\f99999999999 x\\f-3 y",
        "{\\rtf1\\ansicpg-99999999999 \\'e9}", "{\\*", "{\\rtf1 \\*\\*\\*", "{\\rtf1 \\\\\\"}) {
    SCOPED_TRACE(input);
    ExpectWellFormed(ReadRtf(input));
  }
  EXPECT_EQ(ReadRtf("{\\rtf1{\\colortbl;\\red999\\green0\\blue0;}\\cf1 x}").runs.at(0).format.color,
            RgbColor(255, 0, 0));
  EXPECT_EQ(ReadRtf("{\\rtf1 \\fs99999999999999999999 x}").runs.at(0).format.fontSize, 1638);
  EXPECT_EQ(ReadRtf("{\\rtf1 \\averyveryveryveryveryveryverylongcontrolword1 x}").lines,
            Lines{"x"});
}

TEST(RtfMalformed, DeepNestingIsBounded) {
  const std::string deep = std::string(100000, '{') + "\\b deep" + std::string(100000, '}');
  const RichText text = ReadRtf("{\\rtf1 a" + deep + " b}");
  EXPECT_EQ(text.lines, Lines{"adeep b"});
  EXPECT_EQ(text.runs, (std::vector<FormatRun>{{1, 4, Bold()}}));
  ExpectWellFormed(ReadRtf("{\\rtf1 " + std::string(50000, '{') + "x"));
}

// Deterministic random mutations of the test documents: the reader must
// finish on each, without a fault, and give a well-formed result.
TEST(RtfMalformed, MutatedDocumentsNeverBreakTheReader) {
  std::vector<std::string> seeds = {
      DataFile("build.wordpad.rtf"),
      DataFile("build.pandoc.rtf"),
      DataFile("formats.pandoc.rtf"),
      DataFile("settings.pandoc.rtf"),
      DataFile("formats.libreoffice.rtf").substr(0, 1500),
      DataFile("build.abiword.rtf").substr(2400),  // the body, after the style sheet
      WriteRtf(RichText{{"a{b}\\ é 😀", "", "x"}, {{0, 4, Bold()}, {7, 4, Colored(7)}}}),
      "{\\rtf1\\ansi\\ansicpg65001{\\*\\defchp\\fs20}\\uc2\\u-10179\\'f0\\'9f\\u-8704 ab\\'c3\\'a9"
      "{\\fonttbl{\\f1\\fcharset204 A;}}\\f1\\'e9\\bin3 {}\\cell\\row}",
  };
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  const auto next = [&state](std::uint64_t bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<std::size_t>(state % bound);
  };
  static constexpr char kInserts[] = "{}\\\\\\'0123456789-;*u ";
  int checked = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string doc = seeds[static_cast<std::size_t>(round) % seeds.size()];
    const std::size_t mutations = 1 + next(8);
    for (std::size_t m = 0; m < mutations && !doc.empty(); ++m) {
      const std::size_t at = next(doc.size());
      switch (next(5)) {
        case 0:
          doc[at] = static_cast<char>(doc[at] ^ (1 << next(8)));
          break;
        case 1:
          doc.resize(at);
          break;
        case 2:
          doc.insert(at, 1, kInserts[next(sizeof kInserts - 1)]);
          break;
        case 3:
          doc.insert(at, std::string(1 + next(12), next(2) ? '{' : '9'));
          break;
        default:
          doc.erase(at, 1 + next(4));
          break;
      }
    }
    const RichText text = ReadRtf(doc);
    ExpectWellFormed(text);
    ExpectWrittenAndReadBack(text);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "input: " << doc;
      return;
    }
    ++checked;
  }
  EXPECT_EQ(checked, 3000);
}

}  // namespace
}  // namespace ws
