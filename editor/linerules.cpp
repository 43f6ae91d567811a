#include "linerules.h"

#include <QDir>
#include <QFileInfo>

#include "commands.h"

namespace ws::desktop {

namespace {

void DropLeadingBlanks(QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  s.remove(0, i);
}

// Drops `s` up to and including the first `c` at or after `from`; nothing
// when there is none.
void DropThrough(QString& s, QChar c, qsizetype from = 0) {
  const qsizetype at = s.indexOf(c, from);
  if (at >= 0) s.remove(0, at + 1);
}

bool Contains(const QString& s, QStringView what) {
  return s.contains(what);
}

bool HasQuote(const QString& s) {
  return s.contains(u'"');
}

}  // namespace

QString ExtractTagValue(const QString& line) {
  QString s = line;
  DropLeadingBlanks(s);
  DropThrough(s, u' ');  // the command word
  DropLeadingBlanks(s);
  if (!s.isEmpty() && s[0] == u'"') {
    const qsizetype close = s.indexOf(u'"', 1);
    if (close >= 0) s.remove(0, close + 1);
  } else if (!s.isEmpty()) {
    // Blanks straight after the first character, as in "s : name".
    qsizetype i = 1;
    while (i < s.size() && s[i] == u' ') ++i;
    s.remove(1, i - 1);
    if (s.size() > 1 && s[1] == u':') {
      s.remove(0, 2);
      DropLeadingBlanks(s);
      if (!s.isEmpty() && s[0] == u'"') {
        const qsizetype close = s.indexOf(u'"', 1);
        if (close >= 0) s.remove(0, close + 1);
      } else {
        DropThrough(s, u' ');
      }
    } else {
      DropThrough(s, u' ');
    }
  }
  DropLeadingBlanks(s);
  // The line's own break, when it was handed over with one.
  const qsizetype crlf = s.indexOf(QLatin1String("\r\n"));
  if (crlf >= 0) {
    s.remove(crlf, 2);
  } else {
    const qsizetype lf = s.indexOf(u'\n');
    if (lf >= 0) s.remove(lf, 1);
  }
  return s;
}

bool IsBlockOpener(const QString& line) {
  for (const Command& command : kCommands) {
    if (command.block != Block::Opens && command.block != Block::OpensWithoutValue) continue;
    const QString word = QString::fromLatin1(command.word);
    if (!Contains(line, QString(word + u' '))) continue;
    if (Contains(line, QString(QStringLiteral("end ") + word)) && !HasQuote(line)) return false;
    return OpensBlock(command, !ExtractTagValue(line).isEmpty());
  }
  return false;
}

bool IsBlockEnd(const QString& line) {
  return Contains(line, u"end") && !HasQuote(line);
}

QList<bool> DisregardedLines(const QStringList& lines) {
  QList<bool> gone(lines.size(), false);
  QList<qsizetype> open;  // openers still waiting for their end
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (IsBlockOpener(lines[i])) {
      open.append(i);
    } else if (IsBlockEnd(lines[i])) {
      const qsizetype from = open.isEmpty() ? 0 : open.takeLast();
      for (qsizetype j = from; j <= i; ++j) gone[j] = true;
    }
  }
  return gone;
}

QString FindEnclosingIncludeIn(QStringList lines) {
  for (QString& line : lines) line.replace(u'\t', u' ');
  const QList<bool> gone = DisregardedLines(lines);
  const QLatin1String include("include ");
  for (qsizetype i = lines.size() - 1; i >= 0; --i) {
    if (gone[i] || !lines[i].contains(include)) continue;
    QString rest = lines[i].mid(lines[i].indexOf(include) + include.size());
    DropLeadingBlanks(rest);
    if (rest.isEmpty() || rest[0] != u'"') return {};
    const qsizetype close = rest.indexOf(u'"', 1);
    return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
  }
  return {};
}

int NestedBodyLength(const QStringList& lines) {
  int length = 0;
  int depth = 0;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    length += int(lines[i].size()) + 1;
    if (IsBlockOpener(lines[i])) {
      ++depth;
    } else if (IsBlockEnd(lines[i])) {
      if (depth == 0) break;
      --depth;
    }
  }
  return length;
}

QString InsertedName(const QString& buildFile, const QString& chosenFile, bool useRelative) {
  if (!useRelative || buildFile.isEmpty() || buildFile == QLatin1String("Untitled"))
    return chosenFile;
  const QFileInfo build(buildFile);
  if (!build.isAbsolute()) return chosenFile;
  // Folder names are compared as the file system does: with regard to case.
  const QString folder = QDir::cleanPath(build.absolutePath());
  const QString chosen = QDir::cleanPath(QFileInfo(chosenFile).absoluteFilePath());
  QStringList from = folder.split(u'/', Qt::SkipEmptyParts);
  QStringList to = chosen.split(u'/', Qt::SkipEmptyParts);
  const QString name = to.isEmpty() ? QString() : to.takeLast();
  qsizetype shared = 0;
  while (shared < from.size() && shared < to.size() && from[shared] == to[shared]) ++shared;
  QString result;
  for (qsizetype i = shared; i < from.size(); ++i) result += QLatin1String("../");
  for (qsizetype i = shared; i < to.size(); ++i) result += to[i] + u'/';
  return result + name;
}

int LineStart(const QString& text, int position) {
  if (position <= 0) return 0;
  return int(text.lastIndexOf(u'\n', position - 1)) + 1;
}

QString LineIndentBefore(const QString& text, int caret) {
  const int start = LineStart(text, caret);
  int end = start;
  while (end < caret && end < text.size() && (text[end] == u' ' || text[end] == u'\t')) ++end;
  return text.mid(start, end - start);
}

bool CaretLineIsBlank(const QString& text, int caret) {
  return LineIndentBefore(text, caret).size() == caret - LineStart(text, caret);
}

int MoveToLineEnd(const QString& text, int position) {
  const qsizetype end = text.indexOf(u'\n', position);
  return end < 0 ? int(text.size()) : int(end);
}

}  // namespace ws::desktop
