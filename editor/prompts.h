// What a document window and the frame ask the user through: message boxes,
// the save question, file dialogs, printing, help and the web browser. The program answers
// with real dialogs (DialogSeams); the tests put a scripted version in its
// place, so no test ever waits for a real dialog.
#pragma once

#include <QPageLayout>
#include <QString>
#include <QWidget>

class QTextDocument;

namespace ws::desktop {

// The four kinds of message box; the same as the engine's message kinds.
enum class BoxKind { Error, Warning, Information, Plain };

// The caption of a box of the kind ("Error", ...); "" for a plain box, which
// carries the application's title.
inline QString CaptionOf(BoxKind kind) {
  switch (kind) {
    case BoxKind::Error:
      return "Error";
    case BoxKind::Warning:
      return "Warning";
    case BoxKind::Information:
      return "Information";
    case BoxKind::Plain:
      break;
  }
  return {};
}

enum class SaveAnswer { Yes, No, Cancel };

// What a file dialog shows. filter is written as "Caption|*.a;*.b|..." and
// filterIndex counts its pairs from 1.
struct FileDialogRequest {
  QString title;
  QString filter;
  int filterIndex = 1;
  QString folder;    // where the dialog starts ("" for the current folder)
  QString fileName;  // the name it proposes
  QString defaultSuffix;
  bool confirmOverwrite = false;
  bool mustExist = true;  // an open dialog that also takes the name of a new file when false
};

class Seams {
 public:
  virtual ~Seams() = default;

  // A message box with one OK button; caption is the box's title.
  virtual void ShowMessage(QWidget* parent, BoxKind kind, const QString& caption,
                           const QString& text) = 0;
  // The confirmation box with Yes, No and Cancel.
  virtual SaveAnswer AskSaveChanges(QWidget* parent, const QString& caption,
                                    const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
  // The chosen file's full path, "" when cancelled.
  virtual QString ChooseFileToOpen(QWidget* parent, const FileDialogRequest& request) = 0;
  virtual QString ChooseFileToSave(QWidget* parent, const FileDialogRequest& request) = 0;
  // The printer setup dialog; true when the user confirmed (layout changed).
  virtual bool SetUpPage(QWidget* parent, QPageLayout& layout) = 0;
  // Prints the document with the title; false when the user cancelled.
  virtual bool Print(QWidget* parent, QTextDocument& document, const QString& title,
                     const QPageLayout& layout) = 0;
  // The "Go to Line" box: a line from 1 to last, proposing current; 0 when
  // cancelled.
  virtual int AskLineNumber(QWidget* parent, int current, int last) = 0;
  // Shows the help file in the help window, at the named anchor when one is
  // given (a topic of the help file is an anchor in it).
  virtual void ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) = 0;
  void ShowHelp(QWidget* parent, const QString& helpFile) { ShowHelp(parent, helpFile, {}); }
  // Opens a file (a page a run wrote, by its full path) in the desktop's
  // web browser; false when the desktop could not, which the caller says.
  virtual bool OpenInBrowser(QWidget* parent, const QString& path) = 0;
};

}  // namespace ws::desktop
