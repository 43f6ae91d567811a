// Flows through the "&Commands" menu of a document window: the file commands
// with their dialogs answered by the test (placement, indentation, relative
// names, colouring, one undo step), Nest in tag and De-Nest a tag with their
// warnings.
#include <QTextBlock>
#include <QtTest>

#include "colouring.h"
#include "colourmask.h"
#include "scriptedseams.h"
#include "tagform.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// R reserved word, S string, C comment, . plain; blanks left out.
QString Mask(const QTextDocument& document, const ws::Settings& s) {
  return testing::ColourMask(document, s, u" \t");
}

void SetCaret(TMainForm& doc, int position) {
  QTextCursor cursor = doc.editor()->textCursor();
  cursor.setPosition(position);
  doc.editor()->setTextCursor(cursor);
}

int Caret(const TMainForm& doc) {
  return doc.editor()->textCursor().position();
}

}  // namespace

class CommandsTest : public QObject, DesktopFixture {
  Q_OBJECT

  // A document window holding `text`, loaded from site/site.bld.
  TMainForm* Load(TFrameForm& frame, const QByteArray& text) {
    WriteFile(site + "site.bld", text);
    TMainForm* doc = frame.ActiveDocument();
    if (!doc || !doc->LoadBuildFile(site + "site.bld")) return nullptr;
    return doc;
  }

 private slots:
  void init() {
    SetUpFolders();
    QDir().mkpath(site + "parts");
  }
  void cleanup() { VerifySeams(); }

  void fileCommands() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    frame.prefs().controls.Indent = 1;  // two blanks
    const ws::Settings& s = frame.settings();
    const UndoEntry& undo = frame.undoRecord().entry();

    // "Run another build file..." in an "Untitled" window: the full path, on
    // the empty first line; the build-file filter.
    TMainForm* doc = frame.ActiveDocument();
    QVERIFY(doc);
    QCOMPARE(doc->fileName(), QString("Untitled"));
    const QString other = dir->path() + "/other/more.bld";
    seams.ExpectOpenFile("Select File For Run Command...", other);
    Trigger(ActionNamed(*doc, "mnuCommandsRun"));
    QCOMPARE(QtFileFilterEntry(seams.lastOpenRequest.filter, seams.lastOpenRequest.filterIndex),
             QString("Build files (*.bld)"));
    QCOMPARE(doc->editor()->toPlainText(), "run \"" + other + "\"");
    QCOMPARE(Caret(*doc), int(doc->editor()->toPlainText().size()));
    QCOMPARE(Mask(*doc->editor()->document(), s), "RRR" + QString(other.size() + 2, 'S'));
    QCOMPARE(undo.kind, UndoKind::Insert);
    QVERIFY(ActionNamed(*doc, "mnuEditUndo")->isEnabled());

