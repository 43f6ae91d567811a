#include "tags.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <iterator>
#include <string>
#include <vector>

#include "engine.h"
#include "test_support.h"

namespace ws {
namespace {

using test::RecordingHost;
using test::TempFolder;
using Pieces = std::vector<std::string>;

std::string Open(const std::string& name) {
  return "<!--tag \"" + name + "\"-->";
}
std::string Close(const std::string& name) {
  return "<!--/tag \"" + name + "\"-->";
}
std::string Wide(const std::string& name, const std::string& body) {
  return Open(name) + body + Close(name);
}

OutputText Output(const Pieces& pieces) {
  return OutputText(pieces.begin(), pieces.end());
}
Pieces PiecesOf(const OutputText& output) {
  return Pieces(output.begin(), output.end());
}

class TagsTest : public ::testing::Test {
 protected:
  TagsTest() { engine.run.BaseFolder = folder.Folder(); }

  // What a tag block does with the points: the block text after each.
  Pieces FillBlock(Pieces pieces, const std::string& tag, const std::string& text) {
    OutputText output = Output(pieces);
    for (PieceRef point : FindTagInsertionPoints(engine, output, tag))
      output.insert(std::next(point), text);
    return PiecesOf(output);
  }
  Pieces Replace(Pieces pieces, const std::string& tag, const std::string& value) {
    OutputText output = Output(pieces);
    ReplaceTagWithText(engine, tag, value, output);
    return PiecesOf(output);
  }

