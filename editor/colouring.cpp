#include "colouring.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>
#include <vector>

#include "commands.h"
#include "positions.h"

namespace ws::desktop {

const std::vector<QString>& KeywordList() {
  static const std::vector<QString> words = [] {
    std::vector<QString> list;
    for (const Command& command : kCommands) list.push_back(QString::fromLatin1(command.word));
    for (std::string_view word : kPartWords) list.push_back(QString::fromLatin1(word));
    return list;
  }();
  return words;
}

QColor ToQColor(Color color) {
  return QColor(static_cast<int>(color & 255), static_cast<int>((color >> 8) & 255),
                static_cast<int>((color >> 16) & 255));
}

QFont EditorFont(const QString& family, int pointSize) {
  // Colouring asks on every pass, mostly for the same name: the answer for
  // the last name is kept.
  static QString lastFamily;
  static bool lastInstalled = false;
  if (lastFamily.isNull() || family != lastFamily) {
    lastFamily = family.isNull() ? QString("") : family;
    lastInstalled = !family.isEmpty() && QFontDatabase::hasFamily(family);
  }
  QFont font = lastInstalled ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(pointSize > 0 ? pointSize : 10);
  return font;
}

QFont EditorFont(const Settings& settings) {
  return EditorFont(QString::fromStdString(settings.EditorFontName), settings.EditorFontSize);
}

QTextCharFormat PlainFormat(const Settings& settings) {
  QTextCharFormat format;
  format.setFont(EditorFont(settings));
  return ElementFormat::Plain().AppliedTo(format);
}

bool ElementFormat::ShownBy(const QTextCharFormat& format) const {
  const bool hasColour = format.hasProperty(QTextFormat::ForegroundBrush) &&
                         format.foreground().style() != Qt::NoBrush;
  if (automatic ? hasColour : !hasColour || format.foreground().color() != color) return false;
  return (format.fontWeight() > QFont::Normal) == (style == TextStyle::Bold) &&
         format.fontItalic() == (style == TextStyle::Italic) &&
         format.fontUnderline() == (style == TextStyle::Underline);
}

QTextCharFormat ElementFormat::AppliedTo(QTextCharFormat format) const {
  if (automatic)
    format.clearForeground();
  else
    format.setForeground(color);
  format.setFontWeight(style == TextStyle::Bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(style == TextStyle::Italic);
  format.setFontUnderline(style == TextStyle::Underline);
  return format;
}

namespace {

const QString kComment = "--";

bool IsBlankOrTab(QChar c) {
  return c == ' ' || c == '\t';
}

// The whole-word rule, on the line copy in which strings and coloured words
// are blanks: line start, blank or tab before; blank, tab or line end after.
bool IsWholeWord(const QString& copy, qsizetype at, qsizetype length) {
  const bool before = at == 0 || IsBlankOrTab(copy[at - 1]);
  const bool after = at + length >= copy.size() || IsBlankOrTab(copy[at + length]);
  return before && after;
}

void Blank(QString& copy, qsizetype from, qsizetype to) {
  for (qsizetype i = from; i < to && i < copy.size(); ++i) copy[i] = ' ';
}

// A range of a line to colour with an element, in line indexes.
struct Stretch {
  qsizetype from, to;
  const ElementFormat* element;
};

// The strings, reserved words and comment of one line, in the order of the
// whole-text pass. The copy comes back with all of them blanked.
std::vector<Stretch> ScanLine(QString& copy, const ElementFormat& string,
                              const ElementFormat& reserved, const ElementFormat& comment) {
  std::vector<Stretch> stretches;
  // Strings: quote to quote, or an unpartnered quote to the line's end.
  for (;;) {
    const qsizetype open = copy.indexOf('"');
    if (open < 0) break;
    copy[open] = ' ';
    const qsizetype close = copy.indexOf('"', open + 1);
    if (close < 0) {
      stretches.push_back({open, copy.size(), &string});
      Blank(copy, open, copy.size());
      break;
    }
    stretches.push_back({open, close + 1, &string});
    Blank(copy, open, close + 1);
  }
  // Reserved words, each searched left to right.
  for (const QString& word : KeywordList()) {
    for (qsizetype at = copy.indexOf(word); at >= 0; at = copy.indexOf(word, at + word.size())) {
      if (!IsWholeWord(copy, at, word.size())) continue;
      stretches.push_back({at, at + word.size(), &reserved});
      Blank(copy, at, at + word.size());
    }
  }
  // The comment runs from the first "--" to the line's end.
  const qsizetype dashes = copy.indexOf(kComment);
  if (dashes >= 0) stretches.push_back({dashes, copy.size(), &comment});
  return stretches;
}

// Gives [from, to) of the block the element's colour and style, touching only
// the fragments that do not show it yet. Returns whether it changed any.
bool Paint(QTextDocument& document, const QTextBlock& block, qsizetype from, qsizetype to,
           const ElementFormat& element) {
  const int start = block.position() + static_cast<int>(from);
  const int end = block.position() + static_cast<int>(to);
  std::vector<std::pair<std::pair<int, int>, QTextCharFormat>> changes;
  for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    const int a = std::max(fragment.position(), start);
    const int b = std::min(fragment.position() + fragment.length(), end);
    if (a >= b || element.ShownBy(fragment.charFormat())) continue;
    changes.push_back({{a, b}, element.AppliedTo(fragment.charFormat())});
  }
  QTextCursor cursor(&document);
  for (const auto& [range, format] : changes) {
    cursor.setPosition(range.first);
    cursor.setPosition(range.second, QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
  }
  return !changes.empty();
}

// The format every character of the whole-text pass starts from.
QTextCharFormat WholeTextBase(const Settings& settings) {
  QTextCharFormat base;
  const QFont font = EditorFont(settings);
  base.setFontFamilies(QStringList{font.family()});
  base.setFontStyleHint(QFont::TypeWriter);
  base.setFontPointSize(font.pointSizeF());
  return ElementFormat::Plain().AppliedTo(base);
}

QTextCharFormat FormatAt(const QTextBlock& block, qsizetype index) {
  const int position = block.position() + static_cast<int>(index);
  for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (position >= fragment.position() && position < fragment.position() + fragment.length())
      return fragment.charFormat();
  }
  return block.charFormat();
}

}  // namespace

namespace {

// The characters at which a document starts a new block when text is
// inserted (a CR LF pair is one).
bool BreaksBlock(QChar c) {
  return c == '\n' || c == '\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) ||
         c == QChar(0xfdd1);
}

// The lines as the document will hold them.
QStringList DocumentLines(const QStringList& lines) {
  const auto breaks = [](const QString& line) {
    return std::any_of(line.begin(), line.end(), BreaksBlock);
  };
  if (std::none_of(lines.begin(), lines.end(), breaks)) return lines;
  QStringList split;
  for (const QString& line : lines) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
      if (!BreaksBlock(line[i])) continue;
      split << line.mid(start, i - start);
      if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
      start = i + 1;
    }
    split << line.mid(start);
  }
  return split;
}

}  // namespace

