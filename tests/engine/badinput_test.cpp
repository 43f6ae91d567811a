// Bad and oversized input: each case ends with a clear message (or works),
// never crashes or hangs, and leaves the files that were there as they were.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "entrypoints.h"
#include "reformat.h"
#include "test_support.h"

namespace ws {
namespace {

using test::RecordingHost;
using test::TempFolder;
using Lines = std::vector<std::string>;

Lines Repeated(const std::string& line, int count) {
  return Lines(static_cast<std::size_t>(count), line);
}

Lines Joined(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Bytes of every value, with NUL, 0xFF and lone CRs among them.
std::string Junk(unsigned seed, std::size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  bytes += std::string("\0\xFF\r\r\0", 5);
  return bytes;
}

class BadInput : public ::testing::Test {
 protected:
  BadInput() {
    engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
    dir.Write("out.htm", "previous");
  }

  RunOutcome Run(Lines lines) {
    host.Clear();
    return RunBuildFile(engine, {std::move(lines), dir.Folder(), "site.bld"});
  }
  // Runs a build file as the CLI reads it: from its bytes on disk.
  RunOutcome RunFile(const std::string& bytes) {
    RichBuffer source;
    source.Load(dir.Write("site.bld", bytes));
    return Run(source.Lines());
  }
  std::string Read(std::string_view name) const { return ReadFileBytes(dir.File(name)); }
  std::vector<std::string> Errors() const { return host.Texts(MessageKind::Error); }
  // What a stopped run must leave: one message, and the old output.
  void ExpectStoppedWithOneMessage() const {
    EXPECT_EQ(host.messages.size(), 1u) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(Read("out.htm"), "previous");
  }

  RecordingHost host;
  Engine engine{host};
  TempFolder dir;
};

TEST_F(BadInput, HundredThousandLinesStopAtTheInstructionLimit) {
  Lines lines{"new \"out.htm\""};
  for (int i = 0; i < 100000; ++i) lines.push_back("set x" + std::to_string(i) + " \"v\"");
  lines.push_back("end");
  EXPECT_EQ(Run(lines), RunOutcome::Stopped);
  EXPECT_EQ(Errors(), Lines{"Syntax error - the program needs more than 300 instructions"});
  ExpectStoppedWithOneMessage();

  // As many lines that make no instruction are all read.
  dir.Write("t.htm", "body");
  EXPECT_EQ(Run(Joined({Repeated("-- a comment", 50000),
                        Repeated("", 50000),
                        {"new \"out.htm\"", "include \"t.htm\"", "end"}})),
            RunOutcome::Completed);
  EXPECT_EQ(Read("out.htm"), "\r\nbody\r\n");
}

TEST_F(BadInput, MegabyteLines) {
  const std::string mega(1 << 20, 'a');
  dir.Write("t.htm", "<%%t%%>");

  // A quoted text of a megabyte is a value like any other.
  EXPECT_EQ(Run({"new \"big.htm\"", "include \"t.htm\"", "tag \"t\" \"" + mega + "\"", "end"}),
            RunOutcome::Completed);
  EXPECT_EQ(Read("big.htm"), "\r\n<" + mega + ">\r\n");
  EXPECT_EQ(Run({"new \"out.htm\"", "-- " + mega, "end"}), RunOutcome::Completed);

  const Lines bad[] = {
      {"new \"out.htm\"", mega, "end"},
      {"new \"out.htm\"", "tag \"t\" \"" + mega, "end"},
      {"new \"out.htm\"", "new " + std::string(1 << 20, '/'), "end"},
      {"new \"out.htm\"", "set x \"a\" " + mega, "end"},
      {"new \"out.htm\"", "set x x:" + std::string(1 << 20, '9'), "end"},
  };
  const std::string messages[] = {
      "Missing or Misspelled command on line: 2",
      "Closing quotation mark is missing on line: 2",
      "No parameters for `new` command on line: 2",
      "Too many parameters for `set` command on line: 2",
      "no such variable",
  };
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    dir.Write("out.htm", "previous");
    EXPECT_EQ(Run(bad[i]), RunOutcome::Stopped) << i;
    EXPECT_EQ(host.Texts(), Lines{messages[i]}) << i;
    ExpectStoppedWithOneMessage();
  }

  // A file name of a megabyte cannot be opened; the message names it.
  EXPECT_EQ(Run({"new \"out.htm\"", "include \"" + mega + "\"", "end"}), RunOutcome::FileFailed);
  EXPECT_EQ(Errors(), Lines{"Cannot open file " + dir.File(mega)});
  ExpectStoppedWithOneMessage();
}

TEST_F(BadInput, DeepNestingEndsAtALimitOfTheParserOrTheProgram) {
  dir.Write("d.csv", "A\r\n1\r\n");
  const std::string stack =
      "Syntax error - the blocks are nested too deeply: the parse stack holds 255 entries";
  const std::string program = "Syntax error - the program needs more than 300 instructions";
  struct Case {
    std::string open;
    std::string message;
  };
  const Case cases[] = {{"if x is \"a\" then", program},
                        {"repeat r \"d.csv\"", program},
                        {"tag \"t\"", stack},
                        {"new \"out.htm\"", stack}};
  for (const Case& c : cases) {
    Lines lines = Joined({{"set x \"a\"", "new \"out.htm\""},
                          Repeated(c.open, 10000),
                          {"include \"d.csv\""},
                          Repeated("end", 10001)});
    EXPECT_EQ(Run(lines), RunOutcome::Stopped) << c.open;
    EXPECT_EQ(Errors(), Lines{c.message}) << c.open;
    ExpectStoppedWithOneMessage();
  }
  EXPECT_EQ(Run(Repeated("end", 10000)), RunOutcome::Stopped);
  ExpectStoppedWithOneMessage();

  // Tag blocks that fit in the program but nest deeper than a run allows.
  dir.Write("t.htm", "%%t%%");
  EXPECT_EQ(Run(Joined({{"new \"out.htm\"", "include \"t.htm\""},
                        Repeated("tag \"t\"", 110),
                        {"include \"t.htm\""},
                        Repeated("end", 111)})),
            RunOutcome::Stopped);
  EXPECT_EQ(Errors(),
            Lines{"Too many nested tag blocks: at most 100 can be open at once (tag: t)"});
  ExpectStoppedWithOneMessage();
}

TEST_F(BadInput, RepeatOverTwoHundredThousandRecords) {
  std::string csv = "Name,City\r\n";
  for (int i = 0; i < 200000; ++i)
    csv += "n" + std::to_string(i) + ",c" + std::to_string(i) + "\r\n";
  dir.Write("big.csv", csv);
  dir.Write("t.htm", "%%a%% %%b%%");
  const Lines lines = {
      "repeat r \"big.csv\"", "  set a r:1",   "  set b r:\"City\"", "end", "new \"out.htm\"",
      "  include \"t.htm\"",  "  tag \"a\" a", "  tag \"b\" b",      "end"};
  ASSERT_EQ(Run(lines), RunOutcome::Completed) << ::testing::PrintToString(host.Texts());
  EXPECT_EQ(Read("out.htm"), "\r\nn199999 c199999\r\n");
}

TEST_F(BadInput, TenMegabyteRecords) {
  const std::string half(5 << 20, 'x');
  dir.Write("wide.csv", "Name,City\r\n" + half + "a," + half + "b\r\n");
  dir.Write("t.htm", "%%b%%");
  EXPECT_EQ(Run({"repeat r \"wide.csv\"", "  set a r:1", "  set b r:\"City\"", "end",
                 "new \"big.htm\"", "  include \"t.htm\"", "  tag \"b\" b", "end"}),
            RunOutcome::Completed);
  EXPECT_EQ(Read("big.htm"), "\r\n" + half + "b\r\n");

  // Ten million separators: the last column is found, one past it is reported.
  const std::string commas = std::string(10000000, ',') + "end\r\n";
  dir.Write("commas.csv", commas + commas);
  dir.Write("out.htm", "previous");
  EXPECT_EQ(Run({"repeat r \"commas.csv\"", "  set a r:10000001", "  set b r:10000002", "end",
                 "new \"out.htm\"", "end"}),
            RunOutcome::Stopped);
  EXPECT_EQ(Errors(),
            Lines{"there is no such column number: 10000002 in: " + dir.File("commas.csv")});
  ExpectStoppedWithOneMessage();
}

TEST_F(BadInput, BinaryJunkAsBuildFileIncludedFileAndDataFile) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    EXPECT_NE(RunFile(Junk(seed, 1000 * seed)), RunOutcome::Completed) << seed;
    EXPECT_EQ(Errors().size(), 1u) << seed;
    ExpectStoppedWithOneMessage();
  }
  // Junk behind an RTF header is read as a document and checked like any other.
  EXPECT_EQ(RunFile("{\\rtf1 " + Junk(99, 100000)), RunOutcome::Stopped);
  ExpectStoppedWithOneMessage();

