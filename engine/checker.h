// The line checker: a quick pass over the lines of a build file that catches
// the common mistakes (an unknown command word, a wrong number of parameters,
// a missing `is`/`isnot` or `then`, an unclosed quoted text, a bad field
// number) before the compile, reports the first and puts the caret on its line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"

namespace ws {

class Engine;

// The parameters of a line, P1 to P5; each empty when absent.
using Parameters = std::array<std::string, 5>;

// Splits text (what follows a command word, or a whole line for the
// reformatter) into up to five parameters, in the order in which they stand:
// quoted texts and field-by-name references (`x:"Name"`) whole, other pieces
// at blanks; a comment ("--" or "//") ends the text. An unclosed quoted text
// or a field number that is not an integer gives its message (to be shown
// with the line number) and leaves p unchanged.
std::optional<MessageId> SplitParameters(std::string_view text, Parameters& p);

// Shows a message of the checker for a 0-based line (the command word is put
// in where the message names it), stopping the run first when stopsRun, and
// places the caret on the line.
void ReportBadLine(Engine& engine, int lineIndex, MessageId id, std::string_view word = {},
                   bool stopsRun = false);

// Checks every line. Stops at the first bad line with its message and the
// caret on it; run.BuildStopped tells the outcome.
void CheckBuildFile(Engine& engine, const std::vector<std::string>& lines);

}  // namespace ws
