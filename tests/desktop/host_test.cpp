// The life of a run in the desktop's engine host, driven without the frame:
// a Stop at any moment of a run and none between runs, the progress window
// and the title taken down before the box of a stop, failures on the worker
// outside the engine, a message box that throws, and the host going away
// just after a start.
#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <future>
#include <stdexcept>

#include "desktophost.h"
#include "waitform.h"

using namespace ws::desktop;

Q_DECLARE_METATYPE(ws::desktop::BuildKind)
Q_DECLARE_METATYPE(ws::desktop::BuildOutcome)

namespace {

// A run of many instructions that write nothing.
BuildDocument ManyInstructions(const QTemporaryDir& dir, int count) {
  BuildDocument document;
  for (int i = 0; i < count; ++i) document.lines.push_back("set v" + std::to_string(i) + " \"x\"");
  document.folder = dir.path().toStdString() + "/";
  document.name = "long.bld";
  return document;
}

// What a host told the user-interface thread, in order: "progress",
// "closed", "title+", "title-", "box:<text>", "finished:<outcome>".
struct Recorder {
  QStringList events;
  QList<BoxKind> kinds;

  explicit Recorder(DesktopHost& host) {
    host.SetMessageHandler([this](BoxKind kind, const QString& text) {
      kinds.append(kind);
      events.append("box:" + text);
      if (onBox) onBox(text);
    });
    QObject::connect(&host, &DesktopHost::ProgressRequested, [this] { events.append("progress"); });
    QObject::connect(&host, &DesktopHost::ProgressClosed, [this] { events.append("closed"); });
    QObject::connect(&host, &DesktopHost::RunningTitle,
                     [this](bool running) { events.append(running ? "title+" : "title-"); });
    QObject::connect(&host, &DesktopHost::Finished, [this](BuildKind, BuildOutcome outcome) {
      events.append("finished:" + QString::number(static_cast<int>(outcome)));
    });
  }
  QStringList Boxes() const { return events.filter(QRegularExpression("^box:")); }
  void Clear() {
    events.clear();
    kinds.clear();
  }
  std::function<void(const QString&)> onBox;
};

QString FinishedWith(BuildOutcome outcome) {
  return "finished:" + QString::number(static_cast<int>(outcome));
}

}  // namespace

class HostTest : public QObject {
  Q_OBJECT

  const std::string program = std::string(WEFTSMITH_BIN_DIR) + "/";
  ws::SettingsStore settings;
  QTemporaryDir dir;

 private slots:
  void initTestCase() {
    qRegisterMetaType<BuildKind>();
    qRegisterMetaType<BuildOutcome>();
    QVERIFY(dir.isValid());
  }

  // One host, run after run: a Stop pressed before the worker's engine call
  // has begun ends that run, one pressed between runs is forgotten by the
  // next; something thrown by the host's own code on the worker ends the run
  // with the engine's failure message, the title and progress window taken
  // down first; a message handler that throws counts as a closed box.
  void aRunEndsHoweverItEnds() {
    DesktopHost host(program);
    Recorder recorder(host);
    std::promise<void> stopAsked;
    std::shared_future<void> asked = stopAsked.get_future().share();
    host.SetWorkerHookForTesting([asked] { asked.wait(); });
    QVERIFY(host.StartRun(ManyInstructions(dir, 200), settings));
    QVERIFY(!host.StartRun(ManyInstructions(dir, 1), settings));  // one at a time
    host.RequestStop();
    stopAsked.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(!host.Busy(), 30000);
    QCOMPARE(recorder.Boxes(), QStringList{"box:Build stopped"});
    QCOMPARE(recorder.kinds, QList<BoxKind>{BoxKind::Warning});
    QCOMPARE(recorder.events.last(), FinishedWith(BuildOutcome::Stopped));

    host.SetWorkerHookForTesting(nullptr);
    recorder.Clear();
    host.RequestStop();
    QVERIFY(host.StartRun(ManyInstructions(dir, 200), settings));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Busy(), 30000);
    QCOMPARE(recorder.events.last(), FinishedWith(BuildOutcome::Completed));