  // Junk bytes pass through an included file unchanged, line breaks aside.
  const std::string junk = Junk(7, 100000);
  dir.Write("junk.htm", junk);
  ASSERT_EQ(Run({"new \"inc.htm\"", "include \"junk.htm\"", "end"}), RunOutcome::Completed);
  EXPECT_EQ(Read("inc.htm"), "\r\n" + FlattenLineBreaks(junk) + "\r\n");

  // Read as a data file, junk gives records and fields or a clear message.
  dir.Write("junk.csv", junk);
  const RunOutcome outcome = Run({"repeat r \"junk.csv\"", "  set a r:1", "  set b r:2", "end"});
  EXPECT_TRUE(outcome == RunOutcome::Completed ? Errors().empty() : Errors().size() == 1u)
      << ::testing::PrintToString(host.Texts());
}

// Valid commands with junk bytes put in at random places: a run completes
// with its one message or stops with its reasons and no completion.
TEST_F(BadInput, MutatedBuildFilesEndWithTheirMessages) {
  dir.Write("t.htm", "%%t%% <!--tag \"t\"-->x<!--/tag \"t\"-->");
  dir.Write("d.csv", "Name,City\r\na,b\r\n");
  const std::string commands[] = {
      "new \"o.htm\"",      "end",         "include \"t.htm\"", "tag \"t\" \"v\"",
      "tag \"t\"",          "set x \"a\"", "set y r:\"Name\"",  "repeat r \"d.csv\"",
      "if x is \"a\" then", "else",        "-- comment",        "set z <date>"};
  const char specials[] = {'\0', '\xFF', '\r', '\n', '"', '#', ',', ':', '\x1A', '-', '/', '<'};
  std::mt19937 random(2024);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (int n = 1 + static_cast<int>(random() % 10); n > 0; --n)
      text += commands[random() % std::size(commands)] + "\r\n";
    for (int n = static_cast<int>(random() % 4); n > 0; --n)
      text.insert(random() % (text.size() + 1), 1, specials[random() % std::size(specials)]);
    if (RunFile(text) == RunOutcome::Completed) {
      EXPECT_EQ(host.Texts(), Lines{"Build file complete"}) << ::testing::PrintToString(text);
    } else {
      // The scanner reports up to two stray signs of one line.
      EXPECT_GE(host.messages.size(), 1u) << ::testing::PrintToString(text);
      EXPECT_LE(host.messages.size(), 2u) << ::testing::PrintToString(text);
      EXPECT_EQ(host.Texts(MessageKind::Information), Lines{}) << ::testing::PrintToString(text);
    }
  }
}

