#include "prepare.h"

#include "textbuffer.h"
#include "texthelpers.h"

namespace ws {

namespace {

// A blank between every two adjacent double quotes, and tabs to blanks. Each
// inserted blank separates one pair and creates no new one, so one pass gives
// what inserting into the first remaining pair over and over would give.
std::string SeparateQuotesAndTabs(std::string_view line) {
  std::string out;
  out.reserve(line.size() + 8);
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    out += c == '\t' ? ' ' : c;
    if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') out += ' ';
  }
  return out;
}

// Puts " , " between the first and the second parameter of a `tag` or
// `include` line; any other line, and a line with one parameter or with only a
// comment after the first, is returned unchanged.
std::string InsertParameterComma(std::string line) {
  std::string_view view = line;
  if (view.find("tag ") == std::string_view::npos &&
      view.find("include ") == std::string_view::npos)
    return line;

  std::string_view rest = TrimLeadingBlanks(view);
  std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return line;
  std::string_view command = rest.substr(0, blank + 1);  // with its blank
  // "tag " or "include " inside a quoted text of another command does not make
  // the line a `tag` or `include` line.
  if (command != "tag " && command != "include ") return line;
  rest = TrimLeadingBlanks(rest.substr(blank + 1));
  if (rest.empty()) return line;

  std::string first;       // the first parameter as it is written back
  std::string_view after;  // the text after the first parameter
  if (rest.front() == '"') {
    std::size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return line;  // unclosed: the compiler reports it
    first = rest.substr(0, close + 1);
    after = rest.substr(close + 1);
  } else {
    // `x : 3` is read as `x: 3`. The blanks after the first character are only
    // dropped when a colon follows them, so that `tag t "a b"` keeps its
    // quoted text whole.
    std::size_t next = rest.find_first_not_of(' ', 1);
    if (next != std::string_view::npos && rest[next] == ':') {
      std::string_view field = TrimLeadingBlanks(rest.substr(next + 1));
      first = rest.substr(0, 1);
      first += ':';
      if (!field.empty() && field.front() == '"') {
        std::size_t close = field.find('"', 1);
        if (close == std::string_view::npos) return line;
        first += field.substr(0, close + 1);
        after = field.substr(close + 1);
      } else {
        std::size_t end = field.find(' ');
        if (end == std::string_view::npos) return line;  // a single parameter
        first += field.substr(0, end + 1);
        after = field.substr(end + 1);
      }
    } else {
      std::size_t end = rest.find(' ');
      // `row:"Tag name"`: a field reference by column name is one parameter up
      // to its closing quote, whatever the length of the data-set name, as the
      // line checker reads it; the blank inside the quotes does not end it.
      const std::size_t field = rest.find(":\"");
      if (field != std::string_view::npos && field < end) {
        std::size_t close = rest.find('"', field + 2);
        if (close == std::string_view::npos) return line;  // unclosed: the compiler reports it
        end = close;
      }
      if (end == std::string_view::npos) return line;  // a single parameter
      first = rest.substr(0, end + 1);
      after = rest.substr(end + 1);
    }
  }

  std::string_view tail = TrimLeadingBlanks(after);
  if (tail.empty() || tail.starts_with("--") || tail.starts_with("//")) return line;

  std::string out;
  out.reserve(command.size() + first.size() + 3 + tail.size());
  out += command;
  out += first;
  out += " , ";
  out += tail;
  return out;
}

}  // namespace

std::string PrepareLine(std::string_view line) {
  return InsertParameterComma(SeparateQuotesAndTabs(line));
}

void PrepareSource(TextBuffer& memo) {
  const int count = memo.LineCount();
  for (int i = 0; i < count; ++i) {
    const std::string& line = memo.Line(i);
    if (line.find_first_of("\"\t") == std::string::npos && line.find("tag ") == std::string::npos &&
        line.find("include ") == std::string::npos)
      continue;
    std::string prepared = PrepareLine(line);
    if (prepared != line) memo.SetLine(i, std::move(prepared));
  }
}

}  // namespace ws
