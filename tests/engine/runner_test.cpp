// Whole build files run through the real engine: check, compile, run, and the
// files they write.
#include <gtest/gtest.h>

#include <filesystem>

#include "entrypoints.h"
#include "interpreter.h"
#include "test_support.h"

namespace ws {
namespace {

using test::CrLfText;
using test::RecordingHost;
using test::TempFolder;

class Runner : public ::testing::Test {
 protected:
  Runner() { engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/"; }

  RunOutcome Run(const std::vector<std::string>& lines, std::string folder = "") {
    return RunBuildFile(engine, {lines, folder.empty() ? dir.Folder() : folder, "site.bld"});
  }
  std::string Read(std::string_view name) const { return ReadFileBytes(dir.File(name)); }
  std::vector<std::string> Errors() const { return host.Texts(MessageKind::Error); }

  RecordingHost host;
  Engine engine{host};
  TempFolder dir;
};

TEST_F(Runner, WritesOutputFilesWithCrLfLinesAndALeadingEmptyLine) {
  dir.Write("tpl.htm", CrLfText({"first line", "second %%title%% line"}));
  dir.Write("out.htm", "an older and much longer text that must go away entirely\r\n");
  EXPECT_EQ(Run({"new \"out.htm\"", "include \"tpl.htm\"", "tag \"title\" \"Home\"", "end"}),
            RunOutcome::Completed);
  EXPECT_EQ(Read("out.htm"), "\r\nfirst line second Home line \r\n");
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"Build file complete"});
  EXPECT_EQ(host.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(host.runEvents, (std::vector<std::string>{"started site.bld", "ended 0"}));
  EXPECT_GT(host.ticks, 4);  // one before each instruction
}

TEST_F(Runner, IfElseTakesTheRightBranch) {
  dir.Write("a.htm", "A");
  dir.Write("b.htm", "B");
  std::vector<std::string> lines = {"set x \"yes\"",
                                    "new \"out.htm\"",
                                    "  if x is \"yes\" then",
                                    "    include \"a.htm\"",
                                    "  else",
                                    "    include \"b.htm\"",
                                    "  end",
                                    "  if x isnot \"yes\" then",
                                    "    include \"b.htm\"",
                                    "  end",
                                    "  if x is \"YES\" then",  // letter case matters
                                    "    include \"b.htm\"",
                                    "  else",
                                    "    include \"a.htm\"",
                                    "  end",
                                    "end"};
  ASSERT_EQ(Run(lines), RunOutcome::Completed) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("out.htm"), "\r\nA\r\nA\r\n");
}

TEST_F(Runner, IsAndIsNotCompareWholeTexts) {
  dir.Write("y.htm", "Y");
  dir.Write("n.htm", "N");
  std::vector<std::string> lines = {"set x \"abc\"", "new \"out.htm\""};
  for (std::string test : {"x is \"ab\"", "x is \"abcd\"", "x is \"abc\"", "x isnot \"ab\"",
                           "x isnot \"abcd\"", "x isnot \"abc\""})
    lines.insert(lines.end(),
                 {"if " + test + " then", "include \"y.htm\"", "else", "include \"n.htm\"", "end"});
  lines.push_back("end");
  ASSERT_EQ(Run(lines), RunOutcome::Completed) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("out.htm"), CrLfText({"", "N", "N", "Y", "Y", "Y", "N"}));
}

TEST_F(Runner, RepeatRunsOncePerRecordAndIfInsideIt) {
  dir.Write("d.csv", "Name,City\r\nAnn,Oslo\r\nBob,Rome\r\n# a comment\r\nCid,Oslo\r\n");
  std::vector<std::string> lines = {
      "new \"out.htm\"",
      "  repeat r \"d.csv\"",
      "    tag \"x\"",  // no tag x in the output: the block's text lands nowhere
      "      include \"d.csv\"",
      "    end",
      "    if r:\"City\" is \"Oslo\" then",
      "      set last r:1",
      "    end",
      "  end",
      "end",
      "new \"last.htm\"",
      "  tag \"y\" last",
      "end"};
  ASSERT_EQ(Run(lines), RunOutcome::Completed) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("out.htm"), "\r\n");
  const Variable* last = engine.tables.Variables.Find("last");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Value, "Cid");
}

