// Flows through the preferences dialog: its pages and controls (with an image
// of each page in the build folder), the size box's bounds, the one-style
// rule and the working copies of the Colors page, Restore Defaults with
// Cancel and with Apply, what open and new document windows take, staying in
// front, Help, and the General page's values in effect for command
// insertion, the tag scan, a run and the settings file read at the next
// start (which holds what was in effect at exit, nothing cancelled); the
// font box's name when there is no settings file.
#include <QFontDatabase>
#include <QScreen>
#include <QTextBlock>
#include <QtTest>

#include "colourmask.h"
#include "preferences.h"
#include "scriptedseams.h"
#include "tagform.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

const ws::Color kNavy = ws::RgbColor(0, 0, 128);

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// Colours and styles in one line: an element's letter (C, R, S), the grid
// cell of its colour and B, I or U for its style ("C6 R12 S9B"); the
// page's state as the ticked boxes, the grid's cell and the panel's style
// and colour cell ("B|9|B9").
QString Letter(ws::TextStyle style) {
  return style == ws::TextStyle::Bold        ? "B"
         : style == ws::TextStyle::Italic    ? "I"
         : style == ws::TextStyle::Underline ? "U"
                                             : "";
}

QString Elements(ws::Color c, ws::TextStyle cs, ws::Color r, ws::TextStyle rs, ws::Color s,
                 ws::TextStyle ss) {
  return QString("C%1%2 R%3%4 S%5%6")
      .arg(TColorGrid::CellOf(c))
      .arg(Letter(cs))
      .arg(TColorGrid::CellOf(r))
      .arg(Letter(rs))
      .arg(TColorGrid::CellOf(s))
      .arg(Letter(ss));
}

QString InEffect(const ws::Settings& s) {
  return Elements(s.CommentColor, s.CommentStyle, s.ReservedColor, s.ReservedStyle, s.StringColor,
                  s.StringStyle);
}

QString Working(const TPreferences& p) {
  using E = TPreferences;
  return Elements(p.workingColor(E::Comments), p.workingStyle(E::Comments),
                  p.workingColor(E::ReservedWords), p.workingStyle(E::ReservedWords),
                  p.workingColor(E::Strings), p.workingStyle(E::Strings));
}

QString Page(const TPreferences& p) {
  QString ticked;
  if (p.chkBold->isChecked()) ticked += "B";
  if (p.chkUnder->isChecked()) ticked += "U";
  if (p.chkItalic->isChecked()) ticked += "I";
  const QFont f = p.ColorPanel->font();
  const QString panel = f.bold() ? "B" : f.italic() ? "I" : f.underline() ? "U" : "";
  const QColor c = p.ColorPanel->palette().color(QPalette::WindowText);
  return QString("%1|%2|%3%4")
      .arg(ticked)
      .arg(p.ColorGrid->selected())
      .arg(panel)
      .arg(TColorGrid::CellOf(ws::RgbColor(c.red(), c.green(), c.blue())));
}

void SaveImage(QWidget& widget, const QString& name) {
  QDir().mkpath(WEFTSMITH_IMAGE_DIR);
  const QImage image = widget.grab().toImage();
  QVERIFY(!image.isNull());
  QVERIFY(image.save(QString(WEFTSMITH_IMAGE_DIR) + "/" + name));
}

// Braces balance and nothing follows the document's closing brace.
bool BalancedRtf(const QByteArray& rtf) {
  int depth = 0;
  for (qsizetype i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}' && --depth == 0) return rtf.mid(i + 1).trimmed().isEmpty();
  }
  return false;
}

}  // namespace

class PreferencesTest : public QObject, DesktopFixture {
  Q_OBJECT

  TPreferences* Open(TFrameForm& frame) {
    TMainForm* doc = frame.ActiveDocument();
    if (!doc) return nullptr;
    Trigger(ActionNamed(*doc, "mnuEditPreferences"));
    return frame.preferences();
  }

 private slots:
  void init() { SetUpFolders(); }
  void cleanup() {
    const QStringList problems = seams.Problems();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    seams.onMessage = nullptr;
  }

  void pagesControlsFontAndSize() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TPreferences* p = frame.preferences();
    QVERIFY(p && !p->isVisible());
    QCOMPARE(p->parentWidget(), &frame);
    TMainForm* doc = frame.ActiveDocument();
    QVERIFY(Open(frame) == p);
    QVERIFY(p->isVisible() && !p->isModal());
    QCOMPARE(p->windowTitle(), QString("Preferences"));
    QCOMPARE(p->minimumSize(), p->maximumSize());
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((p->frameGeometry().center() - centre).manhattanLength() <= 2);

