// The build panel through a user's runs and checks of a small site: a second
// run's pages as new, changed and unchanged with its summary, pages opened in
// the browser, messages that lead to their lines in the document and in a
// nested build file, and the panel's View item kept across starts.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// The rows of the newest record as "Kind|File|Line|Text", the summary's time
// as "T".
QStringList NewestRecord(const BuildPanel& panel) {
  QStringList rows;
  const QTreeWidgetItem* record = panel.list()->topLevelItem(0);
  for (int i = 0; record && i < record->childCount(); ++i) {
    QStringList columns;
    for (int c = 0; c < 4; ++c) columns << record->child(i)->text(c);
    rows << columns.join('|').replace(QRegularExpression("\\d+\\.\\d s$"), "T");
  }
  return rows;
}

QTreeWidgetItem* NewestRow(const BuildPanel& panel, int index) {
  return panel.list()->topLevelItem(0)->child(index);
}

void Click(const BuildPanel& panel, QTreeWidgetItem* item) {
  QTreeWidget* list = panel.list();
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// Return on a row: its activation, as a double-click.
void Activate(const BuildPanel& panel, QTreeWidgetItem* item) {
  panel.list()->setCurrentItem(item);
  QTest::keyClick(panel.list(), Qt::Key_Return);
}

int CaretLine(const TMainForm& document) {
  return document.editor()->textCursor().blockNumber();
}

}  // namespace

