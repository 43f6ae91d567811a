#include "insertions.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include "colouring.h"
#include "linerules.h"

namespace ws::desktop {

namespace {

// A text's length with each line break counted as CR LF, as the colouring
// of inserted commands takes it.
int CrLfLength(const QString& text) {
  return static_cast<int>(text.size() + text.count('\n'));
}

// An undo entry without its window, which the caller sets.
UndoEntry Entry(UndoKind kind, int start, int end, QTextDocumentFragment text = {}) {
  UndoEntry entry;
  entry.kind = kind;
  entry.start = start;
  entry.end = end;
  entry.text = std::move(text);
  return entry;
}

int Size(const QString& text) {
  return static_cast<int>(text.size());
}

// An insertion from start to the cursor, which stays after it.
Insertion Inserted(int start, const QTextCursor& cursor) {
  Insertion done;
  done.undo = Entry(UndoKind::Insert, start, cursor.position());
  done.caret = cursor.position();
  return done;
}

}  // namespace

Insertion InsertCommandText(QTextDocument& document, int start, const QString& prefix,
                            const QString& command, const QString& word, int stringLength,
                            const Settings& settings) {
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  cursor.setPosition(start);
  cursor.insertText(prefix + command, PlainFormat(settings));
  ColourInsertedCommand(document, cursor.position(), word, stringLength, CrLfLength(command),
                        settings);
  cursor.endEditBlock();
  return Inserted(start, cursor);
}

Insertion InsertTagLines(QTextDocument& document, int at, const QStringList& names,
                         const QString& indent, const Settings& settings) {
  QTextCursor cursor(&document);
  cursor.setPosition(at);
  cursor.beginEditBlock();
  for (const QString& name : names) {
    // Only the cursor's line up to it counts: no copy of the whole text per name.
    const bool blank = CaretLineIsBlank(cursor.block().text(), cursor.positionInBlock());
    const QString command = "tag \"" + name + "\" \"\"";
    cursor.insertText((blank ? QString() : "\n" + indent) + command, PlainFormat(settings));
    ColourInsertedCommand(document, cursor.position(), "tag", Size(name), CrLfLength(command),
                          settings);
  }
  cursor.endEditBlock();
  return Inserted(at, cursor);
}

std::optional<Insertion> NestTagCommand(QTextDocument& document, int caret,
                                        const QString& indentText, const Settings& settings) {
  const QTextBlock block = document.findBlock(caret);
  const QString line = block.text();
  const QString value = ExtractTagValue(line);
  if (!line.contains("tag") || value.isEmpty()) return std::nullopt;
  QTextCursor cursor(&document);
  cursor.setPosition(block.position() + Size(line));
  cursor.beginEditBlock();
  cursor.setPosition(cursor.position() - Size(value), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  const int start = cursor.position();
  Insertion done;
  done.indent = LineIndentBefore(document.toPlainText(), start);
  const QString inner = done.indent + indentText;
  cursor.insertText("\n" + inner + "\n" + done.indent + "end", PlainFormat(settings));
  QTextCursor end = cursor;
  end.setPosition(cursor.position() - 3, QTextCursor::KeepAnchor);
  end.mergeCharFormat(ElementFormat::Reserved(settings).AppliedTo(end.charFormat()));
  cursor.endEditBlock();
  done.undo =
      Entry(UndoKind::Nest, start, cursor.position(), QTextDocumentFragment::fromPlainText(value));
  done.caret = cursor.position() - Size(done.indent) - 4;
  return done;
}

std::optional<Insertion> DeNestTagCommand(QTextDocument& document, int caret) {
  const QTextBlock block = document.findBlock(caret);
  const QString line = block.text();
  const bool applies = block.next().isValid() && line.contains("tag ") &&
                       (!line.contains("end tag") || line.contains('"')) &&
                       ExtractTagValue(line).isEmpty();
  if (!applies) return std::nullopt;
  QStringList lines;
  for (QTextBlock b = block; b.isValid(); b = b.next()) lines << b.text();
  const int start = block.position() + Size(line);
  const int end = std::min(start + NestedBodyLength(lines), document.characterCount() - 1);
  QTextCursor cursor(&document);
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  Insertion done;
  done.undo = Entry(UndoKind::DeNest, start, start, cursor.selection());
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  // Nest in tag leaves the blank after the name; a second one is not added.
  cursor.insertText(line.endsWith(' ') ? "\"\"" : " \"\"");
  cursor.endEditBlock();
  done.undo.end = cursor.position();
  done.caret = cursor.position() - 1;
  return done;
}

}  // namespace ws::desktop
