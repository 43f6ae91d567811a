#include "checker.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace ws {
namespace {

struct CheckOutcome {
  std::vector<std::string> errors;
  int caretLine = -1;
  bool stopped = false;
};

CheckOutcome Check(std::vector<std::string> lines, bool stoppedBefore = false) {
  test::RecordingHost host;
  Engine engine(host);
  engine.run.BuildStopped = stoppedBefore;
  CheckBuildFile(engine, lines);
  EXPECT_EQ(host.Texts().size(), host.Texts(MessageKind::Error).size());
  return {host.Texts(), host.caretLine, engine.run.BuildStopped};
}

// The one error message of a one-line file; "" when it passes.
std::string ErrorOf(const std::string& line) {
  CheckOutcome outcome = Check({line});
  EXPECT_EQ(outcome.stopped, !outcome.errors.empty()) << line;
  if (outcome.errors.empty()) return {};
  EXPECT_EQ(outcome.errors.size(), 1u) << line;
  EXPECT_EQ(outcome.caretLine, 0) << line;
  return outcome.errors.front();
}

TEST(CheckBuildFile, BlankAndCommentLinesPass) {
  CheckOutcome outcome = Check({"", "   ", "\t", "-- a comment", "  // another", "\t--x"}, true);
  EXPECT_TRUE(outcome.errors.empty());
  EXPECT_FALSE(outcome.stopped);
  EXPECT_FALSE(Check({}, true).stopped);
}

TEST(CheckBuildFile, GoodLinesPass) {
  for (std::string line : {"new \"a.htm\"",
                           "include \"x.htm\" \"menu\"",
                           "tag \"a\"",
                           "tag \"a\" \"\"",
                           "run \"b.bld\"",
                           "set x",
                           "set x r:\"Last name\"",
                           "set x r:-2",
                           "set x r:+7",
                           "repeat r",
                           "repeat r \"d.txt\"",
                           "if a is ab then",
                           "if x isnot \"a b\" then",
                           "if r:\"Name\" is \"\" then",
                           "tag \"a\" -- \"b\" \"c\"",
                           "else",
                           "else -- otherwise",
                           "end",
                           "end anything",
                           "\tset\tx\t\"a\tb\"",
                           "  set x y  ",
                           "set",
                           "tag \"a\" // \"b\" \"c\""})
    EXPECT_EQ(ErrorOf(line), "") << line;
}

TEST(CheckBuildFile, CommandWords) {
  EXPECT_EQ(ErrorOf("Tag \"a\""), "Missing or Misspelled command on line: 1");
  EXPECT_EQ(ErrorOf("tag\"a\""), "Missing or Misspelled command on line: 1");
  EXPECT_EQ(ErrorOf("print x"), "Missing or Misspelled command on line: 1");
  EXPECT_EQ(ErrorOf("-x"), "Missing or Misspelled command on line: 1");
}

TEST(CheckBuildFile, TagAndInclude) {
  EXPECT_EQ(ErrorOf("tag \"a\" \"b\" \"c\""), "Too many parameters for `tag` command on line: 1");
  EXPECT_EQ(ErrorOf("include a b c"), "Too many parameters for `include` command on line: 1");
  EXPECT_EQ(ErrorOf("tag"), "You must have at least one parameter for `tag` command on line: 1");
  EXPECT_EQ(ErrorOf("include -- \"x\""),
            "You must have at least one parameter for `include` command on line: 1");
}

TEST(CheckBuildFile, RunAndNew) {
  EXPECT_EQ(ErrorOf("run"), "No parameters for `run` command on line: 1");
  EXPECT_EQ(ErrorOf("new   "), "No parameters for `new` command on line: 1");
  EXPECT_EQ(ErrorOf("run \"a.bld\" \"b\""), "Too many parameters for `run` command on line: 1");
  EXPECT_EQ(ErrorOf("new a b"), "Too many parameters for `new` command on line: 1");
}

TEST(CheckBuildFile, SetAndRepeat) {
  EXPECT_EQ(ErrorOf("set \"x\" \"y\""),
            "First parameter for `set` command must be a variable on line: 1");
  EXPECT_EQ(ErrorOf("repeat r:2 \"d.txt\""),
            "First parameter for `repeat` command must be a variable on line: 1");
  EXPECT_EQ(ErrorOf("set x:\"a\" y"),
            "First parameter for `set` command must be a variable on line: 1");
  EXPECT_EQ(ErrorOf("set x y z"), "Too many parameters for `set` command on line: 1");
  EXPECT_EQ(ErrorOf("repeat r \"d.txt\" x"), "Too many parameters for `repeat` command on line: 1");
}

TEST(CheckBuildFile, IfInTheOrderOfItsTests) {
  EXPECT_EQ(ErrorOf("if a is b then c"), "Too many parameters for `if` command on line: 1");
  EXPECT_EQ(ErrorOf("if"), "No parameters for `if` command on line: 1");
  EXPECT_EQ(ErrorOf("if x"), "Missing or Misspelled `is` or `isnot` for if command on line: 1");
  EXPECT_EQ(ErrorOf("if x equals \"a\" then"),
            "Missing or Misspelled `is` or `isnot` for if command on line: 1");
  EXPECT_EQ(ErrorOf("if x IS \"a\" then"),
            "Missing or Misspelled `is` or `isnot` for if command on line: 1");
  EXPECT_EQ(ErrorOf("if x is"), "There is no second parameter for `if` command on line: 1");
  EXPECT_EQ(ErrorOf("if x is \"a\""), "Missing or Misspelled `then` for `if` command on line: 1");
  EXPECT_EQ(ErrorOf("if x is \"a\" Then"),
            "Missing or Misspelled `then` for `if` command on line: 1");
}

TEST(CheckBuildFile, Else) {
  EXPECT_EQ(ErrorOf("else x"), "Too many parameters for `else` command on line: 1");
}

TEST(CheckBuildFile, QuotesAndFieldNumbers) {
  EXPECT_EQ(ErrorOf("include \"a.htm"), "Closing quotation mark is missing on line: 1");
  EXPECT_EQ(ErrorOf("end \"x"), "Closing quotation mark is missing on line: 1");
  EXPECT_EQ(ErrorOf("set x r:abc"), "Invalid field number after `:` on line: 1");
  EXPECT_EQ(ErrorOf("set x r:"), "Invalid field number after `:` on line: 1");
  EXPECT_EQ(ErrorOf("set x r:-"), "Invalid field number after `:` on line: 1");
  EXPECT_EQ(ErrorOf("set x r:2a"), "Invalid field number after `:` on line: 1");
}

TEST(CheckBuildFile, FirstBadLineIsReportedWithItsNumberAndCaret) {
  test::RecordingHost host;
  const std::vector<std::string> lines{"new \"a.htm\"", "", "  set x \"y\"", "bad", "worse", "end"};
  Engine engine(host);
  CheckBuildFile(engine, lines);
  EXPECT_EQ(host.located,
            (std::vector<Message>{
                {MessageKind::Error, "Missing or Misspelled command on line: 4", "", 3}}));
  EXPECT_TRUE(engine.run.BuildStopped);
  EXPECT_EQ(host.caretLines, (std::vector<int>{3}));
}

TEST(CheckBuildFile, NoLimitOnLinesOrLength) {
  std::vector<std::string> lines(1000, "set x \"" + std::string(5000, 'a') + "\"");
  lines.push_back("nonsense");
  CheckOutcome outcome = Check(lines);
  EXPECT_EQ(outcome.errors,
            (std::vector<std::string>{"Missing or Misspelled command on line: 1001"}));
  EXPECT_EQ(outcome.caretLine, 1000);
}

TEST(CheckBuildFile, NoLinesPass) {
  test::RecordingHost host;
  Engine engine(host);
  engine.run.BuildStopped = true;
  CheckBuildFile(engine, {});
  EXPECT_FALSE(engine.run.BuildStopped);
  EXPECT_TRUE(host.messages.empty());
}

struct SplitOutcome {
  bool ok;
  Parameters p;
};

SplitOutcome Split(std::string_view text) {
  Parameters p{"keep", "keep", "keep", "keep", "keep"};
  bool ok = !SplitParameters(text, p);
  return {ok, p};
}

Parameters P(std::string a = {}, std::string b = {}, std::string c = {}, std::string d = {},
             std::string e = {}) {
  return {a, b, c, d, e};
}

TEST(SplitParameters, PiecesStandInTheirOrder) {
  EXPECT_EQ(Split("a \"b c\" d").p, P("a", "\"b c\"", "d"));
  EXPECT_EQ(Split("if r:\"Last name\" is x then").p, P("if", "r:\"Last name\"", "is", "x", "then"));
  EXPECT_EQ(Split("\"x\"\"y\" z").p, P("\"x\"", "\"y\"", "z"));
  EXPECT_EQ(Split("if a is ab then").p, P("if", "a", "is", "ab", "then"));
  EXPECT_EQ(Split("ab a").p, P("ab", "a"));
  EXPECT_EQ(Split("   ").p, P());
}

TEST(SplitParameters, CommentsEndTheText) {
  EXPECT_EQ(Split("a -- \"b").p, P("a"));
  EXPECT_EQ(Split("a // b \"c\"").p, P("a"));
  EXPECT_EQ(Split("\"a--b\" c -- d").p, P("\"a--b\"", "c"));
  EXPECT_EQ(Split("\"http://x\" y").p, P("\"http://x\"", "y"));
  EXPECT_EQ(Split("a--b").p, P("a"));
}

TEST(SplitParameters, AtMostFivePieces) {
  EXPECT_EQ(Split("a b c d e f g").p, P("a", "b", "c", "d", "e"));
  // The quoted texts are taken first, so they keep their slots.
  EXPECT_EQ(Split("a b c d e \"q\"").p, P("a", "b", "c", "d", "\"q\""));
  EXPECT_EQ(Split("\"1\" \"2\" \"3\" \"4\" \"5\" \"6\" x:bad").p,
            P("\"1\"", "\"2\"", "\"3\"", "\"4\"", "\"5\""));
}

TEST(SplitParameters, ErrorsLeaveTheParametersAsTheyWere) {
  for (std::string_view text : {"a \"b", "x:y", "x:1:2", "\"a\" r:"}) {
    SplitOutcome outcome = Split(text);
    EXPECT_FALSE(outcome.ok) << text;
    EXPECT_EQ(outcome.p, P("keep", "keep", "keep", "keep", "keep")) << text;
  }
  // A field name with no closing quote is left to the compiler.
  EXPECT_EQ(Split("r:\"Name").p, P("r:\"Name"));
}

TEST(SplitParameters, FailuresAreNamedAndShownWithTheLineNumber) {
  Parameters p;
  EXPECT_EQ(SplitParameters("\"x", p), MessageId::ClosingQuoteMissing);
  EXPECT_EQ(SplitParameters("x:y", p), MessageId::InvalidFieldNumber);
  test::RecordingHost host;
  Engine engine(host);
  ReportBadLine(engine, 76, MessageId::ClosingQuoteMissing);
  EXPECT_EQ(host.Texts(MessageKind::Error),
            (std::vector<std::string>{"Closing quotation mark is missing on line: 77"}));
  EXPECT_EQ(host.caretLine, 76);
}

TEST(SplitParameters, LongTextIsSplitWhole) {
  std::string big(1 << 20, 'x');
  EXPECT_EQ(Split("\"" + big + "\" " + big).p, P("\"" + big + "\"", big));
}

}  // namespace
}  // namespace ws