    // "Make new file..." on an indented line, caret in mid-line: below it,
    // with a name relative to the build file's folder.
    doc = Load(frame, "  set x \"1\"\r\nend\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 5);
    seams.ExpectOpenFile("Make New File...", site + "parts/a.htm");
    Trigger(ActionNamed(*doc, "mnuCommandsNewFile"));
    QCOMPARE(QtFileFilterEntry(seams.lastOpenRequest.filter, seams.lastOpenRequest.filterIndex),
             QString("HTML files, text files (*.htm *.txt *.html)"));
    QCOMPARE(doc->editor()->toPlainText(),
             QString("  set x \"1\"\n  new \"parts/a.htm\"\n    \n  end\nend"));
    QCOMPARE(Caret(*doc), 11 + 1 + 19 + 1 + 4);
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 1, 3),
             QString("RRRSSSSSSSSSSSSS||RRR"));
    // One undo step takes the whole insertion back.
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), QString("  set x \"1\"\nend"));

    // On a blank line the command goes after its blanks.
    doc = Load(frame, "new \"a.htm\"\r\n  \r\nend\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 14);
    seams.ExpectOpenFile("Make New File...", site + "b.htm");
    doc->mnuCommandsNewFileClick();
    QCOMPARE(doc->editor()->toPlainText(),
             QString("new \"a.htm\"\n  new \"b.htm\"\n    \n  end\nend"));
    QCOMPARE(Caret(*doc), 12 + 13 + 1 + 4);

    // With a selection "Make new file..." inserts nothing; a cancelled
    // dialog inserts nothing and keeps the undo record.
    const QString before = doc->editor()->toPlainText();
    frame.undoRecord().Clear();
    QTextCursor selection = doc->editor()->textCursor();
    selection.setPosition(0);
    selection.setPosition(3, QTextCursor::KeepAnchor);
    doc->editor()->setTextCursor(selection);
    seams.ExpectOpenFile("Make New File...", site + "c.htm");
    doc->mnuCommandsNewFileClick();
    QCOMPARE(doc->editor()->toPlainText(), before);
    SetCaret(*doc, 0);
    seams.ExpectOpenFile("Select File For Include Tag In File Command...", "");
    doc->mnuCommandsIncludeClick();
    seams.ExpectOpenFile("Select File For Run Command...", "");
    doc->mnuCommandsRunClick();
    QCOMPARE(doc->editor()->toPlainText(), before);
    QCOMPARE(undo.kind, UndoKind::None);

    // "Include file..." with a file in a sibling folder, from a line with a
    // tab before the command; the tag dialog lists the file's tags and each
    // Add puts a tag line below, at the include line's indentation.
    QDir().mkpath(dir->path() + "/other");
    WriteFile(dir->path() + "/other/x.htm",
              "<!--tag \"w1\"-->a<!--/tag \"w1\"-->\r\n%%s1%% %%s2%%\r\n"
              "<!--tag \"w2\"-->b<!--/tag \"w2\"-->");
    doc = Load(frame, "new \"a.htm\"\r\n\tset y \"2\"\r\nend\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 14);
    seams.ExpectOpenFile("Select File For Include Tag In File Command...",
                         dir->path() + "/other/x.htm");
    doc->mnuCommandsIncludeClick();
    QCOMPARE(doc->editor()->toPlainText(),
             QString("new \"a.htm\"\n\tset y \"2\"\n\tinclude \"../other/x.htm\"\nend"));
    QCOMPARE(Caret(*doc), 12 + 10 + 26);
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 2, 2),
             QString("RRRRRRRSSSSSSSSSSSSSSSS"));
    TTagForm* tags = frame.tagForm();
    QVERIFY(tags->isVisible());
    QVERIFY(tags->parentWidget() == &frame);  // above the frame only
    QCOMPARE(tags->windowTitle(), QString("Please choose which tags you would like to edit...."));
    QCOMPARE(tags->BitBtnOK->text(), QString("Add"));
    QCOMPARE(tags->BitBtnCancel->text(), QString("Done"));
    QVERIFY(!tags->BitBtnOK->isEnabled() && !tags->btnShowTag->isEnabled());
    QVERIFY(tags->BitBtnAddAll->isEnabled());
    QCOMPARE(tags->WideTags->count(), 2);
    QCOMPARE(tags->WideTags->item(1)->text(), QString("w2"));
    QCOMPARE(tags->ShortTags->count(), 2);
    const auto pick = [](QListWidget* list, int row) {
      QListWidgetItem* item = list->item(row);
      list->setCurrentItem(item);
      emit list->itemClicked(item);
    };
    pick(tags->WideTags, 1);
    QVERIFY(tags->BitBtnOK->isEnabled() && tags->btnShowTag->isEnabled());
    tags->BitBtnOK->click();
    pick(tags->ShortTags, 0);
    QVERIFY(tags->WideTags->selectedItems().isEmpty());
    QVERIFY(tags->BitBtnOK->isEnabled() && !tags->btnShowTag->isEnabled());
    tags->BitBtnOK->click();
    pick(tags->WideTags, 0);
    tags->BitBtnOK->click();
    QVERIFY(tags->isVisible());
    QCOMPARE(doc->editor()->toPlainText(),
             QString("new \"a.htm\"\n\tset y \"2\"\n\tinclude \"../other/x.htm\"\n"
                     "\ttag \"w2\" \"\"\n\ttag \"s1\" \"\"\n\ttag \"w1\" \"\"\nend"));
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 3, 5),
             QString("RRRSSSSSS|RRRSSSSSS|RRRSSSSSS"));
    QCOMPARE(undo.kind, UndoKind::Insert);
    // Clicking the frame brings the dialog back in front; not while a
    // message box is open.
    QApplication::setActiveWindow(tags);
    QTRY_COMPARE(QApplication::activeWindow(), tags);
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), tags);
    QVERIFY(FrameKeepsFocusDuringMessage(frame, seams));

    // Done: a further Add would insert nothing.
    tags->BitBtnCancel->click();
    QVERIFY(!tags->isVisible());

    // The preference off: the full path, even beside the build file.
    frame.prefs().controls.mnuEditUse = false;
    SetCaret(*doc, 0);
    seams.ExpectOpenFile("Select File For Run Command...", site + "sub.bld");
    doc->mnuCommandsRunClick();
    QCOMPARE(doc->editor()->document()->findBlockByNumber(1).text(), "run \"" + site + "sub.bld\"");
  }

  void nestAndDeNest() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    frame.prefs().controls.Indent = 1;  // two blanks
    const ws::Settings& s = frame.settings();
    const UndoEntry& undo = frame.undoRecord().entry();

    // An indented one-line tag with an empty value becomes nested.
    TMainForm* doc = Load(frame, "  tag \"t\" \"\"\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 3);
    Trigger(ActionNamed(*doc, "mnuCommandsNest"));
    QCOMPARE(doc->editor()->toPlainText(), QString("  tag \"t\" \n    \n  end"));
    QCOMPARE(Caret(*doc), 10 + 1 + 4);
    QCOMPARE(undo.kind, UndoKind::Nest);
    QCOMPARE(undo.text.toPlainText(), QString("\"\""));
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 2, 2), QString("RRR"));

    // Already nested: the warning, the caret at the line's end.
    SetCaret(*doc, 2);
    seams.ExpectMessage(BoxKind::Warning, "", "You can not use \"Nest In Tag\" here!");
    doc->mnuCommandsNestClick();
    QCOMPARE(Caret(*doc), 10);
    QCOMPARE(doc->editor()->toPlainText(), QString("  tag \"t\" \n    \n  end"));
    // Undo takes the nesting back as one step, the value included.
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->toPlainText(), QString("  tag \"t\" \"\""));

    // A set of a variable whose name holds "tag" nests too.
    doc = Load(frame, "set tagcount 5\r\n");
    QVERIFY(doc);
    doc->mnuCommandsNestClick();
    QCOMPARE(doc->editor()->toPlainText(), QString("set tagcount \n  \nend"));
    QCOMPARE(undo.text.toPlainText(), QString("5"));

    // De-Nest over a body holding a nested repeat block: body and end go,
    // the text below stays, the caret sits between the new quotes.
    doc = Load(frame, "tag \"t\" \r\n  repeat 2 \r\n    x\r\n  end\r\nend\r\nafter\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 1);
    Trigger(ActionNamed(*doc, "mnuCommandsDeNest"));
    QCOMPARE(doc->editor()->toPlainText(), QString("tag \"t\" \"\"\nafter"));
    QCOMPARE(Caret(*doc), 9);
    QCOMPARE(undo.kind, UndoKind::DeNest);
    QCOMPARE(undo.start, 8);
    QCOMPARE(undo.text.toPlainText(), QString("\n  repeat 2 \n    x\n  end\nend"));

    // The warnings: a tag line with a value, a closing line, the last line;
    // the caret goes back where it was.
    seams.ExpectMessage(BoxKind::Warning, "", "You can not use \"De-Nest a Tag\" here!");
    doc->mnuCommandsDeNestClick();
    QCOMPARE(Caret(*doc), 9);
    doc = Load(frame, "end tag\r\ntag \"t\" \r\n");
    QVERIFY(doc);
    SetCaret(*doc, 2);
    seams.ExpectMessage(BoxKind::Warning, "", "You can not use \"De-Nest a Tag\" here!");
    doc->mnuCommandsDeNestClick();
    QCOMPARE(Caret(*doc), 2);
    SetCaret(*doc, 10);
    seams.ExpectMessage(BoxKind::Warning, "", "You can not use \"De-Nest a Tag\" here!");
    doc->mnuCommandsDeNestClick();
    QCOMPARE(Caret(*doc), 10);
    QCOMPARE(doc->editor()->toPlainText(), QString("end tag\ntag \"t\" "));

    // No end line below: everything after the tag line goes.
    doc = Load(frame, "  tag \"t\" \r\n    a\r\n    b\r\n");
    QVERIFY(doc);
    doc->mnuCommandsDeNestClick();
    QCOMPARE(doc->editor()->toPlainText(), QString("  tag \"t\" \"\""));
    QCOMPARE(Caret(*doc), 11);
    QCOMPARE(undo.text.toPlainText(), QString("\n    a\n    b"));
  }

  void tagDialogCommands() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    TTagForm* tags = frame.tagForm();
    const auto pick = [](QListWidget* list, int row) {
      QListWidgetItem* item = list->item(row);
      list->setCurrentItem(item);
      emit list->itemClicked(item);
    };
    WriteFile(site + "parts/p.htm",
              "<!--tag \"page\"-->head\r\n<!--tag \"menu\"-->m<!--/tag \"menu\"-->\r\n\r\n"
              "%%t%%<!--/tag \"page\"-->\r\n%%s%%");

    // "Include tag from file...": choice mode, wide tags only; OK inserts.
    TMainForm* doc = Load(frame, "new \"a.htm\"\r\n  set x \"1\"\r\nend\r\n");
    QVERIFY(doc);
    SetCaret(*doc, 14);
    seams.ExpectOpenFile("Select File For Include File Command...", site + "parts/p.htm");
    Trigger(ActionNamed(*doc, "mnuCommandsIncludeTag"));
    QVERIFY(tags->isVisible());
    QVERIFY(tags->ShortTags->isHidden() && tags->ShortLabel->isHidden());
    QVERIFY(tags->BitBtnAddAll->isHidden());
    QCOMPARE(tags->BitBtnOK->text(), QString("OK"));
    QCOMPARE(tags->BitBtnCancel->text(), QString("Cancel"));
    QCOMPARE(tags->WideTags->count(), 2);
    QVERIFY(doc->editor()->toPlainText() == "new \"a.htm\"\n  set x \"1\"\nend");
    pick(tags->WideTags, 1);
    tags->BitBtnOK->click();
    QVERIFY(!tags->isVisible());
    QCOMPARE(doc->editor()->toPlainText(),
             QString("new \"a.htm\"\n  set x \"1\"\n  include \"parts/p.htm\" \"menu\"\nend"));
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 2, 2),
             "RRRRRRR" + QString(13 + 6, 'S'));

    // Cancelled: nothing goes in.
    const QString before = doc->editor()->toPlainText();
    seams.ExpectOpenFile("Select File For Include File Command...", site + "parts/p.htm");
    doc->mnuCommandsIncludeTagClick();
    pick(tags->WideTags, 0);
    tags->BitBtnCancel->click();
    QVERIFY(!tags->isVisible());
    frame.FormActivate();
    QCOMPARE(doc->editor()->toPlainText(), before);

    // "Replace tag in file..." below an include inside a closed new block
    // does nothing; below an include in an open block it offers that file.
    doc = Load(frame,
               "new \"a.htm\"\r\n  include \"parts/p.htm\"\r\nend\r\n"
               "new \"b.htm\"\r\n  include \"parts/p.htm\"\r\n\r\n\r\nend\r\n");
    QVERIFY(doc);
    SetCaret(*doc, doc->editor()->document()->findBlockByNumber(3).position());
    tags->hide();
    doc->mnuCommandsReplaceTagClick();
    QVERIFY(!tags->isVisible());
    SetCaret(*doc, doc->editor()->document()->findBlockByNumber(5).position());
    Trigger(ActionNamed(*doc, "mnuCommandsReplaceTag"));
    QVERIFY(tags->isVisible());
    QCOMPARE(tags->scannedText(), QString::fromUtf8(ReadFile(site + "parts/p.htm")));
    QCOMPARE(tags->ShortTags->count(), 2);
    pick(tags->ShortTags, 1);
    tags->BitBtnOK->click();
    QCOMPARE(doc->editor()->document()->findBlockByNumber(5).text(), QString("tag \"s\" \"\""));

    // "&Show tag" on a wide tag whose body holds nested tags.
    pick(tags->WideTags, 0);
    tags->btnShowTag->click();
    TViewForm* view = tags->viewForm();
    QVERIFY(view->isVisible());
    QVERIFY(tags->viewForm()->isVisible());
    QCOMPARE(view->windowTitle(), QString("page"));
    QCOMPARE(view->TagName->toPlainText(),
             QString("head <!--tag \"menu\"-->m<!--/tag \"menu\"--> %%t%%"));
    QCOMPARE(view->SubTags->count(), 2);
    QCOMPARE(view->SubTags->item(0)->text(), QString("t"));
    QCOMPARE(view->SubTags->item(1)->text(), QString("menu"));
    emit view->SubTags->itemClicked(view->SubTags->item(1));
    QCOMPARE(view->TagName->textCursor().selectedText(), QString("menu"));
    // The viewer stays in front until OK, then hands over to the results.
    QApplication::setActiveWindow(view);
    QTRY_COMPARE(QApplication::activeWindow(), view);
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), view);
    view->BitBtnOK->click();
    QVERIFY(!view->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), tags);
    QCOMPARE(view->SubTags->count(), 0);

    // A click on the background clears the selections.
    pick(tags->WideTags, 0);
    QTest::mouseClick(tags, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(tags->WideTags->selectedItems().isEmpty());
    QVERIFY(!tags->BitBtnOK->isEnabled() && !tags->btnShowTag->isEnabled());

    // Add All on a blank caret line: wide before short, the first name on
    // that line, one undo step.
    SetCaret(*doc, doc->editor()->document()->findBlockByNumber(6).position());
    tags->BitBtnAddAll->click();
    QVERIFY(!tags->isVisible());
    QCOMPARE(doc->editor()->toPlainText().section('\n', 6),
             QString("tag \"page\" \"\"\ntag \"menu\" \"\"\ntag \"t\" \"\"\ntag \"s\" \"\"\nend"));
    QCOMPARE(Mask(*doc->editor()->document(), s).section('|', 6, 9),
             QString("RRRSSSSSSSS|RRRSSSSSSSS|RRRSSSSS|RRRSSSSS"));
    doc->mnuEditUndoClick();
    QCOMPARE(doc->editor()->document()->findBlockByNumber(6).text(), QString());

    // A file that cannot be read: the message, empty lists, no Add All.
    seams.ExpectMessage(BoxKind::Error, "", "Cannot open file " + site + "missing.htm");
    tags->ShowFor(site + "missing.htm", false);
    QCOMPARE(tags->WideTags->count() + tags->ShortTags->count(), 0);
    QVERIFY(!tags->BitBtnAddAll->isEnabled());
    tags->BitBtnCancel->click();
  }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
