// The compiler's scanner: reads the prepared build file in Memo1 one token at
// a time and enters the tokens in the compile's symbol tree, whose alphabet
// (keywords, punctuation, classes and their codes) comes from "alpha".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "messages.h"

namespace ws {

struct GrammarTables;
class TextBuffer;
struct TNode;
class SymbolTree;

// "A" to "Z" and the codes 0xC0 to 0xDF become the code plus 32; every other
// character is returned unchanged.
char LowerChar(char c);

// Enters every pair of the alphabet in the tree; a text already there keeps
// its first code.
void LoadAlphabet(const GrammarTables& tables, SymbolTree& tree);

// The codes of the class symbols, looked up after the alphabet is loaded.
struct ClassCodes {
  int program = 0;     // "$prog"
  int end = 0;         // "#": end of the text, bottom of the parse stack
  int number = 0;      // "$CN"
  int identifier = 0;  // "$ID": identifiers and quoted texts
};

// A mistake found while reading: shown by the compiler with what was found
// and the line number (1-based) as its arguments.
struct ScanError {
  MessageId id;
  std::string found;  // the character found instead of the expected one
  int line;           // 0-based
};

class Scanner {
 public:
  // A scanner at the start of the prepared text: nothing read, the current
  // character a blank.
  Scanner(const TextBuffer& memo, SymbolTree& tree, ClassCodes codes);

  // Makes the next character of the text the current one. Empty lines are
  // skipped; every line ends in CR, and the text in CR, NUL.
  void ReadNextChar();

  // Skips blanks and comments, reads one token and delivers its text and
  // code. Returns its node: keywords, names, "<date>" and punctuation are
  // entered in the tree; every quoted text and every number gets a node of
  // its own, outside the tree, so that no other token shares it. The end of
  // the text has no node. A mistake is kept for TakeErrors; the token is
  // still finished.
  TNode* NextToken(std::string& text, int& code);

  // The number of lines fetched so far: the 1-based number of the line being read.
  long long LineCounter() const { return lineCounter_; }

  // The mistakes found since the last call, in the order found.
  std::vector<ScanError> TakeErrors();

 private:
  void Report(MessageId id, std::string found = {});
  bool SkipBlanksAndComments();

  const TextBuffer& memo_;
  SymbolTree& tree_;
  ClassCodes codes_;

  std::string line_;  // the current line with its CR (and NUL after the last)
  std::size_t lineLength_ = 0;
  std::size_t position_ = 0;  // 1-based position of the current character
  long long lineCounter_ = 0;
  char current_ = ' ';
  bool stringMode_ = false;  // inside a double-quoted text
  bool quoteOpens_ = false;  // a double quote met now opens a quoted text
  std::vector<ScanError> errors_;
};

}  // namespace ws