class BuildPanelTest : public QObject, DesktopFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpFolders(); }
  void cleanup() { VerifySeams(); }

  void runsAndChecksOfASite() {
    const QString state = dir->path() + "/desktop.conf";
    WriteFile(site + "one.txt", "one");
    WriteFile(site + "two.txt", "two");
    WriteFile(site + "site.bld",
              "new \"same.htm\"\r\ninclude \"one.txt\"\r\nend\r\n"
              "new \"changed.htm\"\r\ninclude \"two.txt\"\r\nend\r\n");
    TFrameForm frame(seams, {program, {site + "site.bld"}, state});
    ShowFrame(frame);
    TMainForm* doc = frame.ActiveDocument();
    QCOMPARE(doc->fileName(), site + "site.bld");
    // The panel lies below the documents, shown at the first start; its
    // View item is ticked while it is shown.
    BuildPanel& panel = *frame.buildPanel();
    QAction* item = frame.action("mnuViewBuildPanel");
    QCOMPARE(frame.dockWidgetArea(&panel), Qt::BottomDockWidgetArea);
    QVERIFY(panel.isVisible() && item->isChecked());
    Trigger(item);
    QVERIFY(!panel.isVisible() && !item->isChecked());
    Trigger(item);
    QVERIFY(panel.isVisible() && item->isChecked());

    // The first run writes both pages new; its time leaves out the second
    // the user took to read its box. The second run, after a change of one
    // included file and with a third page, tells each page's state.
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    seams.onMessage = [](const QString&, const QString&) { QTest::qWait(1000); };
    Trigger(frame.action("tbRun"));
    WaitForBuild(frame);
    seams.onMessage = nullptr;
    QCOMPARE(NewestRecord(panel),
             QStringList({"Page|" + site + "same.htm||new", "Page|" + site + "changed.htm||new",
                          "Information|site.bld||Build file complete",
                          "Completed|||2 pages: 2 new \u2014 T"}));
    QVERIFY(NewestRow(panel, 3)
                ->text(BuildPanel::TextColumn)
                .contains(QRegularExpression(" 0\\.\\d s$")));
    WriteFile(site + "two.txt", "two, changed");
    doc->editor()->appendPlainText("new \"fresh.htm\"\ninclude \"one.txt\"\nend");
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    Trigger(frame.action("tbRun"));
    WaitForBuild(frame);
    QCOMPARE(panel.list()->topLevelItem(0)->text(BuildPanel::FileColumn), QString("site.bld"));
    QCOMPARE(NewestRecord(panel),
             QStringList(
                 {"Page|" + site + "same.htm||unchanged", "Page|" + site + "changed.htm||changed",
                  "Page|" + site + "fresh.htm||new", "Information|site.bld||Build file complete",
                  "Completed|||3 pages: 1 new, 1 changed, 1 unchanged \u2014 T"}));
    QCOMPARE(panel.list()->topLevelItemCount(), 2);
    QVERIFY(panel.list()->topLevelItem(0)->isExpanded() &&
            !panel.list()->topLevelItem(1)->isExpanded());
    QCOMPARE(ReadFile(site + "changed.htm"), QByteArray("\r\ntwo, changed\r\n"));

    // "Open in browser" on a page asks the desktop for that page; a page no
    // longer there, or a browser that does not start, is told.
    panel.list()->setCurrentItem(NewestRow(panel, 2));
    QTest::mouseClick(panel.findChild<QToolButton*>("OpenInBrowserButton"), Qt::LeftButton);
    QCOMPARE(seams.browserPaths, QStringList{site + "fresh.htm"});
    QFile::remove(site + "same.htm");
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + site + "same.htm");
    Activate(panel, NewestRow(panel, 0));
    seams.browserOpens = false;
    seams.ExpectMessage(BoxKind::Error, "Error",
                        "The web browser could not be started to show " + site + "changed.htm");
    Activate(panel, NewestRow(panel, 1));
    QCOMPARE(seams.browserPaths.size(), 2);
    QVERIFY(!panel.goToLineAction()->isEnabled());

    // A failed check lists its message with its line (1-based); a click on
    // it puts the document's caret there.
    doc->editor()->setPlainText("set x \"1\"\n-- a note\nbogus x");
    seams.ExpectMessage(BoxKind::Error, "Error", "Missing or Misspelled command on line: 3");
    Trigger(ActionNamed(*doc, "mnuBuildCheck"));
    WaitForBuild(frame);
    QCOMPARE(NewestRecord(panel),
             QStringList({"Error|site.bld|3|Missing or Misspelled command on line: 3",
                          "Stopped|||1 message \u2014 T"}));
    doc->editor()->moveCursor(QTextCursor::Start);
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  1 "));
    Click(panel, NewestRow(panel, 0));
    QCOMPARE(CaretLine(*doc), 2);
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  3 "));

    // A message about a nested build file opens it at the line, or goes to
    // its window when it is open; one that can no longer be read is told
    // and opens nothing.
    WriteFile(site + "nested.bld", "set y \"2\"\r\nbogus y\r\n");
    doc->editor()->setPlainText("run \"nested.bld\"");
    const QString nestedError = "  Syntax  Error  in file: " + site + "nested.bld";
    seams.ExpectMessage(BoxKind::Error, "Error", nestedError);
    Trigger(frame.action("tbRun"));
    WaitForBuild(frame);
    QCOMPARE(NewestRecord(panel), QStringList({"Error|" + site + "nested.bld|2|" + nestedError,
                                               "Stopped|||No pages \u2014 T"}));
    Click(panel, NewestRow(panel, 0));
    TMainForm* nested = frame.ActiveDocument();
    QCOMPARE(nested->fileName(), site + "nested.bld");
    QCOMPARE(CaretLine(*nested), 1);
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    nested->editor()->moveCursor(QTextCursor::Start);
    panel.list()->setCurrentItem(NewestRow(panel, 0));
    panel.goToLineAction()->trigger();
    QCOMPARE(frame.Documents().size(), 2);
    QCOMPARE(frame.ActiveDocument(), nested);
    QCOMPARE(CaretLine(*nested), 1);
    QVERIFY(frame.CloseDocument(*nested));
    QTRY_COMPARE(frame.Documents().size(), 1);
    QFile::remove(site + "nested.bld");
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + site + "nested.bld");
    Click(panel, NewestRow(panel, 0));
    QTRY_COMPARE(frame.Documents(), QList<TMainForm*>{doc});

    // The panel's own close button unticks its item, and the next start
    // keeps it hidden.
    panel.close();
    QVERIFY(!item->isChecked());
    doc->editor()->document()->setModified(false);
    QVERIFY(frame.close());
    TFrameForm again(seams, {program, {}, state});
    QVERIFY(again.buildPanel()->isHidden() && !again.action("mnuViewBuildPanel")->isChecked());
  }
};

QTEST_MAIN(BuildPanelTest)
#include "buildpanel_test.moc"