    // The pages, General first; the controls by name; Apply the only
    // default button, so Enter applies on every page.
    QCOMPARE(p->Pages->currentIndex(), 0);
    for (const char* name :
         {"txtShortStart", "txtShortEnd",  "txtStartOne", "txtEndOne",  "txtStartTwo", "txtEndTwo",
          "mnuEditUse",    "chkFieldName", "Indent",      "BitBtn3",    "FontPanel",   "FontNames",
          "FontSize",      "BitBtn1",      "ColorPanel",  "lbxElement", "ColorGrid",   "chkBold",
          "chkUnder",      "chkItalic",    "BitBtn2",     "Apply",      "Cancel",      "Help"})
      QVERIFY2(p->findChild<QWidget*>(name), name);
    for (const QPushButton* b : {p->BitBtn1, p->BitBtn2, p->BitBtn3, p->Cancel, p->Help})
      QVERIFY(!b->isDefault() && !b->autoDefault());
    QVERIFY(p->Apply->isDefault());
    QCOMPARE(p->Indent->currentIndex(), 1);  // from the shipped "prop"
    QCOMPARE(p->ColorGrid->selected(), 6);   // the comments' clTeal

    // The Font page: the system's families sorted and verbatim, "Fixedsys"
    // kept as the name and shown as the system's fixed-width face.
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    QCOMPARE(Items(p->FontNames), families);
    QCOMPARE(p->FontNames->currentText(), QString("Fixedsys"));
    const QString fixedFamily = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    QCOMPARE(p->FontPanel->font().family(), fixedFamily);
    QCOMPARE(doc->editor()->document()->defaultFont().family(), fixedFamily);
    if (!families.isEmpty()) QCOMPARE(EditorFont(families.first(), 12).family(), families.first());

    // The size: 8 to 100 with the arrows, no wrap-around; the arrows update
    // the preview, typing does not.
    p->Pages->setCurrentIndex(1);
    p->FontSize->setValue(99);
    QTest::keyClick(p->FontSize, Qt::Key_Up);
    QCOMPARE(p->FontSize->value(), 100);
    QCOMPARE(p->FontPanel->font().pointSize(), 100);
    QTest::keyClick(p->FontSize, Qt::Key_Up);
    QCOMPARE(p->FontSize->value(), 100);
    p->FontSize->setValue(9);
    QTest::keyClick(p->FontSize, Qt::Key_Down);
    QTest::keyClick(p->FontSize, Qt::Key_Down);
    QCOMPARE(p->FontSize->value(), 8);
    QCOMPARE(p->FontPanel->font().pointSize(), 8);
    p->FontSize->selectAll();
    QTest::keyClicks(p->FontSize, "20");
    QCOMPARE(p->FontSize->value(), 20);
    QCOMPARE(p->FontPanel->font().pointSize(), 8);
    // Choosing a face previews it at the size shown; Restore Defaults gives
    // "Fixedsys" 10 again.
    p->FontNames->setCurrentIndex(0);
    QCOMPARE(p->FontPanel->font().family(), families.first());
    QCOMPARE(p->FontPanel->font().pointSize(), 20);
    p->BitBtn1->click();
    QCOMPARE(p->FontNames->currentText() + " " + QString::number(p->FontSize->value()),
             QString("Fixedsys 10"));
    QCOMPARE(p->FontPanel->font().family(), fixedFamily);

    // An image of each page.
    const char* const images[] = {"general.png", "font.png", "colors.png"};
    for (int i = 0; i < 3; ++i) {
      p->Pages->setCurrentIndex(i);
      SaveImage(*p, images[i]);
    }