// Field references by column name with a data-set name longer than one
// letter, as the first parameter of `tag` and of `include`.
TEST_F(Runner, RepeatFillsTagsAndIncludesNamedByColumnsOfALongerDataSetName) {
  dir.Write("tpl.htm", "[%%first%%|%%second%%]");
  dir.Write("d.csv", "Tag name,Value,File name\r\nfirst,One,a.htm\r\nsecond,Two,b.htm\r\n");
  dir.Write("a.htm", "<!--tag \"t\"-->A body<!--/tag \"t\"-->");
  dir.Write("b.htm", "x<!--tag \"t\"-->B body<!--/tag \"t\"-->y");
  ASSERT_EQ(Run({"new \"out.htm\"", "  include \"tpl.htm\"", "  repeat row \"d.csv\"",
                 "    tag row:\"Tag name\" row:\"Value\"", "    include row:\"File name\" \"t\"",
                 "  end", "end"}),
            RunOutcome::Completed)
      << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("out.htm"), CrLfText({"", "[One|Two]", "A body", "B body"}));
}

TEST_F(Runner, TagBlockFillsEveryPlaceAndIgnoresRun) {
  dir.Write("tpl.htm", "a%%x%%b<!--tag \"x\"-->old<!--/tag \"x\"-->  c");
  dir.Write("y.htm", "Y");
  dir.Write("other.bld", "new \"other.htm\"\r\nend\r\n");
  ASSERT_EQ(Run({"new \"out.htm\"", "include \"tpl.htm\"", "tag \"x\"", "include \"y.htm\"",
                 "run \"other.bld\"", "end", "end"}),
            RunOutcome::Completed)
      << ::testing::PrintToString(host.Texts());
  EXPECT_FALSE(std::filesystem::exists(dir.File("other.htm")));
  // The block's text is one piece after each place of the tag.
  EXPECT_EQ(Read("out.htm"), CrLfText({"", "a", "Y", "b", "Y", "c"}));
}

// Three short tags in one line of the output: filled by a block's body, cut
// for one block of their common name, and cut for a block each.
TEST_F(Runner, ShortTagsSharingALineAreFilledAndCutInPlace) {
  dir.Write("page.htm", "<%%x%%>");
  dir.Write("row.htm", "%%a%%-%%b%%-%%c%%");
  dir.Write("three.htm", "%%x%%-%%x%%-%%x%%");
  dir.Write("u.htm", "U");
  dir.Write("v.htm", "V");
  dir.Write("w.htm", "W");
  std::vector<std::string> lines = {"new \"filled.htm\"",
                                    "  include \"page.htm\"",
                                    "  tag \"x\"",
                                    "    include \"row.htm\"",
                                    "    tag \"a\" \"a long value\"",
                                    "    tag \"b\" \"\"",
                                    "    tag \"c\" \"3\"",
                                    "  end",
                                    "end",
                                    "new \"same.htm\"",
                                    "  include \"three.htm\"",
                                    "  tag \"x\"",
                                    "    include \"v.htm\"",
                                    "  end",
                                    "end",
                                    "new \"each.htm\"",
                                    "  include \"row.htm\"",
                                    "  tag \"a\"",
                                    "    include \"u.htm\"",
                                    "  end",
                                    "  tag \"b\"",
                                    "    include \"v.htm\"",
                                    "  end",
                                    "  tag \"c\"",
                                    "    include \"w.htm\"",
                                    "  end",
                                    "end"};
  ASSERT_EQ(Run(lines), RunOutcome::Completed) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("filled.htm"), "\r\n<\r\na long value- -3\r\n>\r\n");
  EXPECT_EQ(Read("same.htm"), "\r\n\r\nV\r\n-\r\nV\r\n-\r\nV\r\n");
  EXPECT_EQ(Read("each.htm"), "\r\n\r\nU\r\n-\r\nV\r\n-\r\nW\r\n");
}

TEST_F(Runner, NestedRunUsesItsOwnFolderAndTheCallerGoesOn) {
  std::filesystem::create_directory(dir.File("sub"));
  dir.Write("sub/part.htm", "sub part");
  dir.Write("part.htm", "top part");
  // The nested file stops early: only that file ends.
  dir.Write("sub/inner.bld", CrLfText({"new \"made.htm\"", "include \"part.htm\"", "end",
                                       "# everything after the end mark is not read"}));
  ASSERT_EQ(Run({"run \"sub/inner.bld\"", "new \"after.htm\"", "include \"part.htm\"", "end"}),
            RunOutcome::Completed)
      << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("sub/made.htm"), "\r\nsub part\r\n");
  EXPECT_EQ(Read("after.htm"), "\r\ntop part\r\n");
  EXPECT_EQ(engine.run.BaseFolder, dir.Folder());
}

