// The line rules of the "&Commands" menu as plain text in and out.
#include <QtTest>

#include "linerules.h"

using namespace ws::desktop;

class LineRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void ValuesOfCommandLines();
  void OpenersAndEnds();
  void EnclosingIncludeWalk();
  void NestedBodyLengths();
  void RelativeNames();
  void CaretHelpers();
};

void LineRulesTest::ValuesOfCommandLines() {
  // A quoted name and a quoted value.
  QCOMPARE(ExtractTagValue(R"(tag "t" "")"), QString(R"("")"));
  QCOMPARE(ExtractTagValue(R"(  tag "a b" "some value")"), QString(R"("some value")"));
  // No value: a nested tag line.
  QCOMPARE(ExtractTagValue(R"(tag "t")"), QString());
  QCOMPARE(ExtractTagValue(R"(tag "t"   )"), QString());
  // Unquoted name, and a set of a variable whose name contains "tag".
  QCOMPARE(ExtractTagValue("tag title \"x\""), QString("\"x\""));
  QCOMPARE(ExtractTagValue("set tagcount 5"), QString("5"));
  // A short tag with its delimiter, blanks after the first character.
  QCOMPARE(ExtractTagValue("tag s : name rest"), QString("rest"));
  QCOMPARE(ExtractTagValue("tag s:\"a b\" rest"), QString("rest"));
  // Tabs before the command stay part of the command word.
  QCOMPARE(ExtractTagValue("\t\ttag \"t\" \"v\""), QString("\"v\""));
  // "end tag": the second word has no blank after it, so it stays.
  QCOMPARE(ExtractTagValue("end tag"), QString("tag"));
  // One word, or nothing at all.
  QCOMPARE(ExtractTagValue("end"), QString("end"));
  QCOMPARE(ExtractTagValue(""), QString());
  // The first line break is removed.
  QCOMPARE(ExtractTagValue("tag \"t\" \"\"\r\n"), QString("\"\""));
  QCOMPARE(ExtractTagValue("tag \"t\" \"\"\n"), QString("\"\""));
}

void LineRulesTest::OpenersAndEnds() {
  QVERIFY(IsBlockOpener(R"(tag "t" )"));
  QVERIFY(IsBlockOpener("  tag \"t\""));
  QVERIFY(!IsBlockOpener(R"(tag "t" "")"));  // a one-line tag
  QVERIFY(!IsBlockOpener("end tag"));
  QVERIFY(IsBlockOpener("if x = 1"));
  QVERIFY(!IsBlockOpener("end if "));
  QVERIFY(IsBlockOpener("repeat 3"));
  QVERIFY(!IsBlockOpener("end repeat "));
  QVERIFY(IsBlockOpener(R"(new "a.htm")"));
  QVERIFY(!IsBlockOpener("end new "));
  QVERIFY(!IsBlockOpener(R"(include "a.htm")"));
  QVERIFY(!IsBlockOpener("set tagcount 5"));

  QVERIFY(IsBlockEnd("end"));
  QVERIFY(IsBlockEnd("\t  end tag"));
  QVERIFY(!IsBlockEnd(R"(tag "end" "")"));
  QVERIFY(!IsBlockEnd(R"(new "a.htm")"));
}

