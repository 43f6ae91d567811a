// A monkey test of the desktop program: from fixed seeds, random sequences of
// what a user can do (typing, selections, every menu command and tool
// button, the dialogs' buttons, runs and checks of a small site, stops,
// restarts), each step followed by the program's invariants. Offscreen: the
// prompts are answered by the seeded monkey itself, so every step is
// repeatable from its seed without a window manager's timing; stacking and
// focus are tested under a real one elsewhere.
//
// WEFTSMITH_MONKEY_SECONDS (default 60) bounds the whole run;
// WEFTSMITH_MONKEY_SEEDS (default "1 2 3") lists the seeds, each run in turn
// until the time is up. A failure names its seed and step; the log
// (WEFTSMITH_MONKEY_LOG, default monkey.log in the current folder) holds every
// step, written before the step runs, so a crash leaves its last step there.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

#include "findbar.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

using Rng = std::mt19937;

int Pick(Rng& rng, int count) {
  return std::uniform_int_distribution<int>(0, count - 1)(rng);
}

bool Chance(Rng& rng, int percent) {
  return Pick(rng, 100) < percent;
}

// The prompts, answered at random from the monkey's generator; files are
// always chosen inside the test's site.
class MonkeySeams : public Seams {
 public:
  MonkeySeams(Rng& rng, QString site) : rng_(rng), site_(std::move(site)) {}

  void ShowMessage(QWidget*, BoxKind, const QString&, const QString&) override {}
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString&) override {
    return static_cast<SaveAnswer>(Pick(rng_, 3));
  }
  bool AskYesNo(QWidget*, const QString&, const QString&) override { return Chance(rng_, 50); }
  QString ChooseFileToOpen(QWidget*, const FileDialogRequest&) override { return AnyFile(); }
  QString ChooseFileToSave(QWidget*, const FileDialogRequest&) override {
    if (Chance(rng_, 30)) return {};
    return site_ + QString("saved%1.bld").arg(Pick(rng_, 4));
  }
  bool SetUpPage(QWidget*, QPageLayout&) override { return Chance(rng_, 50); }
  bool Print(QWidget*, QTextDocument&, const QString&, const QPageLayout&) override {
    return Chance(rng_, 50);
  }
  int AskLineNumber(QWidget*, int, int last) override { return Pick(rng_, last + 2) - 1; }
  void ShowHelp(QWidget*, const QString&, const QString&) override {}
  bool OpenInBrowser(QWidget*, const QString& path) override {
    return path.startsWith(site_) && Chance(rng_, 80);
  }

 private:
  QString AnyFile() {
    static const char* const kFiles[] = {
        "",         "site.bld",           "bad.bld",  "nested.bld", "plain.bld",
        "gone.bld", "templates/page.htm", "pages.csv"};
    const QString name = kFiles[Pick(rng_, std::size(kFiles))];
    return name.isEmpty() ? QString() : site_ + name;
  }

  Rng& rng_;
  QString site_;
};

// What the monkey types: words and pieces of the build language, quotes,
// and the keys that edit and move.
const char* const kWords[] = {
    "new ",      "include ", "tag ", "end",    "repeat ", "set ",      "if ",
    " is ",      " then",    "else", "run ",   "\"",      "\"x.htm\"", "\"templates/page.htm\"",
    "\"title\"", "page:",    "-- ",  "<date>", "12",      "a",         " "};

const Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Tab,   Qt::Key_Backspace, Qt::Key_Delete,
                         Qt::Key_Left,   Qt::Key_Right, Qt::Key_Up,        Qt::Key_Down,
                         Qt::Key_Home,   Qt::Key_End,   Qt::Key_Insert,    Qt::Key_Escape};

// A complete build file on disk: RTF whose braces close, or plain text.
bool Whole(const QByteArray& bytes) {
  if (!bytes.trimmed().startsWith("{\\rtf")) return true;
  int depth = 0;
  for (int i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\\') {
      ++i;
      continue;
    }
    if (bytes[i] == '{') ++depth;
    if (bytes[i] == '}' && --depth == 0) return bytes.mid(i + 1).trimmed().isEmpty();
  }
  return false;
}

QMap<QString, QByteArray> Snapshot(const QString& folder) {
  QMap<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    files[path] = ReadFile(path);
  }
  return files;
}

}  // namespace

class MonkeyTest : public QObject {
  Q_OBJECT

  // The step being run, for the watchdog and the log.
  std::atomic<long> progress_{0};
  std::FILE* log_ = nullptr;

  QString root_, site_, program_, outside_;
  QMap<QString, QByteArray> outsideFiles_;

  void Log(const char* format, auto... args) {
    std::fprintf(log_, format, args...);
    std::fputc('\n', log_);
    std::fflush(log_);
  }

