// Flows of what a new user does in the first minutes: closing changed
// windows every way, a save that fails, naming a new page, keys that must
// not destroy text, several files on the command line, the title, the
// Window menu, and the editor's colours on a dark desktop.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

class NewUserTest : public QObject {
  Q_OBJECT

  ScriptedSeams seams;
  std::unique_ptr<QTemporaryDir> dir;
  QString program;
  QString site;

 private slots:
  void init() {
    seams.Reset();
    dir = std::make_unique<QTemporaryDir>();
    program = MakeProgramFolder(*dir);
    site = dir->path() + "/site/";
    QDir().mkpath(site);
  }
  void cleanup() {
    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }

  void changedTextIsNeverLostSilently() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    // Close File on a changed Untitled window asks, and Cancel keeps it.
    TMainForm* doc = frame.ActiveDocument();
    QTest::keyClicks(doc->editor(), "-- typed");
    // A key that changes nothing (Shift, Ctrl, a caret key) keeps the
    // document changed.
    for (Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Left, Qt::Key_F12})
      QTest::keyClick(doc->editor(), key);
    QVERIFY(doc->IsModified());
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Cancel);
    Trigger(ActionNamed(*doc, "mnuFileClose"));
    QCOMPARE(frame.Documents().size(), 1);
    QCOMPARE(doc->editor()->toPlainText(), QString("-- typed"));

    // A save that cannot write leaves the document changed: Exit asks.
    const QString missing = site + "no such folder/page.bld";
    seams.ExpectSaveFile("Save current file into folder...", missing);
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot create file " + missing);
    QTest::keyClick(doc->editor(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(doc->IsModified());
    QCOMPARE(doc->fileName(), QString("Untitled"));

    // The same for a file opened by name.
    const QString named = site + "named.bld";
    WriteFile(named, "-- named\r\n");
    seams.ExpectOpenFile("Select build file to open...", named);
    frame.Open();
    TMainForm* opened = frame.ActiveDocument();
    QCOMPARE(opened->fileName(), named);
    QTest::keyClicks(opened->editor(), "x");
    QFile(named).setPermissions(QFileDevice::ReadOwner);
    QDir(site).removeRecursively();
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot create file " + named);
    QTest::keyClick(opened->editor(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(opened->IsModified());
    seams.ExpectSaveQuestion("Save changes to " + named + "?", SaveAnswer::Cancel);
    Trigger(ActionNamed(*opened, "mnuFileClose"));
    QCOMPARE(frame.Documents().size(), 2);

    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::No);
    seams.ExpectSaveQuestion("Save changes to " + named + "?", SaveAnswer::No);
    QVERIFY(frame.close());
  }
};

QTEST_MAIN(NewUserTest)
#include "newuser_test.moc"
