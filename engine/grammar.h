// The tables that drive the compiler: the alphabet ("alpha": symbol texts and
// their codes), the precedence relations ("pred": 70 rows of 70 bytes) and the
// rules ("rules"), read from the program's folder. They are made from
// data/grammar.txt, and so are the bindings of the rule numbers to the
// compiler's actions (rulebindings.h), which the build compiles in: a changed
// grammar needs the tables regenerated and the program rebuilt.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fileio.h"

namespace ws {

class Engine;

constexpr int kSymbolCount = 70;               // codes 1 to 70
constexpr int kMaxRules = 100;                 // lines of "rules"
constexpr int kRulesWithActions = 32;          // the highest rule number an action refers to
constexpr int kMaxRuleLength = 5;              // symbols on a right-hand side
constexpr std::size_t kSymbolTextLength = 10;  // characters of an alphabet text that count
constexpr std::size_t kRelationBytes = kSymbolCount * kSymbolCount;

struct AlphabetEntry {
  std::string text;  // at most 10 characters
  int code = 0;      // 1 to 70
  bool operator==(const AlphabetEntry&) const = default;
};

struct TRule {
  int lhs = 0;
  int length = 0;                         // 1 to 5
  std::array<int, kMaxRuleLength> rhs{};  // rhs[0] is the first symbol; 0 beyond the length
  bool operator==(const TRule&) const = default;
};

struct GrammarTables {
  std::string folder;  // where they were read from
  std::vector<AlphabetEntry> alphabet;
  std::string relations;  // kRelationBytes bytes, row-major
  std::vector<TRule> rules;
  FileStamp alphaStamp, predStamp, rulesStamp;

  // The relation byte between a left symbol a and a right symbol b; "." (no
  // relation) for a code outside 1 to 70.
  char Relation(int a, int b) const {
    if (a < 1 || a > kSymbolCount || b < 1 || b > kSymbolCount) return '.';
    return relations[static_cast<std::size_t>((a - 1) * kSymbolCount + (b - 1))];
  }
};

// The contents of each file. A file that is too short (empty, or "pred" below
// 4900 bytes) throws FileError(Kind::Open, path); content that cannot be used
// throws FileError(path, message) with a message that names the file and line.
std::vector<AlphabetEntry> ParseAlphabet(std::string_view text, const std::string& path);
std::string ParseRelations(std::string_view bytes, const std::string& path);
std::vector<TRule> ParseRules(std::string_view text, const std::string& path);

// The tables of engine.ProgramFolder, kept in engine.grammar. A file is read
// again only when its stamp (size, modification time, inode) has changed, so
// the tables are as fresh as the files at every compile without costing a
// read when nothing changed. Throws FileError.
std::shared_ptr<const GrammarTables> LoadGrammarTables(Engine& engine);

}  // namespace ws
