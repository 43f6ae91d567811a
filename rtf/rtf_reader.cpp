// Reading RTF documents. The reader keeps a stack of group states
// (destination and character format) and feeds the text of the body into
// lines and format runs.
#include "rtf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

#include "codepages.h"

namespace ws {

namespace {

// Groups nested deeper than this share the state of the deepest one, so a
// document of a million "{" costs no more memory than a sane one.
constexpr std::size_t kMaxGroupDepth = 300;
// Longest control word name kept; longer names are read past and unknown.
constexpr std::size_t kMaxWordLength = 32;
constexpr std::int64_t kMaxParameter = 1'000'000'000;
constexpr int kRtfDefaultSizeHalfPoints = 24;  // 12 points when a document sets none
constexpr char32_t kReplacement = 0xFFFD;

enum class Destination {
  kText,           // the body: characters become lines
  kSkip,           // a destination whose content is not text
  kFontTable,      // \fonttbl: font numbers, charsets and names
  kColorTable,     // \colortbl: ;-separated colours
  kDefaultFormat,  // \*\defchp: the document's default character format
};

enum class Word {
  kUnknown,
  kSkipDestination,
  kFontTable,
  kColorTable,
  kBold,
  kItalic,
  kUnderline,
  kUnderlineNone,
  kHidden,
  kPlain,
  kFont,
  kFontSize,
  kColor,
  kRed,
  kGreen,
  kBlue,
  kCharset,
  kFontCodePage,
  kAnsi,
  kMac,
  kPc,
  kPca,
  kAnsiCodePage,
  kDefaultFont,
  kUnicodeSkip,
  kUnicode,
  kBinary,
  kParagraph,  // \par, \line, \sect: a line break
  kCell,
  kRow,
  kCharacter,  // a control word that stands for one character
};

struct WordEntry {
  std::string_view name;
  Word word;
  char32_t character = 0;  // for kCharacter
};

// Sorted by name for binary search.
constexpr std::array kWords = {
    WordEntry{"aftncn", Word::kSkipDestination},
    WordEntry{"aftnsep", Word::kSkipDestination},
    WordEntry{"aftnsepc", Word::kSkipDestination},
    WordEntry{"ansi", Word::kAnsi},
    WordEntry{"ansicpg", Word::kAnsiCodePage},
    WordEntry{"author", Word::kSkipDestination},
    WordEntry{"b", Word::kBold},
    WordEntry{"bin", Word::kBinary},
    WordEntry{"blue", Word::kBlue},
    WordEntry{"bullet", Word::kCharacter, 0x2022},
    WordEntry{"buptim", Word::kSkipDestination},
    WordEntry{"cell", Word::kCell},
    WordEntry{"cf", Word::kColor},
    WordEntry{"colortbl", Word::kColorTable},
    WordEntry{"comment", Word::kSkipDestination},
    WordEntry{"company", Word::kSkipDestination},
    WordEntry{"cpg", Word::kFontCodePage},
    WordEntry{"creatim", Word::kSkipDestination},
    WordEntry{"deff", Word::kDefaultFont},
    WordEntry{"doccomm", Word::kSkipDestination},
    WordEntry{"emdash", Word::kCharacter, 0x2014},
    WordEntry{"emspace", Word::kCharacter, 0x2003},
    WordEntry{"endash", Word::kCharacter, 0x2013},
    WordEntry{"enspace", Word::kCharacter, 0x2002},
    WordEntry{"f", Word::kFont},
    WordEntry{"fcharset", Word::kCharset},
    WordEntry{"fldinst", Word::kSkipDestination},
    WordEntry{"fonttbl", Word::kFontTable},
    WordEntry{"footer", Word::kSkipDestination},
    WordEntry{"footerf", Word::kSkipDestination},
    WordEntry{"footerl", Word::kSkipDestination},
    WordEntry{"footerr", Word::kSkipDestination},
    WordEntry{"footnote", Word::kSkipDestination},
    WordEntry{"fs", Word::kFontSize},
    WordEntry{"ftncn", Word::kSkipDestination},
    WordEntry{"ftnsep", Word::kSkipDestination},
    WordEntry{"ftnsepc", Word::kSkipDestination},
    WordEntry{"green", Word::kGreen},
    WordEntry{"header", Word::kSkipDestination},
    WordEntry{"headerf", Word::kSkipDestination},
    WordEntry{"headerl", Word::kSkipDestination},
    WordEntry{"headerr", Word::kSkipDestination},
    WordEntry{"i", Word::kItalic},
    WordEntry{"info", Word::kSkipDestination},
    WordEntry{"keywords", Word::kSkipDestination},
    WordEntry{"ldblquote", Word::kCharacter, 0x201C},
    WordEntry{"line", Word::kParagraph},
    WordEntry{"listoverridetable", Word::kSkipDestination},
    WordEntry{"listtable", Word::kSkipDestination},
    WordEntry{"lquote", Word::kCharacter, 0x2018},
    WordEntry{"ltrmark", Word::kCharacter, 0x200E},
    WordEntry{"mac", Word::kMac},
    WordEntry{"nestcell", Word::kCell},
    WordEntry{"nestrow", Word::kRow},
    WordEntry{"nonshppict", Word::kSkipDestination},
    WordEntry{"objdata", Word::kSkipDestination},
    WordEntry{"operator", Word::kSkipDestination},
    WordEntry{"par", Word::kParagraph},
    WordEntry{"pc", Word::kPc},
    WordEntry{"pca", Word::kPca},
    WordEntry{"pict", Word::kSkipDestination},
    WordEntry{"plain", Word::kPlain},
    WordEntry{"pn", Word::kSkipDestination},
    WordEntry{"pnseclvl", Word::kSkipDestination},
    WordEntry{"pntxta", Word::kSkipDestination},
    WordEntry{"pntxtb", Word::kSkipDestination},
    WordEntry{"printim", Word::kSkipDestination},
    WordEntry{"private", Word::kSkipDestination},
    WordEntry{"qmspace", Word::kCharacter, 0x2005},
    WordEntry{"rdblquote", Word::kCharacter, 0x201D},
    WordEntry{"red", Word::kRed},
    WordEntry{"revtbl", Word::kSkipDestination},
    WordEntry{"revtim", Word::kSkipDestination},
    WordEntry{"row", Word::kRow},
    WordEntry{"rquote", Word::kCharacter, 0x2019},
    WordEntry{"rsidtbl", Word::kSkipDestination},
    WordEntry{"rtlmark", Word::kCharacter, 0x200F},
    WordEntry{"sect", Word::kParagraph},
    WordEntry{"shp", Word::kSkipDestination},
    WordEntry{"shpgrp", Word::kSkipDestination},
    WordEntry{"stylesheet", Word::kSkipDestination},
    WordEntry{"subject", Word::kSkipDestination},
    WordEntry{"tab", Word::kCharacter, U'\t'},
    WordEntry{"tc", Word::kSkipDestination},
    WordEntry{"template", Word::kSkipDestination},
    WordEntry{"title", Word::kSkipDestination},
    WordEntry{"txe", Word::kSkipDestination},
    WordEntry{"u", Word::kUnicode},
    WordEntry{"uc", Word::kUnicodeSkip},
    WordEntry{"ul", Word::kUnderline},
    WordEntry{"uld", Word::kUnderline},
    WordEntry{"uldash", Word::kUnderline},
    WordEntry{"uldashd", Word::kUnderline},
    WordEntry{"uldashdd", Word::kUnderline},
    WordEntry{"uldb", Word::kUnderline},
    WordEntry{"ulhwave", Word::kUnderline},
    WordEntry{"ulldash", Word::kUnderline},
    WordEntry{"ulnone", Word::kUnderlineNone},
    WordEntry{"ulth", Word::kUnderline},
    WordEntry{"ulthd", Word::kUnderline},
    WordEntry{"ulthdash", Word::kUnderline},
    WordEntry{"ulthdashd", Word::kUnderline},
    WordEntry{"ulthdashdd", Word::kUnderline},
    WordEntry{"ulthldash", Word::kUnderline},
    WordEntry{"ululdbwave", Word::kUnderline},
    WordEntry{"ulw", Word::kUnderline},
    WordEntry{"ulwave", Word::kUnderline},
    WordEntry{"v", Word::kHidden},
    WordEntry{"xe", Word::kSkipDestination},
    WordEntry{"zwbo", Word::kCharacter, 0x200B},
    WordEntry{"zwj", Word::kCharacter, 0x200D},
    WordEntry{"zwnbo", Word::kCharacter, 0x2060},
    WordEntry{"zwnj", Word::kCharacter, 0x200C},
};

constexpr bool IsSortedByName() {
  for (std::size_t i = 1; i < kWords.size(); ++i)
    if (!(kWords[i - 1].name < kWords[i].name)) return false;
  return true;
}
static_assert(IsSortedByName(), "kWords must be sorted for binary search");

const WordEntry* FindWord(std::string_view name) {
  auto it = std::lower_bound(kWords.begin(), kWords.end(), name,
                             [](const WordEntry& e, std::string_view n) { return e.name < n; });
  return it != kWords.end() && it->name == name ? &*it : nullptr;
}

// The code page of a font's \fcharset, 0 when the document's code page applies.
int CharsetCodePage(int charset) {
  switch (charset) {
    case 77:
      return 10000;
    case 204:
      return 1251;
    case 238:
      return 1250;
    case 255:
      return 437;  // OEM
    default:
      return 0;
  }
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int ClampInt(std::int64_t value, int low, int high) {
  return static_cast<int>(std::clamp<std::int64_t>(value, low, high));
}

struct GroupState {
  Destination destination = Destination::kText;
  int font = -1;  // -1: the document's default font
  int sizeHalfPoints = kRtfDefaultSizeHalfPoints;
  int color = 0;  // index into the colour table; 0 is the default colour
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hidden = false;
  int unicodeSkip = 1;  // \uc: fallback characters after each \u
};

struct FontEntry {
  std::string name;
  int codePage = 0;  // 0: the document's
};

class RtfReader {
 public:
  explicit RtfReader(std::string_view bytes) : in_(bytes) {}
  RichText Read();

 private:
  void OpenGroup();
  // False when the outermost group closed: the document ends.
  bool CloseGroup();
  void ControlSequence();
  void ControlSymbol(char symbol);
  void ControlWord(std::string_view name, bool hasParameter, std::int64_t parameter);
  void RawCharacter(unsigned char c);
  void CodePageByte(unsigned char byte);
  void UnicodeCharacter(std::int64_t value);
  // A character of the text. Characters of a fallback after \u are counted
  // off by ConsumeFallback before they get here.
  void Character(char32_t ch);
  void LineBreak();
  bool ConsumeFallback();
  void FlushPending();
  void FlushUtf8Bytes();

  void CommitFont();
  void CommitColor();
  int EffectiveCodePage() const;
  const CharFormat& CurrentFormat();
  void AddFormatted(std::size_t length);
  void StateChanged() { formatValid_ = false; }
  void SetDefaultSize(int halfPoints);
  RichText Finish();

  std::string_view in_;
  std::size_t pos_ = 0;

  GroupState state_;
  std::vector<GroupState> saved_;  // the states of the enclosing groups
  std::size_t ignoredDepth_ = 0;   // groups opened beyond kMaxGroupDepth
  bool starJustSeen_ = false;      // the last token was \*
  int fallbackToSkip_ = 0;         // characters left of a \u fallback
  char16_t highSurrogate_ = 0;     // first half of a pair written as two \u
  std::string utf8Bytes_;          // \'hh bytes of a UTF-8 document not yet decoded

  int codePage_ = 1252;
  int defaultFont_ = 0;
  int defaultFormatFont_ = -1;  // the font of \*\defchp
  int defaultSizeHalfPoints_ = kRtfDefaultSizeHalfPoints;
  std::map<int, FontEntry> fonts_;
  std::vector<Color> colors_;

  // The font table entry and colour table entry being read.
  int entryFont_ = -1;
  int entryCodePage_ = 0;
  std::string entryName_;
  int red_ = 0, green_ = 0, blue_ = 0;

  std::vector<std::string> lines_;
  std::string line_;
  std::size_t offset_ = 0;  // in the lines joined by CR LF
  std::vector<FormatRun> runs_;
  bool cellSeparatorPending_ = false;
  CharFormat format_;
  bool formatValid_ = false;
};

RichText RtfReader::Read() {
  // Everything before the document's opening brace is not RTF.
  pos_ = in_.find('{');
  if (pos_ == std::string_view::npos) return {};
  while (pos_ < in_.size()) {
    const char c = in_[pos_++];
    switch (c) {
      case '{':
        OpenGroup();
        break;
      case '}':
        if (!CloseGroup()) return Finish();
        break;
      case '\\':
        ControlSequence();
        break;
      case '\r':
      case '\n':
        break;
      default:
        RawCharacter(static_cast<unsigned char>(c));
        break;
    }
  }
  return Finish();
}

void RtfReader::OpenGroup() {
  FlushPending();
  fallbackToSkip_ = 0;
  starJustSeen_ = false;
  if (saved_.size() >= kMaxGroupDepth) {
    ++ignoredDepth_;
    return;
  }
  saved_.push_back(state_);
}

bool RtfReader::CloseGroup() {
  FlushPending();
  fallbackToSkip_ = 0;
  starJustSeen_ = false;
  if (ignoredDepth_ > 0) {
    --ignoredDepth_;
    return true;
  }
  if (state_.destination == Destination::kFontTable && !entryName_.empty()) CommitFont();
  if (saved_.empty()) return false;
  state_ = saved_.back();
  saved_.pop_back();
  StateChanged();
  return !saved_.empty();
}

void RtfReader::ControlSequence() {
  if (pos_ >= in_.size()) return;
  if (!IsLetter(in_[pos_])) {
    ControlSymbol(in_[pos_++]);
    return;
  }
  const std::size_t nameStart = pos_;
  while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;
  std::string_view name = in_.substr(nameStart, pos_ - nameStart);
  if (name.size() > kMaxWordLength) name = {};
  bool hasParameter = false;
  bool negative = false;
  std::int64_t parameter = 0;
  if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  while (pos_ < in_.size() && IsDigit(in_[pos_])) {
    hasParameter = true;
    parameter = std::min(parameter * 10 + (in_[pos_] - '0'), kMaxParameter);
    ++pos_;
  }
  if (negative) parameter = -parameter;
  if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
  ControlWord(name, hasParameter, parameter);
}

void RtfReader::ControlSymbol(char symbol) {
  if (symbol == '\'') {
    int value = -1;
    if (pos_ + 1 < in_.size()) {
      const int high = HexValue(in_[pos_]), low = HexValue(in_[pos_ + 1]);
      if (high >= 0 && low >= 0) value = high * 16 + low;
    }
    if (value < 0) return;  // a broken escape is dropped
    pos_ += 2;
    if (ConsumeFallback()) return;
    starJustSeen_ = false;
    CodePageByte(static_cast<unsigned char>(value));
    return;
  }
  if (ConsumeFallback()) return;
  FlushPending();
  if (symbol == '*') {
    // An ignorable destination: skipped unless it is one this reader knows.
    starJustSeen_ = true;
    state_.destination = Destination::kSkip;
    return;
  }
  starJustSeen_ = false;
  switch (symbol) {
    case '\\':
    case '{':
    case '}':
      Character(static_cast<unsigned char>(symbol));
      break;
    case '~':
      Character(0xA0);
      break;
    case '_':
      Character(0x2011);
      break;
    case '\r':
    case '\n':
      if (state_.destination == Destination::kText) LineBreak();
      break;
    default:  // \- (optional hyphen), \| and \: (formulas, index entries)
      break;
  }
}

void RtfReader::ControlWord(std::string_view name, bool hasParameter, std::int64_t parameter) {
  if (starJustSeen_) {
    starJustSeen_ = false;
    if (name == "defchp") {
      state_.destination = Destination::kDefaultFormat;
      return;
    }
  }
  const WordEntry* entry = FindWord(name);
  const Word word = entry ? entry->word : Word::kUnknown;
  if (word == Word::kBinary) {
    // Binary data: its bytes are not RTF, whatever they look like.
    if (hasParameter && parameter > 0)
      pos_ += std::min(static_cast<std::size_t>(parameter), in_.size() - pos_);
    return;
  }
  if (state_.destination == Destination::kSkip) return;
  if (ConsumeFallback()) return;
  if (word != Word::kUnicode) FlushPending();

  const bool on = !hasParameter || parameter != 0;
  const Destination destination = state_.destination;
  switch (word) {
    case Word::kUnknown:
    case Word::kBinary:
      break;
    case Word::kSkipDestination:
      state_.destination = Destination::kSkip;
      break;
    case Word::kFontTable:
      state_.destination = Destination::kFontTable;
      break;
    case Word::kColorTable:
      state_.destination = Destination::kColorTable;
      red_ = green_ = blue_ = 0;
      break;
    case Word::kBold:
      state_.bold = on;
      break;
    case Word::kItalic:
      state_.italic = on;
      break;
    case Word::kUnderline:
      state_.underline = on;
      break;
    case Word::kUnderlineNone:
      state_.underline = false;
      break;
    case Word::kHidden:
      state_.hidden = on;
      break;
    case Word::kPlain:
      state_.font = -1;
      state_.sizeHalfPoints = defaultSizeHalfPoints_;
      state_.color = 0;
      state_.bold = state_.italic = state_.underline = state_.hidden = false;
      break;
    case Word::kFont: {
      const int font = ClampInt(parameter, 0, 65535);
      if (destination == Destination::kFontTable) {
        if (!entryName_.empty()) CommitFont();
        entryFont_ = font;
        entryCodePage_ = 0;
      } else if (destination == Destination::kDefaultFormat) {
        defaultFormatFont_ = font;
      } else {
        state_.font = font;
      }
      break;
    }
    case Word::kFontSize: {
      const int size =
          hasParameter && parameter > 0 ? ClampInt(parameter, 1, 3276) : kRtfDefaultSizeHalfPoints;
      if (destination == Destination::kDefaultFormat) SetDefaultSize(size);
      state_.sizeHalfPoints = size;
      break;
    }
    case Word::kColor:
      state_.color = ClampInt(parameter, 0, 65535);
      break;
    case Word::kRed:
      red_ = ClampInt(parameter, 0, 255);
      break;
    case Word::kGreen:
      green_ = ClampInt(parameter, 0, 255);
      break;
    case Word::kBlue:
      blue_ = ClampInt(parameter, 0, 255);
      break;
    case Word::kCharset:
      if (destination == Destination::kFontTable)
        entryCodePage_ = CharsetCodePage(ClampInt(parameter, 0, 255));
      break;
    case Word::kFontCodePage:
      if (destination == Destination::kFontTable && IsKnownCodePage(ClampInt(parameter, 0, 65535)))
        entryCodePage_ = ClampInt(parameter, 0, 65535);
      break;
    case Word::kAnsi:
      codePage_ = 1252;
      break;
    case Word::kMac:
      codePage_ = 10000;
      break;
    case Word::kPc:
      codePage_ = 437;
      break;
    case Word::kPca:
      codePage_ = 850;
      break;
    case Word::kAnsiCodePage: {
      const int codePage = ClampInt(parameter, 0, 65535);
      codePage_ = IsKnownCodePage(codePage) ? codePage : 1252;
      break;
    }
    case Word::kDefaultFont:
      defaultFont_ = ClampInt(parameter, 0, 65535);
      break;
    case Word::kUnicodeSkip:
      state_.unicodeSkip = ClampInt(parameter, 0, 16);
      break;
    case Word::kUnicode:
      UnicodeCharacter(parameter);
      fallbackToSkip_ = state_.unicodeSkip;
      return;
    case Word::kParagraph:
      if (destination == Destination::kText) LineBreak();
      break;
    case Word::kCell:
      if (destination == Destination::kText) {
        if (cellSeparatorPending_) Character(U'\t');
        cellSeparatorPending_ = true;
      }
      break;
    case Word::kRow:
      if (destination == Destination::kText) {
        cellSeparatorPending_ = false;
        LineBreak();
      }
      break;
    case Word::kCharacter:
      Character(entry->character);
      break;
  }
  StateChanged();
}

void RtfReader::SetDefaultSize(int halfPoints) {
  // Enclosing groups that still have the old default take the new one: the
  // text that follows the header is in the document's default size.
  for (GroupState& saved : saved_)
    if (saved.sizeHalfPoints == defaultSizeHalfPoints_) saved.sizeHalfPoints = halfPoints;
  defaultSizeHalfPoints_ = halfPoints;
}

bool RtfReader::ConsumeFallback() {
  if (fallbackToSkip_ == 0) return false;
  --fallbackToSkip_;
  return true;
}

void RtfReader::RawCharacter(unsigned char c) {
  if (state_.destination == Destination::kSkip) return;
  if (ConsumeFallback()) return;
  starJustSeen_ = false;
  if (c == ';' && state_.destination == Destination::kFontTable) {
    FlushPending();
    CommitFont();
    return;
  }
  if (c == ';' && state_.destination == Destination::kColorTable) {
    CommitColor();
    return;
  }
  if (c == '\t') {
    FlushPending();
    Character(U'\t');
    return;
  }
  if (c < 0x20) return;  // control characters are not text in RTF
  if (c >= 0x80) {
    // Not valid RTF, but some writers put 8-bit text in as is.
    CodePageByte(c);
    return;
  }
  FlushPending();
  Character(c);
}

int RtfReader::EffectiveCodePage() const {
  if (state_.destination == Destination::kFontTable)
    return entryCodePage_ != 0 ? entryCodePage_ : codePage_;
  const int font = state_.font >= 0 ? state_.font : defaultFont_;
  auto it = fonts_.find(font);
  if (it != fonts_.end() && it->second.codePage != 0) return it->second.codePage;
  return codePage_;
}

void RtfReader::CodePageByte(unsigned char byte) {
  if (state_.destination == Destination::kSkip) return;
  const int codePage = EffectiveCodePage();
  if (codePage == 65001 && byte >= 0x80) {
    if (highSurrogate_ != 0) {
      highSurrogate_ = 0;
      Character(kReplacement);
    }
    utf8Bytes_ += static_cast<char>(byte);
    return;
  }
  FlushPending();
  Character(CodePageToUnicode(codePage, byte));
}

void RtfReader::UnicodeCharacter(std::int64_t value) {
  FlushUtf8Bytes();
  if (value < 0) value += 65536;
  if (value < 0 || value > 0xFFFF) {
    FlushPending();
    Character(kReplacement);
    return;
  }
  const auto unit = static_cast<char16_t>(value);
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    FlushPending();
    highSurrogate_ = unit;
    return;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (highSurrogate_ == 0) {
      Character(kReplacement);
      return;
    }
    const char32_t ch = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) +
                        (static_cast<char32_t>(unit) - 0xDC00);
    highSurrogate_ = 0;
    Character(ch);
    return;
  }
  FlushPending();
  Character(unit);
}

void RtfReader::FlushUtf8Bytes() {
  if (utf8Bytes_.empty()) return;
  const std::string bytes = std::move(utf8Bytes_);
  utf8Bytes_.clear();
  for (std::size_t i = 0; i < bytes.size();) {
    const char32_t ch = DecodeUtf8(bytes, i);
    Character((ch & kInvalidUtf8Flag) ? kReplacement : ch);
  }
}

void RtfReader::FlushPending() {
  FlushUtf8Bytes();
  if (highSurrogate_ != 0) {
    highSurrogate_ = 0;
    Character(kReplacement);
  }
}

void RtfReader::Character(char32_t ch) {
  switch (state_.destination) {
    case Destination::kText:
      break;
    case Destination::kFontTable:
      if (ch >= 0x20) AppendUtf8(entryName_, ch);
      return;
    default:
      return;
  }
  // A line never holds a line end, and NUL is no text.
  if (state_.hidden || ch == 0 || ch == U'\r' || ch == U'\n') return;
  if (cellSeparatorPending_) {
    cellSeparatorPending_ = false;
    Character(U'\t');
  }
  const std::size_t before = line_.size();
  AppendUtf8(line_, ch);
  AddFormatted(line_.size() - before);
}

void RtfReader::LineBreak() {
  cellSeparatorPending_ = false;
  lines_.push_back(std::move(line_));
  line_.clear();
  AddFormatted(2);
}

const CharFormat& RtfReader::CurrentFormat() {
  if (formatValid_) return format_;
  CharFormat format;
  if (state_.color > 0 && static_cast<std::size_t>(state_.color) < colors_.size())
    format.color = colors_[static_cast<std::size_t>(state_.color)];
  format.bold = state_.bold;
  format.italic = state_.italic;
  format.underline = state_.underline;
  if (state_.font >= 0 && state_.font != defaultFont_ && state_.font != defaultFormatFont_) {
    auto it = fonts_.find(state_.font);
    auto base = fonts_.find(defaultFont_);
    if (it != fonts_.end() && (base == fonts_.end() || it->second.name != base->second.name))
      format.fontName = it->second.name;
  }
  if (state_.sizeHalfPoints != defaultSizeHalfPoints_)
    format.fontSize = (state_.sizeHalfPoints + 1) / 2;
  format_ = std::move(format);
  formatValid_ = true;
  return format_;
}

void RtfReader::AddFormatted(std::size_t length) {
  const CharFormat& format = CurrentFormat();
  if (!(format == CharFormat{})) {
    if (!runs_.empty() && runs_.back().start + runs_.back().length == offset_ &&
        runs_.back().format == format)
      runs_.back().length += length;
    else
      runs_.push_back({offset_, length, format});
  }
  offset_ += length;
}

void RtfReader::CommitFont() {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  std::string name = std::move(entryName_);
  entryName_.clear();
  while (!name.empty() && isBlank(name.back())) name.pop_back();
  const std::size_t first = std::min(name.size(), name.find_first_not_of(" \t"));
  name.erase(0, first);
  if (entryFont_ >= 0) fonts_[entryFont_] = FontEntry{std::move(name), entryCodePage_};
  entryFont_ = -1;
  entryCodePage_ = 0;
}

void RtfReader::CommitColor() {
  colors_.push_back(RgbColor(red_, green_, blue_));
  red_ = green_ = blue_ = 0;
}

RichText RtfReader::Finish() {
  FlushPending();
  // The text after the last break is a line unless it is empty: a document
  // ends with a paragraph mark, and that mark is no line of its own.
  if (!line_.empty()) lines_.push_back(std::move(line_));
  std::size_t length = 0;
  for (const std::string& line : lines_) length += line.size() + 2;
  if (length > 0) length -= 2;
  while (!runs_.empty() && runs_.back().start >= length) runs_.pop_back();
  if (!runs_.empty() && runs_.back().start + runs_.back().length > length)
    runs_.back().length = length - runs_.back().start;
  return RichText{std::move(lines_), std::move(runs_)};
}

}  // namespace

bool IsRtf(std::string_view bytes) {
  bytes = StripByteOrderMark(bytes);
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes.substr(first).starts_with("{\\rtf");
}

RichText ReadRtf(std::string_view bytes) {
  return RtfReader(bytes).Read();
}

}  // namespace ws
