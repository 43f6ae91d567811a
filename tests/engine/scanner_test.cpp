#include "scanner.h"

#include "compiler.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine.h"
#include "grammar.h"
#include "program.h"
#include "test_support.h"

namespace ws {
namespace {

using Texts = std::vector<std::string>;

class ScannerTest : public ::testing::Test {
 protected:
  ScannerTest() : engine(host) {
    engine.config.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/";
    tables = LoadGrammarTables(engine);
    LoadAlphabet(*tables, tree);
    for (const AlphabetEntry& e : tables->alphabet) symbolOf[e.code] = e.text;
    codes = {Code("$prog"), Code("#"), Code("$CN"), Code("$ID")};
  }

  int Code(const std::string& text) const { return tree.Find(text)->code; }

  struct Token {
    std::string text;
    int code;
    TNode* node;
  };

  // Every token up to the end of the text or the first error.
  std::vector<Token> Scan(const Texts& lines) {
    engine.run.Memo1.SetLines(lines);
    scanner = std::make_unique<Scanner>(engine.run.Memo1, tree, codes);
    std::vector<Token> tokens;
    for (int guard = 0; guard < 1000; ++guard) {
      Token t{};
      t.node = scanner->NextToken(t.text, t.code);
      ReportScanErrors(engine, *scanner);
      tokens.push_back(t);
      if (engine.run.CompileError || t.code == codes.end) break;
    }
    return tokens;
  }

  // Each token as its text, and its symbol when that is a class: "x/$ID".
  Texts Shown(const Texts& lines) {
    Texts shown;
    for (const Token& t : Scan(lines)) {
      const std::string& symbol = symbolOf[t.code];
      shown.push_back(symbol == t.text ? t.text : t.text + "/" + symbol);
    }
    return shown;
  }

