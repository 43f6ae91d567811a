#include "positions.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace ws::desktop {

int CrLfPosition(const QTextDocument& document, int qtPosition) {
  const QTextBlock block = document.findBlock(qtPosition);
  // Every paragraph before this one ends in one Qt position but two here.
  return qtPosition + (block.isValid() ? block.blockNumber() : document.blockCount() - 1);
}

int QtPosition(const QTextDocument& document, int crLfPosition) {
  // Walk the paragraphs: each takes its length plus two for its CR LF.
  int crLfStart = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const int textLength = block.length() - 1;
    if (crLfPosition <= crLfStart + textLength || !block.next().isValid())
      return block.position() + std::min(std::max(crLfPosition - crLfStart, 0), textLength);
    // A position on the LF of the break counts as the break itself.
    if (crLfPosition < crLfStart + textLength + 2) return block.position() + textLength;
    crLfStart += textLength + 2;
  }
  return 0;
}

std::vector<std::string> DocumentLines(const QTextDocument& document) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(document.blockCount()));
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    lines.push_back(block.text().toStdString());
  return lines;
}

int LineOfCrLfOffset(const std::vector<std::string>& lines, std::size_t offset) {
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t next = lineStart + lines[i].size() + 2;
    if (offset < next) return static_cast<int>(i);
    lineStart = next;
  }
  return lines.empty() ? 0 : static_cast<int>(lines.size() - 1);
}

int Utf16Index(const std::string& utf8Line, std::size_t byteOffset) {
  int units = 0;
  std::size_t i = 0;
  while (i < byteOffset && i < utf8Line.size()) {
    const auto lead = static_cast<unsigned char>(utf8Line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    units += length == 4 ? 2 : 1;  // beyond the BMP: a surrogate pair
    i += length;
  }
  return units;
}

std::size_t Utf8Offset(const QString& line, int utf16Index) {
  return static_cast<std::size_t>(line.left(utf16Index).toUtf8().size());
}

}  // namespace ws::desktop
