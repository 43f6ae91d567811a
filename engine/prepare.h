// Source preparation: the rewrites a build file goes through between the line
// check and the compile.
#pragma once

#include <string>
#include <string_view>

namespace ws {

class TextBuffer;

// Rewrites the lines of a build file's text in place: a blank between every two
// adjacent double quotes (the scanner cannot read an empty quoted text), every
// tab to a blank, and " , " between the first and second parameter of `tag`
// and `include` lines, which the grammar requires and authors do not write.
void PrepareSource(TextBuffer& memo);

// The same rewrites for one line, as PrepareSource applies them.
std::string PrepareLine(std::string_view line);

}  // namespace ws
