// Flows through a document window: open and save (plain and RTF), typing
// with the caret-line colouring, the build commands on the worker thread
// (Run This Script, Check Syntax, Reformat Text, the progress window),
// printing, paste, and the user's clipboard left alone.
#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextFrame>
#include <QtTest>

#include "colouring.h"
#include "colourmask.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// R reserved word, S string, C comment, . plain; blanks are left out (the
// caret-line pass does not recolour blanks, so typed ones keep a neighbour's).
QString Mask(const QTextDocument& document, const ws::Settings& s) {
  return testing::ColourMask(document, s);
}

QString WholeTextMask(const QString& text, const ws::Settings& s) {
  QTextDocument document;
  document.setPlainText(text);
  ColourWholeText(document, s);
  return Mask(document, s);
}

// Types the lines as they stand: the indentation a Return carries over is
// taken away first.
void TypeLines(Editor* editor, const QStringList& lines) {
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      QTest::keyClick(editor, Qt::Key_Return);
      QTest::keyClick(editor, Qt::Key_Home, Qt::ShiftModifier);
      if (editor->textCursor().hasSelection()) QTest::keyClick(editor, Qt::Key_Delete);
    }
    QTest::keyClicks(editor, lines[i]);
  }
}

}  // namespace

class DocumentTest : public QObject, DesktopFixture {
  Q_OBJECT

  TMainForm* OpenThroughFrame(TFrameForm& frame, const QString& path) {
    seams.ExpectOpenFile("Select build file to open...", path);
    const auto before = frame.Documents().size();
    frame.Open();
    if (frame.Documents().size() != before + 1) return nullptr;
    return frame.ActiveDocument();
  }

 private slots:
  void init() {
    SetUpFolders();
    QGuiApplication::clipboard()->setText("the user's copied text");
  }
  void cleanup() {
    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    seams.onMessage = nullptr;
  }

  void openSaveAndTheClipboard() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    QClipboard* clipboard = QGuiApplication::clipboard();

    // A plain build file opens in a new window, coloured.
    const QString plain = site + "plain.bld";
    WriteFile(plain, "-- pages\r\nnew \"a.htm\"\r\n\tinclude \"p.htm\" \"menu\"\r\nend\r\n");
    TMainForm* doc = OpenThroughFrame(frame, plain);
    QVERIFY(doc);
    QCOMPARE(frame.Documents().size(), 2);
    QCOMPARE(doc->caption(), QString("plain.bld"));
    QCOMPARE(doc->fileName(), plain);
    const QString text = "-- pages\nnew \"a.htm\"\n\tinclude \"p.htm\" \"menu\"\nend";
    QCOMPARE(doc->editor()->toPlainText(), text);
    QCOMPARE(Mask(*doc->editor()->document(), s), WholeTextMask(text, s));
    QCOMPARE(Mask(*doc->editor()->document(), s),
             QString("CCCCCCC|RRRSSSSSSS|.RRRRRRRSSSSSSSSSSSSS|RRR"));
    QVERIFY(!doc->editor()->document()->isModified());
    QCOMPARE(doc->editor()->textCursor().position(), 0);
    QCOMPARE(clipboard->text(), QString("the user's copied text"));
    // Undo cannot take the loaded text away.
    QVERIFY(!doc->editor()->document()->isUndoAvailable());

    // RTF written by another program opens with its text.
    TMainForm* rtf =
        OpenThroughFrame(frame, QString(WEFTSMITH_TEST_DATA) + "/rtf/build.libreoffice.rtf");
    QVERIFY(rtf);
    const QString expected =
        QString::fromUtf8(ReadFile(QString(WEFTSMITH_TEST_DATA) + "/rtf/build.txt"));
    QCOMPARE(rtf->editor()->toPlainText(), expected);
    QVERIFY(rtf->editor()->toPlainText().contains(QString::fromUtf8("Café Zürich")));

