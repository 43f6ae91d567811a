#include "compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "context.h"
#include "fileio.h"
#include "grammar.h"
#include "test_support.h"

namespace ws {
namespace {

using Lines = std::vector<std::string>;

class CompilerTest : public ::testing::Test {
 protected:
  CompilerTest() : engine(host) {
    engine.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/";
    engine.sourceEditor = &editor;
  }

  // Compiles prepared lines into program.
  bool Compile(const Lines& lines) {
    engine.Memo1.SetLines(lines);
    return CompileBuildFile(engine, program);
  }

  // The filled records as "opcode operand1 operand2 operand3", each operand by
  // its node name ("-" for none).
  std::vector<std::string> Listing() const {
    std::vector<std::string> listing;
    for (int i = 1; i <= kInstructionCount && !program.table[i].opcode.empty(); ++i) {
      const TInstruction& in = program.table[i];
      std::string line = in.opcode;
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
    EXPECT_TRUE(engine.CompileError);
    EXPECT_EQ(host.messages.size(), 1u) << testing::PrintToString(host.Texts());
    return host.messages.empty() ? std::string() : host.messages.front().text;
  }

  test::RecordingHost host;
  test::LinesEditor editor;
  Engine engine;
  CompiledProgram program;
};

TEST_F(CompilerTest, TheSevenRecordExample) {
  EXPECT_EQ(Compiled({"set y \"b\"", "if y is \"b\" then", "  include \"a.htm\"", "end"}),
            (Lines{"set y \"b\" -", "ID y - &0", "IfIs &0 \"b\" &1", "JMPIfIs 6 &1 -",
                   "include1 \"a.htm\" - -", "EndIfEnd - - -", "STP - - -"}));
  const TInstructionTable& t = program.table;
  for (int i = 8; i <= kInstructionCount; ++i) EXPECT_TRUE(t[i].opcode.empty()) << i;
  // Quoted texts carry their text as value; each occurrence has its own node.
  EXPECT_EQ(t[1].operand2->value, "b");
  EXPECT_EQ(t[3].operand2->value, "b");
  EXPECT_NE(t[1].operand2, t[3].operand2);
  EXPECT_EQ(t[5].operand1->value, "a.htm");
  // The set names the variable's symbol; the read gets a reference of its own.
  EXPECT_NE(t[1].operand1, t[2].operand1);
  EXPECT_EQ(t[2].operand3, t[3].operand1);
  EXPECT_EQ(t[3].operand3, t[4].operand2);
  EXPECT_FALSE(engine.CompileError);
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

}  // namespace
}  // namespace ws
