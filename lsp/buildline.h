// The pieces of one line of a build file with where they stand, for the
// features that look at the place under the cursor. Pieces are cut as the
// line checker cuts parameters (checker.h: SplitParameters): quoted texts and
// field references (`x:"Name"`, `x:3`) whole, other pieces at blanks and
// tabs, a comment ("--" or "//" outside quotes) ends the line. An unclosed
// quoted text runs to the end of the line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lsp {

struct Piece {
  std::size_t begin = 0, end = 0;  // byte offsets in the line
  std::string text;                // as written, quotes included
};

// The command word is pieces[0] when the line has one.
std::vector<Piece> SplitLine(std::string_view line);

// The text of a quoted piece without its quotes (an unclosed one without its
// opening quote); other pieces as they are.
std::string Unquoted(std::string_view piece);

// A field reference `x:"Name"` or `x:3`: the data set's name and the column
// as written after the colon.
struct FieldReference {
  std::string dataSet;
  std::string column;
};
std::optional<FieldReference> AsFieldReference(std::string_view piece);

// The index of the piece that holds (or ends at) byte `at`; nothing when
// `at` lies between pieces.
std::optional<std::size_t> PieceAt(const std::vector<Piece>& pieces, std::size_t at);

// The command word of a line, "" for none.
std::string CommandWord(std::string_view line);

// The file named by the nearest `include` at or above line `last` that is
// not inside a block closed before it (as the desktop's "Replace tag in
// file" finds it); "" when there is none or its name is not quoted.
std::string NearestInclude(const std::vector<std::string>& lines, std::size_t last);

// The data file of the nearest `repeat <dataSet> "<file>"` at or above line
// `last`; "" when there is none.
std::string DataFileOf(const std::vector<std::string>& lines, std::size_t last,
                       std::string_view dataSet);

}  // namespace lsp