void InsertColouredLines(QTextCursor& cursor, const QStringList& text, const Settings& settings) {
  const ElementFormat string = ElementFormat::String(settings);
  const ElementFormat reserved = ElementFormat::Reserved(settings);
  const ElementFormat comment = ElementFormat::Comment(settings);
  const QTextCharFormat base = WholeTextBase(settings);
  // One format object per element: the document finds each one's index from
  // its kept hash.
  const std::array<const ElementFormat*, 3> elements = {&string, &reserved, &comment};
  const std::array<QTextCharFormat, 4> formats = {
      base, string.AppliedTo(base), reserved.AppliedTo(base), comment.AppliedTo(base)};
  const QStringList lines = DocumentLines(text);
  std::vector<unsigned char> shown;  // per character: the index of its format
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat(), base);
    const QString& line = lines[i];
    if (line.isEmpty()) continue;
    QString copy = line;
    shown.assign(static_cast<std::size_t>(line.size()), 0);
    // In the order of the pass: a later stretch (the comment) wins.
    for (const Stretch& s : ScanLine(copy, string, reserved, comment)) {
      const auto index = static_cast<unsigned char>(
          1 + (std::find(elements.begin(), elements.end(), s.element) - elements.begin()));
      std::fill(shown.begin() + s.from, shown.begin() + std::min(s.to, line.size()), index);
    }
    for (qsizetype k = 0; k < line.size();) {
      qsizetype end = k + 1;
      while (end < line.size() && shown[end] == shown[k]) ++end;
      cursor.insertText(line.mid(k, end - k), formats[shown[k]]);
      k = end;
    }
  }
}

void ColourWholeText(QTextDocument& document, const Settings& settings) {
  QStringList lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    lines << block.text();
  const bool undo = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.setDefaultFont(EditorFont(settings));
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.removeSelectedText();
  InsertColouredLines(cursor, lines, settings);
  cursor.endEditBlock();
  document.setUndoRedoEnabled(undo);
  document.setModified(false);
}