    // Save As writes RTF; opened again, the same text, coloured afresh.
    const QString saved = site + "saved.bld";
    seams.ExpectSaveFile("Save current file into folder...", saved);
    Trigger(ActionNamed(*rtf, "mnuFileSaveAs"));
    QCOMPARE(rtf->caption(), QString("saved.bld"));
    QCOMPARE(rtf->fileName(), saved);
    QVERIFY(ReadFile(saved).startsWith("{\\rtf"));
    TMainForm* again = OpenThroughFrame(frame, saved);
    QVERIFY(again);
    QCOMPARE(again->editor()->toPlainText(), expected);
    QCOMPARE(Mask(*again->editor()->document(), s), WholeTextMask(expected, s));

    // A file that cannot be read: a message naming it, no new window.
    const QString missing = site + "missing.bld";
    seams.ExpectOpenFile("Select build file to open...", missing);
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + missing);
    frame.Open();
    QCOMPARE(frame.Documents().size(), 4);
    // Loading it into an open window keeps that window's text.
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + missing);
    QVERIFY(!again->LoadBuildFile(missing));
    QCOMPARE(again->editor()->toPlainText(), expected);
    QCOMPARE(again->fileName(), saved);

    // The window's own Open starts in the folder of its file.
    seams.ExpectOpenFile("Open build file...", "");
    Trigger(ActionNamed(*again, "mnuFileOpen"));
    QCOMPARE(seams.lastOpenFolder + "/", site);

    // Activation recolours from the text, removes empty last lines, keeps
    // blank ones, the caret and the modified flag, and the clipboard.
    QTextCursor end = doc->editor()->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText("\n  \n\n\n");
    doc->editor()->document()->setModified(false);
    QTextCursor at = doc->editor()->textCursor();
    at.setPosition(12);
    doc->editor()->setTextCursor(at);
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    QCOMPARE(frame.ActiveDocument(), doc);
    QCOMPARE(doc->editor()->toPlainText(), text + "\n  ");
    QCOMPARE(doc->editor()->textCursor().position(), 12);
    QCOMPARE(Mask(*doc->editor()->document(), s), WholeTextMask(text + "\n  ", s));
    QCOMPARE(clipboard->text(), QString("the user's copied text"));

    // Clear erases the selection without the clipboard.
    at.setPosition(0);
    at.setPosition(3, QTextCursor::KeepAnchor);
    doc->editor()->setTextCursor(at);
    QTest::keyClick(doc->editor(), Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(doc->editor()->toPlainText().startsWith("pages"));
    QCOMPARE(frame.undoRecord().kind(), UndoKind::Clear);
    QCOMPARE(frame.undoRecord().entry().text.toPlainText(), QString("-- "));
    QCOMPARE(clipboard->text(), QString("the user's copied text"));
    QVERIFY(frame.action("tbUndo")->isEnabled());

    // An empty clipboard stays empty.
    clipboard->clear();
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(again->parentWidget()));
    QCOMPARE(clipboard->text(), QString());

    // Print and Page Setup go to the printer seams with the file's name.
    seams.ExpectPrint(true);
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), &frame);
    QTest::keyClick(again->editor(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(seams.lastPrintTitle, saved);
    QCOMPARE(seams.lastPrintText, expected);
    seams.ExpectPageSetup(false);
    Trigger(ActionNamed(*again, "mnuFilePageSetup"));

    // A rich paste from elsewhere inserts its text only, coloured as typed.
    auto* mime = new QMimeData;
    mime->setHtml("<table><tr><td><b>set</b> y \"z\"</td></tr></table><img src=\"x.png\">");
    mime->setText("set y \"z\"\r\nend\r\n");
    clipboard->setMimeData(mime);
    QTextCursor start = again->editor()->textCursor();
    start.setPosition(0);
    again->editor()->setTextCursor(start);
    QTest::keyClick(again->editor(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(again->editor()->toPlainText().startsWith("set y \"z\"\nend\n"));
    QVERIFY(again->editor()->document()->rootFrame()->childFrames().isEmpty());
    QVERIFY2(Mask(*again->editor()->document(), s).startsWith("RRR.SSS|RRR"),
             qPrintable(Mask(*again->editor()->document(), s)));
    QVERIFY(!again->editor()->document()->toHtml().contains("<img"));

    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }

  void typingColoursTheCaretLine() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    TMainForm* doc = frame.ActiveDocument();
    Editor* editor = doc->editor();
    editor->setFocus();

    const QStringList lines = {"-- a comment with tag and \"quotes\"",
                               "repeat\tpage \"pages.csv\"",
                               "  new page:\"File\"",
                               "    include \"templates/page.htm\" \"x -- y\"",
                               "    isnot then endx Tag",
                               "    tag\"t\" end--x",
                               "  if a is \"tag\" then",
                               "  // no comment",
                               "  set v \"open",
                               "end"};
    TypeLines(editor, lines);
    const QString text = lines.join('\n');
    QCOMPARE(editor->toPlainText(), text);
    // Typed line by line, each keystroke's line coloured: the same as a
    // whole-text pass.
    QCOMPARE(Mask(*editor->document(), s), WholeTextMask(text, s));
    QCOMPARE(Mask(*editor->document(), s).split('|')[5], QString("RRRSSS...CCC"));
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line: 10 "));

    // A keystroke whose line needed new formats: the undo kind is Native and
    // Undo comes on; one Undo takes back the key and its colouring together.
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "ru");
    QCOMPARE(Mask(*editor->document(), s).split('|').last(), QString(".."));
    QTest::keyClicks(editor, "n");
    QCOMPARE(Mask(*editor->document(), s).split('|').last(), QString("RRR"));
    QCOMPARE(frame.undoRecord().kind(), UndoKind::Native);
    QVERIFY(ActionNamed(*doc, "mnuEditUndo")->isEnabled());
    QVERIFY(frame.action("tbUndo")->isEnabled());
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(editor->toPlainText().endsWith("\nru"));
    QCOMPARE(editor->textCursor().position(), editor->document()->characterCount() - 1);
    QCOMPARE(Mask(*editor->document(), s), WholeTextMask(editor->toPlainText(), s));
    // The control's own redo key does nothing.
    const QString afterUndo = editor->toPlainText();
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->toPlainText(), afterUndo);

    // Shift+Return starts a new line too (no line separator inside a line).
    QTest::keyClick(editor, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(editor, "end");
    QVERIFY(!editor->toPlainText().contains(QChar::LineSeparator));
    QCOMPARE(editor->document()->lastBlock().text(), QString("end"));

    // Select All and Ctrl+A are the window's; Ctrl+Ins is "Nest in tag",
    // not the control's copy.
    QGuiApplication::clipboard()->setText("kept");
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(editor->textCursor().hasSelection());
    QCOMPARE(editor->textCursor().selectedText().size(), editor->toPlainText().size());
    // (The caret's line "end" holds no tag value: the command warns.)
    seams.ExpectMessage(BoxKind::Warning, "", "You can not use \"Nest In Tag\" here!");
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("kept"));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), editor->toPlainText());

    editor->document()->setModified(false);
    QVERIFY(frame.close());
  }

  void buildCommandsOnTheWorker() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    WriteFile(site + "page.htm", "<p>%%t%%</p>");
    const QString build = site + "site.bld";
    WriteFile(build, "new \"out.htm\"\r\n  include \"page.htm\"\r\n  tag \"t\" \"one\"\r\nend\r\n");
    TMainForm* doc = OpenThroughFrame(frame, build);
    QVERIFY(doc);
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), &frame);

    // F9 on a saved build file: its pages, " - running" on the title while
    // it goes, "Build file complete", the title back.
    const QString title = frame.windowTitle();
    QStringList titles;
    connect(&frame, &QWidget::windowTitleChanged, this,
            [&titles](const QString& t) { titles << t; });
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    QTest::keyClick(doc->editor(), Qt::Key_F9);
    QVERIFY(frame.Busy());
    QVERIFY(doc->editor()->isReadOnly());
    QVERIFY(!ActionNamed(*doc, "mnuBuildRun")->isEnabled());
    WaitForBuild(frame);
    QCOMPARE(ReadFile(site + "out.htm"), QByteArray("\r\n<p>one</p>\r\n"));
    QCOMPARE(titles, QStringList({title + " - running", title}));
    QCOMPARE(frame.windowTitle(), title);
    QVERIFY(!doc->editor()->isReadOnly());
    QVERIFY(ActionNamed(*doc, "mnuBuildRun")->isEnabled());

    // Run again after the template changed on disk: the change is seen; so
    // are preferences changed since (the run takes a copy when it starts).
    WriteFile(site + "page.htm", "<div>[[t]]</div>");
    frame.prefs().settings.ShortStart = "[[";
    frame.prefs().settings.ShortEnd = "]]";
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    Trigger(frame.action("tbRun"));
    WaitForBuild(frame);
    QCOMPARE(ReadFile(site + "out.htm"), QByteArray("\r\n<div>one</div>\r\n"));

    // A message during a run: shown by the user-interface thread while the
    // run waits; a plain box is captioned with the application title; the
    // documents take no edits and no second run starts meanwhile.
    TMainForm* plain = OpenThroughFrame(frame, build);
    plain->editor()->selectAll();
    plain->editor()->insertPlainText("new \"o2.htm\"\n  tag \"t\" d:\"c\"\nend");
    bool checkedDuringRun = false;
    seams.onMessage = [&](const QString&, const QString&) {
      QVERIFY(frame.Busy());
      QVERIFY(QThread::currentThread() == frame.thread());
      QVERIFY(plain->editor()->isReadOnly() && doc->editor()->isReadOnly());
      QTest::keyClicks(plain->editor(), "zzz");
      QVERIFY(!ActionNamed(*doc, "mnuBuildRun")->isEnabled());
      // A window opened meanwhile takes no edits either.
      frame.New();
      QVERIFY(frame.ActiveDocument()->editor()->isReadOnly());
      QVERIFY(!ActionNamed(*frame.ActiveDocument(), "mnuBuildRun")->isEnabled());
      checkedDuringRun = true;
    };
    seams.ExpectMessage(BoxKind::Plain, "", "no such variable");
    QTest::keyClick(plain->editor(), Qt::Key_F9);
    WaitForBuild(frame);
    seams.onMessage = nullptr;
    QVERIFY(checkedDuringRun);
    QVERIFY(seams.lastCaption.endsWith(" - running"));
    QVERIFY(seams.lastCaption.startsWith("Weftsmith"));
    QVERIFY(!plain->editor()->toPlainText().contains("zzz"));
    QVERIFY(!frame.ActiveDocument()->editor()->isReadOnly());
    QVERIFY(frame.CloseDocument(*frame.ActiveDocument()));
    frame.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(plain->parentWidget()));
    QCOMPARE(frame.ActiveDocument(), plain);
    QVERIFY(!QFile::exists(site + "o2.htm"));

    // A checker error: its message, the caret on its line, nothing written.
    plain->editor()->selectAll();
    plain->editor()->insertPlainText(
        "new \"o3.htm\"\n  include \"page.htm\"\nfrobnicate \"x\"\nend");
    plain->editor()->moveCursor(QTextCursor::Start);
    seams.ExpectMessage(BoxKind::Error, "Error", "Missing or Misspelled command on line: 3");
    QTest::keyClick(plain->editor(), Qt::Key_F9);
    WaitForBuild(frame);
    QCOMPARE(plain->editor()->textCursor().blockNumber(), 2);
    QCOMPARE(plain->editor()->textCursor().positionInBlock(), 0);
    QVERIFY(!QFile::exists(site + "o3.htm"));

    // Ctrl+K on a compile error: the message, the caret on the line.
    plain->editor()->selectAll();
    plain->editor()->insertPlainText("new \"o4.htm\"\n  tag \"t\" <dat>\nend");
    plain->editor()->moveCursor(QTextCursor::Start);
    seams.ExpectMessage(BoxKind::Error, "Error", "<date> or <time> Misspelled on Line - 2");
    QTest::keyClick(plain->editor(), Qt::Key_K, Qt::ControlModifier);
    WaitForBuild(frame);
    QCOMPARE(plain->editor()->textCursor().blockNumber(), 1);
    // A correct build file checks silently.
    plain->editor()->selectAll();
    plain->editor()->insertPlainText("set x \"1\"");
    QTest::keyClick(plain->editor(), Qt::Key_K, Qt::ControlModifier);
    WaitForBuild(frame);

    // F2 re-indents, recolours and marks the document modified.
    plain->editor()->selectAll();
    plain->editor()->insertPlainText(
        "new \"a.htm\"\ninclude \"b.htm\"\n      tag \"t\"\ninclude \"c.htm\" \"m\"\nend\nend\n\n");
    plain->editor()->document()->setModified(false);
    QTest::keyClick(plain->editor(), Qt::Key_F2);
    const QString reformatted =
        "new \"a.htm\"\n  include \"b.htm\"\n  tag \"t\"\n    include \"c.htm\" \"m\"\n  end\nend";
    QCOMPARE(plain->editor()->toPlainText(), reformatted);
    QVERIFY(plain->editor()->document()->isModified());
    QCOMPARE(Mask(*plain->editor()->document(), frame.settings()),
             WholeTextMask(reformatted, frame.settings()));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("the user's copied text"));

    // F9 on an "Untitled" document: an empty folder, so relative names
    // resolve against the folder the program started in.
    frame.New();
    TMainForm* untitled = frame.ActiveDocument();
    QCOMPARE(untitled->caption(), QString("Untitled"));
    untitled->editor()->insertPlainText("new \"untitled-out.htm\"\n  tag \"t\" \"x\"\nend");
    const QString startFolder = QDir::currentPath();
    QDir::setCurrent(site);
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    QTest::keyClick(untitled->editor(), Qt::Key_F9);
    WaitForBuild(frame);
    QDir::setCurrent(startFolder);
    QVERIFY(QFile::exists(site + "untitled-out.htm"));

    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }

  void progressWindowByTheClock() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    // Many instructions; the clock says 6 seconds passed after the first read.
    QByteArray text;
    for (int i = 0; i < 200; ++i) text += "set v" + QByteArray::number(i) + " \"x\"\r\n";
    const QString build = site + "long.bld";
    WriteFile(build, text);
    TMainForm* doc = OpenThroughFrame(frame, build);
    QVERIFY(doc);
    std::atomic<int> reads{0};
    frame.host().SetClockForTesting([&reads] { return reads++ == 0 ? 58 : 4; });
    QSignalSpy progress(&frame.host(), &DesktopHost::ProgressRequested);
    QSignalSpy closed(&frame.host(), &DesktopHost::ProgressClosed);
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    seams.onMessage = [&](const QString&, const QString&) {
      // Shown while the run waits for the message.
      QCOMPARE(progress.size(), 1);
      // The clock went round the minute: the engine's text without the blank.
      QCOMPARE(progress.first().first().toString(), QString("Weftsmith running:long.bld"));
      QCOMPARE(frame.waitForm()->text(), QString("Weftsmith running:long.bld"));
      QCOMPARE(frame.waitForm()->windowTitle(), QString("Please wait..."));
      QVERIFY(frame.waitForm()->findChild<QPushButton*>("btnStop"));
    };
    Trigger(ActionNamed(*doc, "mnuBuildRun"));
    WaitForBuild(frame);
    QCOMPARE(progress.size(), 1);  // once, not at every instruction
    QCOMPARE(closed.size(), 1);
    QVERIFY(!frame.waitForm()->isVisible());
    // The activation at the run's end is the one after the progress window:
    // it only clears the flag.
    QVERIFY(!frame.ProgressShown());
    // A Stop pressed when no run goes is forgotten by the next run.
    QPushButton* stop = frame.waitForm()->findChild<QPushButton*>("btnStop");
    stop->click();

    // Within four seconds, no progress window.
    frame.host().SetClockForTesting([] { return 30; });
    seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
    Trigger(ActionNamed(*doc, "mnuBuildRun"));
    WaitForBuild(frame);
    QCOMPARE(progress.size(), 1);

    // Stop pressed during a run ends it at the next instruction: the run's
    // thread waits at its tenth look at the clock until the button is clicked.
    std::atomic<int> looks{0};
    frame.host().SetClockForTesting([&looks, stop] {
      if (++looks == 10)
        QMetaObject::invokeMethod(stop, &QPushButton::click, Qt::BlockingQueuedConnection);
      return 30;
    });
    seams.ExpectMessage(BoxKind::Warning, "Warning", "Build stopped");
    Trigger(ActionNamed(*doc, "mnuBuildRun"));
    WaitForBuild(frame);
    QVERIFY(looks < 20);
    doc->editor()->document()->setModified(false);
    QVERIFY(frame.close());
  }
};

QTEST_MAIN(DocumentTest)
#include "document_test.moc"