  void MakeSite() {
    QDir().mkpath(site_ + "site");
    const QString examples = QString(WEFTSMITH_EXAMPLES);
    QDirIterator it(examples, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString from = it.next();
      const QString to = site_ + QDir(examples).relativeFilePath(from);
      QDir().mkpath(QFileInfo(to).absolutePath());
      QFile::copy(from, to);
    }
    WriteFile(site_ + "bad.bld", "include \"missing.htm\"\r\nnew \"x.htm\"\r\n");
    WriteFile(site_ + "nested.bld", "run \"site.bld\"\r\nrun \"bad.bld\"\r\n");
    WriteFile(site_ + "plain.bld", "set a \"1\"\nnew \"site/plain.htm\"\n  include \"x\"\nend\n");
  }

  // Every invariant after a step; the reason of the first that fails.
  QString Broken() {
    if (Snapshot(outside_) != outsideFiles_) return "a file outside the test's folder changed";
    const QStringList top = QDir(root_ + "/..").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    if (top != QStringList({"outside", "test"}))
      return "something was made beside the test's folder: " + top.join(' ');
    const QMap<QString, QByteArray> files = Snapshot(root_);
    for (auto it = files.begin(); it != files.end(); ++it) {
      if (it.key().endsWith(".bld") && !Whole(it.value()))
        return "a build file is not whole: " + it.key();
      // Pages of the site's template end with the template's end, unless a
      // run is still writing (a page is renamed into place whole).
      if (it.value().startsWith("<!DOCTYPE") && !it.value().trimmed().endsWith("</html>"))
        return "a page is not whole: " + it.key();
    }
    return {};
  }

