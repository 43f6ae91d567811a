// The line-number gutter: the numbers of the lines in view, View, Line
// Numbers for every window and across a restart, and the mark of the line a
// failed check or run stopped at, kept until the text is edited.
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "linenumbers.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

QString Lines(int count) {
  return QStringList(count, "set x \"1\"").join('\n');
}

// The gutter as painted now, at the height of the middle of a line.
QColor GutterColourAt(Editor* editor, int line) {
  QTextCursor cursor(editor->document()->findBlockByNumber(line));
  const int y = editor->cursorRect(cursor).center().y();
  return editor->lineNumbers()->grab().toImage().pixelColor(2, y);
}

}  // namespace

class GutterTest : public QObject, DesktopFixture {
  Q_OBJECT

  QString state;

 private slots:
  void init() {
    SetUpFolders();
    state = dir->path() + "/desktop.conf";
  }
  void cleanup() { VerifySeams(); }

  void numbersTheViewItemAndTheErrorMark() {
    auto frame = std::make_unique<TFrameForm>(seams, FrameOptions{program, {}, state});
    ShowFrame(*frame);
    TMainForm* doc = frame->ActiveDocument();
    Editor* editor = doc->editor();
    LineNumbers* gutter = editor->lineNumbers();
    QAction* item = frame->action("mnuViewLineNumbers");
    QVERIFY(item->isCheckable() && item->isChecked());
    QVERIFY(gutter->isVisible());

    // One digit more, a wider gutter; the text starts right after it.
    editor->setPlainText(Lines(9));
    const int nine = gutter->width();
    editor->setPlainText(Lines(10));
    const int ten = gutter->width();
    editor->setPlainText(Lines(100));
    const int hundred = gutter->width();
    QVERIFY(0 < nine && nine < ten && ten < hundred);
    QCOMPARE(hundred - ten, ten - nine);
    // A font put in effect (at the window's next activation) is measured anew.
    int& size = frame->prefs().settings.EditorFontSize;
    const int shown = size;
    size = 30;
    doc->FormActivate();
    QVERIFY(gutter->width() > hundred + 2 * (hundred - ten));
    size = shown;
    doc->FormActivate();
    QCOMPARE(gutter->width(), hundred);
    QCOMPARE(editor->viewport()->x(), gutter->geometry().right() + 1);

    // The numbers painted are those of the lines in view, scrolled or not.
    gutter->grab();
    const QPoint bottom(0, editor->viewport()->height() - 1);
    QCOMPARE(gutter->PaintedNumbers(),
             std::pair(1, editor->cursorForPosition(bottom).blockNumber() + 1));
    QVERIFY(gutter->PaintedNumbers().second < 100);
    editor->verticalScrollBar()->setValue(40);
    gutter->grab();
    QCOMPARE(gutter->PaintedNumbers().first, 41);
    QCOMPARE(editor->cursorForPosition({0, 0}).blockNumber(), 40);
    // A line added at the end of a short text gets its number painted.
    editor->setPlainText(Lines(3));
    QTRY_COMPARE(gutter->PaintedNumbers(), std::pair(1, 3));
    editor->moveCursor(QTextCursor::End);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "end");
    QTRY_COMPARE(gutter->PaintedNumbers(), std::pair(1, 4));

    // A failed check marks the line of its message; moving the caret,
    // another window's activation and this one's (which recolour the whole
    // text) leave the mark; an edit takes it away.
    editor->setPlainText("new \"o.htm\"\n  include \"page.htm\"\nfrobnicate \"x\"\nend");
    seams.ExpectMessage(BoxKind::Error, "Error", "Missing or Misspelled command on line: 3");
    Trigger(doc->action(Command::BuildCheck));
    WaitForBuild(*frame);
    QCOMPARE(editor->textCursor().blockNumber(), 2);
    QCOMPARE(editor->ErrorLine(), 2);
    QCOMPARE(GutterColourAt(editor, 2), LineNumbers::MarkColour());
    QVERIFY(GutterColourAt(editor, 1) != LineNumbers::MarkColour());
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Home);
    frame->New();
    TMainForm* other = frame->ActiveDocument();
    QVERIFY(other != doc);
    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    QCOMPARE(frame->ActiveDocument(), doc);
    QCOMPARE(editor->ErrorLine(), 2);
    QTest::keyClick(editor, Qt::Key_A);
    QCOMPARE(editor->ErrorLine(), -1);
    QVERIFY(GutterColourAt(editor, 2) != LineNumbers::MarkColour());

    // A failed run marks too; Reformat Text puts the caret on a bad line but
    // marks nothing, and takes an old mark away with the edit it makes.
    editor->setPlainText("new \"o4.htm\"\n  tag \"t\" <dat>\nend");
    seams.ExpectMessage(BoxKind::Error, "Error", "<date> or <time> Misspelled on Line - 2");
    Trigger(doc->action(Command::BuildRun));
    WaitForBuild(*frame);
    QCOMPARE(editor->ErrorLine(), 1);
    editor->setPlainText("new \"a.htm\"\nset x \"open\nend");
    QCOMPARE(editor->ErrorLine(), -1);
    seams.ExpectMessage(BoxKind::Error, "Error", "Closing quotation mark is missing on line: 2");
    Trigger(doc->action(Command::BuildCheck));
    WaitForBuild(*frame);
    QCOMPARE(editor->ErrorLine(), 1);
    seams.ExpectMessage(BoxKind::Error, "Error", "Closing quotation mark is missing on line: 2");
    Trigger(doc->action(Command::BuildReformat));
    QCOMPARE(editor->textCursor().blockNumber(), 1);
    QCOMPARE(editor->ErrorLine(), -1);

    // View, Line Numbers hides the gutter of every window, gives the text its
    // room, and holds for a window made later and across a restart.
    Trigger(item);
    QVERIFY(!item->isChecked());
    for (TMainForm* window : frame->Documents()) {
      QVERIFY(!window->editor()->LineNumbersShown());
      QVERIFY(window->editor()->lineNumbers()->isHidden());
      QCOMPARE(window->editor()->viewport()->x(), 0);
    }
    frame->New();
    QVERIFY(!frame->ActiveDocument()->editor()->LineNumbersShown());
    for (TMainForm* window : frame->Documents()) window->editor()->document()->setModified(false);
    frame.reset();
    frame = std::make_unique<TFrameForm>(seams, FrameOptions{program, {}, state});
    ShowFrame(*frame);
    QVERIFY(!frame->action("mnuViewLineNumbers")->isChecked());
    editor = frame->ActiveDocument()->editor();
    QVERIFY(!editor->LineNumbersShown() && editor->lineNumbers()->isHidden());
    Trigger(frame->action("mnuViewLineNumbers"));
    QVERIFY(editor->lineNumbers()->isVisible());
    QCOMPARE(editor->viewport()->x(), editor->lineNumbers()->width());
  }
};

QTEST_MAIN(GutterTest)
#include "gutter_test.moc"
