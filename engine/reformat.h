// "Reformat Text": re-indents a build file so that every line stands at the
// depth of the blocks that enclose it.
#pragma once

#include <string>

namespace ws {

struct Engine;
class SourceEditor;

// Returns the editor's lines re-indented, joined by CR LF, using the unit of
// IndentText(engine.prefs.controls.Indent). Sets engine.sourceEditor to the
// editor; the work copy is engine.Memo1, the editor itself is not changed. A
// line that SplitParameters rejects is reported (caret on it) and indented as
// a line without a command; reformatting goes on.
std::string ReformatText(Engine& engine, SourceEditor& editor);

}  // namespace ws