namespace {

// The elements of the caret-line pass.
struct LineElements {
  explicit LineElements(const Settings& s)
      : string(ElementFormat::String(s)),
        reserved(ElementFormat::Reserved(s)),
        comment(ElementFormat::Comment(s)) {}
  ElementFormat plain = ElementFormat::Plain();
  ElementFormat string, reserved, comment;
};

// One paint of the caret-line pass: [from, to) of the line in the element.
struct Step {
  qsizetype from, to;
  const ElementFormat* element;
};

// The paints of the caret-line pass over the block, in the order they are
// made: the comment may paint over strings painted before it.
std::vector<Step> CaretLineSteps(const QTextBlock& block, const LineElements& e) {
  std::vector<Step> steps;
  QString copy = block.text();
  const qsizetype lineEnd = copy.size();
  // The characters a string, the comment or a reserved word has taken.
  std::vector<bool> taken(static_cast<std::size_t>(lineEnd), false);
  const auto take = [&](qsizetype from, qsizetype to) {
    Blank(copy, from, to);
    for (qsizetype k = from; k < to && k < lineEnd; ++k) taken[static_cast<std::size_t>(k)] = true;
  };

  // Strings.
  for (;;) {
    const qsizetype open = copy.indexOf('"');
    if (open < 0) break;
    copy[open] = ' ';
    const qsizetype close = copy.indexOf('"', open + 1);
    if (close >= 0) {
      steps.push_back({open, close + 1, &e.string});
      take(open, close + 1);
      continue;
    }
    // A quote without partner: its string runs to the line's end. Only the
    // characters that do not show the string yet are changed, which covers
    // the caret's character and a tail that lost its colour alike.
    steps.push_back({open, lineEnd, &e.string});
    take(open, lineEnd);
    break;
  }

  // The whole-word rule sees strings as blanks but a comment as what it is:
  // "end--" is no reserved word.
  QString wordEdges = copy;

  // The comment, before the reserved words: words inside it stay in its colour.
  const qsizetype dashes = copy.indexOf(kComment);
  if (dashes >= 0) {
    steps.push_back({dashes, lineEnd, &e.comment});
    take(dashes, lineEnd);
  }

  // Reserved words; a word whose first character shows the colour is left
  // as it is. (No earlier paint reaches a word: it was free until now.)
  for (const QString& word : KeywordList()) {
    for (qsizetype at = copy.indexOf(word); at >= 0; at = copy.indexOf(word, at + word.size())) {
      if (!IsWholeWord(wordEdges, at, word.size())) continue;
      if (!e.reserved.ShownBy(FormatAt(block, at)))
        steps.push_back({at, at + word.size(), &e.reserved});
      take(at, at + word.size());
      Blank(wordEdges, at, at + word.size());
    }
  }

  // Everything else is plain, the blanks between words included: as in the
  // whole-text pass, a reserved word's attributes stop at its end, so a blank
  // typed after it does not keep them.
  const auto free = [&](qsizetype k) { return !taken[static_cast<std::size_t>(k)]; };
  for (qsizetype k = 0; k < lineEnd;) {
    if (!free(k)) {
      ++k;
      continue;
    }
    qsizetype end = k;
    while (end < lineEnd && free(end)) ++end;
    steps.push_back({k, end, &e.plain});
    k = end;
  }
  return steps;
}

}  // namespace

bool ColourCaretLine(QTextDocument& document, int position, const Settings& settings) {
  const QTextBlock block = document.findBlock(position);
  if (!block.isValid()) return false;
  const LineElements elements(settings);
  bool changed = false;
  for (const Step& step : CaretLineSteps(block, elements))
    changed |= Paint(document, block, step.from, step.to, *step.element);
  return changed;
}

// The pass played on the characters' looks instead of the document: a
// character painted once shows that element from then on, whatever else its
// format holds (an element sets all four properties it is seen by).
bool CaretLineNeedsColour(const QTextDocument& document, int position, const Settings& settings) {
  const QTextBlock block = document.findBlock(position);
  if (!block.isValid()) return false;
  const LineElements elements(settings);
  std::vector<const ElementFormat*> painted(static_cast<std::size_t>(block.length()), nullptr);
  for (const Step& step : CaretLineSteps(block, elements)) {
    for (qsizetype k = step.from; k < step.to; ++k) {
      const ElementFormat* before = painted[static_cast<std::size_t>(k)];
      const bool shown = before ? step.element->ShownBy(before->AppliedTo({}))
                                : step.element->ShownBy(FormatAt(block, k));
      if (!shown) return true;
      painted[static_cast<std::size_t>(k)] = step.element;
    }
  }
  return false;
}

bool ColourInsertedCommand(QTextDocument& document, int caret, const QString& word, int n, int m,
                           const Settings& settings) {
  const ElementFormat string = ElementFormat::String(settings);
  const ElementFormat reserved = ElementFormat::Reserved(settings);
  const int p = CrLfPosition(document, caret);
  bool changed = false;
  // Colours a stretch given in CR LF offsets; it lies within one line.
  auto paint = [&](int crLfFrom, int length, const ElementFormat& element) {
    if (length <= 0) return;
    const int from = QtPosition(document, crLfFrom);
    const QTextBlock block = document.findBlock(from);
    const qsizetype local = from - block.position();
    changed |= Paint(document, block, local,
                     std::min<qsizetype>(local + length, block.length() - 1), element);
  };
  const int commandStart = p - m;
  paint(commandStart, static_cast<int>(word.size()), reserved);

  // Find the command word from the command's start, then its string.
  const QString text = document.toPlainText();
  QString collected;
  for (int i = QtPosition(document, commandStart); i < text.size(); ++i) {
    const QChar c = text[i];
    collected = c >= 'a' && c <= 'z' ? collected + c : QString();
    if (collected != word) continue;
    const int quote = i + 2;
    if (quote < text.size() && text[quote] == '"')
      paint(CrLfPosition(document, quote), n + 2, string);
    break;
  }
  if (word == "new") paint(p - 3, 3, reserved);
  if (word == "tag") paint(p - 2, 2, string);
  return changed;
}

}  // namespace ws::desktop
