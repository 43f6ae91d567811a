#include "grammar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "compiler.h"
#include "engine.h"
#include "fileio.h"
#include "grammargen.h"
#include "test_support.h"

namespace ws {
namespace {

const std::string kDataFolder = WEFTSMITH_SOURCE_DIR "/data/";

TEST(Grammar, CheckedInTablesAreWhatTheGrammarGivesWithoutConflicts) {
  GeneratedGrammar g = GenerateGrammar(ReadTextFile(kDataFolder + "grammar.txt"));
  EXPECT_EQ(g.problems, std::vector<std::string>{});
  EXPECT_EQ(g.alpha, ReadFileBytes(kDataFolder + "alpha"));
  EXPECT_EQ(g.pred, ReadFileBytes(kDataFolder + "pred"));
  EXPECT_EQ(g.rules, ReadFileBytes(kDataFolder + "rules"));
  EXPECT_EQ(g.pred.size(), kRelationBytes);
}

// The compiler's messages name handles by the codes of their symbols.
TEST(Grammar, DiagnosticSymbolsHaveTheCodesTheMessagesName) {
  const std::vector<AlphabetEntry> alphabet =
      ParseAlphabet(ReadTextFile(kDataFolder + "alpha"), "alpha");
  auto code = [&](const std::string& text) {
    for (const AlphabetEntry& e : alphabet)
      if (e.text == text) return e.code;
    return 0;
  };
  EXPECT_EQ(code(","), 1);
  EXPECT_EQ(code("#"), 2);
  EXPECT_EQ(code("$val"), 4);
  EXPECT_EQ(code("$close"), 7);
  EXPECT_EQ(code("$if"), 8);
  EXPECT_EQ(code("$repeat"), 15);
  EXPECT_EQ(code("$new"), 20);
  EXPECT_EQ(code("$tag"), 24);
  EXPECT_EQ(code("$list"), 30);
  EXPECT_EQ(code("$atom"), 32);
}

TEST(GrammarGenerator, ReportsConflictsSameRightSidesAndUnitCycles) {
  const std::string symbols =
      "symbol a\nsymbol b\nsymbol #\nsymbol $s\nsymbol $x\nsymbol $y\nstart $s\nend #\n";
  GeneratedGrammar g = GenerateGrammar(symbols +
                                       "1: $s -> $x\n"
                                       "2: $x -> $y\n"
                                       "3: $y -> $x\n"
                                       "4: $y -> a b\n"
                                       "5: $x -> a b\n"
                                       "6: $s -> a $x\n");
  auto has = [&](const std::string& text) {
    for (const std::string& p : g.problems)
      if (p.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("rules 4 and 5 have the same right-hand side"));
  EXPECT_TRUE(has("unit rules form a cycle through $x, $y"));
  EXPECT_TRUE(has("conflict between a and $x: < ="));  // $s -> a $x, $x -> $y -> $x ...
  EXPECT_TRUE(g.alpha.empty());

  // Mistakes in the source itself.
  g = GenerateGrammar("symbol a 71\nsymbol b\nsymbol b\n2: $s -> a\nfill ? a a\nwhat\n");
  EXPECT_GE(g.problems.size(), 4u);
  g = GenerateGrammar(symbols + "1: $s -> a a a a a a\n");
  EXPECT_TRUE(!g.problems.empty() && g.problems[0].find("at most 5 symbols") != std::string::npos);
}

TEST(GrammarGenerator, EmptyCellsBetweenTerminalsAreProblems) {
  GeneratedGrammar g = GenerateGrammar(
      "symbol a\nsymbol b\nsymbol #\nsymbol $s\nstart $s\nend #\n1: $s -> a b\nfill > # #\n");
  bool found = false;
  for (const std::string& p : g.problems)
    found = found || p.find("no relation between the terminals b and a") != std::string::npos;
  EXPECT_TRUE(found);
}

TEST(GrammarFiles, TooShortFilesCannotBeOpened) {
  auto kind = [](auto parse, std::string_view text) {
    try {
      parse(text, std::string("f"));
    } catch (const FileError& e) {
      return e.kind();
    }
    return FileError::Kind::Create;  // nothing thrown
  };
  EXPECT_EQ(kind(ParseAlphabet, ""), FileError::Kind::Open);
  EXPECT_EQ(kind(ParseRelations, std::string(kRelationBytes - 1, '>')), FileError::Kind::Open);
  EXPECT_EQ(kind(ParseRules, "\n  \n"), FileError::Kind::Open);
  EXPECT_EQ(ParseRelations(std::string(kRelationBytes, '<') + "more", "f").size(), kRelationBytes);
}

TEST(GrammarFiles, DamagedContentNamesTheFileAndLine) {
  auto message = [](auto parse, std::string_view text) {
    try {
      parse(text, std::string("/p/f"));
    } catch (const FileError& e) {
      EXPECT_EQ(e.kind(), FileError::Kind::Invalid);
      EXPECT_EQ(e.path(), "/p/f");
      return std::string(e.what());
    }
    return std::string("nothing thrown");
  };
  const std::string classes = "$prog\n1\n#\n2\n$CN\n3\n$ID\n4\n";
  EXPECT_EQ(message(ParseAlphabet, classes + "if\n"),
            "Grammar file /p/f is damaged: the symbol on line 9 has no code line");
  EXPECT_EQ(message(ParseAlphabet, classes + "if\nfive\n"),
            "Grammar file /p/f is damaged: line 10 is not a code from 1 to 70");
  EXPECT_EQ(message(ParseAlphabet, classes + "if\n71\n"),
            "Grammar file /p/f is damaged: line 10 is not a code from 1 to 70");
  EXPECT_EQ(message(ParseAlphabet, "$prog\n1\n#\n2\n$CN\n3\n"),
            "Grammar file /p/f is damaged: the symbol $ID is missing");
  EXPECT_EQ(message(ParseRules, "1 1 2 0 0 0 0\n1 1 x 0 0 0 0\n"),
            "Grammar file /p/f is damaged: line 2 holds something other than numbers");
  EXPECT_EQ(message(ParseRules, "1 1 2 0 0 0\n"),
            "Grammar file /p/f is damaged: line 1 does not hold seven numbers");
  EXPECT_EQ(message(ParseRules, "1 6 2 2 2 2 2\n"),
            "Grammar file /p/f is damaged: line 1: a rule has 1 to 5 right-hand symbols");
  EXPECT_EQ(message(ParseRules, "1 2 2 71 0 0 0\n"),
            "Grammar file /p/f is damaged: line 1: right-hand symbol 2 is not a code from 1 to 70");
  EXPECT_EQ(
      message(ParseRules, "0 1 2 0 0 0 0\n"),
      "Grammar file /p/f is damaged: line 1: the left-hand symbol is not a code from 1 to 70");
  EXPECT_EQ(message(ParseRules, "1 1 2 5 0 0 0\n"),
            "Grammar file /p/f is damaged: line 1: right-hand symbol 2 must be 0");
  EXPECT_EQ(message(ParseRules, "1 1 2 0 0 0 0\n"),
            "Grammar file /p/f is damaged: it has 1 rules and the compiler needs at least 32");
  std::string relations(kRelationBytes, '<');
  relations[4] = '\x7f';
  EXPECT_EQ(message(ParseRelations, relations),
            "Grammar file /p/f is damaged: byte 5 is no relation character");
  std::string many;
  for (int i = 0; i < 101; ++i) many += "1 1 2 0 0 0 0\n";
  EXPECT_EQ(message(ParseRules, many),
            "Grammar file /p/f is damaged: it has 101 rules and the rule table holds 100");
  // Only the first ten characters of a symbol count; blanks are part of it.
  EXPECT_EQ(ParseAlphabet(classes + "a long symbol\n 5 \n", "f").back(),
            (AlphabetEntry{"a long sym", 5}));
}

class GrammarLoading : public ::testing::Test {
 protected:
  GrammarLoading() : engine(host) {
    for (const char* name : {"alpha", "pred", "rules"})
      dir.Write(name, ReadFileBytes(kDataFolder + name));
    engine.config.ProgramFolder = dir.Folder();
  }

  test::RecordingHost host;
  Engine engine;
  test::TempFolder dir;
};

TEST_F(GrammarLoading, FilesAreReadAgainOnlyWhenTheyChange) {
  std::shared_ptr<const GrammarTables> first = LoadGrammarTables(engine);
  EXPECT_EQ(LoadGrammarTables(engine), first);
  EXPECT_EQ(first->rules.size(), 36u);

  std::string rules = ReadFileBytes(dir.File("rules"));
  rules += "27 1 25 0 0 0 0\n";
  dir.Write("rules", rules);
  std::shared_ptr<const GrammarTables> second = LoadGrammarTables(engine);
  EXPECT_NE(second, first);
  EXPECT_EQ(second->rules.size(), 37u);
  EXPECT_EQ(second->alphabet, first->alphabet);
  EXPECT_EQ(second->relations, first->relations);

  // Another folder is another set of tables.
  engine.config.ProgramFolder = kDataFolder;
  EXPECT_EQ(LoadGrammarTables(engine)->rules.size(), 36u);
}

TEST_F(GrammarLoading, AMissingOrDamagedFileEndsTheCompileWithoutACompileError) {
  CompiledProgram program;
  program.table[1].opcode = Op::Date;
  engine.run.Memo1.SetLines({"set x 1"});
  std::filesystem::remove(dir.File("pred"));
  try {
    CompileBuildFile(engine, program);
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileError::Kind::Open);
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("pred"));
  }
  EXPECT_FALSE(engine.run.CompileError);
  EXPECT_EQ(program.table[1].opcode, Op::Date);

