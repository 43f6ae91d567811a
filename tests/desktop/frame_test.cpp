// Flows through the frame: start-up, the menus and toolbar against their
// tables, enabling, activation rules, closing with the save question, the
// command-line start and exit with the settings file.
#include <QApplication>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QtTest>

#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// Menu items as "caption|key|hint", "-" for a separator.
QStringList Describe(const QMenu* menu) {
  QStringList items;
  for (const QAction* a : menu->actions())
    items << (a->isSeparator()
                  ? QString("-")
                  : a->text() + "|" + a->shortcut().toString(QKeySequence::PortableText) + "|" +
                        a->statusTip());
  return items;
}

QStringList Titles(const QMenuBar* bar) {
  QStringList titles;
  for (const QAction* a : bar->actions()) titles << a->text();
  return titles;
}

const QStringList kDocumentFile = {"&New Build File|Ctrl+N|Creates a new build file",
                                   "&Open Build File|Ctrl+O|Opens an existing build file",
                                   "-",
                                   "Close File||Closes the active build file",
                                   "&Save|Ctrl+S|Saves the active build file",
                                   "Save &As...||Saves the active build file with a new name",
                                   "-",
                                   "P&age Setup...||Runs  printer setup",
                                   "&Print...|Ctrl+P|Prints the active build file",
                                   "-",
                                   "E&xit|F3|Exits Weftsmith"};
const QStringList kDocumentEdit = {"&Undo|Ctrl+Z|Reverses the last action",
                                   "-",
                                   "Cu&t|Ctrl+X|Cuts the selection and puts it on the Clipboard",
                                   "&Copy|Ctrl+C|Copies the selection and puts it on the Clipboard",
                                   "&Paste|Ctrl+V|Inserts Clipboard contents",
                                   "Clear|Ctrl+Del|Erases the selection",
                                   "-",
                                   "Select &All|Ctrl+A|Selects all text",
                                   "Preferences...||Preferences...",
                                   "-",
                                   "&Find...|Ctrl+F|Finds text in the active build file",
                                   "Find &Next|Ctrl+G|Finds the next match",
                                   "Find Pre&vious|Ctrl+Shift+G|Finds the previous match",
                                   "R&eplace...|Ctrl+H|Replaces text in the active build file",
                                   "&Go to Line...|Ctrl+L|Moves the caret to a line"};
const QStringList kDocumentBuild = {"Reformat Text|F2|Re-indent the text of the current window.",
                                    "Check Syntax |Ctrl+K|Check this document for mistakes.", "-",
                                    "Run This Script|F9|Run this build file"};
const QStringList kDocumentCommands = {
    "Make new file...|Ctrl+M|Insert command to make new file",
    "Include file...|Ctrl+I|Insert command to include a file",
    "Include tag from file...|Ctrl+T|Insert command to include a wide tag from a file",
    "Replace tag in file...|Ctrl+E|Insert command to replace a tag",
    "-",
    "Nest in tag|Ctrl+Ins|Make a one line tag command nested",
    "De-Nest a tag||Make a nested tag command one line",
    "-",
    "Run another build file...|Ctrl+R|Insert command to run another build file"};
const QStringList kPopup = {"&Undo|Ctrl+Z|Reverses the last action",
                            "-",
                            "Cu&t|Ctrl+X|Cuts the selection and puts it on the Clipboard",
                            "&Copy|Ctrl+C|Copies the selection and puts it on the Clipboard",
                            "&Paste|Ctrl+V|Inserts Clipboard contents",
                            "Delete|Ctrl+Del|Erases the selection",
                            "-",
                            "Select &All|Ctrl+A|Selects all text"};
const QStringList kFrameFile = {"&New Build File|Ctrl+N|Creates a new build file",
                                "&Open Build File|Ctrl+O|Opens an existing build file", "-",
                                "E&xit|F3|Exit Weftsmith"};
const QStringList kFrameView = {"Toolbar||Shows or hides the toolbar.",
                                "Status bar||Shows or hides the status bar.",
                                "Line Numbers||Shows or hides line numbers beside the text.",
                                "Build Panel||Shows or hides the build panel."};
