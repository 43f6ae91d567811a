// The colouring passes, the position conversions and the RTF seam, on plain
// QTextDocuments (no windows).
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include "colouring.h"
#include "colourmask.h"
#include "positions.h"
#include "richdocument.h"
#include "rtf.h"

using namespace ws::desktop;

namespace {

// One letter a character: R reserved word, S string, C comment, . plain,
// _ a blank (blanks are not recoloured by the caret-line pass, so typed
// blanks keep their neighbour's colour).
QString Mask(const QTextDocument& document, const ws::Settings& s) {
  return testing::ColourMask(document, s, u" ", '_');
}

// The lines and the colours both passes must give them.
const std::pair<const char*, const char*> kCases[] = {
    {"repeat\tpage \"p.csv\"", "RRRRRR....._SSSSSSS"},
    {"isnot\tthen", "RRRRR.RRRR"},
    {"endx Tag isx", "...._..._..."},
    {"\"a--b\" x", "SSSSSS_."},
    {"end--c", "...CCC"},
    {"  tag \"open", "__RRR_SSSSS"},
    {"//x", "..."},
    {"tag\"a\"", "RRRSSS"},
    {"end", "RRR"},
    {"set x \"tag\" -- if then", "RRR_._SSSSS_CC_CC_CCCC"},
    {"include \"a.htm\" \"menu\"", "RRRRRRR_SSSSSSS_SSSSSS"},
    {"if a is \"news\" then", "RR_._RR_SSSSSS_RRRR"},
    {"", ""},
    {"new \u00e9t\u00e9.htm -- caf\u00e9", "RRR_......._CC_CCCC"},
};

QString JoinedText() {
  QStringList lines;
  for (const auto& c : kCases) lines << QString::fromUtf8(c.first);
  return lines.join('\n');
}
QString JoinedMask() {
  QStringList masks;
  for (const auto& c : kCases) masks << c.second;
  return masks.join('|');
}

}  // namespace

class ColouringTest : public QObject {
  Q_OBJECT

 private slots:
  void wholeTextAndCaretLinePassesAgree() {
    ws::Settings settings = ws::Settings::Defaults();
    settings.ReservedStyle = ws::TextStyle::Bold;
    settings.CommentStyle = ws::TextStyle::Italic;

    // The whole-text pass.
    QTextDocument whole;
    whole.setPlainText(JoinedText());
    ColourWholeText(whole, settings);
    QCOMPARE(Mask(whole, settings), JoinedMask());
    QVERIFY(!whole.isModified());
    // Styles and colours as the settings give them.
    QTextCursor at(&whole);
    at.setPosition(1);
    QCOMPARE(at.charFormat().foreground().color(), QColor(0, 0, 255));
    QCOMPARE(at.charFormat().fontWeight(), int(QFont::Bold));

    // The caret-line pass on each line of an uncoloured text gives the same.
    QTextDocument lines;
    lines.setPlainText(JoinedText());
    bool anyChanged = false;
    for (QTextBlock b = lines.begin(); b.isValid(); b = b.next())
      anyChanged |= ColourCaretLine(lines, b.position() + b.length() - 1, settings);
    QVERIFY(anyChanged);
    QCOMPARE(Mask(lines, settings), JoinedMask());

    // A second pass finds nothing to change: no format set, no undo step,
    // the modified flag left alone.
    lines.setModified(false);
    const int undoSteps = lines.availableUndoSteps();
    for (QTextBlock b = lines.begin(); b.isValid(); b = b.next())
      QVERIFY(!ColourCaretLine(lines, b.position(), settings));
    QVERIFY(!lines.isModified());
    QCOMPARE(lines.availableUndoSteps(), undoSteps);

    // Recolouring a line whose word was broken takes its colour away.
    QTextCursor edit(&lines);
    edit.setPosition(lines.findBlockByNumber(8).position() + 1);  // "end" -> "eXnd"
    edit.insertText("X");
    QVERIFY(ColourCaretLine(lines, edit.position(), settings));
    QCOMPARE(Mask(lines, settings).split('|')[8], QString("...."));
  }

