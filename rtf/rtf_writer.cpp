// Writing RTF documents. The writer emits a flat document: one paragraph per
// line, format changes as control words between the characters.
#include "rtf.h"

#include <algorithm>
#include <string>

#include "codepages.h"

namespace ws {

namespace {

// The next character of UTF-8 text; a byte that is not UTF-8 is taken as a
// 1252 character, the likely origin of such text.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
  const char32_t ch = DecodeUtf8(text, pos);
  if (ch & kInvalidUtf8Flag) return CodePageToUnicode(1252, static_cast<unsigned char>(ch));
  return ch;
}

class RtfWriter {
 public:
  RtfWriter(const RichText& text, std::string_view defaultFont, int defaultFontSize);
  std::string Write();

 private:
  CharFormat Normalized(CharFormat format) const;
  const CharFormat& FormatAt(std::size_t offset);
  void SwitchTo(const CharFormat& format);
  void Control(std::string_view word, int parameter);
  void Control(std::string_view word);
  void FontName(std::string_view name);
  void CodePoint(char32_t ch, bool inTable);
  void HexByte(unsigned char byte);
  int FontIndex(const std::string& name) const;
  int ColorIndex(Color color) const;

  const RichText& text_;
  std::string defaultFont_;
  int defaultSize_;
  std::vector<FormatRun> runs_;  // sorted, normalised
  std::size_t runCursor_ = 0;
  std::vector<std::string> fonts_;  // index 0 is the default font
  std::vector<Color> colors_;       // index 0 is the default colour
  CharFormat written_;
  const CharFormat defaultFormat_;
  std::string out_;
  bool delimiterNeeded_ = false;
};

RtfWriter::RtfWriter(const RichText& text, std::string_view defaultFont, int defaultFontSize)
    : text_(text), defaultFont_(defaultFont), defaultSize_(std::clamp(defaultFontSize, 1, 1638)) {
  if (defaultFontSize <= 0) defaultSize_ = 12;
  fonts_.push_back(defaultFont_);
  colors_.push_back(0);
  for (const FormatRun& run : text.runs) {
    if (run.length == 0) continue;
    FormatRun normalized{run.start, run.length, Normalized(run.format)};
    if (normalized.format == CharFormat{}) continue;
    if (!normalized.format.fontName.empty() && FontIndex(normalized.format.fontName) < 0)
      fonts_.push_back(normalized.format.fontName);
    if (ColorIndex(normalized.format.color) < 0) colors_.push_back(normalized.format.color);
    runs_.push_back(std::move(normalized));
  }
  std::stable_sort(runs_.begin(), runs_.end(),
                   [](const FormatRun& a, const FormatRun& b) { return a.start < b.start; });
}

CharFormat RtfWriter::Normalized(CharFormat format) const {
  if (format.fontName == defaultFont_) format.fontName.clear();
  if (format.fontSize <= 0 || format.fontSize == defaultSize_) format.fontSize = 0;
  format.fontSize = std::min(format.fontSize, 1638);
  return format;
}

int RtfWriter::FontIndex(const std::string& name) const {
  if (name.empty()) return 0;
  auto it = std::find(fonts_.begin(), fonts_.end(), name);
  return it == fonts_.end() ? -1 : static_cast<int>(it - fonts_.begin());
}

int RtfWriter::ColorIndex(Color color) const {
  if (color == 0) return 0;
  auto it = std::find(colors_.begin() + 1, colors_.end(), color);
  return it == colors_.end() ? -1 : static_cast<int>(it - colors_.begin());
}

const CharFormat& RtfWriter::FormatAt(std::size_t offset) {
  // Offsets only grow, so a cursor over the sorted runs finds each in turn.
  while (runCursor_ < runs_.size() && runs_[runCursor_].start <= offset &&
         offset - runs_[runCursor_].start >= runs_[runCursor_].length)
    ++runCursor_;
  if (runCursor_ < runs_.size() && runs_[runCursor_].start <= offset)
    return runs_[runCursor_].format;
  return defaultFormat_;
}

void RtfWriter::Control(std::string_view word) {
  out_ += '\\';
  out_ += word;
  delimiterNeeded_ = true;
}

void RtfWriter::Control(std::string_view word, int parameter) {
  Control(word);
  out_ += std::to_string(parameter);
}

void RtfWriter::SwitchTo(const CharFormat& format) {
  if (format == written_) return;
  if (format.color != written_.color) Control("cf", ColorIndex(format.color));
  if (format.bold != written_.bold) format.bold ? Control("b") : Control("b", 0);
  if (format.italic != written_.italic) format.italic ? Control("i") : Control("i", 0);
  if (format.underline != written_.underline) format.underline ? Control("ul") : Control("ulnone");
  if (format.fontName != written_.fontName) Control("f", FontIndex(format.fontName));
  if (format.fontSize != written_.fontSize)
    Control("fs", 2 * (format.fontSize > 0 ? format.fontSize : defaultSize_));
  written_ = format;
}

void RtfWriter::HexByte(unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out_ += "\\'";
  out_ += kHex[byte >> 4];
  out_ += kHex[byte & 15];
  delimiterNeeded_ = false;
}

void RtfWriter::CodePoint(char32_t ch, bool inTable) {
  if (ch == U'\t') {
    Control("tab");
  } else if (ch == ';' && inTable) {
    HexByte(';');  // a literal ; would end the font's name
  } else if (ch >= 0x20 && ch < 0x7F) {
    if (delimiterNeeded_) out_ += ' ';
    delimiterNeeded_ = false;
    if (ch == '\\' || ch == '{' || ch == '}') out_ += '\\';
    out_ += static_cast<char>(ch);
  } else if (ch < 0x80) {
    HexByte(static_cast<unsigned char>(ch));
  } else if (ch <= 0xFFFF) {
    // \uN takes a signed 16-bit number; the 1252 byte follows for readers
    // without Unicode.
    Control("u", ch > 0x7FFF ? static_cast<int>(ch) - 65536 : static_cast<int>(ch));
    const unsigned char fallback = UnicodeToCp1252(ch);
    if (fallback != 0) {
      HexByte(fallback);
    } else {
      out_ += '?';
      delimiterNeeded_ = false;
    }
  } else {
    // Beyond the 16 bits: a surrogate pair.
    const char32_t high = 0xD800 + ((ch - 0x10000) >> 10), low = 0xDC00 + ((ch - 0x10000) & 0x3FF);
    Control("u", static_cast<int>(high) - 65536);
    out_ += '?';
    Control("u", static_cast<int>(low) - 65536);
    out_ += '?';
    delimiterNeeded_ = false;
  }
}

void RtfWriter::FontName(std::string_view name) {
  for (std::size_t i = 0; i < name.size();) {
    const char32_t ch = NextCharacter(name, i);
    if (ch >= 0x20) CodePoint(ch, true);
  }
}

std::string RtfWriter::Write() {
  out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    out_ += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
    delimiterNeeded_ = false;
    FontName(fonts_[i]);
    out_ += ";}";
  }
  out_ += "}\r\n{\\colortbl ;";
  for (std::size_t i = 1; i < colors_.size(); ++i) {
    const Color c = colors_[i];
    out_ += "\\red" + std::to_string(c & 255) + "\\green" + std::to_string(c >> 8 & 255) +
            "\\blue" + std::to_string(c >> 16 & 255) + ";";
  }
  const std::string size = std::to_string(2 * defaultSize_);
  out_ += "}\r\n{\\*\\defchp\\fs" + size + "}{\\*\\generator Weftsmith;}\\uc1\r\n";
  out_ += "\\pard\\plain\\f0\\fs" + size;
  delimiterNeeded_ = true;

  std::size_t offset = 0;
  for (std::size_t index = 0; index < text_.lines.size(); ++index) {
    const std::string& line = text_.lines[index];
    for (std::size_t i = 0; i < line.size();) {
      SwitchTo(FormatAt(offset + i));
      std::size_t next = i;
      const char32_t ch = NextCharacter(line, next);
      if (ch == U'\r' || ch == U'\n') {
        // A line end inside a line: written as the break it stands for.
        if (ch == U'\r' && next < line.size() && line[next] == '\n') ++next;
        Control("par");
      } else if (ch != 0) {
        CodePoint(ch, false);
      }
      i = next;
    }
    offset += line.size();
    // The line break has the format of its own offset, so that a run across
    // lines stays one run; the break after the last line is no text.
    if (index + 1 < text_.lines.size()) SwitchTo(FormatAt(offset));
    Control("par");
    out_ += "\r\n";
    delimiterNeeded_ = false;
    offset += 2;
  }
  out_ += "}\r\n";
  return std::move(out_);
}

}  // namespace

std::string WriteRtf(const RichText& text, std::string_view defaultFont, int defaultFontSize) {
  return RtfWriter(text, defaultFont, defaultFontSize).Write();
}

}  // namespace ws