// The grammar tables: a missing, empty or cut file is named in the message,
// the run ends as a file failure, and a good file is used again at once.
class DamagedGrammar : public BadInput {
 protected:
  DamagedGrammar() {
    const std::string source = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
    for (const char* name : {"alpha", "pred", "rules"}) {
      original_[name] = ReadFileBytes(source + name);
      tables.Write(name, original_[name]);
    }
    engine.config.ProgramFolder = tables.Folder();
  }
  void Damage(const std::string& name, const std::string& bytes) { tables.Write(name, bytes); }
  void Restore(const std::string& name) { tables.Write(name, original_[name]); }
  std::string Path(const std::string& name) const { return tables.File(name); }
  // The first n lines of a table, each with its line break.
  std::string FirstLines(const std::string& name, std::size_t n) {
    const std::string& text = original_[name];
    std::size_t end = 0;
    for (std::size_t i = 0; i < n; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
  }
  RunOutcome RunSmall() { return Run({"new \"out.htm\"", "end"}); }

  TempFolder tables;
  std::map<std::string, std::string> original_;
};

TEST_F(DamagedGrammar, MissingEmptyOrCutTablesAreFileFailures) {
  struct Case {
    std::string name;
    std::string bytes;    // "missing" removes the file
    std::string message;  // the whole message, or its start when it ends in ": "
  };
  const std::string alpha = original_["alpha"], rules = original_["rules"];
  const Case cases[] = {
      {"alpha", "missing", "Cannot open file " + Path("alpha")},
      {"pred", "missing", "Cannot open file " + Path("pred")},
      {"rules", "missing", "Cannot open file " + Path("rules")},
      {"alpha", "", "Cannot open file " + Path("alpha")},
      {"pred", "", "Cannot open file " + Path("pred")},
      {"rules", "", "Cannot open file " + Path("rules")},
      {"pred", original_["pred"].substr(0, 4899), "Cannot open file " + Path("pred")},
      {"alpha", alpha.substr(0, alpha.find('\n') + 1),
       "Grammar file " + Path("alpha") + " is damaged: the symbol on line 1 has no code line"},
      {"alpha", FirstLines("alpha", 20),
       "Grammar file " + Path("alpha") + " is damaged: the symbol $prog is missing"},
      {"rules", FirstLines("rules", 12) + "29 2 20",
       "Grammar file " + Path("rules") + " is damaged: line 13 does not hold seven numbers"},
      {"alpha", Junk(3, 5000), "Grammar file " + Path("alpha") + " is damaged: "},
      {"rules", Junk(4, 5000), "Grammar file " + Path("rules") + " is damaged: "},
  };
  for (const Case& c : cases) {
    if (c.bytes == "missing")
      std::filesystem::remove(Path(c.name));
    else
      Damage(c.name, c.bytes);
    auto expectMessage = [&] {
      ASSERT_EQ(Errors().size(), 1u) << c.message;
      if (c.message.ends_with(": "))
        EXPECT_TRUE(Errors()[0].starts_with(c.message)) << Errors()[0];
      else
        EXPECT_EQ(Errors()[0], c.message);
    };
    EXPECT_EQ(RunSmall(), RunOutcome::FileFailed) << c.message;
    expectMessage();
    ExpectStoppedWithOneMessage();
    host.Clear();
    EXPECT_EQ(CheckSyntax(engine, {"new \"out.htm\"", "end"}), RunOutcome::FileFailed) << c.message;
    expectMessage();
    Restore(c.name);
    EXPECT_EQ(RunSmall(), RunOutcome::Completed) << c.message;
    dir.Write("out.htm", "previous");
  }
}

TEST_F(DamagedGrammar, RulesCutAtALineEndAreNamedAsDamaged) {
  Damage("rules", FirstLines("rules", 20));
  EXPECT_EQ(RunSmall(), RunOutcome::FileFailed);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find(Path("rules")), std::string::npos) << Errors()[0];
}

