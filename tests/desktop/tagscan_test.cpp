// The tag scan of the tag dialogs as plain text in and out.
#include <QtTest>

#include "tagscan.h"

using namespace ws::desktop;

class TagScanTest : public QObject {
  Q_OBJECT
 private slots:
  void FlattenAndScan();
  void OtherDelimiters();
};

void TagScanTest::FlattenAndScan() {
  const ws::Settings s = ws::Settings::Defaults();
  QCOMPARE(FlattenLineBreaks("a\r\n\r\n\r\n\r\nb\r\n\r\nc\r\nd\n\ne"), QString("a b c d e"));
  QCOMPARE(FlattenLineBreaks("a\r\n\r\n\r\nb"), QString("a  b"));  // two, then one

  // A wide tag a with body x and a short tag b, used three times.
  const QString file =
      FlattenLineBreaks("<p><!--tag \"a\"-->x<!--/tag \"a\"--></p>\r\n%%b%% and %%b%%\r\n%%b%%");
  QStringList wide, shortNames;
  ScanTagsInText(file, TagKind::Wide, s, wide);
  ScanTagsInText(file, TagKind::Short, s, shortNames);
  QCOMPARE(wide, QStringList{"a"});
  QCOMPARE(shortNames, (QStringList{"b", "b", "b"}));
  bool found = false;
  QCOMPARE(WideTagBody(file, "a", s, &found), QString("x"));
  QVERIFY(found);
  QCOMPARE(WideTagBody(file, "zz", s, &found), QString());
  QVERIFY(!found);

  // A body over lines comes as one line; nested tags are listed in order.
  const QString nested = FlattenLineBreaks(
      "<!--tag \"page\"-->head\r\n<!--tag \"menu\"-->m<!--/tag \"menu\"-->\r\n\r\n%%t%%"
      "<!--/tag \"page\"-->");
  QCOMPARE(WideTagBody(nested, "page", s, &found),
           QString("head <!--tag \"menu\"-->m<!--/tag \"menu\"--> %%t%%"));
  wide.clear();
  ScanTagsInText(nested, TagKind::Wide, s, wide);
  QCOMPARE(wide, (QStringList{"page", "menu"}));

  // Two short delimiters in a row: an empty entry. No tags: nothing.
  shortNames.clear();
  ScanTagsInText("x %%%% y", TagKind::Short, s, shortNames);
  QCOMPARE(shortNames, QStringList{QString()});
  wide.clear();
  shortNames.clear();
  ScanTagsInText("plain text", TagKind::Wide, s, wide);
  ScanTagsInText("plain text", TagKind::Short, s, shortNames);
  QVERIFY(wide.isEmpty() && shortNames.isEmpty());

  // An opening marker without its end stops the wide scan.
  wide.clear();
  ScanTagsInText("<!--tag \"a\"--> <!--tag \"b <!--tag \"c\"-->", TagKind::Wide, s, wide);
  QCOMPARE(wide, (QStringList{"a", "b <!--tag \"c"}));
  wide.clear();
  ScanTagsInText("<!--tag \"a <!--tag \"c", TagKind::Wide, s, wide);
  QVERIFY(wide.isEmpty());
}

void TagScanTest::OtherDelimiters() {
  ws::Settings s = ws::Settings::Defaults();
  s.ShortStart = "{";
  s.ShortEnd = "}";
  QStringList names;
  ScanTagsInText("a } b {x} c {y}", TagKind::Short, s, names);
  QCOMPARE(names, (QStringList{"x", "y"}));
}

QTEST_APPLESS_MAIN(TagScanTest)
#include "tagscan_test.moc"
