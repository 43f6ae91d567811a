// The grammar table generator: turns the readable grammar (data/grammar.txt)
// into the three tables the compiler loads, and finds what would make the
// tables unusable for a simple-precedence parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ws {

struct GeneratedGrammar {
  // The contents of the files "alpha", "pred" and "rules".
  std::string alpha;
  std::string pred;
  std::string rules;
  // A C++ header binding the rule numbers to the compiler's actions.
  std::string header;
  // Everything that keeps the grammar from driving the parser: mistakes in
  // the source, precedence conflicts, rules with the same right-hand side,
  // cycles of unit rules, tables beyond their sizes. Empty when usable.
  std::vector<std::string> problems;
};

GeneratedGrammar GenerateGrammar(std::string_view source);

}  // namespace ws
