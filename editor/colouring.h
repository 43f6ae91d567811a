// Syntax colouring of build files: reserved words, strings and comments in
// the colours and styles of the settings, everything else in the automatic
// window-text colour. Colouring changes character formats only, never text.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <vector>

#include "settings.h"

class QTextCursor;
class QTextDocument;

namespace ws::desktop {

// The reserved words: the command words and the words that are parts of
// commands, in the order in which they are searched.
const std::vector<QString>& KeywordList();

QColor ToQColor(Color color);
// The editor font of the settings. A face the system lacks, such as the
// default name "Fixedsys", shows as the system's fixed-width face; the name
// itself stays in the settings. A size <= 0 gives 10 points.
QFont EditorFont(const QString& family, int pointSize);
QFont EditorFont(const Settings& settings);

// The colour and style of one kind of element; `automatic` for plain text.
struct ElementFormat {
  bool automatic = true;
  QColor color;
  TextStyle style = TextStyle::None;

  static ElementFormat Plain() { return {}; }
  static ElementFormat Reserved(const Settings& s) {
    return {false, ToQColor(s.ReservedColor), s.ReservedStyle};
  }
  static ElementFormat String(const Settings& s) {
    return {false, ToQColor(s.StringColor), s.StringStyle};
  }
  static ElementFormat Comment(const Settings& s) {
    return {false, ToQColor(s.CommentColor), s.CommentStyle};
  }

  // Whether a character of this format shows the element (colour and style).
  bool ShownBy(const QTextCharFormat& format) const;
  // The format with the element's colour and style, all else kept.
  QTextCharFormat AppliedTo(QTextCharFormat format) const;
};

// The format inserted command text starts with: plain, in the editor font.
QTextCharFormat PlainFormat(const Settings& settings);

// Inserts the lines at the cursor, each after a new block but the first,
// coloured by the whole-text rules: every character plain in the editor font
// but the strings, reserved words and the comment of its line. Each stretch
// goes in once with its final format (no format is set twice or merged);
// line breaks take the plain format. Call it inside an edit block.
void InsertColouredLines(QTextCursor& cursor, const QStringList& lines, const Settings& settings);

// Colours the whole document by those rules: its text is put back coloured,
// as one change that the document's own undo does not keep. Leaves the
// document unmodified.
void ColourWholeText(QTextDocument& document, const Settings& settings);

// Recolours the line that holds the Qt position after an edit, setting only
// formats that differ. Returns whether any format was changed.
bool ColourCaretLine(QTextDocument& document, int position, const Settings& settings);
// Whether ColourCaretLine would change a format there; changes nothing.
bool CaretLineNeedsColour(const QTextDocument& document, int position, const Settings& settings);

// Colours a command that was just inserted and ends at the Qt position caret:
// m is its length and n the length of its string, both counting a line break
// as two; word is its command word.
bool ColourInsertedCommand(QTextDocument& document, int caret, const QString& word, int n, int m,
                           const Settings& settings);

}  // namespace ws::desktop
