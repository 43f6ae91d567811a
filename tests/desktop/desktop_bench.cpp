// Speed of the document window on a generated 5,000-line build file: open and
// colour, one typed character's colouring, Reformat Text, and the whole-text
// recolouring at activation. Not a test: run it by hand on a Release build
// (`cmake --build BUILD --target desktop_bench && BUILD/bin/desktop_bench`).
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include "colouring.h"
#include "scriptedseams.h"

using namespace ws::desktop;
using namespace ws::desktop::testing;

namespace {

// Blocks of a typical site build file, repeated to 5,000 lines.
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

}  // namespace

class DesktopBench : public QObject {
  Q_OBJECT

  ScriptedSeams seams;
  QTemporaryDir dir;
  QString program, file;
  std::unique_ptr<TFrameForm> frame;

 private slots:
  void initTestCase() {
    program = MakeProgramFolder(dir);
    file = dir.path() + "/big.bld";
    WriteFile(file, GeneratedBuildFile(5000));
    frame = std::make_unique<TFrameForm>(seams, FrameOptions{program, {}});
    ShowFrame(*frame);
  }
  void cleanupTestCase() {
    for (TMainForm* d : frame->Documents()) d->editor()->document()->setModified(false);
    frame->close();
    frame.reset();
  }

  void openAndColour() {
    TMainForm* doc = frame->ActiveDocument();
    QBENCHMARK {
      doc->LoadBuildFile(file);
    }
    QCOMPARE(doc->editor()->document()->blockCount(), 5000);
  }

  void oneKeystroke() {
    TMainForm* doc = frame->ActiveDocument();
    doc->LoadBuildFile(file);
    Editor* editor = doc->editor();
    QTextCursor at = editor->textCursor();
    at.setPosition(editor->document()->findBlockByNumber(2501).position() + 6);
    editor->setTextCursor(at);
    // Typing a letter into "include": the line loses and regains its word.
    QBENCHMARK {
      QTest::keyClick(editor, Qt::Key_X);
      QTest::keyClick(editor, Qt::Key_Backspace);
    }
  }

  // The caret-line pass by itself, on a document without a view.
  void caretLinePassAlone() {
    QTextDocument document;
    document.setPlainText(frame->ActiveDocument()->editor()->toPlainText());
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

  // The floor: the same keys in a bare QTextEdit holding the same text.
  void oneKeystrokeBareTextEdit() {
    QTextEdit bare;
    bare.setLineWrapMode(QTextEdit::NoWrap);
    bare.setPlainText(frame->ActiveDocument()->editor()->toPlainText());
    bare.show();
    QTextCursor at = bare.textCursor();
    at.setPosition(bare.document()->findBlockByNumber(2501).position() + 6);
    bare.setTextCursor(at);
    QBENCHMARK {
      QTest::keyClick(&bare, Qt::Key_X);
      QTest::keyClick(&bare, Qt::Key_Backspace);
    }
  }

  void reformatText() {
    TMainForm* doc = frame->ActiveDocument();
    doc->LoadBuildFile(file);
    QBENCHMARK {
      doc->mnuBuildReformatClick();
    }
  }

  void activationRecolouring() {
    TMainForm* doc = frame->ActiveDocument();
    doc->LoadBuildFile(file);
    QBENCHMARK {
      doc->FormActivate();
    }
  }
};

QTEST_MAIN(DesktopBench)
#include "desktop_bench.moc"
