#include "checker.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "commands.h"
#include "engine.h"
#include "texthelpers.h"

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

// The message of the first test that the command word and its parameters
// fail; nothing when the line is good.
std::optional<MessageId> CommandMessage(std::string_view word, const Parameters& p) {
  using enum MessageId;
  const std::optional<Command> command = FindCommand(word);
  if (!command) return MissingCommand;
  switch (command->shape) {
    case Shape::NameAndOptionalValue:
      if (!p[2].empty()) return TooManyParameters;
      if (p[0].empty()) return AtLeastOneParameter;
      break;
    case Shape::OneValue:
      if (!p[1].empty()) return TooManyParameters;
      if (p[0].empty()) return NoParameters;
      break;
    case Shape::VariableAndValue:
      if (!p[2].empty()) return TooManyParameters;
      if (p[0].find_first_of("\":") != std::string::npos) return FirstParameterNotVariable;
      break;
    case Shape::Condition:
      if (!p[4].empty()) return TooManyParameters;
      if (p[0].empty()) return NoParameters;
      if (p[1] != "is" && p[1] != "isnot") return MissingIsOrIsnot;
      if (p[2].empty()) return NoSecondIfParameter;
      if (p[3] != "then") return MissingThen;
      break;
    case Shape::Nothing:
      if (!p[0].empty()) return TooManyParameters;
      break;
    case Shape::Anything:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MessageId> SplitParameters(std::string_view text, Parameters& p) {
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
        return MessageId::ClosingQuoteMissing;
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
      return MessageId::InvalidFieldNumber;
    }
    pieces.push_back({work.Origin(0), word});
    work.Erase(0, word.size());
  }

  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.origin < b.origin; });
  for (std::size_t i = 0; i < p.size(); ++i)
    p[i] = i < pieces.size() ? std::move(pieces[i].text) : std::string();
  return std::nullopt;
}

void ReportBadLine(Engine& engine, int lineIndex, MessageId id, std::string_view word,
                   bool stopsRun) {
  const std::string number = std::to_string(lineIndex + 1);
  if (stopsRun)
    engine.Fail(id, {word, number}, lineIndex);
  else
    engine.Report(id, {word, number}, lineIndex);
  engine.PlaceCaret(lineIndex);
}

void CheckBuildFile(Engine& engine, const std::vector<std::string>& lines) {
  engine.run.BuildStopped = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = TabsToBlanks(lines[i]);
    std::string_view rest = TrimLeadingBlanks(line);
    if (rest.empty() || rest.starts_with("//") || rest.starts_with("--")) continue;

    std::size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : TrimBlanks(rest.substr(blank));

    Parameters p;
    std::optional<MessageId> bad;
    if (!rest.empty()) bad = SplitParameters(rest, p);
    if (!bad) bad = CommandMessage(word, p);
    if (bad) {
      ReportBadLine(engine, static_cast<int>(i), *bad, word, true);
      return;
    }
  }
}

}  // namespace ws
