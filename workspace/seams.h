// Everything through which the desktop program asks the user something or
// hands a document to the outside: message boxes, the save question, file
// dialogs, printing and help. The program uses DialogSeams; the tests put a
// scripted version in its place, so no test ever waits for a real dialog.
#pragma once

#include <QPageLayout>
#include <QPointer>
#include <QString>
#include <QWidget>

class QTextDocument;

namespace ws::desktop {

// The four kinds of message box; the same as the engine's message kinds.
enum class BoxKind { Error, Warning, Information, Plain };

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
  // The chosen file's full path, "" when cancelled.
  virtual QString ChooseFileToOpen(QWidget* parent, const FileDialogRequest& request) = 0;
  virtual QString ChooseFileToSave(QWidget* parent, const FileDialogRequest& request) = 0;
  // The printer setup dialog; true when the user confirmed (layout changed).
  virtual bool SetUpPage(QWidget* parent, QPageLayout& layout) = 0;
  // Prints the document with the title; false when the user cancelled.
  virtual bool Print(QWidget* parent, QTextDocument& document, const QString& title,
                     const QPageLayout& layout) = 0;
  // Shows the help file in the help window, at the named anchor when one is
  // given (a topic of the help file is an anchor in it).
  virtual void ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) = 0;
  void ShowHelp(QWidget* parent, const QString& helpFile) { ShowHelp(parent, helpFile, {}); }
};

// "Build files|*.bld|All files|*.*" in the form QFileDialog takes:
// "Build files (*.bld);;All files (*)".
QString QtFileFilter(const QString& filter);
// The n-th (1-based) entry of QtFileFilter's result, "" when there is none.
QString QtFileFilterEntry(const QString& filter, int index);

// The real dialogs.
class DialogSeams : public Seams {
 public:
  DialogSeams();
  ~DialogSeams() override;
  void ShowMessage(QWidget* parent, BoxKind kind, const QString& caption,
                   const QString& text) override;
  SaveAnswer AskSaveChanges(QWidget* parent, const QString& caption, const QString& text) override;
  QString ChooseFileToOpen(QWidget* parent, const FileDialogRequest& request) override;
  QString ChooseFileToSave(QWidget* parent, const FileDialogRequest& request) override;
  bool SetUpPage(QWidget* parent, QPageLayout& layout) override;
  bool Print(QWidget* parent, QTextDocument& document, const QString& title,
             const QPageLayout& layout) override;
  using Seams::ShowHelp;
  void ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) override;

 private:
  // Made on first use as a window of the frame that asked; gone with it.
  QPointer<QWidget> help_;
};

}  // namespace ws::desktop
