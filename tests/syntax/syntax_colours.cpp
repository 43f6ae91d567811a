// The desktop editor's colouring of build files, for the tests that compare
// the syntax definitions for other editors with it (syntax_check.py).
//
//   syntax_colours FILE...   for every line of each file, one letter a
//                            character: R reserved word, S string, C comment,
//                            . plain, ? anything else
//   syntax_colours --probe   a build file that puts every reserved word of the
//                            editor in the places where the colouring rules
//                            decide (line ends, blanks, tabs, quotes, signs)
#include <QFile>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>

#include "../desktop/colourmask.h"
#include "colouring.h"

using namespace ws::desktop;

namespace {

// Three colours, so that the letters tell the elements apart.
ws::Settings DistinctColours() {
  ws::Settings settings = ws::Settings::Defaults();
  settings.ReservedColor = 0x0000ff;
  settings.StringColor = 0x00ff00;
  settings.CommentColor = 0xff0000;
  return settings;
}

QString Probe() {
  QString text;
  for (const QString& w : KeywordList()) {
    const QString upper = w.toUpper();
    text += w + "\n";
    text += "x " + w + " -- " + w + "\n";
    text += "\"a\"" + w + "\"b\" " + w + "\"c\"\n";
    text += "\t" + w + "\t" + w + "\n";
    text += w + ":3 :" + w + " x" + w + " " + w + "x " + w + "2 _" + w + " <date>" + w + " " +
            upper + " " + w + "<time> " + w + "--" + w + "\n";
    text += "\"" + w + "\" -- \"" + w + "\n";
    text += "x \"" + w + " " + w + "\n";
  }
  return text;
}

// The lines of a plain-text build file, without their line ends.
bool ReadLines(const QString& path, QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QString text = QString::fromUtf8(file.readAll());
  lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QString& line : lines)
    if (line.endsWith('\r')) line.chop(1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList arguments = app.arguments().mid(1);
  if (arguments == QStringList{"--probe"}) {
    std::fputs(Probe().toUtf8().constData(), stdout);
    return 0;
  }
  if (arguments.isEmpty() || arguments.first().startsWith("--")) {
    std::fputs("usage: syntax_colours FILE... | syntax_colours --probe\n", stderr);
    return 2;
  }
  const ws::Settings settings = DistinctColours();
  for (const QString& path : arguments) {
    QStringList lines;
    if (!ReadLines(path, lines)) {
      std::fprintf(stderr, "syntax_colours: cannot read %s\n", qPrintable(path));
      return 1;
    }
    QTextDocument document;
    QTextCursor cursor(&document);
    InsertColouredLines(cursor, lines, settings);
    const QString mask = testing::ColourMask(document, settings, u"");
    for (const QString& line : mask.split('|')) std::printf("%s\n", qPrintable(line));
  }
  return 0;
}
