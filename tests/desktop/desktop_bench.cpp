// Speed of the document window on generated build files of 5,000 and 50,000
// lines: open and colour (up to the first paint), a typed key and its
// Backspace with and without the repaint that follows, the same keys in a bare
// QTextEdit and a bare QPlainTextEdit holding the same text, the caret-line
// pass alone, Reformat Text, and the whole-text recolouring at activation.
// Not a test: run it by hand on a Release build
// (`cmake --build BUILD --target desktop_bench && BUILD/bin/desktop_bench`).
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>
#include <map>

#include "colouring.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// Blocks of a typical site build file, repeated to the number of lines.
QByteArray GeneratedBuildFile(int lines) {
  const QByteArray block =
      "-- page group\r\n"
      "repeat page \"pages.csv\"\r\n"
      "  new page:\"File\"\r\n"
      "    include \"templates/page.htm\"\r\n"
      "    tag \"menu\"\r\n"
      "      include \"fragments/parts.htm\" \"menu\"\r\n"
      "    end\r\n"
      "    tag \"title\" page:\"Title\"\r\n"
      "    if page:\"Kind\" is \"news\" then\r\n"
      "      tag \"note\" \"news -- today\"\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  QByteArray text;
  int count = 0;
  while (count < lines) {
    const QList<QByteArray> blockLines = block.split('\n');
    for (const QByteArray& line : blockLines) {
      if (line.isEmpty() || count >= lines) continue;
      text += line + "\n";
      ++count;
    }
  }
  return text;
}

// The caret in "include" of a line in the middle: typing a letter there makes
// the line lose and regain its word.
template <class Control>
void PutCaretMidway(Control& control, int lines) {
  QTextCursor at = control.textCursor();
  at.setPosition(control.document()->findBlockByNumber(lines / 2 + 1).position() + 6);
  control.setTextCursor(at);
}

// A letter and Backspace, each followed by its repaint when painted.
void TypeAndTakeBack(QWidget* control, bool painted) {
  QTest::keyClick(control, Qt::Key_X);
  if (painted) QCoreApplication::processEvents();
  QTest::keyClick(control, Qt::Key_Backspace);
  if (painted) QCoreApplication::processEvents();
}

}  // namespace

class DesktopBench : public QObject {
  Q_OBJECT

  ScriptedSeams seams;
  QTemporaryDir dir;
  QString program;
  std::unique_ptr<TFrameForm> frame;
  // The bare controls, filled once for all runs of a measurement.
  std::map<QString, std::unique_ptr<QWidget>> bare;

  QString FileOf(int lines) const { return dir.path() + QString("/big%1.bld").arg(lines); }
  TMainForm* Loaded(int lines) {
    TMainForm* doc = frame->ActiveDocument();
    if (doc->editor()->document()->blockCount() != lines) doc->LoadBuildFile(FileOf(lines));
    return doc;
  }

  static void SizesAndPainting() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("painted");
    QTest::newRow("5000") << 5000 << false;
    QTest::newRow("5000 painted") << 5000 << true;
    QTest::newRow("50000") << 50000 << false;
    QTest::newRow("50000 painted") << 50000 << true;
  }

  template <class Control>
  void BareKeys(const char* name) {
    QFETCH(int, lines);
    QFETCH(bool, painted);
    std::unique_ptr<QWidget>& slot = bare[QString("%1 %2").arg(name).arg(lines)];
    if (!slot) {
      auto control = std::make_unique<Control>();
      control->setLineWrapMode(Control::NoWrap);
      control->setPlainText(QString::fromUtf8(GeneratedBuildFile(lines)).remove('\r'));
      control->resize(frame->ActiveDocument()->editor()->size());
      control->show();
      PutCaretMidway(*control, lines);
      slot = std::move(control);
    }
    QCoreApplication::processEvents();
    QBENCHMARK {
      TypeAndTakeBack(slot.get(), painted);
    }
  }

 private slots:
  void initTestCase() {
    program = MakeProgramFolder(dir);
    for (int lines : {5000, 50000}) WriteFile(FileOf(lines), GeneratedBuildFile(lines));
    frame = std::make_unique<TFrameForm>(seams, FrameOptions{program, {}, dir.path() + "/state"});
    ShowFrame(*frame);
  }
  void cleanupTestCase() {
    bare.clear();
    for (TMainForm* d : frame->Documents()) d->editor()->document()->setModified(false);
    frame->close();
    frame.reset();
  }

  void openAndColour_data() {
    QTest::addColumn<int>("lines");
    QTest::newRow("5000") << 5000;
    QTest::newRow("50000") << 50000;
  }
  // Up to the first paint of the window.
  void openAndColour() {
    QFETCH(int, lines);
    TMainForm* doc = frame->ActiveDocument();
    QBENCHMARK {
      doc->LoadBuildFile(FileOf(lines));
      QCoreApplication::processEvents();
    }
    QCOMPARE(doc->editor()->document()->blockCount(), lines);
  }

  void oneKeystroke_data() {
    SizesAndPainting();
    QTest::newRow("5000 painted, no line numbers") << 5000 << true;
  }
  void oneKeystroke() {
    QFETCH(int, lines);
    QFETCH(bool, painted);
    Editor* editor = Loaded(lines)->editor();
    editor->SetLineNumbersShown(!QByteArray(QTest::currentDataTag()).contains("no line"));
    PutCaretMidway(*editor, lines);
    QCoreApplication::processEvents();
    QBENCHMARK {
      TypeAndTakeBack(editor, painted);
    }
    editor->SetLineNumbersShown(true);
  }

  // The floors: the same keys in bare controls holding the same text.
  void oneKeystrokeBareTextEdit_data() { SizesAndPainting(); }
  void oneKeystrokeBareTextEdit() { BareKeys<QTextEdit>("QTextEdit"); }
  void oneKeystrokeBarePlainTextEdit_data() { SizesAndPainting(); }
  void oneKeystrokeBarePlainTextEdit() { BareKeys<QPlainTextEdit>("QPlainTextEdit"); }

  // The caret-line pass by itself, on a document without a view.
  void caretLinePassAlone() {
    QTextDocument document;
    document.setPlainText(Loaded(5000)->editor()->toPlainText());
    ColourWholeText(document, frame->settings());
    QTextCursor at(&document);
    at.setPosition(document.findBlockByNumber(2501).position() + 6);
    QBENCHMARK {
      at.insertText("x");
      ColourCaretLine(document, at.position(), frame->settings());
      at.deletePreviousChar();
      ColourCaretLine(document, at.position(), frame->settings());
    }
  }

  void reformatText() {
    TMainForm* doc = Loaded(5000);
    QBENCHMARK {
      doc->mnuBuildReformatClick();
    }
  }

  void activationRecolouring() {
    TMainForm* doc = Loaded(5000);
    QBENCHMARK {
      doc->FormActivate();
    }
  }
};

QTEST_MAIN(DesktopBench)
#include "desktop_bench.moc"