TEST_F(DamagedGrammar, RelationTableOfOtherBytesIsNamedAsDamaged) {
  Damage("pred", std::string(4900, '\0'));
  EXPECT_EQ(RunSmall(), RunOutcome::FileFailed);
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find(Path("pred")), std::string::npos) << Errors()[0];
}

TEST_F(BadInput, OutputThatCannotBeWrittenKeepsThePreviousFileAndEverythingElse) {
  // A link under the temporary file's name is not written through.
  dir.Write("victim.htm", "victim");
  std::filesystem::create_symlink(dir.File("victim.htm"), dir.File("out.htm.weftsmith-tmp"));
  EXPECT_EQ(Run({"new \"out.htm\"", "end"}), RunOutcome::FileFailed);
  EXPECT_EQ(Errors(), Lines{"Cannot create file " + dir.File("out.htm")});
  ExpectStoppedWithOneMessage();
  EXPECT_EQ(Read("victim.htm"), "victim");
  std::filesystem::remove(dir.File("out.htm.weftsmith-tmp"));

  // Nor is a second name of another file.
  std::filesystem::create_hard_link(dir.File("victim.htm"), dir.File("out.htm.weftsmith-tmp"));
  EXPECT_EQ(Run({"new \"out.htm\"", "end"}), RunOutcome::FileFailed);
  ExpectStoppedWithOneMessage();
  EXPECT_EQ(Read("victim.htm"), "victim");
  std::filesystem::remove(dir.File("out.htm.weftsmith-tmp"));

  // A named pipe there fails at once instead of waiting for a reader.
  ASSERT_EQ(::mkfifo(dir.File("out.htm.weftsmith-tmp").c_str(), 0600), 0);
  EXPECT_EQ(Run({"new \"out.htm\"", "end"}), RunOutcome::FileFailed);
  ExpectStoppedWithOneMessage();
  std::filesystem::remove(dir.File("out.htm.weftsmith-tmp"));

  // A temporary file left over from an earlier run is reused.
  dir.Write("out.htm.weftsmith-tmp", "left over from a run that was killed");
  EXPECT_EQ(Run({"new \"out.htm\"", "end"}), RunOutcome::Completed);
  EXPECT_EQ(Read("out.htm"), "\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.htm.weftsmith-tmp")));
}

