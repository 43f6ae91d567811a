// The real dialogs behind the prompts of prompts.h, and the file filters in
// the form QFileDialog takes.
#pragma once

#include <QPointer>

#include "prompts.h"

namespace ws::desktop {

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
  bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
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
