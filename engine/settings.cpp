#include "settings.h"

namespace ws {

Settings Settings::Defaults() {
  Settings s;
  s.ShortStart = "%%";
  s.ShortEnd = "%%";
  s.WideOpenStart = "<!--tag \"";
  s.WideOpenEnd = "\"-->";
  s.WideCloseStart = "<!--/tag \"";
  s.WideCloseEnd = "\"-->";
  s.EditorFontName = "Fixedsys";
  s.EditorFontSize = 10;
  s.ReservedColor = RgbColor(0, 0, 255);   // clBlue
  s.StringColor = RgbColor(255, 0, 0);     // clRed
  s.CommentColor = RgbColor(0, 128, 128);  // clTeal
  return s;
}

std::string IndentText(int indentIndex) {
  switch (indentIndex) {
    case 0:
      return " ";
    case 2:
      return "   ";
    case 3:
      return "\t";
    case 4:
      return "\t\t";
    default:
      return "  ";
  }
}

}  // namespace ws
