#include "buildline.h"

#include "commands.h"

namespace lsp {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool CommentAt(std::string_view line, std::size_t at) {
  return line.substr(at, 2) == "--" || line.substr(at, 2) == "//";
}

// The end of a quoted text that opens at `quote`: after its closing quote,
// or the end of the line.
std::size_t QuotedEnd(std::string_view line, std::size_t quote) {
  const std::size_t close = line.find('"', quote + 1);
  return close == std::string_view::npos ? line.size() : close + 1;
}

}  // namespace

std::vector<Piece> SplitLine(std::string_view line) {
  std::vector<Piece> pieces;
  std::size_t at = 0;
  for (;;) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size() || CommentAt(line, at)) return pieces;
    std::size_t end = at;
    if (line[at] == '"') {
      end = QuotedEnd(line, at);
    } else {
      while (end < line.size() && !IsBlank(line[end]) && line[end] != '"') ++end;
      // `x:"Name"` goes on to its closing quote.
      if (end < line.size() && line[end] == '"' && end > at && line[end - 1] == ':')
        end = QuotedEnd(line, end);
    }
    pieces.push_back({at, end, std::string(line.substr(at, end - at))});
    at = end;
  }
}

std::string Unquoted(std::string_view piece) {
  if (!piece.starts_with('"')) return std::string(piece);
  piece.remove_prefix(1);
  if (piece.ends_with('"')) piece.remove_suffix(1);
  return std::string(piece);
}

std::optional<FieldReference> AsFieldReference(std::string_view piece) {
  const std::size_t colon = piece.find(':');
  if (colon == 0 || colon == std::string_view::npos || piece.starts_with('"')) return std::nullopt;
  return FieldReference{std::string(piece.substr(0, colon)), std::string(piece.substr(colon + 1))};
}

std::optional<std::size_t> PieceAt(const std::vector<Piece>& pieces, std::size_t at) {
  for (std::size_t i = 0; i < pieces.size(); ++i)
    if (pieces[i].begin <= at && at <= pieces[i].end) return i;
  return std::nullopt;
}

std::string CommandWord(std::string_view line) {
  const std::vector<Piece> pieces = SplitLine(line);
  return pieces.empty() ? std::string() : pieces.front().text;
}

std::string NearestInclude(const std::vector<std::string>& lines, std::size_t last) {
  if (lines.empty()) return {};
  last = std::min(last, lines.size() - 1);
  // Lines inside a block closed at or before `last` do not count: from the
  // opener to its end, or from the top to an end met with no block open.
  std::vector<bool> gone(last + 1, false);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i <= last; ++i) {
    const std::vector<Piece> pieces = SplitLine(lines[i]);
    if (pieces.empty()) continue;
    const std::optional<ws::Command> command = ws::FindCommand(pieces.front().text);
    if (!command) continue;
    if (ws::OpensBlock(*command, pieces.size() >= 3)) {
      open.push_back(i);
    } else if (command->block == ws::Block::Closes) {
      std::size_t from = 0;
      if (!open.empty()) {
        from = open.back();
        open.pop_back();
      }
      for (std::size_t j = from; j <= i; ++j) gone[j] = true;
    }
  }
  for (std::size_t i = last + 1; i-- > 0;) {
    if (gone[i]) continue;
    const std::vector<Piece> pieces = SplitLine(lines[i]);
    if (pieces.size() < 2 || pieces[0].text != "include") continue;
    return pieces[1].text.starts_with('"') ? Unquoted(pieces[1].text) : std::string();
  }
  return {};
}

std::string DataFileOf(const std::vector<std::string>& lines, std::size_t last,
                       std::string_view dataSet) {
  if (lines.empty()) return {};
  for (std::size_t i = std::min(last, lines.size() - 1) + 1; i-- > 0;) {
    const std::vector<Piece> pieces = SplitLine(lines[i]);
    if (pieces.size() >= 3 && pieces[0].text == "repeat" && pieces[1].text == dataSet &&
        pieces[2].text.starts_with('"'))
      return Unquoted(pieces[2].text);
  }
  return {};
}

}  // namespace lsp
