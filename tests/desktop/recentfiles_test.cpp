// A flow through the files a user comes back to: the recent files at the end
// of both File menus across a restart, one that vanished dropped with a
// message, and plain-text build files saved as plain text only when asked.
#include <QMenu>
#include <QtTest>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// The recent-file items of a menu after it was about to show.
QList<QAction*> RecentActions(QMenu& menu) {
  emit menu.aboutToShow();
  QList<QAction*> items;
  for (QAction* a : menu.actions())
    if (a->objectName() == "mnuRecentFile") items << a;
  return items;
}

QStringList RecentItems(QMenu& menu) {
  QStringList captions;
  for (const QAction* a : RecentActions(menu)) captions << a->text();
  return captions;
}

}  // namespace

class RecentFilesTest : public QObject {
  Q_OBJECT

  ScriptedSeams seams;

 private slots:
  void recentFilesAndPlainText() {
    QTemporaryDir dir;
    const QString program = MakeProgramFolder(dir);
    const QString state = dir.path() + "/config/desktop.conf";
    const QString site = dir.path() + "/";
    WriteFile(site + "plain.bld", "include \"head.htm\"\nnew \"a.htm\"\n");
    WriteFile(site + "other.bld", "new \"b.htm\"\r\n");
    WriteFile(site + "gone.bld", "new \"c.htm\"\r\n");
    {
      TFrameForm frame(seams, {program, {}, state});
      ShowFrame(frame);
      // Off by default: a plain-text file is saved as RTF, as always.
      QVERIFY(!frame.preferences()->chkKeepPlainText->isChecked());
      frame.OpenInNewDocument(site + "other.bld");
      TMainForm* other = frame.ActiveDocument();
      QTest::keyClicks(other->editor(), "x");
      Trigger(ActionNamed(*other, "mnuFileSave"));
      QVERIFY(ReadFile(site + "other.bld").startsWith("{\\rtf"));

      // On: a file read as plain text is written as plain text with CR LF
      // line ends; one saved as RTF since stays RTF.
      frame.preferences()->chkKeepPlainText->setChecked(true);
      Trigger(ActionNamed(*other, "mnuFileSave"));
      QVERIFY(ReadFile(site + "other.bld").startsWith("{\\rtf"));
      frame.OpenInNewDocument(site + "plain.bld");
      TMainForm* plain = frame.ActiveDocument();
      plain->editor()->moveCursor(QTextCursor::End);
      QTest::keyClicks(plain->editor(), "x");
      Trigger(ActionNamed(*plain, "mnuFileSave"));
      QCOMPARE(ReadFile(site + "plain.bld"),
               QByteArray("include \"head.htm\"\r\nnew \"a.htm\"x\r\n"));
      QVERIFY(!plain->IsModified());
      frame.OpenInNewDocument(site + "gone.bld");

      // Newest first, in the window's File menu and in the frame's.
      const QStringList expected = {"&1 gone.bld", "&2 plain.bld", "&3 other.bld"};
      QCOMPARE(RecentItems(*plain->menus().front()), expected);
      QCOMPARE(RecentItems(*frame.frameMenus().front()), expected);
      QCOMPARE(RecentItems(*frame.frameMenus().front()), expected);  // filled once, not twice
      frame.close();
    }
    QVERIFY(QFile::remove(site + "gone.bld"));
    {
      // After a restart: the same list and the switch still on.
      TFrameForm frame(seams, {program, {}, state});
      ShowFrame(frame);
      QVERIFY(frame.preferences()->chkKeepPlainText->isChecked());
      TMainForm* start = frame.ActiveDocument();
      QVERIFY(start);
      QMenu& file = *start->menus().front();
      QCOMPARE(RecentItems(file).size(), 3);
      // A file that is gone is dropped with a message; no window opens.
      seams.ExpectMessage(BoxKind::Warning, "Warning",
                          QDir::toNativeSeparators(site + "gone.bld") +
                              " no longer exists. It was removed from the recent files.");
      const int windows = frame.Documents().size();
      RecentActions(file).at(0)->trigger();
      QCOMPARE(frame.Documents().size(), windows);
      QCOMPARE(RecentItems(file), QStringList({"&1 plain.bld", "&2 other.bld"}));
      // One that is there opens, and moves to the top.
      RecentActions(file).at(1)->trigger();
      QCOMPARE(frame.ActiveDocument()->fileName(), site + "other.bld");
      QCOMPARE(RecentItems(file), QStringList({"&1 other.bld", "&2 plain.bld"}));
      // Eight at most.
      for (int i = 0; i < 9; ++i) frame.recentFiles().Add(site + QString("f%1.bld").arg(i));
      QCOMPARE(frame.recentFiles().files().size(), 8);
      QCOMPARE(frame.recentFiles().files().front(), site + "f8.bld");
    }
    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }
};

QTEST_MAIN(RecentFilesTest)
#include "recentfiles_test.moc"