TEST_F(Runner, NestedSyntaxErrorEndsTheWholeRun) {
  dir.Write("broken.bld", CrLfText({"new \"x.htm\""}));
  EXPECT_EQ(Run({"run \"broken.bld\"", "new \"after.htm\"", "end"}), RunOutcome::Stopped);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].text.find("in file: " + dir.File("broken.bld")), std::string::npos)
      << host.messages[0].text;
  EXPECT_FALSE(std::filesystem::exists(dir.File("after.htm")));
}

TEST_F(Runner, SelfRecursionStopsAtTheDepthBound) {
  dir.Write("self.bld", "run \"self.bld\"\r\n");
  EXPECT_EQ(Run({"run \"self.bld\""}), RunOutcome::Stopped);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0], "Too many nested runs: build files may run others at most " +
                             std::to_string(kMaxRunDepth) + " deep (at " + dir.File("self.bld") +
                             ")");
}

TEST_F(Runner, FileErrorsEndTheRunCleanly) {
  EXPECT_EQ(Run({"new \"out.htm\"", "include \"missing.htm\"", "end"}), RunOutcome::FileFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot open file " + dir.File("missing.htm")});
  EXPECT_EQ(host.runEvents, (std::vector<std::string>{"started site.bld", "ended 2"}));
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(Run({"run \"nothere.bld\""}), RunOutcome::FileFailed);
}

TEST_F(Runner, FailedWriteKeepsThePreviousOutput) {
  dir.Write("out.htm", "previous");
  // Something in the way of the temporary file makes the write fail.
  std::filesystem::create_directory(dir.File("out.htm.weftsmith-tmp"));
  EXPECT_EQ(Run({"new \"out.htm\"", "end"}), RunOutcome::FileFailed);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot create file " + dir.File("out.htm")});
  EXPECT_EQ(Read("out.htm"), "previous");
}

TEST_F(Runner, MissingOutputFolderIsReportedAndNotCreated) {
  EXPECT_EQ(Run({"new \"nofolder/out.htm\"", "end"}), RunOutcome::Stopped);
  EXPECT_EQ(Errors(),
            std::vector<std::string>{"Folder " + dir.File("nofolder") + " does not exist!"});
  EXPECT_FALSE(std::filesystem::exists(dir.File("nofolder")));
}

TEST_F(Runner, CheckerFailureEndsTheRunAndShowsOnlyItsMessage) {
  EXPECT_EQ(Run({"Tag \"a\""}), RunOutcome::Stopped);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Missing or Misspelled command on line: 1"});
  EXPECT_EQ(host.runEvents, (std::vector<std::string>{"started site.bld", "ended 1"}));
}

// A mistake in a nested build file names that file and its line, and leaves
// the document's caret where it is: the line is not the document's.
TEST_F(Runner, AMistakeInANestedFileLeavesTheDocumentsCaret) {
  for (const char* inner : {"set x 1\r\nset y \"open\r\n", "set x 1\r\nend\r\n"}) {
    host.Clear();
    host.caretLines.clear();
    dir.Write("inner.bld", inner);
    EXPECT_EQ(Run({"set a 1", "run \"inner.bld\""}), RunOutcome::Stopped);
    ASSERT_EQ(host.located.size(), 1u) << testing::PrintToString(host.Texts());
    EXPECT_EQ(host.located[0].file, dir.File("inner.bld"));
    EXPECT_EQ(host.located[0].line, 1);
    EXPECT_TRUE(host.caretLines.empty());
  }
}

TEST_F(Runner, CheckSyntaxIsSilentOnSuccess) {
  EXPECT_EQ(CheckSyntax(engine, {"new \"a.htm\"", "end"}), RunOutcome::Completed);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.htm")));
}

TEST_F(Runner, DateAndTimeComeFromTheHost) {
  ASSERT_EQ(Run({"new \"out.htm\"", "tag \"d\" <date>", "end", "set t <time>"}),
            RunOutcome::Completed);
  EXPECT_EQ(engine.tables.Variables.Find("t")->Value, "04:05:06");
}

}  // namespace
}  // namespace ws
