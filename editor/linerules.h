// The line rules of the "&Commands" menu: how a command line's value, block
// openers and block ends are recognised, where the nearest usable include
// stands, how a chosen file is named in the build file, and the caret helpers
// the insertions use. All take and return plain text (lines joined by "\n",
// positions as QTextDocument counts them: one per character and one per line
// break), so they are tested without a window.
#pragma once

#include <QString>
#include <QStringList>

namespace ws::desktop {

// The value part of a one-line tag command (or of any command whose second
// word is a name): what follows the command word and the name. A quoted name
// and a "x:" prefixed name (a short tag with its delimiter) are skipped whole.
// Empty when the line holds no value, e.g. `tag "t"`.
QString ExtractTagValue(const QString& line);

// A line that starts a block closed by an `end` line: a tag line without a
// value, `if`, `repeat` or `new`.
bool IsBlockOpener(const QString& line);

// A line that closes a block: it holds "end" and no double quote.
bool IsBlockEnd(const QString& line);

// For each line, whether it lies in a closed block (opener through its end)
// or at or before an end line met with no block open.
QList<bool> DisregardedLines(const QStringList& lines);

// The file name of the nearest `include` above and on the last of `lines`
// that is not inside a closed block; empty when none is found or the include
// has no quoted name. Tabs count as blanks.
QString FindEnclosingIncludeIn(QStringList lines);

// The length of a nested tag's body as De-Nest removes it: `lines` starts
// with the tag line; counts lines 1 through the tag's own end line (nested
// blocks skipped), or to the last line when there is none, one position per
// character and one per line break following each line.
int NestedBodyLength(const QStringList& lines);

// How the chosen file is written into a build file. With `useRelative` and a
// named build file, the path relative to the build file's folder with "/"
// and "../"; otherwise (or for an "Untitled" window) the full path.
QString InsertedName(const QString& buildFile, const QString& chosenFile, bool useRelative);

// The blanks and tabs at the start of the line holding `caret`, up to the
// caret and the first other character.
QString LineIndentBefore(const QString& text, int caret);

// True when only blanks and tabs stand between the line start and `caret`.
bool CaretLineIsBlank(const QString& text, int caret);

// The position of the line break ending the line of `position`, or the text
// length on the last line.
int MoveToLineEnd(const QString& text, int position);

// The start of the line holding `position`.
int LineStart(const QString& text, int position);

}  // namespace ws::desktop
