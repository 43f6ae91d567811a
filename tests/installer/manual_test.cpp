// The help and the manual: every message the engine can show is documented,
// every link between the pages leads somewhere, the preferences topic is
// there, and the pages stay plain HTML.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>

#include "messages.h"

namespace {

QString ReadPage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
  return QString::fromUtf8(file.readAll());
}

QString EscapeHtml(const QString& text) {
  QString out = text;
  out.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
  return out;
}

// The fixed parts of a message pattern: the texts between its "%n" places.
QStringList FixedParts(const QString& pattern) {
  QStringList parts;
  for (const QString& part : pattern.split(QRegularExpression("%[1-9]")))
    if (!part.trimmed().isEmpty()) parts << part.trimmed();
  return parts;
}

const QString kManual = QStringLiteral(WEFTSMITH_SOURCE_DIR "/manual");

QStringList AllPages() {
  QStringList pages{kManual + "/Help.htm"};
  for (const QString& name : QDir(kManual + "/htm").entryList({"*.htm"}, QDir::Files))
    pages << kManual + "/htm/" + name;
  return pages;
}

}  // namespace

class ManualTest : public QObject {
  Q_OBJECT

 private slots:
  void everyMessageIsDocumented();
  void linksAndAnchorsResolve();
  void pagesArePlainAndReachable();
  void helpWindowFindsThePreferences();
  void commandsAndOptionsAreDocumented();
};

void ManualTest::everyMessageIsDocumented() {
  const QString page = ReadPage(kManual + "/htm/messages.htm");
  int checked = 0;
  for (const ws::MessageInfo& message : ws::AllMessages()) {
    const QString pattern =
        QString::fromUtf8(message.pattern.data(), static_cast<qsizetype>(message.pattern.size()));
    const QStringList parts = FixedParts(pattern);
    QVERIFY2(!parts.isEmpty(), qPrintable(pattern));
    for (const QString& part : parts) {
      QVERIFY2(page.contains(EscapeHtml(part)), qPrintable("not in the manual: " + part));
      ++checked;
    }
  }
  QVERIFY(checked >= static_cast<int>(ws::AllMessages().size()));
  QCOMPARE(FixedParts("Syntax error - too much - `end`  in file: %1"),
           QStringList{"Syntax error - too much - `end`  in file:"});
  QCOMPARE(FixedParts("there is no tag : %1 in file: %2"),
           QStringList({"there is no tag :", "in file:"}));
}

void ManualTest::linksAndAnchorsResolve() {
  const QRegularExpression href("href=\"([^\"]*)\"");
  int links = 0;
  for (const QString& page : AllPages()) {
    const QString text = ReadPage(page);
    for (auto match = href.globalMatch(text); match.hasNext();) {
      const QString target = match.next().captured(1);
      QVERIFY2(!target.contains("://"), qPrintable(page + ": a link leaves the manual: " + target));
      const QString file = target.section('#', 0, 0);
      const QString anchor = target.section('#', 1);
      // Help.htm lies beside the programs, above manual/htm, in an installation.
      const QString base = page.endsWith("/Help.htm") ? kManual + "/.." : QFileInfo(page).path();
      const QString path = file.isEmpty() ? page : QDir(base).filePath(file);
      QVERIFY2(QFileInfo::exists(path), qPrintable(page + ": no page " + target));
      if (!anchor.isEmpty())
        QVERIFY2(ReadPage(path).contains("name=\"" + anchor + "\""),
                 qPrintable(page + ": no anchor " + target));
      ++links;
    }
  }
  QVERIFY(links > 50);
}

void ManualTest::pagesArePlainAndReachable() {
  // Every page of the manual can be reached from its contents page.
  const QRegularExpression href("href=\"([^\"#]+)");
  QStringList reached{"wshelp.htm"}, queue{"wshelp.htm"};
  while (!queue.isEmpty()) {
    const QString text = ReadPage(kManual + "/htm/" + queue.takeFirst());
    for (auto match = href.globalMatch(text); match.hasNext();) {
      const QString next = match.next().captured(1);
      if (!reached.contains(next)) reached << next, queue << next;
    }
  }
  for (const QString& page : AllPages()) {
    const QString text = ReadPage(page);
    const QString name = QFileInfo(page).fileName();
    if (name != "Help.htm") QVERIFY2(reached.contains(name), qPrintable(name + " is not reached"));
    QVERIFY2(!text.contains("<script", Qt::CaseInsensitive), qPrintable(name));
    QVERIFY2(!text.contains("style=", Qt::CaseInsensitive), qPrintable(name));
    QVERIFY2(text.contains("<title>") && text.contains("charset=\"utf-8\""), qPrintable(name));
  }
}

void ManualTest::helpWindowFindsThePreferences() {
  // The help window opens Help.htm and jumps to the anchor "Pref".
  QTextBrowser browser;
  browser.resize(600, 300);
  browser.setSource(QUrl::fromLocalFile(kManual + "/Help.htm"));
  QVERIFY(browser.toPlainText().contains("Weftsmith Help"));
  browser.show();
  browser.scrollToAnchor("Pref");
  QVERIFY(browser.verticalScrollBar()->value() > 0);
  QVERIFY(ReadPage(kManual + "/htm/prefs.htm").contains("<a name=\"Pref\">"));
  browser.setSource(QUrl::fromLocalFile(kManual + "/htm/wshelp.htm"));
  QVERIFY(browser.toPlainText().contains("Weftsmith Manual"));
}

void ManualTest::commandsAndOptionsAreDocumented() {
  const QString language = ReadPage(kManual + "/htm/language.htm");
  for (const char* anchor : {"new", "include", "tag", "set", "repeat", "if", "run", "date"})
    QVERIFY2(language.contains(QString("name=\"%1\"").arg(anchor)), anchor);
  for (const char* word : {"isnot", "else", "&lt;time&gt;", "--", "//"})
    QVERIFY2(language.contains(word), word);
  const QString cli = ReadPage(kManual + "/htm/cli.htm");
  for (const char* option :
       {"--settings", "--check", "--reformat", "<td>0</td>", "<td>1</td>", "<td>2</td>"})
    QVERIFY2(cli.contains(option), option);
  const QString data = ReadPage(kManual + "/htm/data.htm");
  for (const char* topic : {"Treat first record as field names", "Quoting", ".tab"})
    QVERIFY2(data.contains(topic), topic);
  const QString editor = ReadPage(kManual + "/htm/editor.htm");
  for (const char* key : {"Ctrl+M", "Ctrl+I", "Ctrl+T", "Ctrl+E", "Ctrl+Ins", "Ctrl+R", "F9",
                          "Ctrl+K", "F2", "F1", "F3", "Ctrl+Del"})
    QVERIFY2(editor.contains(key), key);
}

QTEST_MAIN(ManualTest)
#include "manual_test.moc"