void LineRulesTest::EnclosingIncludeWalk() {
  // An include inside a closed new block is not used; the one above is.
  const QStringList closed = {R"(include "outer.htm")", R"(new "a.htm")",
                              R"(  include "inner.htm")", "end", ""};
  QCOMPARE(FindEnclosingIncludeIn(closed), QString("outer.htm"));
  // Inside an open new block the include counts.
  const QStringList open = {R"(include "outer.htm")", R"(new "a.htm")",
                            "\tinclude  \"sub/inner.htm\"", R"(  tag "t" "")"};
  QCOMPARE(FindEnclosingIncludeIn(open), QString("sub/inner.htm"));
  // Nested blocks close innermost first.
  const QStringList nested = {
      R"(new "a.htm")", R"(  include "x.htm")", "  repeat 2 ", "  end", "end", ""};
  QCOMPARE(FindEnclosingIncludeIn(nested), QString());
  // An end with no block open drops everything through it.
  const QStringList stray = {R"(include "x.htm")", "end", ""};
  QCOMPARE(FindEnclosingIncludeIn(stray), QString());
  // The caret's own line counts; an unquoted include gives nothing.
  QCOMPARE(FindEnclosingIncludeIn({R"(include "here.htm")"}), QString("here.htm"));
  QCOMPARE(FindEnclosingIncludeIn({R"(include "a.htm")", "include b.htm"}), QString());
  QCOMPARE(FindEnclosingIncludeIn({}), QString());

  const QList<bool> gone = DisregardedLines(closed);
  QCOMPARE(gone, (QList<bool>{false, true, true, true, false}));
}

void LineRulesTest::NestedBodyLengths() {
  // Tag line, a nested repeat block, the outer end, then more text.
  const QStringList withRepeat = {R"(tag "t" )", "  repeat 2 ", "    x", "  end", "end", "after"};
  QCOMPARE(NestedBodyLength(withRepeat), 12 + 6 + 6 + 4);
  // No end line below: the rest of the text.
  QCOMPARE(NestedBodyLength({R"(tag "t" )", "  a", "  b"}), 4 + 4);
  QCOMPARE(NestedBodyLength({R"(tag "t" )"}), 0);
}

void LineRulesTest::RelativeNames() {
  const QString build = "/home/a/site/site.bld";
  QCOMPARE(InsertedName(build, "/home/a/site/parts/head.htm", true), QString("parts/head.htm"));
  QCOMPARE(InsertedName(build, "/home/a/site/head.htm", true), QString("head.htm"));
  QCOMPARE(InsertedName(build, "/home/a/other/head.htm", true), QString("../other/head.htm"));
  QCOMPARE(InsertedName(build, "/srv/x.htm", true), QString("../../../srv/x.htm"));
  // Case matters on this file system.
  QCOMPARE(InsertedName(build, "/home/a/Site/x.htm", true), QString("../Site/x.htm"));
  QCOMPARE(InsertedName("Untitled", "/home/a/x.htm", true), QString("/home/a/x.htm"));
  QCOMPARE(InsertedName(build, "/home/a/site/x.htm", false), QString("/home/a/site/x.htm"));
}

void LineRulesTest::CaretHelpers() {
  const QString text = "  \tabc\n    \nlast";
  QCOMPARE(LineIndentBefore(text, 5), QString("  \t"));
  QCOMPARE(LineIndentBefore(text, 1), QString(" "));  // inside the indentation
  QCOMPARE(LineIndentBefore(text, 0), QString());     // at position 0
  QCOMPARE(LineIndentBefore(text, 11), QString("    "));
  QCOMPARE(LineIndentBefore(text, 14), QString());  // on the last line
  QVERIFY(CaretLineIsBlank(text, 0));
  QVERIFY(CaretLineIsBlank(text, 3));
  QVERIFY(!CaretLineIsBlank(text, 4));
  QVERIFY(CaretLineIsBlank(text, 11));
  QVERIFY(!CaretLineIsBlank(text, 15));
  QCOMPARE(MoveToLineEnd(text, 0), 6);
  QCOMPARE(MoveToLineEnd(text, 6), 6);
  QCOMPARE(MoveToLineEnd(text, 8), 11);
  QCOMPARE(MoveToLineEnd(text, 13), int(text.size()));
  QCOMPARE(LineStart(text, 6), 0);
  QCOMPARE(LineStart(text, 7), 7);
  QCOMPARE(LineStart(text, 16), 12);
}

QTEST_APPLESS_MAIN(LineRulesTest)
#include "linerules_test.moc"