const QStringList kFrameHelp = {"&Help Topics|F1|Shows Help topics", "-",
                                "About...||Shows the program's name, version and platform"};

// Tool buttons: name, tool tip, long hint.
const QStringList kTools = {"tbNew|New|Creates a new build file",
                            "tbOpen|Open|Opens an existing build file",
                            "tbSave|Save|Saves the active build file",
                            "tbPrint|Print|Prints the active build file",
                            "tbCut|Cut|Cuts the selection and puts it on the Clipboard",
                            "tbCopy|Copy|Copies the selection and puts it on the Clipboard",
                            "tbPaste|Paste|Inserts Clipboard contents",
                            "tbUndo|Undo|Reverses the last action",
                            "tbRun|Run this build file|Run this build file",
                            "tbHelp|Help|Shows Help topics"};

QStringList EnabledTools(const TFrameForm& frame) {
  QStringList names;
  for (const QAction* a : frame.toolActions())
    if (a->isEnabled()) names << a->objectName();
  return names;
}

void SelectText(Editor* editor, int from, int to) {
  QTextCursor c = editor->textCursor();
  c.setPosition(from);
  c.setPosition(to, QTextCursor::KeepAnchor);
  editor->setTextCursor(c);
}

}  // namespace

class FrameTest : public QObject, DesktopFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpFolders(); }
  void cleanup() { VerifySeams(); }

  void startUpMenusToolbarAndEnabling() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    // Maximised, one empty document, the idle hint.
    QVERIFY(frame.windowState() & Qt::WindowMaximized);
    QCOMPARE(frame.Documents().size(), 1);
    TMainForm* doc = frame.Documents().first();
    QCOMPARE(doc->caption(), QString("Untitled"));
    QCOMPARE(doc->fileName(), QString("Untitled"));
    QVERIFY(doc->parentWidget()->isMaximized());
    QCOMPARE(frame.statusPanel(1)->text(), QString("For Help, press F1"));
    QCOMPARE(frame.statusPanel(0)->width(), 50);
    QCOMPARE(frame.ActiveDocument(), doc);
    QCOMPARE(frame.ProgramFolder(), program);

    // Menus merged: the document's four, then View, Window, Help.
    QCOMPARE(Titles(frame.menuBar()),
             QStringList({"&File", "&Edit", "&Build", "&Commands", "&View", "&Window", "&Help"}));
    QCOMPARE(Describe(doc->menus()[0]), kDocumentFile);
    QCOMPARE(Describe(doc->menus()[1]), kDocumentEdit);
    QCOMPARE(Describe(doc->menus()[2]), kDocumentBuild);
    QCOMPARE(Describe(doc->menus()[3]), kDocumentCommands);
    QCOMPARE(Describe(doc->popupMenu()), kPopup);
    QCOMPARE(Describe(frame.frameMenus()[0]), kFrameFile);
    QCOMPARE(Describe(frame.frameMenus()[1]), kFrameView);
    QCOMPARE(Describe(frame.frameMenus()[3]), kFrameHelp);
    QCOMPARE(Describe(frame.frameMenus()[2]).mid(0, 2),
             QStringList({"&Tile||Arranges windows in non-overlapped tiles.",
                          "&Cascade||Arranges windows in an overlapped fashion."}));
    // "&Window" lists the documents when it opens.
    emit frame.frameMenus()[2]->aboutToShow();
    QVERIFY(Describe(frame.frameMenus()[2]).join(' ').contains("&1 Untitled"));

    // The toolbar in its order, every button with an icon and its hints.
    QStringList tools;
    for (const QAction* a : frame.toolActions()) {
      tools << a->objectName() + "|" + a->toolTip() + "|" + a->statusTip();
      QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
    }
    QCOMPARE(tools, kTools);
    int separators = 0;
    for (const QAction* a : frame.findChild<QToolBar*>("ToolBar")->actions())
      separators += a->isSeparator();
    QCOMPARE(separators, 4);

    // Enabling after activation, without a selection.
    QCOMPARE(EnabledTools(frame),
             QStringList({"tbNew", "tbOpen", "tbSave", "tbPrint", "tbPaste", "tbRun", "tbHelp"}));
    for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuEditDelete", "mnuEditUndo"})
      QVERIFY2(!ActionNamed(*doc, name)->isEnabled(), name);
    QVERIFY(ActionNamed(*doc, "mnuEditPaste")->isEnabled());
    QVERIFY(frame.action("Tile1")->isEnabled() && frame.action("Cascade1")->isEnabled());
    for (const QAction* a : doc->popupMenu()->actions()) QVERIFY(a->isEnabled());

    // With a selection, Cut, Copy and Clear come on; without, off again.
    QTest::keyClicks(doc->editor(), "set x");
    SelectText(doc->editor(), 0, 3);
    QVERIFY(frame.action("tbCut")->isEnabled() && frame.action("tbCopy")->isEnabled());
    for (const char* name : {"mnuEditCut", "mnuEditCopy", "mnuEditDelete"})
      QVERIFY2(ActionNamed(*doc, name)->isEnabled(), name);
    SelectText(doc->editor(), 2, 2);
    QVERIFY(!frame.action("tbCut")->isEnabled() && !frame.action("tbCopy")->isEnabled());
    QVERIFY(!ActionNamed(*doc, "mnuEditDelete")->isEnabled());
    for (const QAction* a : doc->popupMenu()->actions()) QVERIFY(a->isEnabled());
    QCOMPARE(frame.statusPanel(0)->text(), QString("Line:  1 "));

    // Long hints go to panel 1; an empty one brings back the idle text.
    QStatusTipEvent tip("Saves the active build file");
    QApplication::sendEvent(&frame, &tip);
    QCOMPARE(frame.statusPanel(1)->text(), QString("Saves the active build file"));
    QStatusTipEvent none("");
    QApplication::sendEvent(&frame, &none);
    QCOMPARE(frame.statusPanel(1)->text(), QString("For Help, press F1"));

    // The status bar toggled off and on: the editor keeps the focus and no
    // document is made.
    doc->editor()->setFocus();
    Trigger(frame.action("mnuViewStatusBar"));
    QVERIFY(frame.StatusBarHidden() && !frame.statusBar()->isVisible());
    QVERIFY(!frame.action("mnuViewStatusBar")->isChecked());
    Trigger(frame.action("mnuViewStatusBar"));
    QVERIFY(frame.statusBar()->isVisible() && frame.action("mnuViewStatusBar")->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), doc->editor());
    QCOMPARE(frame.Documents().size(), 1);
    Trigger(frame.action("mnuViewToolbar"));
    QVERIFY(frame.ToolbarHidden() && !frame.findChild<QToolBar*>("ToolBar")->isVisible());
    Trigger(frame.action("mnuViewToolbar"));
    QVERIFY(!frame.ToolbarHidden() && frame.action("mnuViewToolbar")->isChecked());

    // About names the platform; coming back to the frame makes no document.
    Trigger(frame.action("mnuHelpAbout"));
    QVERIFY(frame.aboutBox()->isVisible());
    QCOMPARE(frame.aboutBox()->windowTitle(), QString("About"));
    QCOMPARE(frame.aboutBox()->findChild<QLabel*>("Platform")->text(), QString("Linux."));
    QVERIFY(frame.aboutBox()->findChild<QLabel*>("ProductName")->font().underline());
    QVERIFY(frame.SkipNextActivation());
    frame.aboutBox()->findChild<QPushButton*>("OKButton")->click();
    QVERIFY(!frame.aboutBox()->isVisible());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&frame, &activate);
    QVERIFY(!frame.SkipNextActivation());
    QCOMPARE(frame.Documents().size(), 1);

    // Help Topics by its key, F1, in the editor: the help file beside the program.
    seams.ExpectHelp(program + "Help.htm");
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), &frame);
    QTest::keyClick(doc->editor(), Qt::Key_F1);
    QCOMPARE(seams.lastHelpFile, program + "Help.htm");
    QApplication::sendEvent(&frame, &activate);
    QCOMPARE(frame.Documents().size(), 1);

    // Closing the last window (nothing changed: no question) disables the
    // document tools, Tile and Cascade, and brings a new empty document.
    doc->editor()->document()->setModified(false);
    QVERIFY(frame.CloseDocument(*doc));
    QCOMPARE(EnabledTools(frame), QStringList({"tbNew", "tbOpen", "tbHelp"}));
    QVERIFY(!frame.action("Tile1")->isEnabled());
    QTRY_COMPARE(frame.Documents().size(), 1);
    QCOMPARE(frame.Documents().first()->caption(), QString("Untitled"));
    QVERIFY(frame.action("Tile1")->isEnabled());
    QCOMPARE(Titles(frame.menuBar()).size(), 7);

    // The frame's Open, even cancelled, means closing the last window leaves
    // the frame empty: its own four menus, document tools and Tile off.
    seams.ExpectOpenFile("Select build file to open...", "");
    Trigger(frame.action("tbOpen"));
    QVERIFY(frame.OpenUsed());
    QCOMPARE(frame.Documents().size(), 1);
    QVERIFY(frame.CloseDocument(*frame.Documents().first()));
    QTest::qWait(20);
    QCOMPARE(frame.Documents().size(), 0);
    QApplication::sendEvent(&frame, &activate);
    QCOMPARE(frame.Documents().size(), 0);
    QCOMPARE(Titles(frame.menuBar()), QStringList({"&File", "&View", "&Window", "&Help"}));
    QCOMPARE(EnabledTools(frame), QStringList({"tbNew", "tbOpen", "tbHelp"}));
    QVERIFY(!frame.action("Tile1")->isEnabled() && !frame.action("Cascade1")->isEnabled());
    QVERIFY(!frame.action("tbRun")->isEnabled());  // nothing to run

    // New from the frame's menu.
    Trigger(frame.action("mnuNew"));
    QCOMPARE(frame.Documents().size(), 1);
    QVERIFY(frame.action("Tile1")->isEnabled());
    Trigger(frame.action("Tile1"));
    Trigger(frame.action("Cascade1"));

    // Exit writes the settings file.
    QFile::remove(program + "prop");
    frame.Documents().first()->editor()->document()->setModified(false);
    QVERIFY(frame.close());
    QVERIFY(QFile::exists(program + "prop"));
    QVERIFY(ReadFile(program + "prop").startsWith("{\\rtf"));
  }

  void closingAsksToSave() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TMainForm* doc = frame.Documents().first();
    QTest::keyClicks(doc->editor(), "new \"a.htm\"");
    QVERIFY(doc->editor()->document()->isModified());

    // Cancel keeps the window and its text.
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Cancel);
    QVERIFY(!frame.CloseDocument(*doc));
    QCOMPARE(frame.Documents().size(), 1);
    QCOMPARE(doc->editor()->toPlainText(), QString("new \"a.htm\""));
    // Exit asks too; Cancel keeps the program.
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Cancel);
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());

    // Yes on an "Untitled" document goes through Save As; a cancelled Save
    // As keeps the window.
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Yes);
    seams.ExpectSaveFile("Save current file into folder...", "");
    QVERIFY(!frame.CloseDocument(*doc));
    // A file that cannot be written: a message naming it, the window stays.
    const QString bad = dir->path() + "/no/such/folder/x.bld";
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Yes);
    seams.ExpectSaveFile("Save current file into folder...", bad);
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot create file " + bad);
    QVERIFY(!frame.CloseDocument(*doc));
    QCOMPARE(doc->caption(), QString("Untitled"));
    QCOMPARE(doc->editor()->toPlainText(), QString("new \"a.htm\""));
    // Yes and a name: saved as RTF, closed.
    const QString saved = dir->path() + "/saved.bld";
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::Yes);
    seams.ExpectSaveFile("Save current file into folder...", saved);
    QVERIFY(frame.CloseDocument(*doc));
    QVERIFY(ReadFile(saved).startsWith("{\\rtf"));
    QVERIFY(ReadFile(saved).contains("a.htm"));

    // The new empty document that replaces it; No closes without saving,
    // and the question names the full path.
    QTRY_COMPARE(frame.Documents().size(), 1);
    doc = frame.Documents().first();
    QVERIFY(doc->LoadBuildFile(saved));
    QCOMPARE(doc->caption(), QString("saved.bld"));
    QTest::keyClicks(doc->editor(), "-- more ");
    seams.ExpectSaveQuestion("Save changes to " + saved + "?", SaveAnswer::No);
    QVERIFY(frame.CloseDocument(*doc));
    QVERIFY(!ReadFile(saved).contains("more"));

    // Yes on a named document saves in place.
    QTRY_COMPARE(frame.Documents().size(), 1);
    doc = frame.Documents().first();
    QVERIFY(doc->LoadBuildFile(saved));
    QTest::keyClicks(doc->editor(), "-- kept ");
    seams.ExpectSaveQuestion("Save changes to " + saved + "?", SaveAnswer::Yes);
    QVERIFY(frame.CloseDocument(*doc));
    QVERIFY(ReadFile(saved).contains("kept"));
    QTRY_COMPARE(frame.Documents().size(), 1);
    QVERIFY(frame.close());
  }

  void commandLineStartWithBlankInPath() {
    QDir().mkpath(dir->path() + "/my site");
    const QString path = dir->path() + "/my site/start page.bld";
    WriteFile(path, "new \"index.htm\"\r\n  include \"page.htm\"\r\nend\r\n");
    // The shell split the unquoted path at its blanks.
    const QStringList arguments = (dir->path() + "/my site/start page.bld").split(' ');
    QVERIFY(arguments.size() >= 3);
    TFrameForm frame(seams, {program, arguments});
    ShowFrame(frame);
    QCOMPARE(frame.Documents().size(), 1);
    TMainForm* doc = frame.Documents().first();
    QCOMPARE(doc->fileName(), path);
    QCOMPARE(doc->caption(), QString("start page.bld"));
    QCOMPARE(doc->editor()->toPlainText(),
             QString("new \"index.htm\"\n  include \"page.htm\"\nend"));
    QVERIFY(!doc->editor()->document()->isModified());
    QVERIFY(frame.SaveQuestionSuppressed());

    // New does not open the command-line file again.
    frame.New();
    QCOMPARE(frame.Documents().size(), 2);
    QCOMPARE(frame.ActiveDocument()->caption(), QString("Untitled"));
    QVERIFY(frame.ActiveDocument()->editor()->document()->isEmpty());
    QVERIFY(frame.CloseDocument(*frame.ActiveDocument()));
    QTRY_COMPARE(frame.ActiveDocument(), doc);

    // After a command-line load, closing asks nothing until a key is pressed.
    doc->editor()->textCursor().insertText("-- changed by the program\n");
    QVERIFY(doc->editor()->document()->isModified());
    frame.New();
    TMainForm* other = frame.ActiveDocument();
    QTest::keyClicks(other->editor(), "x");
    QVERIFY(!frame.SaveQuestionSuppressed());
    seams.ExpectSaveQuestion("Save changes to " + path + "?", SaveAnswer::No);
    seams.ExpectSaveQuestion("Save changes to Untitled?", SaveAnswer::No);
    QVERIFY(frame.close());
  }

  void fileFiltersAndTheWindowMenu() {
    // The dialogs' filters in QFileDialog's form.
    const QString filter =
        "Build files|*.bld|HTML files, text files|*.htm;*.txt;*.html|All files|*.*";
    QCOMPARE(QtFileFilter(filter),
             QString("Build files (*.bld);;HTML files, text files (*.htm *.txt *.html);;"
                     "All files (*)"));
    QCOMPARE(QtFileFilterEntry(filter, 2), QString("HTML files, text files (*.htm *.txt *.html)"));
    QCOMPARE(QtFileFilterEntry(filter, 4), QString());

    // "&Window" lists the documents and activates the one chosen.
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TMainForm* first = frame.ActiveDocument();
    frame.New();
    QVERIFY(frame.ActiveDocument() != first);
    QMenu* window = frame.frameMenus()[2];
    emit window->aboutToShow();
    QStringList entries;
    QAction* firstEntry = nullptr;
    for (QAction* a : window->actions()) {
      if (a->text().startsWith('&') && a->text().endsWith("Untitled")) {
        entries << a->text();
        if (!firstEntry) firstEntry = a;
      }
    }
    QCOMPARE(entries, QStringList({"&1 Untitled", "&2 Untitled"}));
    QVERIFY(!firstEntry->isChecked());
    firstEntry->trigger();
    QCOMPARE(frame.ActiveDocument(), first);
    // Shown again, the list is made afresh.
    emit window->aboutToShow();
    int count = 0;
    for (QAction* a : window->actions()) count += a->text().endsWith("Untitled");
    QCOMPARE(count, 2);
    QVERIFY(frame.close());
  }

  void settingsThatCannotBeReadOrWritten() {
    // "prop" is a folder: reading it fails at start-up (with a message), and
    // writing it at exit fails without keeping the program from ending.
    QFile::remove(program + "prop");
    QDir().mkpath(program + "prop");
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + program + "prop");
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    QCOMPARE(frame.settings().EditorFontSize, 10);
    seams.ExpectMessage(BoxKind::Warning, "Warning", "Cannot create file " + program + "prop");
    QVERIFY(frame.close());
  }

  void installedLayoutSharesItsDataFolder() {
    // Installed with cmake --install or the Debian package: the program in
    // usr/bin, its files in usr/share/weftsmith, which is never written.
    const QString usr = dir->path() + "/usr/";
    const QString data = usr + "share/weftsmith/";
    QDir().mkpath(usr + "bin");
    QDir().mkpath(data);
    for (const char* name : {"alpha", "pred", "rules", "prop"})
      QVERIFY(QFile::copy(program + name, data + name));
    WriteFile(data + "Help.htm", "<html><body>Help</body></html>");
    const QByteArray sharedProp = ReadFile(data + "prop");
    const QString config = dir->path() + "/config";
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    WriteFile(site + "page.htm", "<p>%%t%%</p>");
    WriteFile(site + "site.bld",
              "new \"out.htm\"\r\n  include \"page.htm\"\r\n  tag \"t\" \"one\"\r\nend\r\n");
    {
      TFrameForm frame(seams, {usr + "bin", {site + "site.bld"}});
      ShowFrame(frame);
      QCOMPARE(frame.ProgramFolder(), data);
      QVERIFY(frame.dataFolder().shared);
      QCOMPARE(frame.prefs().controls.txtShortStart, std::string("%%"));
      TMainForm* doc = frame.Documents().first();
      QApplication::setActiveWindow(&frame);
      QTRY_COMPARE(QApplication::activeWindow(), &frame);
      // A run with the grammar tables of usr/share/weftsmith.
      seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
      QTest::keyClick(doc->editor(), Qt::Key_F9);
      QTRY_VERIFY_WITH_TIMEOUT(!frame.Busy(), 30000);
      QCOMPARE(ReadFile(site + "out.htm"), QByteArray("\r\n<p>one</p>\r\n"));
      // The help of usr/share/weftsmith.
      seams.ExpectHelp(data + "Help.htm");
      QTest::keyClick(doc->editor(), Qt::Key_F1);
      QCOMPARE(seams.lastHelpFile, data + "Help.htm");
      // The settings go to the per-user file, even though this shared folder
      // could be written.
      frame.prefs().controls.txtShortStart = "[[";
      QVERIFY(frame.close());
    }
    QCOMPARE(ReadFile(data + "prop"), sharedProp);
    QVERIFY(QFile::exists(config + "/weftsmith/prop"));
    {
      // Read from there at the next start.
      TFrameForm frame(seams, {usr + "bin", {}});
      ShowFrame(frame);
      QCOMPARE(frame.prefs().controls.txtShortStart, std::string("[["));
      QVERIFY(frame.close());
    }
    if (hadConfig)
      qputenv("XDG_CONFIG_HOME", oldConfig);
    else
      qunsetenv("XDG_CONFIG_HOME");
  }
};

QTEST_MAIN(FrameTest)
#include "frame_test.moc"
