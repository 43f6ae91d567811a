#include "richdocument.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "colouring.h"
#include "fileio.h"
#include "positions.h"
#include "textbuffer.h"

namespace ws::desktop {

namespace {

// Where each line starts in the engine's byte offsets (line breaks two bytes).
std::vector<std::size_t> LineByteStarts(const std::vector<std::string>& lines) {
  std::vector<std::size_t> starts;
  starts.reserve(lines.size());
  std::size_t start = 0;
  for (const std::string& line : lines) {
    starts.push_back(start);
    start += line.size() + 2;
  }
  return starts;
}

// A byte offset of the engine -> a Qt position of a document made of the lines.
int QtPositionOfByte(const std::vector<std::string>& lines, const std::vector<std::size_t>& starts,
                     std::size_t offset) {
  if (lines.empty()) return 0;
  const int line = LineOfCrLfOffset(lines, offset);
  const auto index = static_cast<std::size_t>(line);
  int qtStart = 0;  // sum of earlier lines' Qt lengths plus their breaks
  for (std::size_t i = 0; i < index; ++i)
    qtStart += static_cast<int>(QString::fromStdString(lines[i]).size()) + 1;
  const std::size_t within = offset - starts[index];
  const std::string& text = lines[index];
  if (within > text.size())  // on the line break: the break itself
    return qtStart + Utf16Index(text, text.size()) + (index + 1 < lines.size() ? 1 : 0);
  return qtStart + Utf16Index(text, within);
}

QTextCharFormat QtFormat(const CharFormat& format) {
  QTextCharFormat result;
  if (format.color != 0) result.setForeground(ToQColor(format.color));
  result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  result.setFontItalic(format.italic);
  result.setFontUnderline(format.underline);
  if (!format.fontName.empty())
    result.setFontFamilies(QStringList{QString::fromStdString(format.fontName)});
  if (format.fontSize > 0) result.setFontPointSize(format.fontSize);
  return result;
}

Color EngineColor(const QColor& color) {
  return RgbColor(color.red(), color.green(), color.blue());
}

CharFormat EngineFormat(const QTextCharFormat& format, const QFont& editorFont) {
  CharFormat result;
  if (format.hasProperty(QTextFormat::ForegroundBrush) &&
      format.foreground().style() != Qt::NoBrush)
    result.color = EngineColor(format.foreground().color());
  result.bold = format.fontWeight() > QFont::Normal;
  result.italic = format.fontItalic();
  result.underline = format.fontUnderline();
  const QStringList families = format.fontFamilies().toStringList();
  if (!families.isEmpty() && families.first() != editorFont.family())
    result.fontName = families.first().toStdString();
  if (format.hasProperty(QTextFormat::FontPointSize) &&
      static_cast<int>(format.fontPointSize()) != editorFont.pointSize())
    result.fontSize = static_cast<int>(format.fontPointSize());
  return result;
}

}  // namespace

RichText ReadBuildFile(const std::string& path, bool* plainText) {
  const std::string bytes = ReadTextFile(path);
  if (plainText) *plainText = !IsRtf(bytes);
  RichBuffer buffer;
  buffer.SetContent(bytes);
  return RichText{buffer.Lines(), buffer.Runs()};
}

void FillDocument(QTextDocument& document, const RichText& text) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(text.lines.size()));
  for (const std::string& line : text.lines) lines << QString::fromStdString(line);
  document.setPlainText(lines.join('\n'));
  if (text.runs.empty()) return;
  const std::vector<std::size_t> starts = LineByteStarts(text.lines);
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  for (const FormatRun& run : text.runs) {
    const int from = QtPositionOfByte(text.lines, starts, run.start);
    const int to = QtPositionOfByte(text.lines, starts, run.start + run.length);
    if (from >= to) continue;
    cursor.setPosition(from);
    cursor.setPosition(std::min(to, document.characterCount() - 1), QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(QtFormat(run.format));
  }
  cursor.endEditBlock();
}

RichText DocumentRichText(const QTextDocument& document, const Settings& settings) {
  RichText result;
  const QFont editorFont = EditorFont(settings);
  const CharFormat plain;
  std::size_t lineByteStart = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const CharFormat format = EngineFormat(fragment.charFormat(), editorFont);
      if (format == plain) continue;
      const int local = fragment.position() - block.position();
      const std::size_t from = lineByteStart + Utf8Offset(text, local);
      const std::size_t to = lineByteStart + Utf8Offset(text, local + fragment.length());
      // Touching fragments of one format make one run.
      if (!result.runs.empty() && result.runs.back().format == format &&
          result.runs.back().start + result.runs.back().length == from) {
        result.runs.back().length = to - result.runs.back().start;
        continue;
      }
      result.runs.push_back({from, to - from, format});
    }
    const std::string line = text.toStdString();
    lineByteStart += line.size() + 2;
    result.lines.push_back(line);
  }
  return result;
}

void WriteBuildFile(const std::string& path, const QTextDocument& document,
                    const Settings& settings) {
  const RichText text = DocumentRichText(document, settings);
  // The font table names the face of the settings, not the one shown in its
  // place when the system lacks it.
  const QFont font = EditorFont(settings);
  WriteFileAtomically(path, WriteRtf(text, settings.EditorFontName, font.pointSize()));
}

void WritePlainBuildFile(const std::string& path, const QTextDocument& document) {
  std::string bytes;
  const std::vector<std::string> lines = DocumentLines(document);
  // An empty text is an empty file, not one empty line.
  if (lines.size() > 1 || !lines.front().empty())
    for (const std::string& line : lines) {
      bytes += line;
      bytes += "\r\n";
    }
  WriteFileAtomically(path, bytes);
}

}  // namespace ws::desktop
