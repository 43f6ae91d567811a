#include "reformat.h"

#include <algorithm>

#include "checker.h"
#include "context.h"

namespace ws {

namespace {

// What a line does to the depth of open blocks.
enum class LineKind { OpensBlock, ClosesBlock, Other };

LineKind Classify(const Parameters& p) {
  const std::string& word = p[0];
  if (word == "tag") return p[2].empty() ? LineKind::OpensBlock : LineKind::Other;
  if (word == "if" || word == "repeat" || word == "new") return LineKind::OpensBlock;
  if (word == "end") return LineKind::ClosesBlock;
  return LineKind::Other;
}

}  // namespace

std::string ReformatText(Engine& engine, SourceEditor& editor) {
  engine.sourceEditor = &editor;
  const std::string unit = IndentText(engine.prefs.controls.Indent);
  RichBuffer& memo = engine.Memo1;
  memo.Clear();
  memo.SetLines(editor.Lines());

  // Every line that cannot be split shows its message and puts the caret on
  // its line. The caret is placed here from a running offset, because placing
  // it by line number looks at all the editor's lines, once per bad line.
  engine.sourceEditor = nullptr;
  std::size_t lineStart = 0;  // offset of line i in the editor's text

  int depth = 0;
  // Line index 0 is processed even in an empty text.
  const int count = std::max(memo.LineCount(), 1);
  for (int i = 0; i < count; ++i) {
    std::string line = memo.Line(i);
    const std::size_t nextLineStart = lineStart + line.size() + 2;
    std::replace(line.begin(), line.end(), '\t', ' ');
    line.erase(0, std::min(line.find_first_not_of(' '), line.size()));

    // A line that cannot be split (its error has been shown) keeps P1 empty
    // and is indented like a line without a command.
    Parameters p;
    if (!line.empty() && !SplitParameters(engine, line, i, std::to_string(i + 1), p))
      editor.PlaceCaret(lineStart);
    lineStart = nextLineStart;

    int units = depth;
    switch (Classify(p)) {
      case LineKind::OpensBlock:
        ++depth;
        break;
      case LineKind::ClosesBlock:
        if (depth > 0) units = --depth;
        break;
      case LineKind::Other:
        break;
    }

    std::string indented;
    indented.reserve(unit.size() * static_cast<std::size_t>(units) + line.size());
    for (int u = 0; u < units; ++u) indented += unit;
    indented += line;
    memo.SetLine(i, std::move(indented));
  }
  engine.sourceEditor = &editor;
  return memo.Text();
}

}  // namespace ws