TEST_F(BadInput, DevicesAreNotReadAsFiles) {
  for (const char* device : {"/dev/zero", "/dev/urandom"}) {
    EXPECT_EQ(Run({"new \"out.htm\"", std::string("include \"") + device + "\"", "end"}),
              RunOutcome::FileFailed);
    EXPECT_EQ(Errors(), Lines{std::string("Cannot open file ") + device});
    ExpectStoppedWithOneMessage();
  }
  EXPECT_EQ(Run({"repeat r \"/dev/zero\"", "end"}), RunOutcome::FileFailed);
  EXPECT_EQ(Errors(), Lines{"Cannot open file /dev/zero"});
}

// Ten thousand occurrences of a tag in one included file: every one
// is filled, and a tag block's text goes in as a line of its own.
TEST_F(BadInput, ManyTagsInOneIncludedFile) {
  std::string wide, shortTags, replaced, wideBlocks = "\r\n\r\n", shortBlocks = "\r\n\r\n";
  for (int i = 0; i < 10000; ++i) {
    const std::string n = std::to_string(i);
    wide += "<!--tag \"t\"-->old<!--/tag \"t\"--> " + n + " ";
    replaced += "v " + n + " ";
    wideBlocks += "[b]\r\n" + n + " \r\n";
    shortTags += "%%t%%" + n;
    shortBlocks += "[b]\r\n" + n + "\r\n";
  }
  dir.Write("wide.htm", wide);
  dir.Write("short.htm", shortTags);
  dir.Write("b.htm", "[b]");
  ASSERT_EQ(
      Run({"new \"w.htm\"", "include \"wide.htm\"", "tag \"t\" \"v\"", "end", "new \"wb.htm\"",
           "include \"wide.htm\"", "tag \"t\"", "include \"b.htm\"", "end", "end",  //
           "new \"sb.htm\"", "include \"short.htm\"", "tag \"t\"", "include \"b.htm\"", "end",
           "end"}),
      RunOutcome::Completed);
  EXPECT_EQ(Read("w.htm"), "\r\n" + replaced + "\r\n");
  EXPECT_EQ(Read("wb.htm"), wideBlocks);
  EXPECT_EQ(Read("sb.htm"), shortBlocks);
}

TEST_F(BadInput, ReformatShowsEveryBadLineWithTheCaretOnIt) {
  ReformatText(engine, {"new \"a.htm\"", "set x \"open", "end", "tag \"t\" x:y", "end"});
  EXPECT_EQ(Errors(), (Lines{"Closing quotation mark is missing on line: 2",
                             "Invalid field number after `:` on line: 4"}));
  EXPECT_EQ(host.caretLines, (std::vector<int>{1, 3}));

  // A long text of bad lines: each caret is placed on its line.
  host.Clear();
  host.caretLines.clear();
  const std::string text = ReformatText(engine, Repeated("set x \"open", 50000));
  EXPECT_EQ(Errors().size(), 50000u);
  ASSERT_EQ(host.caretLines.size(), 50000u);
  EXPECT_EQ(host.caretLines.back(), 49999);
  EXPECT_EQ(text.size(), 50000u * 13 - 2);
}

}  // namespace
}  // namespace ws
