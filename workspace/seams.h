// The real dialogs behind the prompts of prompts.h, and the file filters in
// the form QFileDialog takes.
#pragma once

#include <QPointer>
#include <QWidget>

#include "prompts.h"

class QTextBrowser;

namespace ws::desktop {

// "Build files|*.bld|All files|*.*" in the form QFileDialog takes:
// "Build files (*.bld);;All files (*)".
QString QtFileFilter(const QString& filter);
// The n-th (1-based) entry of QtFileFilter's result, "" when there is none.
QString QtFileFilterEntry(const QString& filter, int index);

class HelpBrowser;

// The help window: a browser of the help file with Back and Home; Escape
// closes (hides) it. A window of its parent, kept while hidden, so that it
// keeps the size the user gave it.
class HelpWindow : public QWidget {
 public:
  explicit HelpWindow(QWidget* parent);
  QTextBrowser* browser() const;
  // Shows the help file, at the anchor when one is given, with the anchor's
  // heading at the top of the view. Shown from hidden, the window is centred
  // over `over`'s window (its parent's when none) within that screen.
  void Show(QWidget* over, const QString& helpFile, const QString& anchor);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOver(const QWidget* over);

  HelpBrowser* browser_ = nullptr;
};

// The real dialogs.
class DialogSeams : public Seams {
 public:
  DialogSeams();
  ~DialogSeams() override;
  void ShowMessage(QWidget* parent, BoxKind kind, const QString& caption,
                   const QString& text) override;
  SaveAnswer AskSaveChanges(QWidget* parent, const QString& caption, const QString& text) override;
  bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
  QString ChooseFileToOpen(QWidget* parent, const FileDialogRequest& request) override;
  QString ChooseFileToSave(QWidget* parent, const FileDialogRequest& request) override;
  bool SetUpPage(QWidget* parent, QPageLayout& layout) override;
  bool Print(QWidget* parent, QTextDocument& document, const QString& title,
             const QPageLayout& layout) override;
  int AskLineNumber(QWidget* parent, int current, int last) override;
  using Seams::ShowHelp;
  // The help window, made at the first request.
  void ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) override;
  // Through the desktop's default handler of web pages (QDesktopServices).
  bool OpenInBrowser(QWidget* parent, const QString& path) override;

 private:
  // Made on first use as a window of the frame that asked; gone with it.
  QPointer<HelpWindow> help_;
};

}  // namespace ws::desktop
