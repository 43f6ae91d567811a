// "Reformat Text": re-indents a build file so that every line stands at the
// depth of the blocks that enclose it.
#pragma once

#include <string>
#include <vector>

namespace ws {

class Engine;

// Returns the lines re-indented, joined by CR LF, using the unit of
// IndentText(prefs.controls.Indent). A line that SplitParameters rejects is
// reported (caret on it) and indented as a line without a command;
// reformatting goes on.
std::string ReformatText(Engine& engine, std::vector<std::string> lines);

}  // namespace ws