  test::RecordingHost host;
  Engine engine;
  std::shared_ptr<const GrammarTables> tables;
  SymbolTree tree;
  ClassCodes codes;
  std::map<int, std::string> symbolOf;
  std::unique_ptr<Scanner> scanner;
};

TEST(LowerChar, FoldsAsciiAndTheUpperLatinRow) {
  EXPECT_EQ(LowerChar('A'), 'a');
  EXPECT_EQ(LowerChar('Z'), 'z');
  EXPECT_EQ(LowerChar('\xC0'), '\xE0');
  EXPECT_EQ(LowerChar('\xDF'), '\xFF');
  for (char c : {'a', 'z', '@', '[', '0', '"', '\xBF', '\xE0', '\0'}) EXPECT_EQ(LowerChar(c), c);
}

TEST_F(ScannerTest, KeywordsNamesAndQuotedTexts) {
  EXPECT_EQ(Shown({"Set X \"Hello World\""}),
            (Texts{"set", "x/$ID", "\"", "Hello World/$ID", "\"", "#"}));
  EXPECT_EQ(
      Shown({"include \"a.htm\" , \"menu\"", "  set _a1 b:\"Last name\" c:12"}),
      (Texts{"include", "\"", "a.htm/$ID", "\"", ",", "\"", "menu/$ID", "\"", "set", "_a1/$ID",
             "b/$ID", ":", "\"", "Last name/$ID", "\"", "c/$ID", ":", "12/$CN", "#"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScannerTest, QuotedTextsHaveNodesOfTheirOwn) {
  std::vector<Token> t = Scan({"tag \"tag\" , \"x\" x \"x\""});
  ASSERT_EQ(t.size(), 13u);
  EXPECT_EQ(t[2].text, "tag");  // no blank appended: it cannot collide
  EXPECT_EQ(t[2].code, codes.identifier);
  EXPECT_NE(t[2].node, t[0].node);
  EXPECT_EQ(t[0].node, tree.Find("tag"));
  EXPECT_EQ(t[0].node->code, Code("tag"));
  // Two occurrences of one text and a variable of that name: three nodes.
  EXPECT_EQ(t[6].text, "x");
  EXPECT_EQ(t[10].text, "x");
  EXPECT_NE(t[6].node, t[10].node);
  EXPECT_EQ(t[8].node, tree.Find("x"));
  EXPECT_NE(t[6].node, t[8].node);
  // A quoted "end" does not end the line, a quoted "#" does not end the text.
  EXPECT_EQ(
      Shown({"set a \"end\" set b \"#\""}),
      (Texts{"set", "a/$ID", "\"", "end/$ID", "\"", "set", "b/$ID", "\"", "#/$ID", "\"", "#"}));
}

TEST_F(ScannerTest, QuotesOpenAfterWordsAndBlanksButNotAfterAClosingQuote) {
  EXPECT_EQ(Shown({"\"a\"b\"c\""}),
            (Texts{"\"", "a/$ID", "\"", "b/$ID", "\"", "c/$ID", "\"", "#"}));
  EXPECT_EQ(Shown({"x:\"N\" \"a\" \"b\""}), (Texts{"x/$ID", ":", "\"", "N/$ID", "\"", "\"", "a/$ID",
                                                   "\"", "\"", "b/$ID", "\"", "#"}));
}

TEST_F(ScannerTest, BytesAboveTheAsciiRangeStayInQuotedTexts) {
  std::vector<Token> t = Scan({"set x \"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC 5\""});
  ASSERT_GE(t.size(), 4u);
  EXPECT_EQ(t[3].text, "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC 5");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScannerTest, DateAndTimeInAnyCase) {
  EXPECT_EQ(Shown({"set a <DATE> set b <Time>"}),
            (Texts{"set", "a/$ID", "<date>", "set", "b/$ID", "<time>", "#"}));
  Scan({"", "set a <day>"});
  EXPECT_EQ(host.Texts(), Texts{"<date> or <time> Misspelled on Line - 2"});
  EXPECT_EQ(host.caretLine, 1);
}

TEST_F(ScannerTest, NumbersAreValuesWithNodesOfTheirOwn) {
  std::vector<Token> t = Scan({"12, 12"});
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].text, "12");
  EXPECT_EQ(t[0].code, codes.number);
  EXPECT_EQ(t[0].node->value, "12");
  EXPECT_NE(t[0].node, t[2].node);
  EXPECT_EQ(tree.Find("12"), nullptr);
  EXPECT_EQ(t[1].text, ",");
}

TEST_F(ScannerTest, ANumberFollowedByALetterOrSign) {
  std::vector<Token> t = Scan({"set x 12ab"});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error - bad symbol found - a on Line: 1"});
  EXPECT_EQ(t.back().text, "12");  // the token is still finished
  host.Clear();
  engine.run.CompileError = false;
  Scan({"", "", "7$"});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error - bad symbol found - $ on Line: 3"});
  EXPECT_EQ(host.caretLine, 2);
}

TEST_F(ScannerTest, CharactersOutsideTheLanguage) {
  Scan({"-- a comment", "include a.htm"});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error on Line -  2"});
  EXPECT_EQ(host.caretLine, 1);
  EXPECT_TRUE(engine.run.CompileError);
  EXPECT_FALSE(engine.run.BuildStopped);
  for (const char* line : {"set x = 1", "a;b", "\\x", "set x \xC3\xA9"}) {
    host.Clear();
    engine.run.CompileError = false;
    Scan({line});
    EXPECT_EQ(host.Texts(), Texts{"Syntax error on Line -  1"}) << line;
  }
}

TEST_F(ScannerTest, CommentsAndBlankLinesGiveNoTokens) {
  EXPECT_EQ(
      Shown({"-- only a comment", "", "   ", "// another", "\t", "set x 1 // trailing",
             "set y 2 -- trailing", "set z > 3"}),
      (Texts{"set", "x/$ID", "1/$CN", "set", "y/$ID", "2/$CN", "set", "z/$ID", "3/$CN", "#"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScannerTest, NothingAfterEndOnItsLineIsRead) {
  EXPECT_EQ(Shown({"end if", "end tag \"x\"", "end. it's over", "end"}),
            (Texts{"end", "end", "end", "end", "#"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ScannerTest, LoneSlashesAndDashes) {
  Scan({"set x 1 /a /b", "set y 2"});
  EXPECT_EQ(host.Texts(), (Texts{"Syntax error - / - expected but a found on Line - 1",
                                 "Syntax error - / - expected but b found on Line - 1"}));
  host.Clear();
  engine.run.CompileError = false;
  Scan({"", "set x -y"});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error `-` expected but `y` found on Line - 2"});
  EXPECT_EQ(host.caretLine, 1);
  // A long run of them reports no more than two.
  host.Clear();
  engine.run.CompileError = false;
  std::string slashes;
  for (int i = 0; i < 1000; ++i) slashes += "/a";
  Scan({slashes, slashes});
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(ScannerTest, AQuotedTextMustCloseOnItsLine) {
  Scan({"set x \"abc", "\""});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error on Line -  1"});
  host.Clear();
  engine.run.CompileError = false;
  Scan({"set x \"", "set y \"b\""});
  EXPECT_EQ(host.Texts(), Texts{"Syntax error on Line -  1"});
}

TEST_F(ScannerTest, TheTextEndsAtAHashOrAnEndOfFileCharacter) {
  EXPECT_EQ(Shown({"set x 1 # set y 2"}).back(), "#");
  EXPECT_EQ(Shown({"set x 1 # set y 2"}).size(), 4u);
  EXPECT_EQ(Shown({std::string("set x 1 \x1A set y 2")}).size(), 4u);
  std::vector<Token> t = Scan({});
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].text, "#");
  EXPECT_EQ(t[0].node, nullptr);
}

TEST_F(ScannerTest, NoLimitOnLinesOrLineLength) {
  Texts lines(300, "");
  lines[10] = "set x \"" + std::string(1000, 'v') + "\"" + std::string(500, ' ') + "set y 1";
  lines[299] = "set z a.b";
  std::vector<Token> t = Scan(lines);
  ASSERT_GE(t.size(), 4u);
  EXPECT_EQ(t[3].text, std::string(1000, 'v'));
  EXPECT_EQ(host.Texts(), Texts{"Syntax error on Line -  300"});
  EXPECT_EQ(host.caretLine, 299);
  EXPECT_EQ(scanner->LineCounter(), 300);
}

}  // namespace
}  // namespace ws
