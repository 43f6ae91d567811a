// A flow through the find bar and Go to Line: each find option, wrapping
// with its word in the status line, Replace, Replace All as one undo step
// whose lines are coloured as typed ones, and the caret's line after Go to
// Line.
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>

#include "colourmask.h"
#include "findbar.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

QString Mask(const QTextDocument& document, const ws::Settings& s) {
  return ColourMask(document, s, u" \t");
}

QString WholeTextMask(const QString& text, const ws::Settings& s) {
  QTextDocument document;
  document.setPlainText(text);
  ColourWholeText(document, s);
  return Mask(document, s);
}

// The selection as (line, column, text), lines and columns from 1.
QString Selected(const Editor& editor) {
  const QTextCursor c = editor.textCursor();
  QTextCursor start(c);
  start.setPosition(c.selectionStart());
  return QString("%1:%2 %3")
      .arg(start.blockNumber() + 1)
      .arg(start.positionInBlock() + 1)
      .arg(c.selectedText());
}

}  // namespace

class SearchTest : public QObject {
  Q_OBJECT

  ScriptedSeams seams;

 private slots:
  void findReplaceAndGoToLine() {
    QTemporaryDir dir;
    const QString program = MakeProgramFolder(dir);
    const QString file = dir.path() + "/site.bld";
    const QString text =
        "include \"head.htm\"\n"
        "tag \"Title\" \"Include me\"\n"
        "Include \"foot.htm\"\n"
        "# includes are here";
    WriteFile(file, text.toUtf8());
    TFrameForm frame(seams, {program, {}, dir.path() + "/desktop.conf"});
    ShowFrame(frame);
    frame.OpenInNewDocument(file);
    TMainForm* doc = frame.ActiveDocument();
    QVERIFY(doc);
    Editor* editor = doc->editor();
    const ws::Settings& s = frame.settings();
    const QString original = Mask(*editor->document(), s);
    TFindBar* bar = doc->findBar();
    auto* find = bar->findChild<QLineEdit*>("FindText");
    auto* replace = bar->findChild<QLineEdit*>("ReplaceText");
    const auto status = [&] { return frame.statusPanel(1)->text(); };

    // Ctrl+F opens the bar without its replace row; Return finds forward,
    // case-insensitive and inside words by default.
    QVERIFY(!bar->isVisible());
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    QVERIFY(!replace->isVisible());
    QVERIFY(find->hasFocus());
    QTest::keyClicks(find, "include");
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(Selected(*editor), QString("1:1 include"));
    for (const char* expected : {"2:14 Include", "3:1 Include", "4:3 include"}) {
      Trigger(ActionNamed(*doc, "mnuEditFindNext"));
      QCOMPARE(Selected(*editor), QString(expected));
    }
    // Past the last match the search wraps, and says so.
    Trigger(ActionNamed(*doc, "mnuEditFindNext"));
    QCOMPARE(Selected(*editor), QString("1:1 include"));
    QVERIFY2(status().contains("wrapped"), qPrintable(status()));
    Trigger(ActionNamed(*doc, "mnuEditFindPrevious"));
    QCOMPARE(Selected(*editor), QString("4:3 include"));
    QVERIFY(status().contains("wrapped"));
    Trigger(ActionNamed(*doc, "mnuEditFindPrevious"));
    QCOMPARE(Selected(*editor), QString("3:1 Include"));
    QVERIFY(!status().contains("wrapped"));

    // Match case finds only the lower-case word; whole word leaves out
    // "includes".
    bar->findChild<QCheckBox*>("MatchCase")->setChecked(true);
    Trigger(ActionNamed(*doc, "mnuEditFindNext"));
    QCOMPARE(Selected(*editor), QString("4:3 include"));
    bar->findChild<QCheckBox*>("WholeWord")->setChecked(true);
    Trigger(ActionNamed(*doc, "mnuEditFindNext"));
    QCOMPARE(Selected(*editor), QString("1:1 include"));
    Trigger(ActionNamed(*doc, "mnuEditFindNext"));
    QCOMPARE(Selected(*editor), QString("1:1 include"));
    // Text that is nowhere leaves the selection and says so.
    find->setText("nowhere");
    Trigger(ActionNamed(*doc, "mnuEditFindNext"));
    QCOMPARE(Selected(*editor), QString("1:1 include"));
    QVERIFY(status().contains("not found"));
    QCOMPARE(editor->toPlainText(), text);
    QVERIFY(!doc->IsModified());

    // Ctrl+H adds the replace row and takes the selected word. Replace puts
    // the replacement over the selected match, in its colours, and selects
    // the next one; Undo takes it back.
    bar->findChild<QCheckBox*>("MatchCase")->setChecked(false);
    QTest::keyClick(editor, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(replace->isVisible());
    QCOMPARE(find->text(), QString("include"));
    replace->setText("run");
    bar->findChild<QPushButton*>("ReplaceButton")->click();
    QCOMPARE(editor->document()->firstBlock().text(), QString("run \"head.htm\""));
    QCOMPARE(Selected(*editor), QString("2:14 Include"));
    QCOMPARE(Mask(*editor->document(), s).section('|', 0, 0), QString("RRRSSSSSSSSSS"));
    QVERIFY(doc->IsModified());
    Trigger(ActionNamed(*doc, "mnuEditUndo"));
    QCOMPARE(editor->toPlainText(), text);
    QCOMPARE(Mask(*editor->document(), s), original);

    // Replace All: every whole-word match, in strings and comments too, one
    // undo step, each line coloured as if it had been typed.
    bar->findChild<QPushButton*>("ReplaceAllButton")->click();
    const QString replaced =
        "run \"head.htm\"\n"
        "tag \"Title\" \"run me\"\n"
        "run \"foot.htm\"\n"
        "# includes are here";
    QCOMPARE(editor->toPlainText(), replaced);
    QCOMPARE(Mask(*editor->document(), s), WholeTextMask(replaced, s));
    QVERIFY(status().contains("3 matches replaced"));
    QVERIFY(ActionNamed(*doc, "mnuEditUndo")->isEnabled());
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->toPlainText(), text);
    QCOMPARE(Mask(*editor->document(), s), original);
    QVERIFY(!ActionNamed(*doc, "mnuEditUndo")->isEnabled());
    // Nothing to replace changes nothing.
    find->setText("nowhere");
    bar->findChild<QPushButton*>("ReplaceAllButton")->click();
    QCOMPARE(editor->toPlainText(), text);
    QVERIFY(!ActionNamed(*doc, "mnuEditUndo")->isEnabled());

    // Escape closes the bar and gives the text the keys again.
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(editor->hasFocus());

    // Go to Line proposes the caret's line within the text's lines and puts
    // the caret at the start of the line chosen; "Line:" follows.
    editor->moveCursor(QTextCursor::Start);
    seams.ExpectLineNumber(3);
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(seams.lastLineRange, std::make_pair(1, 4));
    QCOMPARE(editor->textCursor().blockNumber(), 2);
    QCOMPARE(editor->textCursor().positionInBlock(), 0);
    QCOMPARE(frame.statusPanel(0)->text().simplified(), QString("Line: 3"));
    seams.ExpectLineNumber(0);
    Trigger(ActionNamed(*doc, "mnuEditGoToLine"));
    QCOMPARE(editor->textCursor().blockNumber(), 2);

    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
  }
};

QTEST_MAIN(SearchTest)
#include "search_test.moc"
