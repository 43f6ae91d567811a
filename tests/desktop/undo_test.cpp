// Flows through a document window's one-step undo and its keyboard: what
// Backspace and Delete keep, which keys end the record, the replay of every
// kind of action, the enabling across windows, Return's indentation and the
// status line.
#include <QClipboard>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTextBlock>
#include <QtTest>

#include "colourmask.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// R reserved word, S string, C comment, . plain; blanks and tabs left out.
QString Mask(const TMainForm& doc, const ws::Settings& s) {
  return ColourMask(*doc.editor()->document(), s, u" \t");
}

QString WholeTextMask(const QString& text, const ws::Settings& s) {
  QTextDocument document;
  document.setPlainText(text);
  ColourWholeText(document, s);
  return ColourMask(document, s, u" \t");
}

void SetCaret(TMainForm& doc, int position, int anchor = -1) {
  QTextCursor cursor = doc.editor()->textCursor();
  cursor.setPosition(anchor < 0 ? position : anchor);
  if (anchor >= 0) cursor.setPosition(position, QTextCursor::KeepAnchor);
  doc.editor()->setTextCursor(cursor);
}

// A key as X11 reports it, with its native key symbol.
void NativeKey(QWidget* widget, Qt::Key key, quint32 keysym) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, 0, keysym, 0);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, 0, keysym, 0);
  QApplication::sendEvent(widget, &release);
}

}  // namespace

class UndoTest : public QObject, DesktopFixture {
  Q_OBJECT

  TMainForm* Load(TFrameForm& frame, const QString& name, const QByteArray& text) {
    const QString path = dir->path() + "/" + name;
    WriteFile(path, text);
    frame.OpenInNewDocument(path);
    TMainForm* doc = frame.ActiveDocument();
    return doc && doc->fileName() == path ? doc : nullptr;
  }

  static bool UndoEnabled(TFrameForm& frame, TMainForm& doc) {
    const bool item = ActionNamed(doc, "mnuEditUndo")->isEnabled();
    const bool tool = frame.action("tbUndo")->isEnabled();
    return item && tool;
  }

 private slots:
  void init() { SetUpFolders(); }

  void cleanup() { VerifySeams(); }

  void keysFeedTheRecord() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    const UndoEntry& undo = frame.undoRecord().entry();
    TMainForm* doc = frame.ActiveDocument();
    QVERIFY(doc);
    Editor* editor = doc->editor();

