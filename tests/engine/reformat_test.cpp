#include "reformat.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace ws {
namespace {

struct Reformatted {
  std::string text;
  std::vector<std::string> errors;
  int caretLine = -1;
};

Reformatted Reformat(std::vector<std::string> lines, int indent = 1) {
  test::RecordingHost host;
  Engine engine(host);
  engine.config.prefs.controls.Indent = indent;
  Reformatted r{ReformatText(engine, lines), host.Texts(MessageKind::Error), host.caretLine};
  return r;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  return text;
}

TEST(ReformatText, BlocksIndentTheirLines) {
  EXPECT_EQ(Reformat({"new \"a.htm\"", "tag \"t\"", "include \"x.htm\"", "end", "end"}).text,
            Lines({"new \"a.htm\"", "  tag \"t\"", "    include \"x.htm\"", "  end", "end"}));
  EXPECT_EQ(Reformat({"repeat r \"d.txt\"", "if r:1 is \"a\" then", "set x r:2", "else",
                      "set x \"\"", "end", "end"})
                .text,
            Lines({"repeat r \"d.txt\"", "  if r:1 is \"a\" then", "    set x r:2", "    else",
                   "    set x \"\"", "  end", "end"}));
}

TEST(ReformatText, WhatOpensABlock) {
  EXPECT_EQ(Reformat({"tag \"t\" \"v\"", "x"}).text, Lines({"tag \"t\" \"v\"", "x"}));
  EXPECT_EQ(Reformat({"tag \"t\" -- note", "x"}).text, Lines({"tag \"t\" -- note", "  x"}));
  EXPECT_EQ(Reformat({"If x is \"a\" then", "x"}).text, Lines({"If x is \"a\" then", "x"}));
  EXPECT_EQ(Reformat({"-- new \"a\"", "x"}).text, Lines({"-- new \"a\"", "x"}));
}

TEST(ReformatText, LinesAreCleanedAtTheirStartOnly) {
  EXPECT_EQ(Reformat({" \t new \"a\tb\"  ", "\t\t", "", "end\t"}).text,
            Lines({"new \"a b\"  ", "  ", "  ", "end "}));
}

TEST(ReformatText, UnbalancedEnds) {
  EXPECT_EQ(Reformat({"end", "x", "new \"a\"", "end", "end", "y"}).text,
            Lines({"end", "x", "new \"a\"", "end", "end", "y"}));
  EXPECT_EQ(Reformat({"new \"a\"", "new \"b\"", "x"}).text,
            Lines({"new \"a\"", "  new \"b\"", "    x"}));
}

TEST(ReformatText, IndentationUnits) {
  const std::vector<std::string> lines = {"new \"a\"", "new \"b\"", "x", "end", "end"};
  EXPECT_EQ(Reformat(lines, 4).text,
            Lines({"new \"a\"", "\t\tnew \"b\"", "\t\t\t\tx", "\t\tend", "end"}));
  EXPECT_EQ(Reformat(lines, 3).text, Lines({"new \"a\"", "\tnew \"b\"", "\t\tx", "\tend", "end"}));
  EXPECT_EQ(Reformat(lines, 0).text, Lines({"new \"a\"", " new \"b\"", "  x", " end", "end"}));
  EXPECT_EQ(Reformat(lines, 2).text,
            Lines({"new \"a\"", "   new \"b\"", "      x", "   end", "end"}));
  EXPECT_EQ(Reformat(lines, -1).text, Reformat(lines, 1).text);
}

TEST(ReformatText, ErrorsAreShownAndReformattingGoesOn) {
  Reformatted r = Reformat({"new \"a\"", "new \"b", "set x r:abc", "end"});
  EXPECT_EQ(r.errors, (std::vector<std::string>{"Closing quotation mark is missing on line: 2",
                                                "Invalid field number after `:` on line: 3"}));
  EXPECT_EQ(r.caretLine, 2);
  // The line with the unclosed quote counts as a line without a command.
  EXPECT_EQ(r.text, Lines({"new \"a\"", "  new \"b", "  set x r:abc", "end"}));
}

TEST(ReformatText, EmptyText) {
  EXPECT_EQ(Reformat({}).text, "");
  EXPECT_EQ(Reformat({""}).text, "");
}

TEST(ReformatText, ManyLines) {
  std::vector<std::string> lines;
  for (int i = 0; i < 10000; ++i) {
    lines.push_back("new \"" + std::to_string(i) + ".htm\"");
    lines.push_back("\t\tinclude \"x.htm\" \"menu\"");
    lines.push_back("    end");
  }
  std::string text = Reformat(lines).text;
  EXPECT_TRUE(text.starts_with("new \"0.htm\"\r\n  include \"x.htm\" \"menu\"\r\nend\r\nnew"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 30000 - 1);
}

}  // namespace
}  // namespace ws
