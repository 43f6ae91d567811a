// The text edits of the "&Commands" menu as functions on a document and the
// settings: each is one edit block, colours what it put in, and returns the
// undo entry that reverses it (without its window, which the caller is) and
// where the caret goes afterwards.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <optional>

#include "settings.h"
#include "undorecord.h"

namespace ws::desktop {

struct Insertion {
  UndoEntry undo;
  int caret = 0;
  QString indent;  // Nest: the indentation of the tag line
};

// Puts prefix and command at start; colours the command as `word` with a
// string of stringLength characters. Undo kind Insert.
Insertion InsertCommandText(QTextDocument& document, int start, const QString& prefix,
                            const QString& command, const QString& word, int stringLength,
                            const Settings& settings);

// One empty tag command per name from `at`, each on a new line indented with
// `indent`, the first on the line of `at` when that holds only blanks and
// tabs. Undo kind Insert.
Insertion InsertTagLines(QTextDocument& document, int at, const QStringList& names,
                         const QString& indent, const Settings& settings);

// The one-line tag command on the line of `caret` becomes a nested one: its
// value goes (kept in the undo entry), an empty body line indented by one
// more `indentText` and an end line follow; the caret goes to the end of the
// body line. nullopt, nothing changed, when the line has no tag with a value.
std::optional<Insertion> NestTagCommand(QTextDocument& document, int caret,
                                        const QString& indentText, const Settings& settings);

// The nested tag command on the line of `caret` becomes a one-line one: its
// body and end line go (kept in the undo entry with their formats) and an
// empty quoted value takes their place, the caret between the quotes.
// nullopt, nothing changed, when the line starts no nested tag command.
std::optional<Insertion> DeNestTagCommand(QTextDocument& document, int caret);

}  // namespace ws::desktop
