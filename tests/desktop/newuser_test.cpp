// Flows of what a new user does in the first minutes: closing changed
// windows every way, a save that fails, naming a new page, keys that must
// not destroy text, several files on the command line, the title, the
// Window menu, and the editor's colours on a dark desktop.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTextBlock>

#include "colouring.h"

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// Each character's colour and styles, blanks included.
QStringList Formats(const QTextDocument& document) {
  QStringList formats;
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      for (const QChar c : it.fragment().text())
        formats << QString("%1:%2%3%4%5")
                       .arg(c)
                       .arg(f.foreground().color().name())
                       .arg(f.fontWeight() > QFont::Normal ? "b" : "")
                       .arg(f.fontItalic() ? "i" : "")
                       .arg(f.fontUnderline() ? "u" : "");
    }
  return formats;
}

void SendKey(QWidget* widget, const QKeySequence& key) {
  // A key press as it arrives when no shortcut takes it.
  QKeyEvent press(QEvent::KeyPress, key[0].key(), key[0].keyboardModifiers());
  QApplication::sendEvent(widget, &press);
}

}  // namespace

class NewUserTest : public QObject, DesktopFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpFolders(); }
  void cleanup() { VerifySeams(); }

  void aNewUsersFirstMinutes() {
    // On a dark desktop theme the text area keeps its light ground and dark
    // text; the program's icon is on its windows, and every tool shows the
    // theme's picture of its own name.
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::white);
    QApplication::setPalette(dark);
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TMainForm* doc = frame.ActiveDocument();
    QCOMPARE(doc->editor()->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(doc->editor()->palette().color(QPalette::Text), QColor(Qt::black));
    QApplication::setPalette(before);
    QCOMPARE(frame.aboutBox()->windowIcon().cacheKey(), frame.windowIcon().cacheKey());
    for (const QAction* tool : frame.toolActions())
      QVERIFY2(!tool->icon().name().isEmpty(), qPrintable(tool->objectName()));

    // Typed text takes the formats of the whole-text pass, blanks after a
    // reserved word included (here underlined reserved words).
    frame.prefs().settings.ReservedStyle = ws::TextStyle::Underline;
    const QString typed = "tag \"t\" v -- note";
    QTest::keyClicks(doc->editor(), typed);
    QTextDocument whole;
    whole.setPlainText(typed);
    ColourWholeText(whole, frame.settings());
    QCOMPARE(Formats(*doc->editor()->document()), Formats(whole));

    // Keys that change nothing keep the text changed: Close File asks, and
    // a save that cannot write leaves it changed.
    for (Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Left, Qt::Key_F12})
      QTest::keyClick(doc->editor(), key);
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Cancel);
    Trigger(ActionNamed(*doc, "mnuFileClose"));
    QCOMPARE(frame.Documents().size(), 1);
    const QString missing = site + "no such folder/page.bld";
    seams.ExpectSaveFile("Save current file into folder...", missing);
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot create file " + missing);
    QTest::keyClick(doc->editor(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(doc->IsModified());

    // "Make new file..." takes the name of a page that does not exist yet;
    // the run command asks for an existing file.
    doc->editor()->clear();
    seams.ExpectOpenFile("Make New File...", site + "fresh/page one.htm");
    Trigger(ActionNamed(*doc, "mnuCommandsNewFile"));
    QVERIFY(!seams.lastOpenRequest.mustExist);
    QVERIFY(doc->editor()->toPlainText().startsWith("new \"" + site + "fresh/page one.htm\""));
    seams.ExpectOpenFile("Select File For Run Command...", "");
    Trigger(ActionNamed(*doc, "mnuCommandsRun"));
    QVERIFY(seams.lastOpenRequest.mustExist);

    // A command's key that reaches the text runs the command; no key of the
    // text control's own removes text.
    doc->editor()->setPlainText("set x \"1\"\nbogus x");
    doc->editor()->moveCursor(QTextCursor::Start);
    seams.ExpectMessage(BoxKind::Error, "Error", "Missing or Misspelled command on line: 2");
    SendKey(doc->editor(), QKeySequence("Ctrl+K"));
    WaitForBuild(frame);
    doc->editor()->moveCursor(QTextCursor::Start);
    for (const auto which : {QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine})
      for (const QKeySequence& key : QKeySequence::keyBindings(which)) SendKey(doc->editor(), key);
    QCOMPARE(doc->editor()->toPlainText(), QString("set x \"1\"\nbogus x"));

    // The title names the active window, whatever ran, opened or tiled; the
    // Window menu tells two page.bld apart by their folders.
    doc->editor()->setPlainText("set x \"1\"");
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    Trigger(frame.action("tbRun"));
    WaitForBuild(frame);
    QCOMPARE(frame.windowTitle(), QString("Weftsmith - [Untitled]"));
    for (const char* folder : {"a", "b"}) {
      QDir().mkpath(site + folder);
      WriteFile(site + folder + "/page.bld", "-- page\r\n");
      seams.ExpectOpenFile("Select build file to open...", site + folder + "/page.bld");
      Trigger(frame.action("tbOpen"));
      QCOMPARE(frame.windowTitle(), QString("Weftsmith - [page.bld]"));
    }
    Trigger(frame.action("mnuNew"));
    QCOMPARE(frame.windowTitle(), QString("Weftsmith - [Untitled]"));
    Trigger(frame.action("Tile1"));
    frame.mdiArea()->setActiveSubWindow(frame.mdiArea()->subWindowList()[1]);
    QCOMPARE(frame.windowTitle(), QString("Weftsmith - [page.bld]"));
    QMenu* windows = frame.frameMenus()[2];
    emit windows->aboutToShow();
    QStringList names;
    for (const QAction* a : windows->actions()) names << a->text();
    QVERIFY2(names.contains("&2 " + QDir::toNativeSeparators(site + "a/page.bld")) &&
                 names.contains("&3 " + QDir::toNativeSeparators(site + "b/page.bld")),
             qPrintable(names.join(", ")));

    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }

  void severalFilesOnTheCommandLine() {
    WriteFile(site + "one.bld", "-- one\r\n");
    WriteFile(site + "two.bld", "-- two\r\n");
    TFrameForm frame(seams, {program, {site + "one.bld", site + "two.bld"}});
    ShowFrame(frame);
    QTRY_COMPARE(frame.Documents().size(), 2);
    QStringList files;
    for (const TMainForm* d : frame.Documents()) files << d->fileName();
    QCOMPARE(files, QStringList({site + "one.bld", site + "two.bld"}));
    QVERIFY(frame.close());
  }
};

QTEST_MAIN(NewUserTest)
#include "newuser_test.moc"
