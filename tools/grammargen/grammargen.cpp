#include "grammargen.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <charconv>
#include <map>
#include <optional>
#include <set>

#include "grammar.h"

namespace ws {

namespace {

using SymbolSet = std::bitset<kSymbolCount + 1>;  // indexed by code

enum Relation : unsigned { kLess = 1, kEqual = 2, kGreater = 4 };

struct Symbol {
  std::string text;
  int code = 0;
  int line = 0;
};

struct Rule {
  int number = 0;
  int lhs = 0;  // codes
  std::vector<int> rhs;
  int line = 0;
};

struct Fill {
  char relation = '.';
  std::string row;
  std::vector<std::string> columns;
  int line = 0;
};

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.emplace_back(line.substr(start, i - start));
  }
  return words;
}

// A comment runs from "//" at the start of a word to the end of the line.
std::string_view WithoutComment(std::string_view line) {
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    if (line[i] == '/' && line[i + 1] == '/' &&
        (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
      return line.substr(0, i);
  return line;
}

bool IsIdentifier(std::string_view text) {
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
  for (char c : text)
    if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
      return false;
  return true;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

class Generator {
 public:
  GeneratedGrammar Run(std::string_view source) {
    Read(source);
    if (out_.problems.empty()) AssignCodes();
    if (out_.problems.empty()) ResolveRules();
    if (!out_.problems.empty()) return std::move(out_);
    Derive();
    CheckRules();
    BuildTable();
    if (out_.problems.empty()) Write();
    if (out_.problems.empty()) WriteHeader();
    return std::move(out_);
  }

 private:
  void Problem(int line, const std::string& text) {
    out_.problems.push_back(line > 0 ? "line " + std::to_string(line) + ": " + text : text);
  }

  void Read(std::string_view source) {
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= source.size()) {
      std::size_t end = source.find('\n', start);
      if (end == std::string_view::npos) end = source.size();
      std::string_view line = source.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber;
      ReadLine(WithoutComment(line), lineNumber);
      start = end + 1;
    }
  }

  void ReadLine(std::string_view line, int n) {
    std::vector<std::string> w = Words(line);
    if (w.empty()) return;
    if (w[0] == "symbol") {
      if (w.size() < 2 || w.size() > 3) return Problem(n, "expected: symbol TEXT [CODE]");
      Symbol s{w[1], 0, n};
      if (w.size() == 3) {
        std::optional<int> code = Number(w[2]);
        if (!code || *code < 1 || *code > kSymbolCount)
          return Problem(n, "the code of " + w[1] + " must be a number from 1 to 70");
        s.code = *code;
      }
      if (s.text.size() > kSymbolTextLength)
        Problem(n, "the symbol " + s.text + " is longer than 10 characters");
      if (index_.count(s.text)) return Problem(n, "the symbol " + s.text + " is declared twice");
      index_[s.text] = symbols_.size();
      symbols_.push_back(s);
    } else if (w[0] == "start" || w[0] == "end") {
      if (w.size() != 2) return Problem(n, "expected: " + w[0] + " SYMBOL");
      (w[0] == "start" ? startText_ : endText_) = w[1];
    } else if (w[0] == "fill") {
      if (w.size() < 4 || w[1].size() != 1 ||
          std::string_view("<=>.").find(w[1][0]) == std::string_view::npos)
        return Problem(n, "expected: fill RELATION ROW COLUMN ... with a relation < = > or .");
      fills_.push_back({w[1][0], w[2], {w.begin() + 3, w.end()}, n});
    } else if (w[0].size() > 1 && w[0].back() == ':') {
      std::optional<int> number = Number(std::string_view(w[0]).substr(0, w[0].size() - 1));
      if (!number) return Problem(n, "a rule begins with its number and a colon");
      if (w.size() < 4 || w[2] != "->") return Problem(n, "expected: N: LHS -> RHS ...");
      if (*number != static_cast<int>(ruleTexts_.size()) + 1)
        Problem(n, "rule " + std::to_string(*number) + " should be rule " +
                       std::to_string(ruleTexts_.size() + 1) + ": rules are numbered in order");
      RuleText rule{w[1], {w.begin() + 3, w.end()}, n, {}, false};
      // "=> NAME" names the compiler's action; "=> op NAME" makes the rule
      // emit the instruction NAME with the values after its first symbol.
      auto arrow = std::find(rule.rhs.begin(), rule.rhs.end(), "=>");
      if (arrow != rule.rhs.end()) {
        std::vector<std::string> action(arrow + 1, rule.rhs.end());
        rule.rhs.erase(arrow, rule.rhs.end());
        rule.emits = action.size() == 2 && action[0] == "op";
        if (action.size() != (rule.emits ? 2u : 1u) || !IsIdentifier(action.back()))
          return Problem(n, "expected: => NAME or => op NAME, with a C++ name");
        rule.action = action.back();
      }
      if (rule.rhs.empty()) return Problem(n, "expected: N: LHS -> RHS ...");
      ruleTexts_.push_back(std::move(rule));
    } else {
      Problem(n, "unknown line: " + std::string(line));
    }
  }

  void AssignCodes() {
    std::bitset<kSymbolCount + 1> used;
    for (const Symbol& s : symbols_) {
      if (s.code == 0) continue;
      if (used[s.code]) Problem(s.line, "the code " + std::to_string(s.code) + " is given twice");
      used[s.code] = true;
    }
    int next = 1;
    for (Symbol& s : symbols_) {
      if (s.code != 0) continue;
      while (next <= kSymbolCount && used[next]) ++next;
      if (next > kSymbolCount) {
        Problem(s.line, "more than 70 symbols: the relation table has 70 rows");
        return;
      }
      s.code = next;
      used[next] = true;
    }
    for (const Symbol& s : symbols_) text_[s.code] = s.text;
  }

  int CodeOf(const std::string& text, int line) {
    auto it = index_.find(text);
    if (it == index_.end()) {
      Problem(line, "the symbol " + text + " is not declared");
      return 0;
    }
    return symbols_[it->second].code;
  }

  void ResolveRules() {
    if (ruleTexts_.size() > kMaxRules) Problem(0, "more than 100 rules: the rule table holds 100");
    for (const RuleText& r : ruleTexts_) {
      Rule rule{static_cast<int>(rules_.size()) + 1, CodeOf(r.lhs, r.line), {}, r.line};
      for (const std::string& s : r.rhs) rule.rhs.push_back(CodeOf(s, r.line));
      if (rule.rhs.size() > kMaxRuleLength)
        Problem(r.line, "a right-hand side has at most 5 symbols");
      nonterminal_[rule.lhs] = true;
      rules_.push_back(rule);
    }
    start_ = CodeOf(startText_, 0);
    end_ = CodeOf(endText_, 0);
    if (start_ && !nonterminal_[start_]) Problem(0, "the start symbol has no rule");
    if (end_ && nonterminal_[end_]) Problem(0, "the end symbol may not have rules");
    for (const Rule& r : rules_)
      for (int s : r.rhs)
        if (s == end_ || s == start_)
          Problem(r.line, "the start and end symbols stand on no right-hand side");
  }

  // FIRST+ and LAST+ of every nonterminal, then the relations of every pair
  // of neighbours on a right-hand side.
  void Derive() {
    for (bool changed = true; changed;) {
      changed = false;
      for (const Rule& r : rules_) {
        changed |= Add(first_, r.lhs, r.rhs.front());
        changed |= Add(last_, r.lhs, r.rhs.back());
      }
    }
    for (const Rule& r : rules_) {
      for (std::size_t i = 0; i + 1 < r.rhs.size(); ++i) {
        const int x = r.rhs[i], y = r.rhs[i + 1];
        relations_[x][y] |= kEqual;
        for (int z = 1; z <= kSymbolCount; ++z) {
          if (first_[y][z]) relations_[x][z] |= kLess;
          if (!last_[x][z]) continue;
          relations_[z][y] |= kGreater;
          for (int f = 1; f <= kSymbolCount; ++f)
            if (first_[y][f]) relations_[z][f] |= kGreater;
        }
      }
    }
    // The text is bounded by the end symbol: everything that begins a program
    // is shifted onto the bottom of the stack, a finished program takes the
    // end of the text, and whatever ends a program is reduced before it.
    relations_[end_][start_] |= kLess;
    relations_[start_][end_] |= kEqual;
    for (int z = 1; z <= kSymbolCount; ++z) {
      if (first_[start_][z]) relations_[end_][z] |= kLess;
      if (last_[start_][z]) relations_[z][end_] |= kGreater;
    }
  }

  // Adds to the set of lhs a symbol and everything that symbol begins (or
  // ends) with.
  bool Add(std::array<SymbolSet, kSymbolCount + 1>& sets, int lhs, int symbol) {
    const SymbolSet before = sets[lhs];
    sets[lhs][symbol] = true;
    sets[lhs] |= sets[symbol];
    return sets[lhs] != before;
  }

  void CheckRules() {
    for (std::size_t a = 0; a < rules_.size(); ++a)
      for (std::size_t b = a + 1; b < rules_.size(); ++b)
        if (rules_[a].rhs == rules_[b].rhs)
          Problem(rules_[b].line, "rules " + std::to_string(a + 1) + " and " +
                                      std::to_string(b + 1) + " have the same right-hand side");
    // Unit rules A -> B: a cycle would let the parser reduce without end.
    std::array<SymbolSet, kSymbolCount + 1> reach{};
    for (const Rule& r : rules_)
      if (r.rhs.size() == 1 && nonterminal_[r.rhs[0]]) reach[r.lhs][r.rhs[0]] = true;
    for (int k = 1; k <= kSymbolCount; ++k)
      for (int i = 1; i <= kSymbolCount; ++i)
        if (reach[i][k]) reach[i] |= reach[k];
    SymbolSet reported;
    for (int a = 1; a <= kSymbolCount; ++a) {
      if (!reach[a][a] || reported[a]) continue;
      std::string cycle;
      for (int b = 1; b <= kSymbolCount; ++b) {
        if (!(reach[a][b] && reach[b][a])) continue;
        reported[b] = true;
        cycle += (cycle.empty() ? "" : ", ") + text_[b];
      }
      Problem(0, "unit rules form a cycle through " + cycle);
    }
  }

  void BuildTable() {
    table_.assign(kSymbolCount * kSymbolCount, '.');
    for (int a = 1; a <= kSymbolCount; ++a) {
      for (int b = 1; b <= kSymbolCount; ++b) {
        const unsigned r = relations_[a][b];
        char& cell = table_[static_cast<std::size_t>((a - 1) * kSymbolCount + (b - 1))];
        if (r == kLess) cell = '<';
        if (r == kEqual) cell = '=';
        if (r == kGreater) cell = '>';
        if (r == 0) cell = FillFor(a, b);
        if (r != 0 && r != kLess && r != kEqual && r != kGreater) {
          std::string which;
          if (r & kLess) which += " <";
          if (r & kEqual) which += " =";
          if (r & kGreater) which += " >";
          Problem(0, "conflict between " + text_[a] + " and " + text_[b] + ":" + which);
        }
      }
    }
    // The end of the text is read again and again once reached: shifting it
    // onto itself would never end.
    if (At(end_, end_) != '>' && At(end_, end_) != '.')
      Problem(0, "the end of the text would be shifted onto itself");
    // After a shift the top of the stack and the look-ahead are terminals; an
    // empty cell between them turns on the error-tolerant mode.
    for (int a = 1; a <= kSymbolCount; ++a)
      for (int b = 1; b <= kSymbolCount; ++b)
        if (!nonterminal_[a] && !nonterminal_[b] && !text_[a].empty() && !text_[b].empty() &&
            At(a, b) == '.')
          Problem(0, "no relation between the terminals " + text_[a] + " and " + text_[b]);
  }

  char FillFor(int a, int b) {
    for (const Fill& f : fills_) {
      if (!Covers(f.row, a, f.line)) continue;
      for (const std::string& column : f.columns)
        if (Covers(column, b, f.line)) return f.relation;
    }
    return '.';
  }

  bool Covers(const std::string& pattern, int code, int line) {
    if (pattern == "*") return true;
    auto it = index_.find(pattern);
    if (it == index_.end()) {
      if (unknownFills_.insert(pattern).second)
        Problem(line, "the symbol " + pattern + " is not declared");
      return false;
    }
    return symbols_[it->second].code == code;
  }

  char At(int a, int b) const {
    return table_[static_cast<std::size_t>((a - 1) * kSymbolCount + (b - 1))];
  }

  void Write() {
    for (int code = 1; code <= kSymbolCount; ++code)
      if (!text_[code].empty()) out_.alpha += text_[code] + "\n" + std::to_string(code) + "\n";
    out_.pred = table_;
    for (const Rule& r : rules_) {
      std::string line = std::to_string(r.lhs) + " " + std::to_string(r.rhs.size());
      for (std::size_t i = 0; i < kMaxRuleLength; ++i)
        line += " " + std::to_string(i < r.rhs.size() ? r.rhs[i] : 0);
      out_.rules += line + "\n";
    }
  }

  struct RuleText {
    std::string lhs;
    std::vector<std::string> rhs;
    int line = 0;
    std::string action;  // "" for a rule without one
    bool emits = false;  // the action is an opcode to emit
  };

  // The header that binds the rule numbers to the compiler's actions.
  void WriteHeader() {
    std::vector<std::string> actions;
    for (const RuleText& r : ruleTexts_)
      if (!r.emits && !r.action.empty() &&
          std::find(actions.begin(), actions.end(), r.action) == actions.end())
        actions.push_back(r.action);
    std::string& h = out_.header;
    h = "// Made by grammargen from data/grammar.txt; do not edit.\n"
        "#pragma once\n\n#include <array>\n\n#include \"commands.h\"\n\nnamespace ws {\n\n"
        "// The compiler's actions, named in the grammar.\n"
        "enum class RuleAction : unsigned char {\n  None,\n  Emit,\n";
    for (const std::string& a : actions) h += "  " + a + ",\n";
    h += "};\n\n"
         "// What the compiler does when it reduces by a rule: an action of its own, or\n"
         "// Emit: the instruction op with the values of the handle's entries at\n"
         "// operands (1-based positions in the handle; 0 for none).\n"
         "struct RuleBinding {\n  RuleAction action = RuleAction::None;\n  Op op = Op::None;\n"
         "  std::array<unsigned char, 3> operands{};\n};\n\n"
         "inline constexpr std::array<RuleBinding, " +
         std::to_string(ruleTexts_.size() + 1) + "> kRuleBindings{{\n    {},  // no rule 0\n";
    for (std::size_t k = 0; k < ruleTexts_.size(); ++k) {
      const RuleText& r = ruleTexts_[k];
      std::string line = "    {";
      if (r.emits) {
        std::string operands;
        int count = 0;
        for (std::size_t i = 1; i < r.rhs.size(); ++i) {
          if (!nonterminal_[static_cast<std::size_t>(rules_[k].rhs[i])]) continue;
          if (++count > 3) Problem(r.line, "an emitting rule has at most three values");
          operands += (operands.empty() ? "" : ", ") + std::to_string(i + 1);
        }
        line += "RuleAction::Emit, Op::" + r.action + ", {" + operands + "}";
      } else if (!r.action.empty()) {
        line += "RuleAction::" + r.action;
      }
      h += line + "},  // " + std::to_string(k + 1) + "\n";
    }
    h += "}};\n\n}  // namespace ws\n";
  }

  GeneratedGrammar out_;
  std::vector<Symbol> symbols_;
  std::map<std::string, std::size_t> index_;
  std::array<std::string, kSymbolCount + 1> text_;
  std::vector<RuleText> ruleTexts_;
  std::vector<Rule> rules_;
  std::vector<Fill> fills_;
  std::set<std::string> unknownFills_;
  std::string startText_, endText_;
  int start_ = 0, end_ = 0;
  std::array<bool, kSymbolCount + 1> nonterminal_{};
  std::array<SymbolSet, kSymbolCount + 1> first_{}, last_{};
  std::array<std::array<unsigned, kSymbolCount + 1>, kSymbolCount + 1> relations_{};
  std::string table_;
};

}  // namespace

GeneratedGrammar GenerateGrammar(std::string_view source) {
  return Generator().Run(source);
}

}  // namespace ws
