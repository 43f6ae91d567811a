// Reading and writing Rich Text Format documents: the form in which the editor
// stores build files and the settings file. Only what a line store needs:
// the plain text of the paragraphs and the character formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ws {

// A colour as 24 bits: red in the low byte, green in the middle, blue high.
using Color = std::uint32_t;
constexpr Color RgbColor(int r, int g, int b) {
  return static_cast<Color>(r & 255) | static_cast<Color>(g & 255) << 8 |
         static_cast<Color>(b & 255) << 16;
}

// The attributes of a run of characters.
struct CharFormat {
  Color color = 0;  // black
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::string fontName;  // empty: the document's default
  int fontSize = 0;      // points; 0: the document's default
  bool operator==(const CharFormat&) const = default;
};

// A run of characters of one format. Offsets count the bytes of the document's
// UTF-8 text as the lines joined by CR LF, each line break two bytes; a line
// break has a format of its own, so a run may go on across lines.
struct FormatRun {
  std::size_t start = 0;
  std::size_t length = 0;
  CharFormat format;
  bool operator==(const FormatRun&) const = default;
};

struct RichText {
  std::vector<std::string> lines;  // UTF-8, one paragraph a line
  std::vector<FormatRun> runs;     // ascending, not overlapping; gaps are default format
};

// True when the bytes are an RTF document (they begin with "{\rtf", after
// blanks and a byte-order mark).
bool IsRtf(std::string_view bytes);

// Reads an RTF document. Never fails: unknown or malformed input yields what
// could be read. Text is returned as UTF-8. \par, \line and \sect end a line;
// the paragraph mark that ends the document makes no empty line of its own.
// Only formats that differ from the document's default become runs.
RichText ReadRtf(std::string_view bytes);

// Writes a standard RTF document (code page 1252, a font table and a colour
// table) whose paragraphs are the lines. Characters outside ASCII are written
// as \uN escapes; bytes that are not UTF-8 are taken as 1252 characters.
// defaultFont names the font of unformatted text. ReadRtf gives back the lines
// and the runs, except that runs in the default font and size are no runs.
std::string WriteRtf(const RichText& text, std::string_view defaultFont = "Courier New",
                     int defaultFontSize = 10);

}  // namespace ws
