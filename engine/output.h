// The output text a running program assembles: a list of pieces, each of
// which becomes one line of the written file.
#pragma once

#include <list>
#include <string>

namespace ws {

// A list (not a vector) so that pieces can be cut, inserted and dropped while
// references to other pieces (a tag block's insertion points) stay valid.
using OutputText = std::list<std::string>;
using PieceRef = OutputText::iterator;

// A fresh output text is one piece with an empty text.
inline OutputText FreshOutput() {
  return OutputText(1);
}

}  // namespace ws
