#include "prepare.h"

#include <gtest/gtest.h>

#include "textbuffer.h"

namespace ws {
namespace {

// The lines after PrepareSource.
std::vector<std::string> Prepared(std::vector<std::string> lines) {
  TextBuffer memo;
  memo.SetLines(std::move(lines));
  PrepareSource(memo);
  return memo.Lines();
}

std::string Prepared(const std::string& line) {
  return Prepared(std::vector{line}).at(0);
}

TEST(PrepareSource, EmptyQuotedTextsGetABlank) {
  EXPECT_EQ(Prepared(R"(set x "")"), R"(set x " ")");
  EXPECT_EQ(Prepared(R"(set x "abc""def")"), R"(set x "abc" "def")");
  EXPECT_EQ(Prepared(R"("""")"), R"(" " " ")");
  EXPECT_EQ(Prepared(R"(""")"), R"(" " ")");
  // Quotes at the end of one line and the start of the next are not a pair.
  EXPECT_EQ(Prepared(std::vector<std::string>{"set x \"a\"", "\"b\""}),
            (std::vector<std::string>{"set x \"a\"", "\"b\""}));
}

TEST(PrepareSource, TabsBecomeBlanksInsideQuotedTextsToo) {
  EXPECT_EQ(Prepared("\tset\tx \"a\tb\"\t"), " set x \"a b\" ");
}

TEST(PrepareSource, CommaBetweenTheParametersOfTagAndInclude) {
  EXPECT_EQ(Prepared(R"(tag "title" "Home")"), R"(tag "title" , "Home")");
  EXPECT_EQ(Prepared(R"(include "a.htm" "menu")"), R"(include "a.htm" , "menu")");
  EXPECT_EQ(Prepared(R"(tag "a" "")"), R"(tag "a" , " ")");
  EXPECT_EQ(Prepared(R"(tag  "a"   "b")"), R"(tag "a" , "b")");
  EXPECT_EQ(Prepared("\t  tag \"a\" x"), R"(tag "a" , x)");
  EXPECT_EQ(Prepared(R"(tag "a" "b" -- note)"), R"(tag "a" , "b" -- note)");
  EXPECT_EQ(Prepared(R"(tag abc "v")"), R"(tag abc  , "v")");
}

TEST(PrepareSource, FieldReferencesAsFirstParameter) {
  EXPECT_EQ(Prepared(R"(tag d : 2 "x")"), R"(tag d:2  , "x")");
  EXPECT_EQ(Prepared(R"(tag d:2 "x")"), R"(tag d:2  , "x")");
  EXPECT_EQ(Prepared(R"(tag x:"Last name" "v")"), R"(tag x:"Last name" , "v")");
  EXPECT_EQ(Prepared(R"(tag x :  "Last name" "v")"), R"(tag x:"Last name" , "v")");
  EXPECT_EQ(Prepared("tag d:2"), "tag d:2");
  EXPECT_EQ(Prepared("tag d : 2"), "tag d : 2");
  EXPECT_EQ(Prepared(R"(tag x:"Last name")"), R"(tag x:"Last name")");
}

// A field reference by column name is taken whole whatever the length of the
// data-set name, as the line checker reads it.
TEST(PrepareSource, FieldReferenceWithALongerDataSetName) {
  EXPECT_EQ(Prepared(R"(tag row:"Tag name" v)"), R"(tag row:"Tag name" , v)");
  EXPECT_EQ(Prepared(R"(include row:"File name" "t")"), R"(include row:"File name" , "t")");
  EXPECT_EQ(Prepared(R"(  tag  row:"A  b"   "v w")"), R"(tag row:"A  b" , "v w")");
  EXPECT_EQ(Prepared(R"(tag rows:"Tag name" row:"Value")"), R"(tag rows:"Tag name" , row:"Value")");
  EXPECT_EQ(Prepared(R"(tag row:3 "v")"), R"(tag row:3  , "v")");
  // Alone, before a comment, or unclosed: the line stays as it is.
  for (std::string line : {R"(tag row:"Tag name")", R"(tag row:"Tag name" -- note)",
                           R"(include row:"File name)", R"(tag row:"a b" // note)"})
    EXPECT_EQ(Prepared(line), line) << line;
}

TEST(PrepareSource, OneParameterOrACommentAfterItLeavesTheLine) {
  for (std::string line :
       {R"(include "x.htm")", R"(tag "a")", R"(tag "a" -- comment)", R"(tag "a" // comment)",
        "tag x", "   tag \"a\"   ", R"(tag "a)", R"(tag x:"a b)", "tag "})
    EXPECT_EQ(Prepared(line), line) << line;
}

TEST(PrepareSource, OnlyTagAndIncludeCommandsGetTheComma) {
  for (std::string line :
       {R"(Tag "a" "b")", R"(set x "tag value")", R"(set x "include a b")", R"(run "tag a.bld")",
        R"(new "x" -- tag "a" "b")", R"(tags "a" "b")", R"(xtag "a" "b")"})
    EXPECT_EQ(Prepared(line), line) << line;
}

// A one-letter first parameter keeps the quoted text after it whole.
TEST(PrepareSource, OneLetterFirstParameter) {
  EXPECT_EQ(Prepared(R"(tag t "a b")"), R"(tag t  , "a b")");
  EXPECT_EQ(Prepared(R"(include f "menu")"), R"(include f  , "menu")");
}

TEST(PrepareSource, EveryLineIsPreparedAndNoneAddedOrLost) {
  std::vector<std::string> lines = {"new \"a.htm\"", "", "\ttag \"t\" \"\"", "end", ""};
  EXPECT_EQ(Prepared(lines),
            (std::vector<std::string>{"new \"a.htm\"", "", "tag \"t\" , \" \"", "end", ""}));
}

TEST(PrepareSource, LargeInputs) {
  std::vector<std::string> lines(100000, R"(tag "a" "")");
  std::vector<std::string> prepared = Prepared(lines);
  ASSERT_EQ(prepared.size(), lines.size());
  EXPECT_EQ(prepared.front(), R"(tag "a" , " ")");
  EXPECT_EQ(prepared.back(), R"(tag "a" , " ")");

  std::string quotes(1 << 20, '"');
  std::string line = Prepared(quotes);
  EXPECT_EQ(line.size(), 2 * quotes.size() - 1);
  EXPECT_EQ(line.find("\"\""), std::string::npos);
  EXPECT_EQ(line.find("  "), std::string::npos);
}

}  // namespace
}  // namespace ws