  dir.Write("pred", std::string(100, '<'));
  EXPECT_THROW(CompileBuildFile(engine, program), FileError);
  dir.Write("pred", ReadFileBytes(kDataFolder + "pred"));
  dir.Write("alpha", "if\n3\n");
  EXPECT_THROW(CompileBuildFile(engine, program), FileError);
  dir.Write("alpha", ReadFileBytes(kDataFolder + "alpha"));
  EXPECT_TRUE(CompileBuildFile(engine, program));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(GrammarLoading, RulesThatLoopAreReportedAsADamagedFile) {
  // Rule 5 turned into $atom -> $val, beside rule 25 $val -> $atom: a cycle of
  // rules without actions that the parser would follow forever.
  std::vector<std::string> rules = SplitLines(ReadFileBytes(dir.File("rules")));
  ASSERT_EQ(rules[4], "34 1 4 0 0 0 0");
  rules[4] = "32 1 4 0 0 0 0";
  dir.Write("rules", test::CrLfText(rules));
  engine.run.Memo1.SetLines({"include \"a\""});
  CompiledProgram program;
  EXPECT_THROW(CompileBuildFile(engine, program), FileError);
}

// --- The grammar accepts exactly the language ------------------------------
//
// Random valid build files, mutated token by token, go through the compiler
// and through a recursive-descent recogniser written from the language's
// description; both must agree on every one.

enum class Kind { Word, Name, Number, Quoted, Comma, Colon, Date, Time };

struct Token {
  Kind kind;
  std::string text;
};

class Recogniser {
 public:
  explicit Recogniser(const std::vector<Token>& tokens) : t_(tokens) {}

