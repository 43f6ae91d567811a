// The syntax definitions of build files for other editors, made from the
// command table (engine/commands.h), so that they never miss a word the
// language reserves. They colour as the desktop editor does (editor/colouring):
// - a reserved word only where blanks, tabs, quotes or the line's ends stand
//   on both sides of it, and only in lower case;
// - a string from a double quote to the next one, or to the line's end;
// - a comment from "--" outside a string to the line's end (the checker also
//   takes "//", which the editor does not colour);
// - field references (rec:3, rec:"Name"), numbers and the words <date> and
//   <time> are marked but shown as plain text, as the editor shows them.
#pragma once

#include <string>
#include <string_view>

namespace ws::syntaxgen {

// The KDE syntax-highlighting definition (Kate, KWrite, KDevelop, Qt Creator).
// version is the definition's own version, a whole number that grows with the
// program's, so that a newer definition replaces an older one.
std::string KdeDefinition(int version);

// The TextMate grammar in its JSON form (scopeName source.weftsmith).
std::string TextMateGrammar();

}  // namespace ws::syntaxgen
