// The tag names of a target file, as the tag dialogs list them: the file's
// line breaks flattened to blanks, then the wide and short tags found with
// the delimiters in effect, in file order, a name once per occurrence.
#pragma once

#include <QString>
#include <QStringList>

#include "settings.h"
#include "tagnames.h"  // the engine's scan, which these wrap for QString

namespace ws::desktop {

using ws::TagKind;

// Runs of four line breaks, then of two, then single ones, become one blank
// each (a line break is CR LF or LF).
QString FlattenLineBreaks(QString text);

// Appends to `names` the name of each wide tag's opening marker (the text
// between WideOpenStart and the next WideOpenEnd), or of each short tag (the
// text between a ShortStart and the next ShortEnd), in `text`.
void ScanTagsInText(const QString& text, TagKind kind, const Settings& settings,
                    QStringList& names);

// The body of the wide tag `name` in the flattened `text`: between its first
// opening and first closing marker; empty and `found` false when either is
// missing.
QString WideTagBody(const QString& text, const QString& name, const Settings& settings,
                    bool* found);

}  // namespace ws::desktop