    recorder.Clear();
    host.SetWorkerHookForTesting([] { throw std::runtime_error("the worker tripped"); });
    QVERIFY(host.StartRun(ManyInstructions(dir, 5), settings));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Busy(), 30000);
    QCOMPARE(recorder.events,
             QStringList({"closed", "title-",
                          "box:The run ended on an unexpected failure: the worker tripped",
                          FinishedWith(BuildOutcome::Stopped)}));

    host.SetWorkerHookForTesting(nullptr);
    host.SetMessageHandler([](BoxKind, const QString&) { throw std::runtime_error("no box"); });
    QSignalSpy finished(&host, &DesktopHost::Finished);
    QTest::ignoreMessage(QtWarningMsg, "The message box failed: no box");
    QVERIFY(host.StartRun(ManyInstructions(dir, 5), settings));
    QTRY_VERIFY_WITH_TIMEOUT(!host.Busy(), 30000);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][1].value<BuildOutcome>(), BuildOutcome::Completed);
  }

  // The progress window's Escape and close box ask for a Stop and leave the
  // window up; the host takes it and the title down before the box of the
  // stop, and not again afterwards.
  void stopFromTheProgressWindow() {
    DesktopHost host(program);
    Recorder recorder(host);
    TWaitForm waitForm(nullptr);
    QSignalSpy stops(&waitForm, &TWaitForm::StopRequested);
    connect(&host, &DesktopHost::ProgressRequested, &waitForm, &TWaitForm::ShowProgress);
    connect(&host, &DesktopHost::ProgressClosed, &waitForm, &QWidget::hide);
    connect(&waitForm, &TWaitForm::StopRequested, &host, &DesktopHost::RequestStop);

    // The close box is a Stop too, and leaves the window up.
    waitForm.ShowProgress("Weftsmith running: a.bld");
    QVERIFY(!waitForm.close() && waitForm.isVisible());
    QCOMPARE(stops.size(), 1);
    waitForm.hide();
    stops.clear();

    // A run whose clock says six seconds passed after its first look: the
    // window comes up at once. The fifth look waits while the user presses
    // Escape.
    std::atomic<int> looks{0};
    std::atomic<bool> waiting{false}, pressed{false};
    host.SetClockForTesting([&] {
      const int look = looks++;
      if (look == 4) {
        waiting = true;
        while (!pressed) QThread::msleep(1);
      }
      return look == 0 ? 58 : 4;
    });
    bool hiddenAtTheBox = false;
    recorder.onBox = [&](const QString&) { hiddenAtTheBox = !waitForm.isVisible(); };
    QVERIFY(host.StartRun(ManyInstructions(dir, 200), settings));
    QTRY_VERIFY_WITH_TIMEOUT(waiting && waitForm.isVisible(), 30000);
    QTest::keyClick(&waitForm, Qt::Key_Escape);
    const bool visibleAfterEscape = waitForm.isVisible();
    pressed = true;
    QTRY_VERIFY_WITH_TIMEOUT(!host.Busy(), 30000);
    QCOMPARE(stops.size(), 1);
    QVERIFY(visibleAfterEscape);
    QVERIFY(hiddenAtTheBox);
    QVERIFY(looks < 10);
    QCOMPARE(recorder.events,
             QStringList({"title+", "progress", "closed", "title-", "box:Build stopped",
                          FinishedWith(BuildOutcome::Stopped)}));
  }

  // The host goes while a long run has only just started: it does not wait
  // for the run's end, and no box comes afterwards. (A frame destroyed while
  // its run waits for a box is a flow of the run-cycle test.)
  void shutdownDuringARun() {
    int shown = 0;
    {
      // 200 instructions of 100 ms each: twenty seconds to the end. The
      // worker is held back so that the host goes before the engine's call
      // has begun.
      auto host = std::make_unique<DesktopHost>(program);
      host->SetMessageHandler([&shown](BoxKind, const QString&) { ++shown; });
      host->SetWorkerHookForTesting([] { QThread::msleep(200); });
      host->SetClockForTesting([] {
        QThread::msleep(100);
        return 30;
      });
      QVERIFY(host->StartRun(ManyInstructions(dir, 200), settings));
      QElapsedTimer timer;
      timer.start();
      host.reset();
      QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }
    QCoreApplication::processEvents();
    QCOMPARE(shown, 0);
  }
};

QTEST_MAIN(HostTest)
#include "host_test.moc"
