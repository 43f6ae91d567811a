#include "findreplace.h"

#include <QTextBlock>
#include <QTextDocumentFragment>

#include "colouring.h"

namespace ws::desktop {

namespace {

QTextDocument::FindFlags FlagsOf(FindOptions options, bool backward) {
  QTextDocument::FindFlags flags;
  if (options.matchCase) flags |= QTextDocument::FindCaseSensitively;
  if (options.wholeWord) flags |= QTextDocument::FindWholeWords;
  if (backward) flags |= QTextDocument::FindBackward;
  return flags;
}

// The lines from `from` to `to` coloured one by one, as the change handling
// colours a typed line.
void ColourLines(QTextDocument& document, int from, int to, const Settings& settings) {
  const QTextBlock last = document.findBlock(to);
  for (QTextBlock b = document.findBlock(from); b.isValid(); b = b.next()) {
    ColourCaretLine(document, b.position(), settings);
    if (b == last) break;
  }
}

// Replaces the range [start, end) by text in the plain format; the caller
// holds the edit block.
void PutText(QTextCursor& cursor, int start, int end, const QString& text,
             const Settings& settings) {
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.insertText(text, PlainFormat(settings));
}

}  // namespace

FindResult FindText(const QTextDocument& document, const QTextCursor& from, const QString& text,
                    FindOptions options, bool backward) {
  if (text.isEmpty()) return {};
  const auto flags = FlagsOf(options, backward);
  // Qt searches forward from the selection's end and backward from its start.
  QTextCursor match = document.find(text, from, flags);
  if (!match.isNull()) return {FindOutcome::Found, match};
  QTextCursor wrap(const_cast<QTextDocument*>(&document));
  wrap.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  match = document.find(text, wrap, flags);
  if (match.isNull()) return {};
  return {FindOutcome::Wrapped, match};
}

bool IsMatch(const QTextCursor& selection, const QString& text, FindOptions options) {
  if (!selection.hasSelection() || text.isEmpty()) return false;
  QTextCursor before(selection.document());
  before.setPosition(selection.selectionStart());
  const QTextCursor match = selection.document()->find(text, before, FlagsOf(options, false));
  return !match.isNull() && match.selectionStart() == selection.selectionStart() &&
         match.selectionEnd() == selection.selectionEnd();
}

Replacement ReplaceSelection(QTextDocument& document, const QTextCursor& at, const QString& with,
                             const Settings& settings) {
  const int start = at.selectionStart();
  Replacement done;
  done.undo.kind = UndoKind::Replace;
  done.undo.start = start;
  done.undo.text = at.selection();
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  PutText(cursor, start, at.selectionEnd(), with, settings);
  done.caret = done.undo.end = cursor.position();
  ColourLines(document, start, done.caret, settings);
  cursor.endEditBlock();
  done.count = 1;
  return done;
}

std::optional<Replacement> ReplaceAll(QTextDocument& document, const QString& text,
                                      const QString& with, FindOptions options,
                                      const Settings& settings) {
  // The matches first, as positions in the text as it stands.
  std::vector<std::pair<int, int>> matches;
  QTextCursor at(&document);
  const auto flags = FlagsOf(options, false);
  if (!text.isEmpty()) {
    for (at = document.find(text, at, flags); !at.isNull(); at = document.find(text, at, flags))
      matches.emplace_back(at.selectionStart(), at.selectionEnd());
  }
  if (matches.empty()) return std::nullopt;

  // Undo puts back the lines from the first match to the last as they were,
  // with their formats.
  const int first = document.findBlock(matches.front().first).position();
  const QTextBlock lastBlock = document.findBlock(matches.back().second);
  const int last = lastBlock.position() + lastBlock.length() - 1;
  QTextCursor span(&document);
  span.setPosition(first);
  span.setPosition(last, QTextCursor::KeepAnchor);

  Replacement done;
  done.undo.kind = UndoKind::Replace;
  done.undo.start = first;
  done.undo.text = span.selection();
  done.count = static_cast<int>(matches.size());
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  // From the end, so the positions of the earlier matches stay valid.
  for (auto it = matches.rbegin(); it != matches.rend(); ++it)
    PutText(cursor, it->first, it->second, with, settings);
  int growth = 0;
  for (const auto& [from, to] : matches) growth += static_cast<int>(with.size()) - (to - from);
  done.undo.end = last + growth;
  done.caret = matches.back().second + growth;
  ColourLines(document, first, done.undo.end, settings);
  cursor.endEditBlock();
  return done;
}

}  // namespace ws::desktop
