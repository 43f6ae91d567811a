// Build files on disk <-> QTextDocument. Files are read as RTF when they are
// RTF and as plain lines otherwise (the engine's reader), and written as RTF
// (the engine's writer) or, when asked, as plain text; always atomically. The engine counts format
// runs in UTF-8 bytes with a line break as two; the conversion to Qt positions is here.
#pragma once

#include <QString>
#include <string>

#include "rtf.h"
#include "settings.h"

class QTextDocument;

namespace ws::desktop {

// Reads a build file; plainText, when given, tells whether it was plain text
// rather than RTF. Throws FileError when it cannot be read.
RichText ReadBuildFile(const std::string& path, bool* plainText = nullptr);

// Replaces the document's text by the lines and gives the runs their formats.
void FillDocument(QTextDocument& document, const RichText& text);

// The document's lines and the formats that differ from plain text in the
// editor font.
RichText DocumentRichText(const QTextDocument& document, const Settings& settings);

// Writes the document as RTF in place of the file, atomically. Throws
// FileError when it cannot be written.
void WriteBuildFile(const std::string& path, const QTextDocument& document,
                    const Settings& settings);

// Writes the document's text as UTF-8 lines, each ended by CR LF, in place of
// the file, atomically. Throws FileError when it cannot be written.
void WritePlainBuildFile(const std::string& path, const QTextDocument& document);

}  // namespace ws::desktop
