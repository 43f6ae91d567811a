#include "compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "fileio.h"
#include "grammar.h"
#include "test_support.h"

namespace ws {
namespace {

using Lines = std::vector<std::string>;

class CompilerTest : public ::testing::Test {
 protected:
  CompilerTest() : engine(host) { engine.config.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/"; }

  // Compiles prepared lines into program.
  bool Compile(const Lines& lines) {
    engine.run.Memo1.SetLines(lines);
    return CompileBuildFile(engine, program);
  }

  // The filled records as "opcode operand1 operand2 operand3", each operand by
  // its node name ("-" for none).
  std::vector<std::string> Listing() const {
    std::vector<std::string> listing;
    for (int i = 1; i <= kInstructionCount && program.table[i].opcode != Op::None; ++i) {
      const TInstruction& in = program.table[i];
      std::string line(OpText(in.opcode));
      for (const TNode* node : {in.operand1, in.operand2, in.operand3})
        line += " " + (node ? node->name : std::string("-"));
      listing.push_back(line);
    }
    return listing;
  }

  std::vector<std::string> Compiled(const Lines& lines) {
    EXPECT_TRUE(Compile(lines)) << testing::PrintToString(host.Texts());
    return Listing();
  }

  // The single error message of a failed compile.
  std::string ErrorOf(const Lines& lines) {
    host.Clear();
    EXPECT_FALSE(Compile(lines));
    EXPECT_TRUE(engine.run.CompileError);
    EXPECT_EQ(host.messages.size(), 1u) << testing::PrintToString(host.Texts());
    return host.messages.empty() ? std::string() : host.messages.front().text;
  }

  test::RecordingHost host;
  Engine engine;
  CompiledProgram program;
};

TEST_F(CompilerTest, TheSevenRecordExample) {
  EXPECT_EQ(Compiled({"set y \"b\"", "if y is \"b\" then", "  include \"a.htm\"", "end"}),
            (Lines{"set y \"b\" -", "ID y - &0", "IfIs &0 \"b\" &1", "JMPIfIs 6 &1 -",
                   "include1 \"a.htm\" - -", "EndIfEnd - - -", "STP - - -"}));
  const TInstructionTable& t = program.table;
  for (int i = 8; i <= kInstructionCount; ++i) EXPECT_EQ(t[i].opcode, Op::None) << i;
  // Quoted texts carry their text as value; each occurrence has its own node.
  EXPECT_EQ(t[1].operand2->value, "b");
  EXPECT_EQ(t[3].operand2->value, "b");
  EXPECT_NE(t[1].operand2, t[3].operand2);
  EXPECT_EQ(t[5].operand1->value, "a.htm");
  // The set names the variable's symbol; the read gets a reference of its own.
  EXPECT_NE(t[1].operand1, t[2].operand1);
  EXPECT_EQ(t[2].operand3, t[3].operand1);
  EXPECT_EQ(t[3].operand3, t[4].operand2);
  EXPECT_FALSE(engine.run.CompileError);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CompilerTest, IfWithElseJumpsOverEachPart) {
  EXPECT_EQ(Compiled({"if a isnot \"x\" then", "include \"p\"", "else -- otherwise",
                      "include \"q\"", "end if"}),
            (Lines{"ID a - &0", "IfIsNot &0 \"x\" &1", "JMPIfIsNot 5 &1 -", "include1 \"p\" - -",
                   "else 7 - -", "include1 \"q\" - -", "STP - - -"}));
}

TEST_F(CompilerTest, RepeatLoopsBackToItsTest) {
  EXPECT_EQ(Compiled({"repeat r \"d.csv\"", "  include r:\"File\"", "end"}),
            (Lines{"repeat r \"d.csv\" -", "JMPRep 6 \"d.csv\" r", ":Str r:\"File\" - &0",
                   "include1 &0 - -", "ADD 2 r -", "STP - - -"}));
  const TInstructionTable& t = program.table;
  // The loop variable and the data file are the same nodes in every instruction.
  EXPECT_EQ(t[1].operand1, t[2].operand3);
  EXPECT_EQ(t[1].operand1, t[5].operand2);
  EXPECT_EQ(t[1].operand2, t[2].operand2);
}

TEST_F(CompilerTest, EveryCommandForm) {
  EXPECT_EQ(Compiled({"new \"o.htm\"", "include \"a.htm\"", "include \"a.htm\" , \"menu\"",
                      "tag \"title\" , \"Home\"", "tag \"body\"", "include \"b.htm\"", "end tag",
                      "end", "run \"other.bld\"", "set v 12", "set w <date>", "set w <TIME>",
                      "set w rec:3", "set w v"}),
            (Lines{"new \"o.htm\" - -", "include1 \"a.htm\" - -", "include2 \"a.htm\" \"menu\" -",
                   "tag2 \"title\" \"Home\" -", "tag1 \"body\" - -", "include1 \"b.htm\" - -",
                   "endtag - - -", "endnew \"o.htm\" - -", "run \"other.bld\" - -", "set v 12 -",
                   "date - - &0", "set w &0 -", "time - - &1", "set w &1 -", ":Numb rec:3 - &2",
                   "set w &2 -", "ID v - &3", "set w &3 -", "STP - - -"}));
  const TInstructionTable& t = program.table;
  EXPECT_EQ(t[1].operand1, t[8].operand1);  // endnew writes the file new named
  EXPECT_EQ(t[10].operand2->value, "12");   // a number stands for its digits
}

TEST_F(CompilerTest, NestedBlocksPatchTheirOwnJumps) {
  EXPECT_EQ(
      Compiled({"repeat r \"d\"", "  new r:1", "    if r:2 is \"y\" then", "      tag \"t\"",
                "        if r:3 is \"z\" then", "          include \"a\"", "        else",
                "          include \"b\"", "        end", "      end", "    else",
                "      include \"c\"", "    end", "  end", "end"}),
      (Lines{"repeat r \"d\" -",   "JMPRep 20 \"d\" r",  ":Numb r:1 - &0",  "new &0 - -",
             ":Numb r:2 - &1",     "IfIs &1 \"y\" &2",   "JMPIfIs 16 &2 -", "tag1 \"t\" - -",
             ":Numb r:3 - &3",     "IfIs &3 \"z\" &4",   "JMPIfIs 13 &4 -", "include1 \"a\" - -",
             "else 15 - -",        "include1 \"b\" - -", "endtag - - -",    "else 18 - -",
             "include1 \"c\" - -", "endnew &0 - -",      "ADD 2 r -",       "STP - - -"}));
}

TEST_F(CompilerTest, EmptyBlocksExceptTag) {
  EXPECT_EQ(
      Compiled({"new \"o.htm\"", "end", "repeat r \"d\"", "end", "if a is \"b\" then", "else",
                "end", "if a is \"b\" then", "end"}),
      (Lines{"new \"o.htm\" - -", "endnew \"o.htm\" - -", "repeat r \"d\" -", "JMPRep 6 \"d\" r",
             "ADD 4 r -", "ID a - &0", "IfIs &0 \"b\" &1", "JMPIfIs 9 &1 -", "else 10 - -",
             "ID a - &2", "IfIs &2 \"b\" &3", "JMPIfIs 13 &3 -", "EndIfEnd - - -", "STP - - -"}));
  EXPECT_EQ(ErrorOf({"new \"o.htm\"", "  tag \"t\"", "  end", "end"}),
            "Syntax error - Nest In Tag Without a Body  ");
  EXPECT_TRUE(engine.run.BuildStopped);
}

TEST_F(CompilerTest, AProgramWithoutCommandsOnlyStops) {
  EXPECT_EQ(Compiled({}), Lines{"STP - - -"});
  EXPECT_EQ(Compiled({"", "-- a comment", "   // another", ""}), Lines{"STP - - -"});
  EXPECT_EQ(Compiled({"# nothing after the end of the text is read: \"", "end"}),
            Lines{"STP - - -"});
  EXPECT_EQ(Compiled({"include \"a\" # end end ("}), (Lines{"include1 \"a\" - -", "STP - - -"}));
}

TEST_F(CompilerTest, TemporariesAreNumberedAcrossCompiles) {
  EXPECT_EQ(Compiled({"set x <date>", "set y <time>"}),
            (Lines{"date - - &0", "set x &0 -", "time - - &1", "set y &1 -", "STP - - -"}));
  EXPECT_EQ(Compiled({"set x <date>"}), (Lines{"date - - &2", "set x &2 -", "STP - - -"}));
  EXPECT_EQ(engine.tables.TemporaryCounter(), 3);
  ErrorOf({"set x <date> <date>"});  // a failed compile uses its numbers too
  EXPECT_EQ(Compiled({"set x <date>"}), (Lines{"date - - &5", "set x &5 -", "STP - - -"}));
}

TEST_F(CompilerTest, EachCompileHasATreeOfItsOwn) {
  ASSERT_TRUE(Compile({"set x \"outer\"", "run \"inner.bld\""}));
  CompiledProgram outer = std::move(program);
  program = CompiledProgram{};
  ASSERT_TRUE(Compile({"set x \"inner\""}));
  EXPECT_NE(outer.table[1].operand1, program.table[1].operand1);
  EXPECT_EQ(outer.table[1].operand1->name, "x");
  EXPECT_EQ(outer.table[1].operand2->value, "outer");
  EXPECT_EQ(outer.table[2].operand1->value, "inner.bld");
  // A failed compile leaves the caller's program as it was.
  ErrorOf({"set x"});
  EXPECT_EQ(program.table[1].operand2->value, "inner");
  EXPECT_EQ(Listing(), (Lines{"set x \"inner\" -", "STP - - -"}));
}

// A quoted text is a value and nothing else: it never takes the node or code
// of a keyword, variable, number, label or punctuation, and naming it with
// its quotes renames nothing else.
TEST_F(CompilerTest, QuotedTextsNeverBecomeOtherSymbols) {
  Lines lines = {"set x \"x\"",
                 "set n \"new\"",
                 "if x is \"new\" then",
                 "  include \"tag\"",
                 "  if x is \"11\" then",
                 "    include \",\"",
                 "  end",
                 "end",
                 "set y x"};
  EXPECT_EQ(Compiled(lines),
            (Lines{"set x \"x\" -", "set n \"new\" -", "ID x - &0", "IfIs &0 \"new\" &1",
                   "JMPIfIs 12 &1 -", "include1 \"tag\" - -", "ID x - &2", "IfIs &2 \"11\" &3",
                   "JMPIfIs 11 &3 -", "include1 \",\" - -", "EndIfEnd - - -", "EndIfEnd - - -",
                   "ID x - &4", "set y &4 -", "STP - - -"}));
  const TInstructionTable& t = program.table;
  EXPECT_EQ(t[1].operand1, program.tree->Find("x"));  // the variable keeps its name
  EXPECT_EQ(t[8].operand2->value, "11");
  EXPECT_EQ(t[9].operand1, program.tree->Find("11"));  // so does the label
  EXPECT_EQ(program.tree->Find("\"new\""), nullptr);
  EXPECT_NE(program.tree->Find("new")->code, program.tree->Find("x")->code);  // still a keyword
}

TEST_F(CompilerTest, QuotedTextValuesAreTheirTextsAsWritten) {
  ASSERT_TRUE(Compile({"set a \"x\"", "set b \"tag\"", "set c \"end\"", "set d \"Two Words\"",
                       "set e \"\xC3\xA9t\xC3\xA9\"", "set f 5", "set g 007"}));
  const TInstructionTable& t = program.table;
  EXPECT_EQ(t[1].operand1->name, "x" == t[1].operand2->value ? "a" : "?");
  EXPECT_EQ(t[2].operand2->value, "tag");
  EXPECT_EQ(t[3].operand2->value, "end");
  EXPECT_EQ(t[4].operand2->value, "Two Words");
  EXPECT_EQ(t[5].operand2->value, "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(t[5].operand2->name, "\"\xC3\xA9t\xC3\xA9\"");
  EXPECT_EQ(t[6].operand2->value, "5");
  EXPECT_EQ(t[7].operand2->value, "007");
}

// Block heads set marks that the matching `end` patches; jump targets are
// labels named by instruction number, shared within a compile.
TEST_F(CompilerTest, JumpLabelsAreSymbolsOfTheTree) {
  ASSERT_TRUE(Compile({"if a is \"b\" then", "if a is \"c\" then", "end", "end"}));
  const TInstructionTable& t = program.table;
  EXPECT_EQ(t[3].operand1->name, "8");
  EXPECT_EQ(t[6].operand1->name, "7");
  EXPECT_EQ(OpText(t[7].opcode), "EndIfEnd");
  EXPECT_EQ(OpText(t[8].opcode), "EndIfEnd");
  EXPECT_EQ(OpText(t[9].opcode), "STP");
  EXPECT_EQ(program.tree->Find("8"), t[3].operand1);
  EXPECT_EQ(OpText(program.table[3].opcode), "JMPIfIs");
  ASSERT_TRUE(Compile({"if a isnot \"b\" then", "end"}));
  EXPECT_EQ(OpText(program.table[3].opcode), "JMPIfIsNot");
}

TEST_F(CompilerTest, TheTableHolds300Instructions) {
  Lines lines(299, "include \"a\"");
  ASSERT_TRUE(Compile(lines));
  EXPECT_EQ(OpText(program.table[299].opcode), "include1");
  EXPECT_EQ(OpText(program.table[300].opcode), "STP");

  lines.push_back("include \"a\"");
  EXPECT_EQ(ErrorOf(lines), "Syntax error - the program needs more than 300 instructions");
  EXPECT_TRUE(engine.run.BuildStopped);
  // A long file ends at the limit, whatever follows.
  ErrorOf(Lines(100000, "include \"a\" , \"t\""));
  engine.run.NestedFileName = "/b/inner.bld";
  EXPECT_EQ(ErrorOf(Lines(301, "set x 1")),
            "Syntax error - the program needs more than 300 instructions in file: /b/inner.bld");
}

TEST_F(CompilerTest, TheParseStackHolds255Entries) {
  Lines lines(260, "new \"a\"");
  lines.insert(lines.end(), 260, "end");
  EXPECT_EQ(ErrorOf(lines),
            "Syntax error - the blocks are nested too deeply: the parse stack holds 255 entries");
  lines = Lines(90, "repeat r \"d\"");
  lines.insert(lines.end(), 90, "end");
  EXPECT_TRUE(Compile(lines)) << testing::PrintToString(host.Texts());
}

// The handle that no rule matches names the error: its first and last symbol.
TEST_F(CompilerTest, ParseErrorsOfTheDocument) {
  const std::string missingNew = "Syntax error - missing operator - `end`  ";
  const std::string missingEnd = "Syntax error - missing operator - `end`    ";
  const std::string generic = "  Syntax  Error       ";
  EXPECT_EQ(ErrorOf({"new \"o.htm\"", "  include \"a\""}), missingNew);
  EXPECT_EQ(ErrorOf({"new \"o.htm\""}), missingNew);
  EXPECT_EQ(ErrorOf({"new \"o\"", "end", "new \"p\"", "  if a is \"b\" then", "  end"}),
            missingNew);
  EXPECT_EQ(ErrorOf({"if a is \"b\" then", "  include \"a\""}), missingEnd);
  EXPECT_EQ(ErrorOf({"new \"o\"", "if a is \"b\" then"}), missingEnd);
  EXPECT_EQ(ErrorOf({"repeat r \"d\"", "  include \"a\""}), missingEnd);
  EXPECT_EQ(ErrorOf({"include \"a\"", "end"}), "Syntax error - too much - `end`    ");
  EXPECT_EQ(ErrorOf({"end"}), "Syntax error - too much - `end`    ");
  EXPECT_EQ(ErrorOf({"new \"o\"", "end", "end", "include \"a\""}),
            "Syntax error - too much - `end`    ");
  EXPECT_EQ(ErrorOf({"include \"a\" , \"b\" \"c\""}),
            "Syntax error - too much parameters in file:  ");
  EXPECT_EQ(ErrorOf({"new \"o\"", "  run \"a.bld\" \"b.bld\"", "end"}),
            "Syntax error - too much parameters in file:  ");
  EXPECT_EQ(ErrorOf({"set x 1 y"}), "Syntax error - too much parameters in file:  ");
  EXPECT_EQ(ErrorOf({"tag \"t\" , r:3 r:\"a\""}), "Syntax error - too much parameters in file:  ");
  EXPECT_EQ(ErrorOf({"include \"a\" , , \"b\""}), "Syntax error - illegal use of comma     ");
  EXPECT_EQ(ErrorOf({"set x \"a\" , \"b\""}), "Syntax error - illegal use of comma     ");
  EXPECT_EQ(ErrorOf({", \"a\""}), "Syntax error - illegal use of comma     ");
  EXPECT_EQ(ErrorOf({"new \"o\" , \"p\"", "end"}), "Syntax error - illegal use of comma     ");
  EXPECT_EQ(ErrorOf({"tag \"t\"", "end"}), "Syntax error - Nest In Tag Without a Body  ");
  // Everything else.
  for (const Lines& lines :
       {Lines{"set x"}, Lines{"include x,"}, Lines{"include \"a\" ,"}, Lines{"else"},
        Lines{"tag \"t\"", "include \"a\""}, Lines{"if a is \"b\" then", "else"},
        Lines{"if a \"b\" then", "end"}, Lines{"if a is \"b\"", "end"}, Lines{"set \"x\" 1"},
        Lines{"repeat r", "end"}, Lines{"set x r:y"}, Lines{"new \"o\" \"p\"", "end"}}) {
    EXPECT_EQ(ErrorOf(lines), generic) << testing::PrintToString(lines);
    EXPECT_TRUE(engine.run.BuildStopped);
  }
  // Parse errors leave the caret alone.
  EXPECT_EQ(host.caretLine, -1);
}

TEST_F(CompilerTest, ParseErrorsOfANestedFileNameIt) {
  engine.run.NestedFileName = "/site/inner.bld";
  EXPECT_EQ(ErrorOf({"new \"o\""}),
            "Syntax error - missing operator - `end` in file: /site/inner.bld");
  EXPECT_EQ(ErrorOf({"if a is \"b\" then"}),
            "Syntax error - missing operator - `end` in file: /site/inner.bld");
  EXPECT_EQ(ErrorOf({"repeat r \"d\""}),
            "Syntax error - missing operator - `end` in file: /site/inner.bld");
  EXPECT_EQ(ErrorOf({"end"}), "Syntax error - too much - `end`  in file: /site/inner.bld");
  EXPECT_EQ(ErrorOf({"run \"a\" \"b\""}),
            "Syntax error - too much parameters in file:  /site/inner.bld");
  EXPECT_EQ(ErrorOf({"run \"a\" , \"b\""}),
            "Syntax error - illegal use of comma in file:/site/inner.bld");
  EXPECT_EQ(ErrorOf({"tag \"t\"", "end"}),
            "Syntax error - Nest In Tag Without a Body in file: /site/inner.bld");
  EXPECT_EQ(ErrorOf({"set x"}), "  Syntax  Error  in file: /site/inner.bld");
}

TEST_F(CompilerTest, ScannerErrorsEndTheCompileWithoutStoppingTheBuild) {
  EXPECT_EQ(ErrorOf({"new \"o\"", "", "  include a.htm", "end"}), "Syntax error on Line -  3");
  EXPECT_EQ(host.caretLine, 2);
  EXPECT_FALSE(engine.run.BuildStopped);
  EXPECT_EQ(ErrorOf({"set x 3px"}), "Syntax error - bad symbol found - p on Line: 1");
  EXPECT_FALSE(engine.run.BuildStopped);
}

// With gaps in the relation table the parser may enter its error-tolerant
// mode, in which a handle matches the beginning of a longer rule. The shipped
// table has no gaps; this one has one, between "," and the end of the text.
TEST_F(CompilerTest, TheErrorTolerantModeNeedsAGapInTheTable) {
  test::TempFolder dir;
  for (const char* name : {"alpha", "rules"})
    dir.Write(name, ReadFileBytes(engine.config.ProgramFolder + name));
  std::string pred = ReadFileBytes(engine.config.ProgramFolder + "pred");
  pred[(1 - 1) * 70 + (2 - 1)] = '.';  // "," then "#"
  dir.Write("pred", pred);

  const Lines incomplete = {"include \"a\" ,"};
  EXPECT_EQ(ErrorOf(incomplete), "  Syntax  Error       ");
  engine.config.ProgramFolder = dir.Folder();
  host.Clear();
  EXPECT_TRUE(Compile(incomplete));  // taken for `include F , T`
  EXPECT_EQ(Listing(), (Lines{"include2 \"a\" , -", "STP - - -"}));
}

}  // namespace
}  // namespace ws
