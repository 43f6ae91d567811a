// The line checker: a quick pass over the lines of a build file that catches
// the common mistakes (an unknown command word, a wrong number of parameters,
// a missing `is`/`isnot` or `then`, an unclosed quoted text, a bad field
// number) before the compile, reports the first and puts the caret on its line.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ws {

struct Engine;

// The parameters of a line, P1 to P5; each empty when absent.
using Parameters = std::array<std::string, 5>;

// Splits text (what follows a command word, or a whole line for the
// reformatter) into up to five parameters, in the order in which they stand:
// quoted texts and field-by-name references (`x:"Name"`) whole, other pieces
// at blanks; a comment ("--" or "//") ends the text. An unclosed quoted text or
// a field number that is not an integer is shown as an error (the line number
// text appended), the caret goes to the line, and the result is false with p
// unchanged.
bool SplitParameters(Engine& engine, std::string_view text, int lineIndex,
                     std::string_view lineNumberText, Parameters& p);

// Places the caret of the source editor at the start of the line with the
// given 0-based index and sets BuildStopped.
void SelectErrorLine(Engine& engine, int lineIndex);

// Checks every line of engine.sourceEditor. Stops at the first bad line with
// its message and the caret on it; BuildStopped tells the outcome.
void CheckBuildFile(Engine& engine);

}  // namespace ws