  TempFolder folder;
  RecordingHost host;
  Engine engine{host};
};

TEST(FlattenLineBreaks, RunsOfBreaksBecomeBlanks) {
  EXPECT_EQ(FlattenLineBreaks("A\r\nB\r\nC"), "A B C");
  EXPECT_EQ(FlattenLineBreaks("A\r\nB\r\nC\r\n"), "A B C ");
  EXPECT_EQ(FlattenLineBreaks("A\r\n\r\nB"), "A B");               // two: one blank
  EXPECT_EQ(FlattenLineBreaks("A\r\n\r\n\r\nB"), "A  B");          // three: two and one
  EXPECT_EQ(FlattenLineBreaks("A\r\n\r\n\r\n\r\nB"), "A B");       // four: one blank
  EXPECT_EQ(FlattenLineBreaks("A\r\n\r\n\r\n\r\n\r\nB"), "A  B");  // five: four and one
  EXPECT_EQ(FlattenLineBreaks("A\r\n\r\n\r\n\r\n\r\n\r\nB"), "A  B");
  EXPECT_EQ(FlattenLineBreaks("A\n\nB\rC"), "A B C");
  EXPECT_EQ(FlattenLineBreaks(""), "");
}

TEST_F(TagsTest, ShortTagBlockSplitsThePieceAroundTheBlockText) {
  EXPECT_EQ(FillBlock({"a%%x%%b"}, "x", "Y"), (Pieces{"a", "Y", "b"}));
  EXPECT_EQ(FillBlock({"%%x%%"}, "x", "Y"), (Pieces{"", "Y"}));
  EXPECT_EQ(FillBlock({"a%%x%%%%x%%b"}, "x", "Y"), (Pieces{"a", "Y", "", "Y", "b"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TagsTest, WideTagBlockDropsOldBodyMarkersAndLeadingBlanks) {
  EXPECT_EQ(FillBlock({"head" + Wide("x", "old") + "  tail"}, "x", "NEW"),
            (Pieces{"head", "NEW", "tail"}));
  // Only blanks after the tag: they stay on the piece.
  EXPECT_EQ(FillBlock({"head" + Wide("x", "old") + "  "}, "x", "NEW"), (Pieces{"head  ", "NEW"}));
  // A tag over several pieces: the pieces between go, the closing piece stays.
  EXPECT_EQ(FillBlock({"first", "a" + Open("x") + "o1", "o2", "o3" + Close("x") + " c", "last"},
                      "x", "NEW"),
            (Pieces{"first", "a", "NEW", " c", "last"}));
}

TEST_F(TagsTest, ReplacingFillsShortAndWideTagsInPlace) {
  EXPECT_EQ(Replace({"1%%x%%2%%x%%3"}, "x", "v"), (Pieces{"1v2v3"}));
  EXPECT_EQ(Replace({"a" + Wide("x", "b") + "c"}, "x", "v"), (Pieces{"avc"}));
  EXPECT_EQ(Replace({"a" + Open("x") + "b", "mid", "c" + Close("x") + "d"}, "x", "v"),
            (Pieces{"av", "d"}));
  EXPECT_EQ(Replace({Wide("x", "1") + "-%%x%%-" + Wide("x", "2")}, "x", "v"), (Pieces{"v-v-v"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TagsTest, TagNamesMatchWithLetterCaseAndWholeMarkers) {
  Pieces text{"%%X%%" + Wide("X", "b") + "%%menu2%%"};
  EXPECT_EQ(Replace(text, "x", "v"), text);
  EXPECT_EQ(FillBlock(text, "x", "Y"), text);
  EXPECT_EQ(Replace(text, "menu", "v"), text);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(engine.run.BuildStopped);
}

TEST_F(TagsTest, EveryOccurrenceIsFilled) {
  EXPECT_EQ(FillBlock({"a%%x%%b", "c" + Wide("x", "") + "d"}, "x", "Y"),
            (Pieces{"a", "Y", "b", "c", "Y", "d"}));

  std::string twelve;
  Pieces expected;
  for (int i = 0; i < 12; ++i) {
    twelve += std::to_string(i) + Wide("x", "old");
    expected.push_back(std::to_string(i));
    expected.push_back("Y");
  }
  EXPECT_EQ(FillBlock({twelve}, "x", "Y"), expected);

  std::string shortTwelve;
  for (int i = 0; i < 12; ++i) shortTwelve += "%%x%%";
  EXPECT_EQ(Replace({shortTwelve}, "x", "v"), (Pieces{std::string(12, 'v')}));
}

TEST_F(TagsTest, ShortAndWideOccurrencesOfOneNameAllKeepTheirPlace) {
  EXPECT_EQ(FillBlock({"a%%x%%b" + Wide("x", "o") + "c"}, "x", "Y"),
            (Pieces{"a", "Y", "b", "Y", "c"}));
  // A wide tag before a short one in the same piece.
  EXPECT_EQ(FillBlock({Wide("x", "o") + " mid%%x%%tail"}, "x", "Y"),
            (Pieces{"", "Y", "mid", "Y", "tail"}));
  // A short tag inside a wide tag's body goes with the body.
  EXPECT_EQ(FillBlock({"a" + Open("x") + "b%%x%%c" + Close("x") + "d"}, "x", "Y"),
            (Pieces{"a", "Y", "d"}));
}

TEST_F(TagsTest, ValueHoldingItsOwnMarkerIsPutInOncePerOccurrence) {
  EXPECT_EQ(Replace({"a%%x%%b%%x%%c"}, "x", "[%%x%%]"), (Pieces{"a[%%x%%]b[%%x%%]c"}));
  std::string wideValue = Wide("x", "v");
  EXPECT_EQ(Replace({"a" + Wide("x", "1") + "b" + Wide("x", "2")}, "x", wideValue),
            (Pieces{"a" + wideValue + "b" + wideValue}));
  // A short occurrence filled with a wide marker of the same name is not a
  // wide tag to replace (nor one without an end).
  EXPECT_EQ(Replace({"a%%x%%b"}, "x", Open("x")), (Pieces{"a" + Open("x") + "b"}));
  EXPECT_EQ(
      Replace({"a" + Wide("x", "") + "b", "c" + Open("x"), "d" + Close("x")}, "x",
              Open("x") + "|" + Close("x")),
      (Pieces{"a" + Open("x") + "|" + Close("x") + "b", "c" + Open("x") + "|" + Close("x"), ""}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TagsTest, OpeningMarkerWithoutClosingMarkerIsReportedAndEndsTheWalk) {
  Pieces pieces = FillBlock({"a" + Open("x") + "b"}, "x", "Y");
  EXPECT_EQ(pieces, (Pieces{"a" + Open("x") + "b"}));
  EXPECT_EQ(host.Texts(MessageKind::Error), (std::vector<std::string>{"no end for tag:x"}));
  EXPECT_TRUE(engine.run.BuildStopped);

  // After occurrences that were already handled, too.
  for (bool block : {true, false}) {
    engine.run.BuildStopped = false;
    host.Clear();
    Pieces text{"%%x%%" + Wide("x", "1") + "c" + Open("x") + "d"};
    if (block) {
      OutputText output = Output(text);
      EXPECT_TRUE(FindTagInsertionPoints(engine, output, "x").empty());
    } else {
      EXPECT_EQ(Replace(text, "x", "v"), (Pieces{"vvc" + Open("x") + "d"}));
    }
    EXPECT_EQ(host.Texts(MessageKind::Error), (std::vector<std::string>{"no end for tag:x"}));
    EXPECT_TRUE(engine.run.BuildStopped);
  }
}

TEST_F(TagsTest, ClosingMarkerBeforeTheOpeningOneDoesNotCloseIt) {
  EXPECT_EQ(Replace({Close("x") + "a" + Wide("x", "b") + "c"}, "x", "v"),
            (Pieces{Close("x") + "avc"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TagsTest, DelimitersComeFromTheSettings) {
  // Markers made under the old delimiters are not used once they change.
  EXPECT_EQ(Replace({"a%%x%%b"}, "x", "v"), (Pieces{"avb"}));
  engine.run.prefs.settings.ShortStart = "{{";
  engine.run.prefs.settings.ShortEnd = "}}";
  engine.run.prefs.settings.WideOpenStart = "[";
  engine.run.prefs.settings.WideOpenEnd = ">";
  engine.run.prefs.settings.WideCloseStart = "[/";
  engine.run.prefs.settings.WideCloseEnd = ">";
  EXPECT_EQ(Replace({"a{{x}}b[x>old[/x>c%%x%%"}, "x", "v"), (Pieces{"avbvc%%x%%"}));
}

TEST_F(TagsTest, MarkersAreFoundAtEveryPlaceAndNowhereElse) {
  // At the very start and end, side by side, after a near miss that shares
  // the rarest byte, and in texts shorter than the marker.
  EXPECT_EQ(Replace({"%%x%%", "%%x%%%%x%%", "%x%%%%x%%%", "%%", "%%x%"}, "x", "v"),
            (Pieces{"v", "vv", "%x%%v%", "%%", "%%x%"}));
  // A marker with no rare byte at all, and an empty one, found nowhere.
  engine.run.prefs.settings.ShortStart = "";
  engine.run.prefs.settings.ShortEnd = "";
  EXPECT_EQ(Replace({"axa", "abc"}, "x", "v"), (Pieces{"ava", "abc"}));
  EXPECT_EQ(Replace({"abc"}, "", "v"), (Pieces{"abc"}));
}

TEST_F(TagsTest, NothingHappensOnceTheBuildStopped) {
  engine.run.BuildStopped = true;
  Pieces text{"a%%x%%b"};
  EXPECT_EQ(Replace(text, "x", "v"), text);
  EXPECT_EQ(FillBlock(text, "x", "Y"), text);
  OutputText output = Output(text);
  IncludeFile(engine, output, "missing.htm");
  EXPECT_EQ(PiecesOf(output), text);
}

TEST_F(TagsTest, IncludeAppendsTheFlattenedFile) {
  folder.Write("abc.htm", "A\r\nB\nC\r\n");
  OutputText output = FreshOutput();
  IncludeFile(engine, output, "abc.htm");
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "A B C "}));
  EXPECT_THROW(IncludeFile(engine, output, "missing.htm"), FileError);
}

TEST_F(TagsTest, IncludeOfATagAppendsItsBody) {
  folder.Write("t.htm", "x" + Open("t") + "line1\r\nline2" + Close("t") + "y\r\n");
  OutputText output = FreshOutput();
  IncludeTagFromFile(engine, "t.htm", "t", output);
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "line1 line2"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TagsTest, IncludeOfAMissingTagWarnsWithTheResolvedFileName) {
  folder.Write("t.htm", Open("t") + "body");
  OutputText output = FreshOutput();
  IncludeTagFromFile(engine, "t.htm", "u", output);
  EXPECT_EQ(host.Texts(MessageKind::Warning),
            (std::vector<std::string>{"there is no tag : u in file: " + folder.File("t.htm")}));
  EXPECT_TRUE(engine.run.BuildStopped);

  engine.run.BuildStopped = false;
  host.Clear();
  IncludeTagFromFile(engine, "t.htm", "t", output);
  EXPECT_EQ(
      host.Texts(MessageKind::Warning),
      (std::vector<std::string>{"there is no end for tag : t in file: " + folder.File("t.htm")}));
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(PiecesOf(output), (Pieces{""}));
}

TEST_F(TagsTest, IncludeOfATagEndsAtTheFirstClosingMarkerAfterItsOpening) {
  // A closing marker before the opening one closes nothing; the body runs to
  // the next one after it.
  folder.Write("t.htm", Close("m") + "x" + Wide("m", "BODY") + "y" + Close("m"));
  OutputText output = FreshOutput();
  IncludeTagFromFile(engine, "t.htm", "m", output);
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "BODY"}));
  EXPECT_TRUE(host.messages.empty());

  // An empty body right after the opening marker is still a body.
  folder.Write("e.htm", Close("m") + Wide("m", "") + "z");
  IncludeTagFromFile(engine, "e.htm", "m", output);
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "BODY", ""}));
  EXPECT_TRUE(host.messages.empty());

  // A file whose only closing marker stands before the opening one has no end.
  folder.Write("n.htm", "a" + Close("m") + "b" + Open("m") + "BODY");
  IncludeTagFromFile(engine, "n.htm", "m", output);
  EXPECT_EQ(
      host.Texts(MessageKind::Warning),
      (std::vector<std::string>{"there is no end for tag : m in file: " + folder.File("n.htm")}));
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "BODY", ""}));
}

TEST_F(TagsTest, IncludedFileChangedOnDiskIsReadAgain) {
  folder.Write("part.htm", "one");
  OutputText output = FreshOutput();
  IncludeFile(engine, output, "part.htm");
  IncludeFile(engine, output, "part.htm");
  folder.Write("part.htm", "two");
  IncludeFile(engine, output, "part.htm");
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "one", "one", "two"}));

  // Written through the C library, not by an atomic replacement.
  auto writeInPlace = [&](const char* mode, const char* text) {
    std::FILE* f = std::fopen(folder.File("part.htm").c_str(), mode);
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
  };
  // Rewritten in place, same size, same inode, within the same clock tick.
  writeInPlace("r+", "owt");
  IncludeFile(engine, output, "part.htm");
  EXPECT_EQ(output.back(), "owt");
  // Deleted and made anew with the same size.
  std::filesystem::remove(folder.File("part.htm"));
  writeInPlace("w", "net");
  IncludeFile(engine, output, "part.htm");
  EXPECT_EQ(output.back(), "net");
  // Deleted: the include fails instead of serving the old text.
  std::filesystem::remove(folder.File("part.htm"));
  EXPECT_THROW(IncludeFile(engine, output, "part.htm"), FileError);
}

TEST_F(TagsTest, IncludedLinkPointedElsewhereIsReadAgain) {
  folder.Write("a.htm", "first");
  folder.Write("b.htm", "second");
  std::filesystem::create_symlink("a.htm", folder.File("link.htm"));
  OutputText output = FreshOutput();
  IncludeFile(engine, output, "link.htm");
  IncludeFile(engine, output, "link.htm");
  // Re-pointed the way "ln -sfn" does it: a new link renamed over the old one.
  std::filesystem::create_symlink("b.htm", folder.File("new-link"));
  std::filesystem::rename(folder.File("new-link"), folder.File("link.htm"));
  IncludeFile(engine, output, "link.htm");
  EXPECT_EQ(PiecesOf(output), (Pieces{"", "first", "first", "second"}));
}

}  // namespace
}  // namespace ws
