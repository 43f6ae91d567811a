// The help window of the real dialogs: where it opens, Back
// and Home, Escape, and a topic's heading at the top of the view, also for a
// topic at the end of a page.
#include <QAbstractTextDocumentLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include "seams.h"

using namespace ws::desktop;

namespace {

// The top of the block that holds the named anchor; -1 when there is none.
int AnchorTop(const QTextBrowser& browser, const QString& name) {
  const QTextDocument* document = browser.document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().anchorNames().contains(name))
        return qRound(document->documentLayout()->blockBoundingRect(block).top());
  return -1;
}

int Distance(const QPoint& a, const QPoint& b) {
  return (a - b).manhattanLength();
}

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void openBackHomeEscapeAndAnchors() {
    // A long first topic, a second one in the middle and a short last one.
    QTemporaryDir dir;
    const QString file = dir.path() + "/Help.htm";
    QString html = "<html><body><h1>Help</h1>";
    for (int i = 0; i < 60; ++i) html += QString("<p>First topic, line %1.</p>").arg(i);
    html += "<h2><a name=\"Middle\">Middle</a></h2>";
    for (int i = 0; i < 60; ++i) html += QString("<p>Second topic, line %1.</p>").arg(i);
    html += "<h2><a name=\"Last\">Last</a></h2><p>The end.</p></body></html>";
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(html.toUtf8());
    out.close();

    QWidget frame;
    frame.setGeometry(30, 30, 740, 700);
    frame.show();
    DialogSeams seams;

    // A topic at the end of the page: its heading at the top all the same.
    seams.ShowHelp(&frame, file, "Last");
    auto* help = frame.findChild<QWidget*>("HelpWindow");
    QVERIFY(help && help->isVisible() && help->isWindow());
    auto* browser = help->findChild<QTextBrowser*>("helpBrowser");
    QVERIFY(browser);
    QScrollBar* bar = browser->verticalScrollBar();
    const int last = AnchorTop(*browser, "Last");
    QVERIFY(last > browser->viewport()->height());
    QCOMPARE(bar->value(), last);
    // Centred over the frame.
    QVERIFY(Distance(help->frameGeometry().center(), frame.frameGeometry().center()) <= 2);
    const QPoint place = help->pos();

    // Back comes with a page to go back to; Home is the top of the file.
    auto* back = help->findChild<QPushButton*>("helpBack");
    auto* home = help->findChild<QPushButton*>("helpHome");
    QVERIFY(back && home);
    QVERIFY(!back->isEnabled());
    home->click();
    QCOMPARE(browser->source(), QUrl::fromLocalFile(file));
    QCOMPARE(bar->value(), 0);
    QVERIFY(back->isEnabled());
    back->click();
    QCOMPARE(browser->source().fragment(), QString("Last"));
    QCOMPARE(bar->value(), last);
    // Another topic while open: at the top; the window stays where it is.
    seams.ShowHelp(&frame, file, "Middle");
    QCOMPARE(bar->value(), AnchorTop(*browser, "Middle"));
    QVERIFY(bar->value() > 0);
    QCOMPARE(help->pos(), place);

    // Escape closes it; the next request opens it at the same place.
    QTest::keyClick(browser, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    seams.ShowHelp(&frame, file, "Last");
    QVERIFY(help->isVisible());
    QCOMPARE(frame.findChildren<QWidget*>("HelpWindow").size(), 1);
    QCOMPARE(help->pos(), place);
    QCOMPARE(bar->value(), AnchorTop(*browser, "Last"));

    // Without a topic: the top of the file.
    seams.ShowHelp(&frame, file);
    QCOMPARE(bar->value(), 0);
  }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
