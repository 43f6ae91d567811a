// Hover (a tag's body, a field's value in the first record) and go to
// definition (the file of an include, a run or a data set).
#include "buildline.h"
#include "fileio.h"
#include "languagefeatures.h"
#include "tagnames.h"

namespace lsp {

namespace {

// A hover's text is cut here: a tag body may be a whole page.
constexpr std::size_t kMaxHoverText = 4000;

struct Place {
  const std::string& line;
  std::vector<Piece> pieces;
  std::size_t index;  // of the piece under the cursor
};

std::optional<Place> PlaceAt(const Document& document, Position at) {
  if (at.line < 0 || static_cast<std::size_t>(at.line) >= document.lines.size())
    return std::nullopt;
  const std::string& line = document.lines[static_cast<std::size_t>(at.line)];
  std::vector<Piece> pieces = SplitLine(line);
  const std::optional<std::size_t> index = PieceAt(pieces, ByteColumn(line, at.character));
  if (!index) return std::nullopt;
  return Place{line, std::move(pieces), *index};
}

// A Markdown text shown as it is, in a fence longer than any run of
// backticks in it.
std::string Fenced(std::string text) {
  if (text.size() > kMaxHoverText) text = text.substr(0, kMaxHoverText) + " ...";
  std::string fence = "```";
  while (text.find(fence) != std::string::npos) fence += '`';
  return fence + "html\n" + text + "\n" + fence;
}

Json HoverOf(std::string markdown, const Document& document, int line, const Piece& piece) {
  return {{"contents", {{"kind", "markdown"}, {"value", std::move(markdown)}}},
          {"range", LineRange(document.lines, line, piece.begin, piece.end)}};
}

// The data file of the field reference under the cursor, as written.
std::string DataFileOfReference(const Document& document, int line, const FieldReference& ref) {
  return DataFileOf(document.lines, static_cast<std::size_t>(line), ref.dataSet);
}

}  // namespace

Json Hover(Context& context, const Document& document, Position at) {
  const std::optional<Place> place = PlaceAt(document, at);
  if (!place || place->index == 0) return nullptr;
  const Piece& piece = place->pieces[place->index];
  const std::string& word = place->pieces[0].text;

  if (const std::optional<FieldReference> ref = AsFieldReference(piece.text)) {
    const std::string file = DataFileOfReference(document, at.line, *ref);
    if (file.empty()) return nullptr;
    const ws::DataFile* data = context.DataFileAt(Context::Resolve(document, file));
    if (!data) return HoverOf("Cannot open file " + file, document, at.line, piece);
    const std::optional<std::string> value =
        ws::FieldOfRecord(*data, context.FirstDataRecord(), ref->column);
    if (!value) return HoverOf("No such column in " + file, document, at.line, piece);
    return HoverOf("First record of " + file + ":\n\n" + Fenced(*value), document, at.line, piece);
  }

  // The tag of `tag "T"` (in the nearest include's file) or of `include "F" "T"`.
  std::string file;
  if (word == "tag" && place->index == 1)
    file = NearestInclude(document.lines, static_cast<std::size_t>(at.line));
  else if (word == "include" && place->index == 2)
    file = Unquoted(place->pieces[1].text);
  if (file.empty() || !piece.text.starts_with('"')) return nullptr;
  const std::string name = Unquoted(piece.text);
  const std::string* text = context.FlattenedText(Context::Resolve(document, file));
  if (!text) return HoverOf("Cannot open file " + file, document, at.line, piece);
  if (const std::optional<std::string> body = ws::WideTagBody(*text, name, context.prefs.settings))
    return HoverOf("Tag \"" + name + "\" in " + file + ":\n\n" + Fenced(*body), document, at.line,
                   piece);
  return HoverOf("No wide tag \"" + name + "\" in " + file, document, at.line, piece);
}

Json Definition(const Document& document, Position at) {
  const std::optional<Place> place = PlaceAt(document, at);
  if (!place || place->pieces.size() < 2) return nullptr;
  const std::string& word = place->pieces[0].text;
  std::string file;
  if ((word == "include" || word == "run") && place->index <= 1) {
    file = place->pieces[1].text;
  } else if (word == "repeat" && place->pieces.size() >= 3 && place->index != 0) {
    file = place->pieces[2].text;
  } else if (const std::optional<FieldReference> ref =
                 AsFieldReference(place->pieces[place->index].text)) {
    file = "\"" + DataFileOfReference(document, at.line, *ref) + "\"";
  }
  if (!file.starts_with('"') || file.size() < 3) return nullptr;
  const std::string path = Context::Resolve(document, Unquoted(file));
  if (!ws::StampOf(path).exists) return nullptr;
  return {{"uri", UriOfPath(path)},
          {"range",
           {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}}};
}

}  // namespace lsp