  bool Program() {
    while (pos_ < t_.size())
      if (!Command()) return false;
    return true;
  }

 private:
  bool IsWord(const char* word) const {
    return pos_ < t_.size() && t_[pos_].kind == Kind::Word && t_[pos_].text == word;
  }
  bool Take(const char* word) {
    if (!IsWord(word)) return false;
    ++pos_;
    return true;
  }
  bool Take(Kind kind) {
    if (pos_ >= t_.size() || t_[pos_].kind != kind) return false;
    ++pos_;
    return true;
  }
  bool StartsCommand() const {
    for (const char* w : {"set", "run", "include", "tag", "new", "repeat", "if"})
      if (IsWord(w)) return true;
    return false;
  }
  bool Value() {
    if (Take(Kind::Quoted) || Take(Kind::Number) || Take(Kind::Date) || Take(Kind::Time))
      return true;
    if (!Take(Kind::Name)) return false;
    if (Take(Kind::Colon)) return Take(Kind::Number) || Take(Kind::Quoted);
    return true;
  }
  // Commands up to the word that closes the block; at least one when required.
  bool Body(bool required) {
    if (required && !StartsCommand()) return false;
    while (StartsCommand())
      if (!Command()) return false;
    return true;
  }
  bool Command() {
    if (Take("set")) return Take(Kind::Name) && Value();
    if (Take("run")) return Value();
    if (Take("include")) return Value() && (!Take(Kind::Comma) || Value());
    if (Take("tag")) {
      if (!Value()) return false;
      if (Take(Kind::Comma)) return Value();
      return Body(true) && Take("end");
    }
    if (Take("new")) return Value() && Body(false) && Take("end");
    if (Take("repeat")) return Take(Kind::Name) && Value() && Body(false) && Take("end");
    if (Take("if")) {
      if (!Value() || !(Take("is") || Take("isnot")) || !Value() || !Take("then")) return false;
      if (!Body(false)) return false;
      if (Take("else") && !Body(false)) return false;
      return Take("end");
    }
    return false;
  }

