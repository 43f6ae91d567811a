#include "reformat.h"

#include <algorithm>

#include "checker.h"
#include "commands.h"
#include "engine.h"
#include "texthelpers.h"

namespace ws {

namespace {

// What a line does to the depth of open blocks.
enum class LineKind { OpensBlock, ClosesBlock, Other };

LineKind Classify(const Parameters& p) {
  const std::optional<Command> command = FindCommand(p[0]);
  if (!command) return LineKind::Other;
  if (OpensBlock(*command, !p[2].empty())) return LineKind::OpensBlock;
  return command->block == Block::Closes ? LineKind::ClosesBlock : LineKind::Other;
}

}  // namespace

std::string ReformatText(Engine& engine, std::vector<std::string> lines) {
  engine.BeginCall();
  const std::string unit = IndentText(engine.run.prefs.controls.Indent);
  // Line index 0 is processed even in an empty text.
  if (lines.empty()) lines.emplace_back();

  int depth = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string tabless = TabsToBlanks(lines[i]);
    const std::string_view line = TrimLeadingBlanks(tabless);

    // A line that cannot be split is reported (caret on it), keeps P1 empty
    // and is indented like a line without a command.
    Parameters p;
    if (!line.empty()) {
      if (std::optional<MessageId> bad = SplitParameters(line, p))
        ReportBadLine(engine, static_cast<int>(i), *bad);
    }

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
    lines[i] = std::move(indented);
  }
  std::string text = JoinCrLf(lines);
  text.resize(text.size() - 2);  // no line break after the last line
  return text;
}

}  // namespace ws
