#include "scanner.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <utility>

#include "grammar.h"
#include "program.h"
#include "textbuffer.h"

namespace ws {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kEndOfText = '\0';
constexpr char kEndOfFile = 26;

bool IsLetter(char c) {
  return c >= 'a' && c <= 'z';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skipped between tokens; "-" and "/" only as the doubled comment marks.
bool IsSkipped(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '-' || c == '/' || c == '>';
}

// Characters of a quoted text: printable ones and every byte above 127 (UTF-8
// texts), but not the double quote that ends it.
bool IsQuotedTextChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 32 && u != 127 && c != '"';
}

// Signs that may not follow a number directly.
bool IsBadAfterNumber(char c) {
  return IsLetter(c) ||
         (c != kEndOfText && std::string_view("!$&()*+?@\\^{}~").find(c) != std::string_view::npos);
}

}  // namespace

char LowerChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) return static_cast<char>(u + 32);
  return c;
}

void LoadAlphabet(const GrammarTables& tables, SymbolTree& tree) {
  for (const AlphabetEntry& entry : tables.alphabet) {
    int code = entry.code;
    tree.FindOrAddSymbol(entry.text, code);
  }
}

Scanner::Scanner(const TextBuffer& memo, SymbolTree& tree, ClassCodes codes)
    : memo_(memo), tree_(tree), codes_(codes) {}

void Scanner::ReadNextChar() {
  if (position_ >= lineLength_) {
    const TextBuffer& memo = memo_;
    const long long count = memo.LineCount();
    do {
      position_ = 0;
      line_ = lineCounter_ < count ? memo.Line(static_cast<int>(lineCounter_)) : std::string();
      ++lineCounter_;
    } while (line_.empty() && count >= lineCounter_);
    line_ += kCarriageReturn;
    if (count < lineCounter_) line_ += kEndOfText;
    lineLength_ = line_.size();
  }
  ++position_;
  const char c = line_[position_ - 1];
  current_ = stringMode_ ? c : LowerChar(c);
}

void Scanner::Report(MessageId id, std::string found) {
  const int line = static_cast<int>(std::clamp<long long>(lineCounter_ - 1, 0, INT_MAX));
  errors_.push_back({id, std::move(found), line});
}

std::vector<ScanError> Scanner::TakeErrors() {
  return std::exchange(errors_, {});
}

// Returns false when the stretch was given up after an error: it goes on to
// the end of the line of its first error and reports at most two, so that a
// long run of stray slashes cannot flood the user with messages.
bool Scanner::SkipBlanksAndComments() {
  int errors = 0;
  while (IsSkipped(current_)) {
    if (errors > 0 && (current_ == kCarriageReturn || errors >= 2)) return false;
    if (current_ == '/' || current_ == '-') {
      const char mark = current_;
      ReadNextChar();
      if (current_ == mark) {
        position_ = lineLength_;  // a comment: the rest of the line
      } else {
        ++errors;
        const std::string c(1, current_);
        Report(mark == '/' ? MessageId::SlashExpected : MessageId::DashExpected, c);
      }
    }
    ReadNextChar();
    if (current_ == '"') quoteOpens_ = true;
  }
  return true;
}

TNode* Scanner::NextToken(std::string& text, int& code) {
  text.clear();
  if (!stringMode_ && !SkipBlanksAndComments()) {
    code = 0;
    return nullptr;
  }
  const char c = current_;

  if (c == '<' && !stringMode_) {
    // <date> or <time>; the closing ">" stays current and is skipped next time.
    text += c;
    do {
      ReadNextChar();
      text += current_;
    } while (current_ != '>' && current_ != kCarriageReturn && current_ != kEndOfText);
    if (text != "<date>" && text != "<time>") Report(MessageId::DateTimeMisspelled);
    code = codes_.identifier;
    return tree_.FindOrAddSymbol(text, code);
  }

  if ((IsLetter(c) || c == '_') && !stringMode_) {
    do {
      text += current_;
      ReadNextChar();
    } while (IsLetter(current_) || IsDigit(current_));
    code = codes_.identifier;
    TNode* node = tree_.FindOrAddSymbol(text, code);
    quoteOpens_ = true;
    if (text == "end") {
      // Nothing after `end` on its line is read: "end if", "end tag".
      position_ = lineLength_;
      current_ = line_[lineLength_ - 1];
    }
    return node;
  }

  if (stringMode_) {
    // A quoted text must close on its own line.
    while (IsQuotedTextChar(current_)) {
      text += current_;
      ReadNextChar();
    }
    if (current_ != '"') Report(MessageId::SyntaxErrorOnLine);
    quoteOpens_ = false;
    stringMode_ = false;
    code = codes_.identifier;
    TNode* node = tree_.NewDetachedNode(text);
    node->code = code;
    return node;
  }

  if (IsDigit(c)) {
    while (IsDigit(current_)) {
      text += current_;
      ReadNextChar();
    }
    const TNode* known = tree_.Find(text);
    code = known ? known->code : codes_.number;
    if (IsBadAfterNumber(current_)) Report(MessageId::BadSymbol, std::string(1, current_));
    // A number stands for its digits as a value; its node is its own, so that
    // nothing done to a jump label or to another number reaches it.
    TNode* node = tree_.NewDetachedNode(text);
    node->code = code;
    node->value = text;
    return node;
  }

  if (c == '"' || c == '#' || c == ',' || c == ':') {
    text += c;
    if (c == '"' && quoteOpens_) stringMode_ = true;
    code = kSymbolCount;
    TNode* node = tree_.FindOrAddSymbol(text, code);
    ReadNextChar();
    return node;
  }

  if (c == kEndOfText || c == kEndOfFile) {
    text = "#";
    code = codes_.end;
    return nullptr;
  }

  Report(MessageId::SyntaxErrorOnLine);
  code = 0;
  return nullptr;
}

}  // namespace ws
