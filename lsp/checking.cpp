// The features that run the engine over the document: its messages as
// diagnostics, and Reformat Text as formatting.
#include <algorithm>

#include "engine.h"
#include "languagefeatures.h"
#include "reformat.h"

namespace lsp {

namespace {

// DiagnosticSeverity values of the protocol.
int SeverityOf(ws::MessageKind kind) {
  switch (kind) {
    case ws::MessageKind::Error:
      return 1;
    case ws::MessageKind::Warning:
      return 2;
    case ws::MessageKind::Information:
    case ws::MessageKind::Plain:
      return 3;
  }
  return 1;
}

}  // namespace

Json LineRange(const std::vector<std::string>& lines, int line, std::size_t from, std::size_t to) {
  const std::string_view text = line >= 0 && static_cast<std::size_t>(line) < lines.size()
                                    ? std::string_view(lines[static_cast<std::size_t>(line)])
                                    : std::string_view();
  return {{"start", {{"line", line}, {"character", Utf16Column(text, from)}}},
          {"end", {{"line", line}, {"character", Utf16Column(text, to)}}}};
}

Json DiagnosticsOf(const std::vector<ws::Message>& messages,
                   const std::vector<std::string>& lines) {
  Json diagnostics = Json::array();
  for (const ws::Message& message : messages) {
    // A message about a nested build file or about no line stands on the
    // first line; the whole line is marked.
    int line = message.file.empty() ? message.line : -1;
    if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) line = 0;
    const std::size_t length = static_cast<std::size_t>(line) < lines.size()
                                   ? lines[static_cast<std::size_t>(line)].size()
                                   : 0;
    diagnostics.push_back({{"range", LineRange(lines, line, 0, length)},
                           {"severity", SeverityOf(message.kind)},
                           {"source", "weftsmith"},
                           {"message", message.text}});
  }
  return diagnostics;
}

Json Formatting(ws::Engine& engine, const Document& document) {
  std::vector<std::string> lines = document.lines;
  // A final line break gives an empty last line, which the text keeps.
  const bool endsWithBreak = lines.size() > 1 && lines.back().empty();
  if (endsWithBreak) lines.pop_back();
  std::string text = ws::ReformatText(engine, std::move(lines));
  // Reformat Text joins by CR LF; a document with other line ends keeps them.
  if (document.text.find("\r\n") == std::string::npos) {
    std::string joined;
    joined.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) joined += text[i];
    text = std::move(joined);
    if (endsWithBreak) text += '\n';
  } else if (endsWithBreak) {
    text += "\r\n";
  }
  if (text == document.text) return Json::array();
  const Position end = EndOf(document.text);
  return Json::array({{{"range",
                        {{"start", {{"line", 0}, {"character", 0}}},
                         {"end", {{"line", end.line}, {"character", end.character}}}}},
                       {"newText", std::move(text)}}});
}

}  // namespace lsp