    // Typed, then cancelled with Escape: nothing in effect, and nothing in
    // the controls' store that the file written at exit comes from.
    p->Pages->setCurrentIndex(1);
    p->FontSize->setValue(30);
    p->FontNames->setEditText("Typed Face");
    p->txtShortEnd->setText("]]");
    QTest::keyClick(p, Qt::Key_Escape);
    QVERIFY(!p->isVisible());
    QVERIFY(p->CancelPressed && !p->ApplyPressed);
    QCOMPARE(frame.settings().EditorFontSize, 10);
    QCOMPARE(frame.settings().ShortEnd, std::string("%%"));
    QCOMPARE(frame.prefs().controls.FontSize, std::string("10"));
    QCOMPARE(frame.prefs().controls.FontNames, std::string("Fixedsys"));
    QCOMPARE(frame.prefs().controls.txtShortEnd, std::string("%%"));
    // Showing again refills the edits, font box and size from the settings.
    Open(frame);
    QCOMPARE(p->txtShortEnd->text(), QString("%%"));
    QCOMPARE(p->FontSize->value(), 10);
    QVERIFY(!p->CancelPressed);
    // A size outside 8 to 100 in effect shows at the nearest bound.
    p->Cancel->click();
    frame.prefs().settings.EditorFontSize = 300;
    Open(frame);
    QCOMPARE(p->FontSize->value(), 100);
    p->Cancel->click();
  }

  void stylesColoursAndTheWindows() {
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    TMainForm* doc = frame.ActiveDocument();
    QTest::keyClicks(doc->editor(), "set x \"abc\" -- note");
    const ws::Settings& s = frame.settings();
    TPreferences* p = Open(frame);
    QTRY_COMPARE(QApplication::activeWindow(), p);
    p->Pages->setCurrentIndex(2);

    // Strings: Bold, then Italic leaves only Italic; clearing it leaves none.
    p->lbxElement->setCurrentRow(TPreferences::Strings);
    QCOMPARE(Page(*p), QString("|9|9"));
    p->chkBold->click();
    QCOMPARE(Page(*p), QString("B|9|B9"));
    p->chkItalic->click();
    QCOMPARE(Page(*p), QString("I|9|I9"));
    QCOMPARE(Working(*p), QString("C6 R12 S9I"));
    p->chkItalic->click();
    QCOMPARE(Page(*p), QString("|9|9"));
    QCOMPARE(Working(*p), QString("C6 R12 S9"));
    p->chkUnder->click();
    p->ColorGrid->cell(4)->click();  // clNavy
    QCOMPARE(Page(*p), QString("U|4|U4"));

    // Another element: the grid, boxes and panel follow its working copies.
    p->lbxElement->setCurrentRow(TPreferences::Comments);
    QCOMPARE(Page(*p), QString("|6|6"));
    p->ColorGrid->cell(2)->click();  // clGreen
    p->chkBold->click();
    p->lbxElement->setCurrentRow(TPreferences::Strings);
    QCOMPARE(Page(*p), QString("U|4|U4"));
    p->lbxElement->setCurrentRow(TPreferences::Comments);
    QCOMPARE(Working(*p), QString("C2B R12 S4U"));
    QCOMPARE(InEffect(s), QString("C6 R12 S9"));  // nothing before Apply

    // Apply: in effect, hidden; the document's next activation recolours it.
    p->Apply->click();
    QVERIFY(!p->isVisible() && p->ApplyPressed);
    QCOMPARE(InEffect(s), QString("C2B R12 S4U"));
    QTRY_COMPARE(QApplication::activeWindow(), &frame);
    QTRY_COMPARE(ColourMask(*doc->editor()->document(), s), QString("RRR.SSSSSCCCCCC"));
    QTextCursor at(doc->editor()->document());
    at.setPosition(8);
    QCOMPARE(at.charFormat().foreground().color(), ToQColor(kNavy));
    QVERIFY(at.charFormat().fontUnderline());

    // A new window's base font takes the style boxes ticked at Apply (Bold,
    // from the comments shown last).
    frame.New();
    TMainForm* second = frame.ActiveDocument();
    QVERIFY(second != doc);
    QVERIFY(second->editor()->document()->defaultFont().bold());
    QVERIFY(!second->editor()->document()->defaultFont().italic());
    // Applied with the reserved words shown (no box ticked), then the bold
    // comments selected and cancelled: a new window types plain text.
    Open(frame);
    p->lbxElement->setCurrentRow(TPreferences::ReservedWords);
    p->Apply->click();
    Open(frame);
    p->lbxElement->setCurrentRow(TPreferences::Comments);
    QVERIFY(p->chkBold->isChecked());
    p->Cancel->click();
    QCOMPARE(InEffect(s), QString("C2B R12 S4U"));
    frame.New();
    TMainForm* third = frame.ActiveDocument();
    QVERIFY(third != second);
    QVERIFY(!third->editor()->document()->defaultFont().bold());
    QVERIFY(third->editor()->currentCharFormat().fontWeight() <= QFont::Normal);

    // Restore Defaults and Cancel: the colours in effect stay.
    Open(frame);
    QCOMPARE(Page(*p), QString("B|2|B2"));
    p->BitBtn2->click();
    QCOMPARE(Page(*p), QString("|6|6"));
    QCOMPARE(Working(*p), QString("C6 R12 S9"));
    p->Cancel->click();
    QCOMPARE(InEffect(s), QString("C2B R12 S4U"));
    // Showing again takes the working copies from the settings; Restore
    // Defaults and Apply: teal comments, blue reserved words, red strings.
    Open(frame);
    QCOMPARE(Working(*p), QString("C2B R12 S4U"));
    p->BitBtn2->click();
    p->Apply->click();
    QCOMPARE(InEffect(s), QString("C6 R12 S9"));

    // Without a selected element the grid and the boxes are off.
    Open(frame);
    p->lbxElement->clearSelection();
    QVERIFY(!p->ColorGrid->isEnabled() && !p->chkBold->isEnabled());
    p->lbxElement->setCurrentRow(TPreferences::ReservedWords);
    QVERIFY(p->ColorGrid->isEnabled() && p->chkBold->isEnabled());
    QCOMPARE(p->ColorGrid->selected(), 12);

    // In front of the program's own windows until one of the four flags is
    // set, but not while a message box is open.
    QTRY_COMPARE(QApplication::activeWindow(), p);
    QApplication::setActiveWindow(&frame);
    QTRY_COMPARE(QApplication::activeWindow(), p);
    QVERIFY(FrameKeepsFocusDuringMessage(frame, seams));
    // Help: the topic "Pref" of the help file; the dialog stays open but no
    // longer comes back in front.
    seams.ExpectHelp(program + "Help.htm", "Pref");
    p->Help->click();
    QCOMPARE(seams.lastHelpAnchor, QString("Pref"));
    QVERIFY(p->isVisible() && p->HelpPressed);
    p->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), p);
    frame.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &frame);
    QTest::qWait(50);
    QCOMPARE(QApplication::activeWindow(), &frame);
    // The close box hides it like Cancel; the next showing clears the flags.
    QVERIFY(p->close());
    QVERIFY(!p->isVisible() && p->ClosedByBox && !p->CancelPressed);
    QCOMPARE(InEffect(s), QString("C6 R12 S9"));
    Open(frame);
    QVERIFY(!p->ClosedByBox && !p->HelpPressed && !p->ApplyPressed && !p->CancelPressed);
    p->Cancel->click();
    for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
  }

  void generalPageRunsScansAndTheFile() {
    WriteFile(site + "site.bld", "set x \"a\"\r\n");
    WriteFile(site + "page.htm", "<p>[[t]]</p>\r\n<w:body>old</w:body>\r\n%%x%%\r\n");
    {
      TFrameForm frame(seams, {program, {}});
      ShowFrame(frame);
      TMainForm* doc = frame.ActiveDocument();
      QVERIFY(doc->LoadBuildFile(site + "site.bld"));
      TPreferences* p = Open(frame);

      // "Use relative filenames" cleared and cancelled: the box is the
      // setting, so the next command insertion writes the full path.
      p->mnuEditUse->click();
      p->Indent->setCurrentIndex(3);
      p->Cancel->click();
      QVERIFY(!frame.prefs().controls.mnuEditUse);
      QCOMPARE(frame.prefs().controls.Indent, 3);
      seams.ExpectOpenFile("Select File For Run Command...", site + "sub.bld");
      doc->mnuCommandsRunClick();
      QCOMPARE(doc->editor()->document()->findBlockByNumber(1).text(),
               "run \"" + site + "sub.bld\"");
      // General's Restore Defaults puts the box back, in effect at once too.
      Open(frame);
      p->BitBtn3->click();
      QVERIFY(frame.prefs().controls.mnuEditUse);
      QCOMPARE(frame.prefs().controls.Indent, 1);
      QCOMPARE(p->txtStartOne->text(), QString("<!--tag \""));

      // New delimiters applied: used by the next tag scan and the next run.
      p->txtShortStart->setText("[[");
      p->txtShortEnd->setText("]]");
      p->txtStartOne->setText("<w:");
      p->txtEndOne->setText(">");
      p->txtStartTwo->setText("</w:");
      p->txtEndTwo->setText(">");
      p->Apply->click();
      TTagForm* tags = frame.tagForm();
      tags->ShowFor(site + "page.htm", false);
      QCOMPARE(tags->WideTags->count(), 1);
      QCOMPARE(tags->WideTags->item(0)->text(), QString("body"));
      QCOMPARE(tags->ShortTags->count(), 1);
      QCOMPARE(tags->ShortTags->item(0)->text(), QString("t"));
      tags->BitBtnCancel->click();
      doc->editor()->setPlainText(
          "new \"out.htm\"\n  include \"page.htm\"\n  tag \"t\" \"one\"\n  tag \"body\" "
          "\"two\"\nend");
      seams.ExpectMessage(BoxKind::Information, "Information", "Build file complete");
      frame.StartRun(*doc, site);
      QVERIFY(frame.Busy());
      QTRY_VERIFY_WITH_TIMEOUT(!frame.Busy(), 30000);
      const QByteArray out = ReadFile(site + "out.htm");
      QVERIFY2(out.contains("<p>one</p>") && out.contains("two") && !out.contains("old") &&
                   out.contains("%%x%%"),
               out.constData());
      // A saved build file names "Fixedsys", not the face shown in its place.
      doc->mnuFileSaveClick();
      QVERIFY(ReadFile(site + "site.bld").contains("Fixedsys"));

      // An empty opening delimiter finds no wide tag (and the scan ends).
      Open(frame);
      p->txtStartOne->clear();
      p->Apply->click();
      tags->ShowFor(site + "page.htm", true);
      QCOMPARE(tags->WideTags->count(), 0);
      tags->BitBtnCancel->click();

      // Values for the file: the wide delimiter back, a face and a size,
      // bold strings, all applied; then a short start typed and cancelled.
      Open(frame);
      QCOMPARE(p->txtStartOne->text(), QString());
      p->txtStartOne->setText("<w:");
      p->Pages->setCurrentIndex(1);
      QStringList families = QFontDatabase::families();
      families.sort(Qt::CaseInsensitive);
      const QString face = families.value(0, "Fixedsys");
      p->FontNames->setEditText(face);
      QTest::keyClick(p->FontSize, Qt::Key_Up);
      p->lbxElement->setCurrentRow(TPreferences::Strings);
      p->chkBold->click();
      p->Apply->click();
      QCOMPARE(frame.settings().EditorFontName, face.toStdString());
      QCOMPARE(frame.settings().EditorFontSize, 11);
      // Cancelled: a short start, a size, a colour (all discarded) and the
      // field-name switch and indentation (in effect at once, so kept).
      Open(frame);
      p->txtShortStart->setText("{{");
      p->FontSize->setValue(40);
      p->lbxElement->setCurrentRow(TPreferences::Comments);
      p->ColorGrid->cell(4)->click();
      p->chkFieldName->click();
      p->Indent->setCurrentIndex(4);
      p->Cancel->click();
      QCOMPARE(frame.settings().ShortStart, std::string("[["));
      QVERIFY(!frame.prefs().controls.chkFieldName);

      // Exit with the dialog open and an end typed: not applied, not kept.
      Open(frame);
      p->txtEndTwo->setText("}}");
      QFile::remove(program + "prop");
      for (TMainForm* d : frame.Documents()) d->editor()->document()->setModified(false);
      Trigger(frame.action("mnuExit"));
      QVERIFY(!frame.isVisible());
    }
    const QByteArray prop = ReadFile(program + "prop");
    QVERIFY(prop.startsWith("{\\rtf1"));
    QVERIFY(BalancedRtf(prop));

    // A new frame reads back what was in effect at exit, into the Settings
    // and the dialog's controls.
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    const ws::Settings& s = frame.settings();
    QCOMPARE(s.ShortStart, std::string("[["));
    QCOMPARE(s.ShortEnd, std::string("]]"));
    QCOMPARE(s.WideOpenStart, std::string("<w:"));
    QCOMPARE(s.WideCloseEnd, std::string(">"));
    QCOMPARE(s.EditorFontSize, 11);
    QCOMPARE(InEffect(s), QString("C6 R12 S9B"));
    TPreferences* p = frame.preferences();
    QVERIFY(p->mnuEditUse->isChecked() && !p->chkFieldName->isChecked());
    QCOMPARE(p->Indent->currentIndex(), 4);
    QCOMPARE(p->txtShortStart->text(), QString("[["));
    QCOMPARE(p->txtEndTwo->text(), QString(">"));
    QCOMPARE(p->FontNames->currentText(), QString::fromStdString(s.EditorFontName));
    QCOMPARE(p->FontSize->value(), 11);
    QCOMPARE(Working(*p), QString("C6 R12 S9B"));
    frame.Documents().first()->editor()->document()->setModified(false);
  }

  void withoutSettingsFile() {
    // The controls keep their defaults; the font box keeps "Fixedsys" rather
    // than the first family of the list, which the file at exit would name.
    QFile::remove(program + "prop");
    seams.ExpectMessage(BoxKind::Error, "Error", "Cannot open file " + program + "prop");
    TFrameForm frame(seams, {program, {}});
    ShowFrame(frame);
    QCOMPARE(frame.preferences()->FontNames->currentText(), QString("Fixedsys"));
    QCOMPARE(frame.preferences()->Indent->currentIndex(), -1);
    frame.Documents().first()->editor()->document()->setModified(false);
    QVERIFY(frame.close());
    QVERIFY(ReadFile(program + "prop").contains("Fixedsys"));
  }
};

QTEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
