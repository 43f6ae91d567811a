// Finding and replacing text in a document: plain functions on a document and
// the settings, used by the document window's find bar. A replacement is one
// edit block, colours the lines it touched as typed text would be, and
// returns the undo entry that reverses it.
#pragma once

#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <optional>

#include "settings.h"
#include "undorecord.h"

namespace ws::desktop {

struct FindOptions {
  bool matchCase = false;
  bool wholeWord = false;
};

enum class FindOutcome { Found, Wrapped, NotFound };

struct FindResult {
  FindOutcome outcome = FindOutcome::NotFound;
  QTextCursor match;  // the match selected; null when none
};

// The next match after `from` (backward: before it), wrapping around the
// document's end (beginning) once.
FindResult FindText(const QTextDocument& document, const QTextCursor& from, const QString& text,
                    FindOptions options, bool backward);

// Whether the cursor's selection is exactly a match of text.
bool IsMatch(const QTextCursor& selection, const QString& text, FindOptions options);

struct Replacement {
  UndoEntry undo;  // kind Replace, without its window
  int count = 0;   // matches replaced
  int caret = 0;   // after the last replacement
};

// Replaces the selection of `at` by `with`. Undo kind Replace.
Replacement ReplaceSelection(QTextDocument& document, const QTextCursor& at, const QString& with,
                             const Settings& settings);

// Replaces every match of text by `with`; nullopt, nothing changed, when
// there is none. Undo kind Replace, one step for all of them.
std::optional<Replacement> ReplaceAll(QTextDocument& document, const QString& text,
                                      const QString& with, FindOptions options,
                                      const Settings& settings);

}  // namespace ws::desktop