  void unterminatedStringWhileTyping() {
    const ws::Settings settings = ws::Settings::Defaults();
    QTextDocument document;
    QTextCursor cursor(&document);
    // Typed one character at a time, each followed by the caret-line pass.
    for (QChar c : QString("tag \"ab -- c\" end")) {
      cursor.insertText(QString(c));
      ColourCaretLine(document, cursor.position(), settings);
    }
    QCOMPARE(Mask(document, settings).remove('_'), QString("RRRSSSSSSSRRR"));
    // The string opened on this line ends with it.
    cursor.insertBlock();
    cursor.insertText("x");
    ColourCaretLine(document, cursor.position(), settings);
    QCOMPARE(Mask(document, settings).split('|')[1], QString("."));
  }

  void insertedCommand() {
    const ws::Settings settings = ws::Settings::Defaults();
    QTextDocument document;
    document.setPlainText("-- x\nnew \"a.htm\"\n\nend");
    // The inserted command is lines 2 to 4: 11 + 2 + 0 + 2 + 3 characters.
    QVERIFY(ColourInsertedCommand(document, document.characterCount() - 1, "new", 5, 18, settings));
    QCOMPARE(Mask(document, settings), QString(".._.|RRR_SSSSSSS||RRR"));

    QTextDocument tag;
    tag.setPlainText("tag \"t\" \"\"");
    ColourInsertedCommand(tag, tag.characterCount() - 1, "tag", 1, 10, settings);
    QCOMPARE(Mask(tag, settings), QString("RRR_SSS_SS"));
  }

  void positionsCountLineBreaksAsTwo() {
    QTextDocument document;
    document.setPlainText(QString::fromUtf8("ab\n\nc\u00e9d"));
    QCOMPARE(CrLfPosition(document, 0), 0);
    QCOMPARE(CrLfPosition(document, 2), 2);  // end of line 1
    QCOMPARE(CrLfPosition(document, 3), 4);  // start of the empty line
    QCOMPARE(CrLfPosition(document, 4), 6);  // start of "céd"
    QCOMPARE(CrLfPosition(document, 7), 9);
    for (int p = 0; p < document.characterCount(); ++p)
      QCOMPARE(QtPosition(document, CrLfPosition(document, p)), p);
    QCOMPARE(QtPosition(document, 3), 2);  // on the LF: the break itself
    QCOMPARE(QtPosition(document, 100), 7);

    const std::vector<std::string> lines = DocumentLines(document);
    QCOMPARE(lines.size(), std::size_t(3));
    QCOMPARE(lines[2], std::string("c\xc3\xa9"
                                   "d"));
    // The engine's caret offsets (bytes, CR LF) back to lines.
    QCOMPARE(LineOfCrLfOffset(lines, 0), 0);
    QCOMPARE(LineOfCrLfOffset(lines, 3), 0);
    QCOMPARE(LineOfCrLfOffset(lines, 4), 1);
    QCOMPARE(LineOfCrLfOffset(lines, 6), 2);
    QCOMPARE(LineOfCrLfOffset(lines, 999), 2);
    QCOMPARE(Utf16Index(lines[2], 3), 2);
    QCOMPARE(Utf8Offset(QString::fromUtf8("c\u00e9d"), 2), std::size_t(3));
  }

  void formatsSurviveTheRtfSeam() {
    // Colours, styles and non-ASCII text through the engine's writer and
    // reader, runs converted between bytes and Qt positions both ways.
    const ws::Settings settings = ws::Settings::Defaults();
    QTextDocument source;
    source.setPlainText(JoinedText());
    ColourWholeText(source, settings);
    const ws::RichText rich = DocumentRichText(source, settings);
    QCOMPARE(rich.lines.size(), std::size_t(std::size(kCases)));
    const std::string rtf = ws::WriteRtf(rich, "Fixedsys", 10);
    QVERIFY(ws::IsRtf(rtf));
    QTextDocument back;
    FillDocument(back, ws::ReadRtf(rtf));
    QCOMPARE(back.toPlainText(), source.toPlainText());
    QCOMPARE(Mask(back, settings), JoinedMask());
  }
};

QTEST_MAIN(ColouringTest)
#include "colouring_test.moc"