  const std::vector<Token>& t_;
  std::size_t pos_ = 0;
};

class ProgramMaker {
 public:
  explicit ProgramMaker(unsigned seed) : rng_(seed) {}

  std::vector<Token> Program() {
    std::vector<Token> out;
    budget_ = 12;
    for (int n = Pick(0, 4); n > 0; --n) Command(out, 0);
    return out;
  }

  Token AnyToken() {
    switch (Pick(0, 7)) {
      case 0:
        return Word();
      case 1:
        return {Kind::Comma, ","};
      case 2:
        return {Kind::Colon, ":"};
      default: {
        std::vector<Token> value;
        Value(value);
        return value.front();
      }
    }
  }

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

 private:
  Token Word() {
    static const char* words[] = {"set", "run", "include", "tag",  "new",  "repeat",
                                  "if",  "is",  "isnot",   "then", "else", "end"};
    return {Kind::Word, words[Pick(0, 11)]};
  }

  void Value(std::vector<Token>& out) {
    static const char* names[] = {"x", "rec", "_a", "b2"};
    static const char* texts[] = {"a.htm", "end", "tag", "Two words", "#", ",", "5"};
    switch (Pick(0, 6)) {
      case 0:
        out.push_back({Kind::Quoted, texts[Pick(0, 6)]});
        break;
      case 1:
        out.push_back({Kind::Number, std::to_string(Pick(0, 400))});
        break;
      case 2:
        out.push_back({Kind::Date, "<date>"});
        break;
      case 3:
        out.push_back({Kind::Time, "<time>"});
        break;
      case 4:
        out.push_back({Kind::Name, names[Pick(0, 3)]});
        out.push_back({Kind::Colon, ":"});
        out.push_back(Pick(0, 1) ? Token{Kind::Number, "3"} : Token{Kind::Quoted, "Name"});
        break;
      default:
        out.push_back({Kind::Name, names[Pick(0, 3)]});
    }
  }

  void Body(std::vector<Token>& out, int depth, int least) {
    for (int n = Pick(least, 3); n > 0; --n) Command(out, depth + 1);
  }

