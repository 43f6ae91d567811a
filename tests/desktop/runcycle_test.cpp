// A run's life cycle seen from the frame: what stays usable while the worker
// builds, switching and closing windows meanwhile, the question when the
// frame is closed during a run, and a frame destroyed while the worker waits
// for a message box.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// The worker's clock: the run waits at its first look until released.
struct HeldClock {
  std::atomic<bool> released{false};
  std::atomic<bool> reached{false};
  void Hold(TFrameForm& frame) {
    released = false;
    reached = false;
    frame.host().SetClockForTesting([this] {
      reached = true;
      while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return 30;
    });
  }
};

void Activate(TFrameForm& frame, TMainForm& document) {
  frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(document.parentWidget()));
}

QStringList Enabled(const TMainForm& document, std::initializer_list<const char*> names) {
  QStringList on;
  for (const char* name : names)
    if (ActionNamed(document, name)->isEnabled()) on << name;
  return on;
}

// Many instructions, so that a stop asked for after the first is seen.
QString LongScript() {
  QString text;
  for (int i = 0; i < 100; ++i) text += QString("set v%1 \"x\"\n").arg(i);
  return text;
}

}  // namespace

class RunCycleTest : public QObject, DesktopFixture {
  Q_OBJECT

  HeldClock clock;

 private slots:
  void init() { SetUpFolders(); }
  void cleanup() { VerifySeams(); }

  void windowsDuringARun() {
    TFrameForm frame(seams, {program, {}});
    // A failed check lets a held run go before the frame waits for it.
    const auto release = qScopeGuard([this] { clock.released = true; });
    ShowFrame(frame);
    TMainForm* a = frame.ActiveDocument();
    a->editor()->setPlainText(LongScript());
    frame.New();
    TMainForm* b = frame.ActiveDocument();
    b->editor()->setPlainText("-- the text of b");
    Activate(frame, *a);
    QCOMPARE(frame.ActiveDocument(), a);

    // While A runs, what would change a text or start a build is disabled,
    // in the menus and on the toolbar; files, printing and Copy stay.
    clock.Hold(frame);
    Trigger(frame.action("tbRun"));
    QTRY_VERIFY(clock.reached);
    QVERIFY(frame.Busy() && a->editor()->isReadOnly() && b->editor()->isReadOnly());
    const auto names = {"mnuFileSave", "mnuFilePrint",  "mnuEditSelectAll", "mnuEditPaste",
                        "mnuEditUndo", "mnuBuildCheck", "mnuCommandsNest",  "mnuCommandsRun"};
    QCOMPARE(Enabled(*a, names), QStringList({"mnuFileSave", "mnuFilePrint", "mnuEditSelectAll"}));
    QVERIFY(frame.action("tbPrint")->isEnabled() && !frame.action("tbPaste")->isEnabled());
    QVERIFY(!frame.action("tbRun")->isEnabled());

    // Switching to B meanwhile; closing the frame asks first, and the
    // progress window comes up at once with its Stop button. No: the run
    // goes on.
    Activate(frame, *b);
    QCOMPARE(frame.ActiveDocument(), b);
    seams.ExpectQuestion("A build is running. Stop it and exit?", false);
    QVERIFY(!frame.close());
    QVERIFY(frame.waitForm()->isVisible() && frame.Busy());

    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    clock.released = true;
    WaitForBuild(frame);
    QVERIFY(!frame.windowTitle().contains(" - running"));
    QVERIFY(!frame.waitForm()->isVisible() && !b->editor()->isReadOnly());

    // B was activated during the run: Print prints B, and its tools are on.
    QCOMPARE(Enabled(*b, names),
             QStringList({"mnuFileSave", "mnuFilePrint", "mnuEditSelectAll", "mnuEditPaste",
                          "mnuBuildCheck", "mnuCommandsNest", "mnuCommandsRun"}));
    seams.ExpectPrint(true);
    Trigger(frame.action("tbPrint"));
    QCOMPARE(seams.lastPrintText, QString("-- the text of b"));

    // The run's own window closed during the run: the caret request that
    // follows finds no window and changes nothing; the window made in place
    // of the last one closed gets its tools when the run ends.
    b->editor()->document()->setModified(false);
    QVERIFY(frame.CloseDocument(*b));
    QTRY_COMPARE(frame.Documents().size(), 1);
    a->editor()->setPlainText("set x \"1\"\nbogus x");
    a->editor()->document()->setModified(false);
    QSignalSpy carets(&frame.host(), &DesktopHost::CaretLineRequested);
    clock.Hold(frame);
    Trigger(ActionNamed(*a, "mnuBuildRun"));
    QTRY_VERIFY(clock.reached);
    QVERIFY(frame.CloseDocument(*a));
    QTRY_COMPARE(frame.Documents().size(), 1);
    TMainForm* made = frame.Documents().first();
    QVERIFY(made != a && made->editor()->isReadOnly());
    QVERIFY(frame.action("tbSave")->isEnabled() && !frame.action("tbPaste")->isEnabled());
    seams.ExpectMessage(BoxKind::Error, "Error", "Missing or Misspelled command on line: 2");
    clock.released = true;
    WaitForBuild(frame);
    QVERIFY(carets.size() > 0);
    QCOMPARE(frame.ActiveDocument(), made);
    QVERIFY(made->editor()->toPlainText().isEmpty() && !made->editor()->isReadOnly());
    for (const char* tool : {"tbSave", "tbPrint", "tbPaste", "tbRun"})
      QVERIFY2(frame.action(tool)->isEnabled(), tool);

    // Exit during a run, Yes: the run stops, then the usual save question.
    made->editor()->setPlainText(LongScript());
    made->editor()->document()->setModified(true);
    clock.Hold(frame);
    Trigger(ActionNamed(*made, "mnuBuildRun"));
    QTRY_VERIFY(clock.reached);
    seams.ExpectQuestion("A build is running. Stop it and exit?", true);
    Trigger(ActionNamed(*made, "mnuFileExit"));
    QVERIFY(frame.isVisible() && frame.Busy());
    // The stop's message comes with the progress window gone and the title
    // without " - running".
    bool windowsGone = false;
    seams.onMessage = [&](const QString&, const QString&) {
      windowsGone = !frame.waitForm()->isVisible() && !frame.windowTitle().contains("running");
    };
    seams.ExpectMessage(BoxKind::Warning, "Warning", "Build stopped");
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::No);
    clock.released = true;
    WaitForBuild(frame);
    QTRY_VERIFY(!frame.isVisible());
    QVERIFY(windowsGone);
    seams.onMessage = nullptr;
  }

  void frameDestroyedWhileTheWorkerWaitsForABox() {
    auto frame = std::make_unique<TFrameForm>(seams, FrameOptions{program, {}});
    ShowFrame(*frame);
    TMainForm* doc = frame->ActiveDocument();
    doc->editor()->setPlainText("new \"o.htm\"\n  tag \"t\" d:\"c\"\nend");
    doc->editor()->document()->setModified(false);
    clock.Hold(*frame);
    Trigger(ActionNamed(*doc, "mnuBuildRun"));
    QTRY_VERIFY(clock.reached);
    // The worker goes on to its message and waits for the box, which the
    // user-interface thread never gets to show.
    clock.released = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    frame.reset();
  }
};

QTEST_MAIN(RunCycleTest)
#include "runcycle_test.moc"
