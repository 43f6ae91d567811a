#include "checker.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "context.h"

namespace ws {

namespace {

// The text being split, with the position in the original text of each of its
// characters, so that pieces cut out of it can be put back in their order.
class WorkText {
 public:
  explicit WorkText(std::string_view text) : text_(text), origin_(text.size()) {
    for (std::size_t i = 0; i < origin_.size(); ++i) origin_[i] = i;
  }
  const std::string& text() const { return text_; }
  std::size_t Origin(std::size_t pos) const { return origin_[pos]; }
  void Erase(std::size_t pos, std::size_t length = std::string::npos) {
    length = std::min(length, text_.size() - pos);
    text_.erase(pos, length);
    origin_.erase(origin_.begin() + static_cast<std::ptrdiff_t>(pos),
                  origin_.begin() + static_cast<std::ptrdiff_t>(pos + length));
  }
  void DropLeadingBlanks() {
    std::size_t first = text_.find_first_not_of(' ');
    Erase(0, first == std::string::npos ? text_.size() : first);
  }
  // The start of the first comment: "--", or "//" when there is no "--".
  std::size_t FindComment() const {
    std::size_t pos = text_.find("--");
    return pos != std::string::npos ? pos : text_.find("//");
  }

 private:
  std::string text_;
  std::vector<std::size_t> origin_;
};

struct Piece {
  std::size_t origin;
  std::string text;
};

// An optional sign followed by at least one digit, and nothing else.
bool IsInteger(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void ReportLineError(Engine& engine, std::string_view message, int lineIndex,
                     std::string_view lineNumberText) {
  std::string text(message);
  text += lineNumberText;
  engine.Error(text);
  SelectErrorLine(engine, lineIndex);
}

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The message of the first test that the command word and its parameters
// fail, without the line number; nothing when the line is good.
std::optional<std::string> CommandMessage(std::string_view word, const Parameters& p) {
  const std::string quoted = "`" + std::string(word) + "` command on line: ";
  const std::string tooMany = "Too many parameters for " + quoted;
  if (word == "tag" || word == "include") {
    if (!p[2].empty()) return tooMany;
    if (p[0].empty()) return "You must have at least one parameter for " + quoted;
    return std::nullopt;
  }
  if (word == "run" || word == "new") {
    if (!p[1].empty()) return tooMany;
    if (p[0].empty()) return "No parameters for " + quoted;
    return std::nullopt;
  }
  if (word == "end") return std::nullopt;
  if (word == "repeat" || word == "set") {
    if (!p[2].empty()) return tooMany;
    if (p[0].find_first_of("\":") != std::string::npos)
      return "First parameter for `" + std::string(word) + "` command must be a variable on line: ";
    return std::nullopt;
  }
  if (word == "if") {
    if (!p[4].empty()) return tooMany;
    if (p[0].empty()) return "No parameters for `if` command on line: ";
    if (p[1] != "is" && p[1] != "isnot")
      return "Missing or Misspelled `is` or `isnot` for " + std::string(word) +
             " command on line: ";
    if (p[2].empty()) return "There is no second parameter for `if` command on line: ";
    if (p[3] != "then") return "Missing or Misspelled `then` for `if` command on line: ";
    return std::nullopt;
  }
  if (word == "else") {
    if (!p[0].empty()) return "Too many parameters for `else` command on line: ";
    return std::nullopt;
  }
  return "Missing or Misspelled command on line: ";
}

}  // namespace

bool SplitParameters(Engine& engine, std::string_view text, int lineIndex,
                     std::string_view lineNumberText, Parameters& p) {
  constexpr std::size_t kMaxPieces = 5;
  constexpr auto npos = std::string::npos;
  WorkText work(text);
  std::vector<Piece> pieces;

  // Quoted texts and field-by-name references first, so that blanks inside
  // them do not split them.
  while (pieces.size() < kMaxPieces) {
    const std::string& t = work.text();
    std::size_t quote = t.find('"');
    if (quote == npos) break;
    std::size_t comment = work.FindComment();
    if (comment != npos && comment < quote) {
      work.Erase(comment);  // the comment holds every remaining quote
      break;
    }
    std::size_t close = t.find('"', quote + 1);
    if (quote == 0 || t[quote - 1] != ':') {
      if (close == npos) {
        ReportLineError(engine, "Closing quotation mark is missing on line: ", lineIndex,
                        lineNumberText);
        return false;
      }
      pieces.push_back({work.Origin(quote), t.substr(quote, close - quote + 1)});
      work.Erase(quote, close - quote + 1);
    } else {
      // `x:"Name"`: from the start of the word before the colon to the closing
      // quote (to the end when it is missing; the compiler reports that).
      std::size_t blank = t.rfind(' ', quote - 1);
      std::size_t start = blank == npos ? 0 : blank + 1;
      std::size_t end = close == npos ? t.size() : close + 1;
      pieces.push_back({work.Origin(start), t.substr(start, end - start)});
      work.Erase(start, end - start);
    }
  }

  // Then the words.
  while (pieces.size() < kMaxPieces) {
    work.DropLeadingBlanks();
    std::size_t comment = work.FindComment();
    if (comment != npos) work.Erase(comment);
    const std::string& t = work.text();
    if (t.empty()) break;
    std::string word = t.substr(0, t.find(' '));
    std::size_t colon = word.find(':');
    if (colon != npos && !IsInteger(std::string_view(word).substr(colon + 1))) {
      ReportLineError(engine, "Invalid field number after `:` on line: ", lineIndex,
                      lineNumberText);
      return false;
    }
    pieces.push_back({work.Origin(0), word});
    work.Erase(0, word.size());
  }

  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.origin < b.origin; });
  for (std::size_t i = 0; i < p.size(); ++i)
    p[i] = i < pieces.size() ? std::move(pieces[i].text) : std::string();
  return true;
}

void SelectErrorLine(Engine& engine, int lineIndex) {
  PlaceCaretOnLine(engine, lineIndex);
  engine.BuildStopped = true;
}

void CheckBuildFile(Engine& engine) {
  engine.BuildStopped = false;
  if (!engine.sourceEditor) return;
  const std::vector<std::string> lines = engine.sourceEditor->Lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    std::replace(line.begin(), line.end(), '\t', ' ');
    std::string_view rest = line;
    std::size_t first = rest.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    rest.remove_prefix(first);
    if (rest.starts_with("//") || rest.starts_with("--")) continue;

    std::size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : Trim(rest.substr(blank));

    const int index = static_cast<int>(i);
    const std::string number = std::to_string(i + 1);
    Parameters p;
    if (!rest.empty() && !SplitParameters(engine, rest, index, number, p)) return;
    if (std::optional<std::string> message = CommandMessage(word, p)) {
      ReportLineError(engine, *message, index, number);
      return;
    }
  }
  engine.BuildStopped = false;
}

}  // namespace ws