  void Command(std::vector<Token>& out, int depth) {
    const int kind = (depth > 3 || --budget_ < 0) ? Pick(0, 3) : Pick(0, 7);
    auto word = [&](const char* w) { out.push_back({Kind::Word, w}); };
    switch (kind) {
      case 0:
        word("set");
        out.push_back({Kind::Name, "x"});
        Value(out);
        break;
      case 1:
        word("run");
        Value(out);
        break;
      case 2:
        word("include");
        Value(out);
        if (Pick(0, 1)) {
          out.push_back({Kind::Comma, ","});
          Value(out);
        }
        break;
      case 3:
        word("tag");
        Value(out);
        out.push_back({Kind::Comma, ","});
        Value(out);
        break;
      case 4:
        word("tag");
        Value(out);
        Body(out, depth, Pick(0, 9) == 0 ? 0 : 1);  // now and then a block without a body
        word("end");
        break;
      case 5:
        word("new");
        Value(out);
        Body(out, depth, 0);
        word("end");
        break;
      case 6:
        word("repeat");
        out.push_back({Kind::Name, "rec"});
        Value(out);
        Body(out, depth, 0);
        word("end");
        break;
      default:
        word("if");
        Value(out);
        word(Pick(0, 1) ? "is" : "isnot");
        Value(out);
        word("then");
        Body(out, depth, 0);
        if (Pick(0, 1)) {
          word("else");
          Body(out, depth, 0);
        }
        word("end");
    }
  }

  std::mt19937 rng_;
  int budget_ = 0;
};

// Prepared lines: tokens separated by blanks, a new line after every `end`
// (whose line the compiler does not read further) and now and then elsewhere.
std::vector<std::string> Render(const std::vector<Token>& tokens, ProgramMaker& maker) {
  std::vector<std::string> lines(1);
  for (const Token& t : tokens) {
    lines.back() += (t.kind == Kind::Quoted ? "\"" + t.text + "\"" : t.text) + " ";
    if ((t.kind == Kind::Word && t.text == "end") || maker.Pick(0, 9) == 0) lines.emplace_back();
  }
  return lines;
}

TEST(GrammarLanguage, MutatedBuildFilesAreAcceptedExactlyWhenTheLanguageAllowsThem) {
  test::RecordingHost host;
  Engine engine(host);
  engine.config.ProgramFolder = kDataFolder;
  ProgramMaker maker(20261208);
  int accepted = 0, rejected = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<Token> tokens = maker.Program();
    const int mutations = round % 4 == 0 ? 0 : maker.Pick(1, 3);
    for (int m = 0; m < mutations; ++m) {
      const std::size_t at =
          tokens.empty() ? 0 : maker.Pick(0, static_cast<int>(tokens.size()) - 1);
      const std::ptrdiff_t where = static_cast<std::ptrdiff_t>(at);
      const std::size_t span = std::min<std::size_t>(tokens.size() - at, maker.Pick(2, 5));
      switch (tokens.empty() ? 2 : maker.Pick(0, 6)) {
        case 0:
          tokens.erase(tokens.begin() + where);
          break;
        case 1:
          tokens.insert(tokens.begin() + where, tokens[at]);
          break;
        case 2:
          tokens.insert(tokens.begin() + where, maker.AnyToken());
          break;
        case 3:
          tokens[at] = maker.AnyToken();
          break;
        case 4:  // a run of tokens goes
          tokens.erase(tokens.begin() + where,
                       tokens.begin() + where + static_cast<std::ptrdiff_t>(span));
          break;
        case 5: {  // a run of tokens is repeated elsewhere
          std::vector<Token> run(tokens.begin() + where,
                                 tokens.begin() + where + static_cast<std::ptrdiff_t>(span));
          const std::size_t to = maker.Pick(0, static_cast<int>(tokens.size()));
          tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(to), run.begin(), run.end());
          break;
        }
        default:
          if (at + 1 < tokens.size()) std::swap(tokens[at], tokens[at + 1]);
      }
    }
    const std::vector<std::string> lines = Render(tokens, maker);
    const bool expected = Recogniser(tokens).Program();
    engine.run.Memo1.SetLines(lines);
    CompiledProgram program;
    host.Clear();
    const bool compiled = CompileBuildFile(engine, program);
    ASSERT_EQ(compiled, expected) << testing::PrintToString(lines) << "\n"
                                  << testing::PrintToString(host.Texts());
    if (compiled) {
      ++accepted;
      EXPECT_TRUE(host.messages.empty());
    } else {
      ++rejected;
      EXPECT_EQ(host.messages.size(), 1u) << testing::PrintToString(lines);
    }
  }
  // Both outcomes are well represented.
  EXPECT_GT(accepted, 800);
  EXPECT_GT(rejected, 800);
}

}  // namespace
}  // namespace ws
