// A soak of one running desktop program: a document is opened, edited,
// checked, run, saved and closed again and again, each cycle on files of
// its own while older ones are deleted. After the warm-up, the memory in
// use, open file descriptors, threads and inotify watches must stay flat.
// Resident memory is printed too; under AddressSanitizer it mostly shows the
// sanitizer's own bookkeeping, so the check reads the heap in use.
//
// WEFTSMITH_SOAK_CYCLES (default 60) sets the number of cycles; the figures
// are printed after the warm-up, at 100 and at every 1,000 cycles, and at
// the end.
#include <malloc.h>
#include <unistd.h>
#include <QDirIterator>
#include <QPixmapCache>
#include <QtTest>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// Every prompt gets its first answer: OK, Yes, no file.
class QuietSeams : public Seams {
 public:
  void ShowMessage(QWidget*, BoxKind kind, const QString&, const QString& text) override {
    if (kind == BoxKind::Error || kind == BoxKind::Warning) problems << text;
  }
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString&) override {
    return SaveAnswer::No;
  }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return true; }
  QString ChooseFileToOpen(QWidget*, const FileDialogRequest&) override { return {}; }
  QString ChooseFileToSave(QWidget*, const FileDialogRequest&) override { return {}; }
  bool SetUpPage(QWidget*, QPageLayout&) override { return false; }
  bool Print(QWidget*, QTextDocument&, const QString&, const QPageLayout&) override {
    return false;
  }
  int AskLineNumber(QWidget*, int, int) override { return 0; }
  void ShowHelp(QWidget*, const QString&, const QString&) override {}
  bool OpenInBrowser(QWidget*, const QString&) override { return true; }

  QStringList problems;
};

// The heap in use: the sanitizer's count when it replaces malloc, else the
// C library's.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

long HeapInUseKb() {
  if (__sanitizer_get_current_allocated_bytes)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
  return static_cast<long>(mallinfo2().uordblks / 1024);
}

struct Figures {
  long heapKb = 0;
  long residentKb = 0;
  int descriptors = 0;
  int threads = 0;
  int inotifyWatches = 0;
};

int CountEntries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
}

Figures Measure() {
  Figures f;
  f.heapKb = HeapInUseKb();
  QFile statm("/proc/self/statm");
  if (statm.open(QIODevice::ReadOnly))
    f.residentKb = statm.readAll().split(' ').value(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024);
  f.descriptors = CountEntries("/proc/self/fd");
  f.threads = CountEntries("/proc/self/task");
  QDirIterator it("/proc/self/fdinfo", QDir::Files);
  while (it.hasNext()) {
    QFile info(it.next());
    if (!info.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : info.readAll().split('\n'))
      if (line.startsWith("inotify wd:")) ++f.inotifyWatches;
  }
  return f;
}

void Print(int cycle, const Figures& f) {
  std::fprintf(stderr,
               "soak: cycle %5d  heap %6ld kB  resident %7ld kB  descriptors %3d  threads %3d  "
               "inotify %4d\n",
               cycle, f.heapKb, f.residentKb, f.descriptors, f.threads, f.inotifyWatches);
}

}  // namespace

class SoakTest : public QObject {
  Q_OBJECT

 private slots:
  void soak() {
    const int cycles = qEnvironmentVariableIntValue("WEFTSMITH_SOAK_CYCLES") > 0
                           ? qEnvironmentVariableIntValue("WEFTSMITH_SOAK_CYCLES")
                           : 60;
    const int warmUp = std::min(20, cycles / 2);
    QTemporaryDir dir;
    const QString program = MakeProgramFolder(dir);
    const QString site = dir.path() + "/site/";
    QDir().mkpath(site + "out");
    // Qt keeps the pictures it draws for each new window (title bar
    // buttons, icons) in a cache that grows to its limit (10 MB); without it
    // what remains is the program's own.
    QPixmapCache::setCacheLimit(0);
    QuietSeams seams;
    TFrameForm frame(seams, {program, {}, dir.path() + "/desktop.conf"});
    frame.showMaximized();
    QTRY_VERIFY(!frame.Documents().isEmpty());

    Figures settled;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
      // Files of this cycle's own; those of five cycles ago go.
      const QString n = QString::number(cycle);
      WriteFile(site + "t" + n + ".htm", "<p><!--tag \"x\"--><!--/tag \"x\"--></p>\r\n");
      WriteFile(site + "d" + n + ".csv",
                QString("File,B\r\nout/p%1-1.htm,2\r\nout/p%1-3.htm,4\r\n").arg(n).toUtf8());
      WriteFile(site + "b" + n + ".bld", QString("repeat r \"d%1.csv\"\r\n"
                                                 "  new r:\"File\"\r\n"
                                                 "    include \"t%1.htm\"\r\n"
                                                 "    tag \"x\" r:\"B\"\r\n"
                                                 "  end\r\n"
                                                 "end\r\n")
                                             .arg(n)
                                             .toUtf8());
      if (cycle > 5) {
        const QString old = QString::number(cycle - 5);
        for (const QString& name : {"t" + old + ".htm", "d" + old + ".csv", "b" + old + ".bld",
                                    "out/p" + old + "-1.htm", "out/p" + old + "-3.htm"})
          QFile::remove(site + name);
      }

      frame.OpenInNewDocument(site + "b" + n + ".bld");
      TMainForm* doc = frame.ActiveDocument();
      QVERIFY(doc && doc->fileName().endsWith("b" + n + ".bld"));
      doc->editor()->moveCursor(QTextCursor::End);
      QTest::keyClick(doc->editor(), Qt::Key_Return);
      QTest::keyClicks(doc->editor(), "-- cycle " + n);
      Trigger(ActionNamed(*doc, "mnuBuildCheck"));
      WaitForBuild(frame);
      Trigger(ActionNamed(*doc, "mnuBuildRun"));
      WaitForBuild(frame);
      QVERIFY(QFile::exists(site + "out/p" + n + "-3.htm"));
      Trigger(ActionNamed(*doc, "mnuFileSave"));
      QVERIFY(frame.CloseDocument(*doc));
      QTRY_VERIFY(!frame.Documents().contains(doc));
      // The event loop turns as a user's pauses let it: deferred deletions,
      // paints.
      QTest::qWait(5);
      QVERIFY2(seams.problems.isEmpty(), qPrintable(seams.problems.join('\n')));

      if (cycle == warmUp || cycle == 100 || cycle % 1000 == 0 || cycle == cycles) {
        // Let what was deleted later go first.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const Figures now = Measure();
        Print(cycle, now);
        if (cycle == warmUp) settled = now;
      }
    }
    const Figures end = Measure();
    // Nothing grows with the number of cycles: descriptors, threads and
    // watches are back where they were after the warm-up; the heap may
    // breathe, not climb.
    QCOMPARE(end.descriptors, settled.descriptors);
    QCOMPARE(end.threads, settled.threads);
    QVERIFY2(end.inotifyWatches <= settled.inotifyWatches,
             qPrintable(QString("inotify watches %1 -> %2")
                            .arg(settled.inotifyWatches)
                            .arg(end.inotifyWatches)));
    QVERIFY2(end.heapKb < settled.heapKb + 512,
             qPrintable(QString("heap %1 kB -> %2 kB").arg(settled.heapKb).arg(end.heapKb)));
  }
};

QTEST_MAIN(SoakTest)
#include "soak_test.moc"
