// Positions in a document's text. QTextDocument counts one position for every
// character and one for every line break; the build engine and the rules of
// the document window count a line break as two (CR LF), and the engine's RTF
// reader and writer count UTF-8 bytes with a line break as two. These helpers
// convert at those seams.
#pragma once

#include <QString>
#include <string>
#include <vector>

class QTextDocument;

namespace ws::desktop {

// Offset with CR LF line breaks <-> QTextDocument position.
int CrLfPosition(const QTextDocument& document, int qtPosition);
int QtPosition(const QTextDocument& document, int crLfPosition);

// The document's lines as UTF-8, one a paragraph.
std::vector<std::string> DocumentLines(const QTextDocument& document);

// The 0-based line that holds a CR LF offset into the lines joined by CR LF
// (an offset on a line break belongs to the line it ends; past the end: the
// last line).
int LineOfCrLfOffset(const std::vector<std::string>& lines, std::size_t offset);

// A UTF-8 byte offset within one line -> its index in the line's QString
// (UTF-16 units); an offset inside a character counts as that character.
int Utf16Index(const std::string& utf8Line, std::size_t byteOffset);
// The reverse: the UTF-8 byte offset of a UTF-16 index of the line.
std::size_t Utf8Offset(const QString& line, int utf16Index);

}  // namespace ws::desktop