    // Three letters typed into a string, three Backspaces, one Undo: the
    // letters are back in their place, in the string's colour.
    QTest::keyClicks(editor, "tag \"t\" \"\"");
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClicks(editor, "abc");
    for (int i = 0; i < 3; ++i) QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editor->toPlainText(), QString("tag \"t\" \"\""));
    QCOMPARE(undo.kind, UndoKind::Backspace);
    QCOMPARE(undo.keyText, QString("abc"));
    QCOMPARE(undo.start, 9);
    QVERIFY(UndoEnabled(frame, *doc));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->toPlainText(), QString("tag \"t\" \"abc\""));
    QCOMPARE(editor->textCursor().position(), 12);
    QCOMPARE(Mask(*doc, s), QString("RRRSSSSSSSS"));
    // One step only: Undo is off, and Ctrl+Z now changes nothing.
    QVERIFY(!ActionNamed(*doc, "mnuEditUndo")->isEnabled());
    QVERIFY(!frame.action("tbUndo")->isEnabled());
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->toPlainText(), QString("tag \"t\" \"abc\""));

    // Two Deletes before a three-letter word, then Undo: the letters come
    // back before the third, and the word is a reserved word again.
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "x end");
    SetCaret(*doc, 16);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(editor->document()->lastBlock().text(), QString("x d"));
    QCOMPARE(Mask(*doc, s).section('|', 1), QString(".."));
    QCOMPARE(undo.kind, UndoKind::DeleteKey);
    QCOMPARE(undo.keyText, QString("en"));

    // The keys of the list keep the record; moving the caret away and
    // pressing Delete again starts a new run there.
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home,
                        Qt::Key_End, Qt::Key_Insert, Qt::Key_Insert, Qt::Key_Shift, Qt::Key_Control,
                        Qt::Key_Alt, Qt::Key_CapsLock, Qt::Key_Backtab}) {
      QTest::keyClick(editor, key);
      QVERIFY2(undo.kind == UndoKind::DeleteKey, qPrintable(QKeySequence(key).toString()));
    }
    NativeKey(editor, Qt::Key_Meta, 0xffec);  // the right Windows key
    QCOMPARE(undo.kind, UndoKind::DeleteKey);
    editor->setFocus();
    QVERIFY(!editor->overwriteMode());
    QVERIFY(UndoEnabled(frame, *doc));
    SetCaret(*doc, 16);
    doc->mnuEditUndoClick();
    QCOMPARE(editor->document()->lastBlock().text(), QString("x end"));
    QCOMPARE(editor->textCursor().position(), 16);
    QCOMPARE(Mask(*doc, s).section('|', 1), QString(".RRR"));

    // A letter, Page Down, Escape and the left Windows key end the record.
    const auto recordDelete = [&] {
      SetCaret(*doc, 14);
      QTest::keyClick(editor, Qt::Key_Delete);
      QCOMPARE(undo.kind, UndoKind::DeleteKey);
      QCOMPARE(undo.keyText, QString("x"));
    };
    const auto typeAgain = [&](const char* letter) {
      SetCaret(*doc, 14);
      QTest::keyClicks(editor, letter);
      QCOMPARE(undo.kind, UndoKind::None);
    };
    recordDelete();
    QTest::keyClick(editor, Qt::Key_PageDown);
    QCOMPARE(undo.kind, UndoKind::None);
    QVERIFY(!ActionNamed(*doc, "mnuEditUndo")->isEnabled());
    QVERIFY(!frame.action("tbUndo")->isEnabled());
    typeAgain("x");
    recordDelete();
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(undo.kind, UndoKind::None);
    typeAgain("x");
    recordDelete();
    NativeKey(editor, Qt::Key_Meta, 0xffeb);
    QCOMPARE(undo.kind, UndoKind::None);
    typeAgain("y");
    QCOMPARE(editor->document()->lastBlock().text(), QString("y end"));

    // Backspace over a selection, then Ctrl+Backspace over a word: each
    // keeps exactly what it removed.
    SetCaret(*doc, 4, 9);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editor->document()->firstBlock().text(), QString("tag abc\""));
    QCOMPARE(undo.keyText, QString("\"t\" \""));
    doc->mnuEditUndoClick();
    QCOMPARE(editor->document()->firstBlock().text(), QString("tag \"t\" \"abc\""));
    QCOMPARE(Mask(*doc, s).section('|', 0, 0), QString("RRRSSSSSSSS"));
    SetCaret(*doc, 19);
    QTest::keyClick(editor, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(editor->document()->lastBlock().text(), QString("y "));
    QCOMPARE(undo.keyText, QString("end"));
    doc->mnuEditUndoClick();
    QCOMPARE(editor->document()->lastBlock().text(), QString("y end"));

    // Typing over a selection is the control's own change: Undo takes the
    // typed letter away and puts the selection back.
    SetCaret(*doc, 19, 16);
    QTest::keyClicks(editor, "q");
    QCOMPARE(editor->document()->lastBlock().text(), QString("y q"));
    QCOMPARE(undo.kind, UndoKind::Native);
    QVERIFY(UndoEnabled(frame, *doc));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->document()->lastBlock().text(), QString("y end"));
    QVERIFY(!editor->document()->isUndoAvailable());

    // The document stays modified after Undo, so closing asks to save.
    editor->document()->setModified(false);
    SetCaret(*doc, 17);
    QTest::keyClick(editor, Qt::Key_Delete);
    doc->mnuEditUndoClick();
    QCOMPARE(editor->toPlainText(), QString("tag \"t\" \"abc\"\ny end"));
    QVERIFY(editor->document()->isModified());
    // Tab keeps the record too (a Delete at the end removes nothing).
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(undo.kind, UndoKind::DeleteKey);
    QCOMPARE(editor->document()->lastBlock().text(), QString("y end\t"));
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::No);
    QVERIFY(frame.close());
  }

  void commandsAndClipboardUndo() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    const UndoEntry& undo = frame.undoRecord().entry();
    QClipboard* clipboard = QApplication::clipboard();

    // Make new file...: the block goes, the line break before it too.
    const QByteArray source =
        "set x \"1\"\r\ntag \"t\" \"v w\"\r\ntag \"u\" \r\n  -- body\r\n"
        "  set y \"2\"\r\nend\r\nend";
    TMainForm* doc = Load(frame, "site.bld", source);
    QVERIFY(doc);
    const QString original = doc->editor()->toPlainText();
    const QString originalMask = Mask(*doc, s);
    QCOMPARE(originalMask, WholeTextMask(original, s));
    SetCaret(*doc, 3);
    seams.ExpectOpenFile("Make New File...", dir->path() + "/page.htm");
    doc->mnuCommandsNewFileClick();
    QVERIFY(doc->editor()->toPlainText().startsWith("set x \"1\"\nnew \"page.htm\""));
    QVERIFY(UndoEnabled(frame, *doc));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QVERIFY(!UndoEnabled(frame, *doc));
    QCOMPARE(undo.kind, UndoKind::None);

    // Nest in tag: the value is back at the end of the tag line, a string.
    SetCaret(*doc, 12);
    doc->mnuCommandsNestClick();
    QCOMPARE(doc->editor()->document()->findBlockByNumber(1).text(), QString("tag \"t\" "));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(Mask(*doc, s), originalMask);

    // De-Nest a tag: body and end line come back with their colours in
    // place of the quotes.
    SetCaret(*doc, 27);
    doc->mnuCommandsDeNestClick();
    QCOMPARE(doc->editor()->document()->findBlockByNumber(2).text(), QString("tag \"u\" \"\""));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(Mask(*doc, s), originalMask);

    // Paste removes exactly what it put in, and the clipboard keeps it;
    // a selection the paste replaced comes back.
    clipboard->setText("include \"a.htm\"\n");
    SetCaret(*doc, 0);
    QTest::keyClick(doc->editor(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(doc->editor()->toPlainText().startsWith("include \"a.htm\"\nset x"));
    QCOMPARE(undo.kind, UndoKind::Paste);
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(clipboard->text(), QString("include \"a.htm\"\n"));
    SetCaret(*doc, 9, 6);
    doc->mnuEditPasteClick();
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(Mask(*doc, s), originalMask);

    // Cut and Clear: the text comes back coloured; Cut leaves it on the
    // clipboard, Clear leaves the clipboard alone.
    SetCaret(*doc, 20, 10);
    QTest::keyClick(doc->editor(), Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString("tag \"t\" \"v"));
    QCOMPARE(undo.kind, UndoKind::Cut);
    QVERIFY(UndoEnabled(frame, *doc));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(Mask(*doc, s), originalMask);
    SetCaret(*doc, 39, 28);
    doc->mnuEditDeleteClick();
    QCOMPARE(undo.kind, UndoKind::Clear);
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    QCOMPARE(Mask(*doc, s), originalMask);
    QCOMPARE(clipboard->text(), QString("tag \"t\" \"v"));
    // Shift+Delete is the window's Cut too, with its record.
    SetCaret(*doc, 20, 10);
    QTest::keyClick(doc->editor(), Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(undo.kind, UndoKind::Cut);
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    // A drop from outside cannot be undone: it ends the record.
    SetCaret(*doc, 0);
    doc->mnuEditPasteClick();
    QMimeData dropped;
    dropped.setText("run \"x.bld\"\n");
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(doc->editor()->viewport(), &enter);
    QDragMoveEvent move(QPoint(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(doc->editor()->viewport(), &move);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(doc->editor()->viewport(), &drop);
    QVERIFY(doc->editor()->toPlainText().contains("run \"x.bld\""));
    QCOMPARE(undo.kind, UndoKind::None);
    QVERIFY(!UndoEnabled(frame, *doc));
    doc->LoadBuildFile(dir->path() + "/site.bld");
    QCOMPARE(doc->editor()->toPlainText(), original);
    // A paste with nothing to paste makes no record.
    clipboard->clear();
    SetCaret(*doc, 6, 9);
    doc->mnuEditPasteClick();
    QCOMPARE(undo.kind, UndoKind::None);
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    clipboard->setText("include \"a.htm\"\n");

    // Switching windows: Undo stays on for an insertion made in the window
    // come back to, and goes off for anything else.
    SetCaret(*doc, 0);
    seams.ExpectOpenFile("Select File For Run Command...", dir->path() + "/more.bld");
    doc->mnuCommandsRunClick();
    TMainForm* other = Load(frame, "other.bld", "set z \"3\"\r\n");
    QVERIFY(other);
    QVERIFY(!UndoEnabled(frame, *other));
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    QCOMPARE(frame.ActiveDocument(), doc);
    QVERIFY(UndoEnabled(frame, *doc));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), original);
    SetCaret(*doc, 0);
    doc->mnuEditPasteClick();
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    QVERIFY(!UndoEnabled(frame, *doc));
    // The context menu's Undo is always there; in another window than the
    // record's it leaves that text alone.
    const QString otherText = other->editor()->toPlainText();
    other->mnuEditUndoClick();
    QCOMPARE(other->editor()->toPlainText(), otherText);
    QCOMPARE(undo.kind, UndoKind::None);

    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }

  void returnAndTheStatusLine() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TMainForm* doc = frame.ActiveDocument();
    QVERIFY(doc);
    Editor* editor = doc->editor();
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  1 "));

    // Enter carries the blanks and tabs before the caret over: two tabs,
    // one tab (caret after the first), none; a split line keeps its rest.
    QTest::keyClicks(editor, "\t\tset x 1");
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(editor->textCursor().block().text(), QString("\t\t"));
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Right);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(editor->textCursor().block().text(), QString("\t\t"));
    QCOMPARE(editor->textCursor().positionInBlock(), 1);
    QCOMPARE(editor->textCursor().block().previous().text(), QString("\t"));
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "end");
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(editor->textCursor().block().text(), QString("\t\tend"));
    QCOMPARE(editor->textCursor().positionInBlock(), 0);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(editor->textCursor().block().text(), QString("\t\t"));
    SetCaret(*doc, 2);
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(editor->textCursor().block().text(), QString("\t\tset x 1"));
    QCOMPARE(editor->textCursor().block().previous().text(), QString("\t\t"));
    QVERIFY(!editor->toPlainText().contains(QChar::LineSeparator));
    QCOMPARE(editor->document()->blockCount(), 6);
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  2 "));

    // Four places on line 1000.
    QStringList lines;
    for (int i = 0; i < 1200; ++i) lines << "set x 1";
    TMainForm* big = Load(frame, "big.bld", lines.join("\r\n").toUtf8());
    QVERIFY(big);
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  1 "));
    SetCaret(*big, big->editor()->document()->findBlockByNumber(999).position() + 3);
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:1000 "));

    // A menu item's hint in panel 1, then back to the idle text.
    ActionNamed(*big, "mnuFileSave")->showStatusText(big->editor());
    QCOMPARE(frame.statusPanel(1)->text(), QString("Saves the active build file"));
    QStatusTipEvent none("");
    QApplication::sendEvent(big->editor(), &none);
    QCOMPARE(frame.statusPanel(1)->text(), QString("For Help, press F1"));

    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