  // One step of the monkey against the frame; the frame may end (Exit).
  void Step(Rng& rng, TFrameForm& frame) {
    TMainForm* doc = frame.ActiveDocument();
    const int what = Pick(rng, 100);
    if (what < 35 && doc && !frame.Busy()) {
      Editor* editor = doc->editor();
      for (int n = Pick(rng, 6) + 1; n > 0; --n) {
        if (Chance(rng, 60)) {
          QTest::keyClicks(editor, kWords[Pick(rng, std::size(kWords))]);
        } else {
          const Qt::KeyboardModifiers shift = Chance(rng, 20) ? Qt::ShiftModifier : Qt::NoModifier;
          QTest::keyClick(editor, kKeys[Pick(rng, std::size(kKeys))], shift);
        }
      }
      Log("  typed");
    } else if (what < 40 && doc) {
      QTextCursor cursor = doc->editor()->textCursor();
      const int size = doc->editor()->document()->characterCount();
      cursor.setPosition(Pick(rng, size));
      cursor.setPosition(Pick(rng, size), QTextCursor::KeepAnchor);
      doc->editor()->setTextCursor(cursor);
      Log("  selected");
    } else if (what < 75) {
      // Any menu item or tool button, enabled or not: a disabled one must do nothing.
      QList<QAction*> actions = frame.toolActions();
      for (QAction* title : frame.menuBar()->actions())
        if (QMenu* menu = title->menu()) {
          emit menu->aboutToShow();  // the recent files, the window list
          actions += menu->actions();
        }
      QAction* a = actions.value(Pick(rng, actions.size()));
      if (!a || a->isSeparator() || a->menu()) return;
      // Exit is rare, so that the monkey spends its time in one program.
      if ((a->objectName().contains("Exit") || a->text().contains("E&xit")) && !Chance(rng, 10))
        return;
      Log("  action %s \"%s\" %s", qPrintable(a->objectName()), qPrintable(a->text()),
          a->isEnabled() ? "" : "(disabled)");
      a->trigger();
    } else if (what < 88) {
      // A button, box, list or field of whichever dialog is open.
      QList<QWidget*> dialogs;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w != &frame && w->isVisible()) dialogs << w;
      if (doc && doc->findBar()->isVisible()) dialogs << doc->findBar();
      if (auto* panel = frame.findChild<QDockWidget*>("BuildPanel"); panel && panel->isVisible())
        dialogs << panel;
      if (dialogs.isEmpty()) return;
      QWidget* dialog = dialogs[Pick(rng, dialogs.size())];
      QList<QWidget*> controls;
      for (QWidget* w : dialog->findChildren<QWidget*>())
        if (w->isVisible() && w->isEnabled() &&
            (qobject_cast<QAbstractButton*>(w) || qobject_cast<QListWidget*>(w) ||
             qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
             qobject_cast<QTreeWidget*>(w)))
          controls << w;
      if (controls.isEmpty()) return;
      QWidget* control = controls[Pick(rng, controls.size())];
      Log("  dialog %s control %s", qPrintable(dialog->objectName()),
          qPrintable(control->objectName()));
      if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->click();
      } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (list->count()) list->setCurrentRow(Pick(rng, list->count()));
      } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->count()) combo->setCurrentIndex(Pick(rng, combo->count()));
      } else if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
        // A row chosen and activated, as a click or Return does.
        QList<QTreeWidgetItem*> items;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) items << *it;
        if (!items.isEmpty()) {
          QTreeWidgetItem* item = items[Pick(rng, items.size())];
          tree->setCurrentItem(item);
          emit tree->itemActivated(item, 0);
        }
      } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QTest::keyClicks(edit, kWords[Pick(rng, std::size(kWords))]);
      }
    } else if (what < 92) {
      Log("  stop");
      frame.host().RequestStop();
    } else if (what < 95 && frame.Documents().size() > 1) {
      QList<QMdiSubWindow*> windows = frame.mdiArea()->subWindowList();
      Log("  activate another window");
      frame.mdiArea()->setActiveSubWindow(windows[Pick(rng, windows.size())]);
    } else if (what < 97) {
      Log("  wait for the build");
      QElapsedTimer waited;
      waited.start();
      while (frame.Busy() && waited.elapsed() < 20000) QTest::qWait(10);
    } else {
      // A file changes on disk underneath the program.
      const char* const names[] = {"site.bld", "templates/page.htm", "pages.csv"};
      const QString path = site_ + names[Pick(rng, std::size(names))];
      Log("  touched %s", qPrintable(path));
      QFile file(path);
      if (file.open(QIODevice::Append)) file.write("\r\n");
    }
  }

 private slots:
  void initTestCase() {
    log_ = std::fopen(qgetenv("WEFTSMITH_MONKEY_LOG").isEmpty()
                          ? "monkey.log"
                          : qgetenv("WEFTSMITH_MONKEY_LOG").constData(),
                      "w");
    QVERIFY(log_);
  }
  void cleanupTestCase() { std::fclose(log_); }

  void monkey() {
    const int seconds = qEnvironmentVariableIntValue("WEFTSMITH_MONKEY_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("WEFTSMITH_MONKEY_SECONDS")
                            : 60;
    QStringList seeds = QString(qgetenv("WEFTSMITH_MONKEY_SEEDS")).split(' ', Qt::SkipEmptyParts);
    if (seeds.isEmpty()) seeds = {"1", "2", "3"};
    QElapsedTimer clock;
    clock.start();

    // The watchdog: a step that does not end within its time ends the test
    // with the step's name.
    std::atomic<bool> done{false};
    std::atomic<long> seen{-1};
    std::thread watchdog([&] {
      long last = -1;
      int still = 0;
      while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const long now = progress_;
        still = now == last ? still + 1 : 0;
        last = now;
        if (still > 300) {
          std::fprintf(stderr, "monkey: step %ld did not end within 30 s; see the log\n", now);
          std::fflush(stderr);
          std::abort();
        }
      }
      seen = last;
    });
    const auto stopWatchdog = qScopeGuard([&] {
      done = true;
      watchdog.join();
    });

    long totalSteps = 0;
    for (int round = 0; clock.elapsed() < seconds * 1000; ++round) {
      const unsigned seed = seeds[round % seeds.size()].toUInt() + 1000u * (round / seeds.size());
      Rng rng(seed);
      QTemporaryDir parent;
      QDir(parent.path()).mkpath("test");
      QDir(parent.path()).mkpath("outside");
      root_ = parent.path() + "/test";
      outside_ = parent.path() + "/outside";
      WriteFile(outside_ + "/keep.txt", "not to be touched");
      outsideFiles_ = Snapshot(outside_);
      site_ = root_ + "/site/";
      MakeSite();
      // Relative names of an untitled document's run land in the current
      // folder; the program's own state and settings stay in the test's.
      QDir().mkpath(root_ + "/home");
      QDir::setCurrent(root_ + "/home");
      qputenv("HOME", (root_ + "/home").toUtf8());
      qputenv("XDG_CONFIG_HOME", (root_ + "/home/.config").toUtf8());
      QTemporaryDir programDir(root_ + "/programXXXXXX");
      program_ = MakeProgramFolder(programDir);
      MonkeySeams seams(rng, site_);
      Log("seed %u", seed);

      auto frame = std::make_unique<TFrameForm>(
          seams, FrameOptions{program_, {}, root_ + "/home/desktop.conf"});
      frame->showMaximized();
      for (int step = 0; step < 400 && clock.elapsed() < seconds * 1000; ++step, ++totalSteps) {
        progress_ = totalSteps;
        Log("seed %u step %d", seed, step);
        Step(rng, *frame);
        QTest::qWait(Pick(rng, 3) == 0 ? 20 : 1);
        if (frame->isHidden() && !frame->Busy()) {
          // Exit ended the program: it starts again.
          Log("  restart");
          frame.reset();
          frame = std::make_unique<TFrameForm>(
              seams, FrameOptions{program_, {}, root_ + "/home/desktop.conf"});
          frame->showMaximized();
        }
        const QString broken = Broken();
        QVERIFY2(broken.isEmpty(),
                 qPrintable(QString("seed %1 step %2: %3").arg(seed).arg(step).arg(broken)));
      }
      // The end of a round: the run ends (stopped if need be), the windows
      // close without saving, nothing is left behind.
      frame->host().RequestStop();
      QTRY_VERIFY_WITH_TIMEOUT(!frame->Busy(), 30000);
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w != frame.get() && w->isVisible()) w->hide();
      frame.reset();
      const QString broken = Broken();
      QVERIFY2(broken.isEmpty(), qPrintable(QString("seed %1 end: %2").arg(seed).arg(broken)));
    }
    std::fprintf(stderr, "monkey: %ld steps in %lld s\n", totalSteps, clock.elapsed() / 1000);
  }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
