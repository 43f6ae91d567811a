#include "seams.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace ws::desktop {

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    // "*.*" means every file, with or without an extension.
    patterns.replace("*.*", "*");
    entries << parts[i] + " (" + patterns + ")";
  }
  return entries.join(";;");
}

QString QtFileFilterEntry(const QString& filter, int index) {
  const QStringList entries = QtFileFilter(filter).split(";;");
  return index >= 1 && index <= entries.size() ? entries[index - 1] : QString();
}

DialogSeams::DialogSeams() = default;
DialogSeams::~DialogSeams() = default;

void DialogSeams::ShowMessage(QWidget* parent, BoxKind kind, const QString& caption,
                              const QString& text) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (kind) {
    case BoxKind::Error:
      icon = QMessageBox::Critical;
      break;
    case BoxKind::Warning:
      icon = QMessageBox::Warning;
      break;
    case BoxKind::Information:
      icon = QMessageBox::Information;
      break;
    case BoxKind::Plain:
      break;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

SaveAnswer DialogSeams::AskSaveChanges(QWidget* parent, const QString& caption,
                                       const QString& text) {
  QMessageBox box(QMessageBox::Question, caption, text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return SaveAnswer::Yes;
    case QMessageBox::No:
      return SaveAnswer::No;
    default:
      return SaveAnswer::Cancel;
  }
}

bool DialogSeams::AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

namespace {
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setWindowTitle(request.title);
  dialog.setNameFilter(QtFileFilter(request.filter));
  const QString entry = QtFileFilterEntry(request.filter, request.filterIndex);
  if (!entry.isEmpty()) dialog.selectNameFilter(entry);
  if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  QString suffix = request.defaultSuffix;
  suffix.remove("*.");
  dialog.setDefaultSuffix(suffix);
}
}  // namespace

QString DialogSeams::ChooseFileToOpen(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent);
  SetUpFileDialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString DialogSeams::ChooseFileToSave(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent);
  SetUpFileDialog(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

bool DialogSeams::SetUpPage(QWidget* parent, QPageLayout& layout) {
  QPrinter printer;
  printer.setPageLayout(layout);
  QPageSetupDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  layout = printer.pageLayout();
  return true;
}

bool DialogSeams::Print(QWidget* parent, QTextDocument& document, const QString& title,
                        const QPageLayout& layout) {
  QPrinter printer;
  printer.setPageLayout(layout);
  printer.setDocName(title);
  if (QPrinterInfo::availablePrinterNames().isEmpty()) {
    // Without an installed printer the text is printed into a PDF file.
    FileDialogRequest request;
    request.title = "Print to PDF file";
    request.filter = "PDF files|*.pdf";
    request.defaultSuffix = "pdf";
    request.confirmOverwrite = true;
    request.fileName = QFileInfo(title).completeBaseName() + ".pdf";
    const QString file = ChooseFileToSave(parent, request);
    if (file.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
  } else {
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  document.print(&printer);
  return true;
}

void DialogSeams::ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) {
  if (!help_) {
    auto* window = new QWidget(parent, Qt::Window);
    window->setWindowTitle("Weftsmith Help");
    window->resize(720, 560);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(window);
    browser->setObjectName("helpBrowser");
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    help_ = window;
  }
  auto* browser = help_->findChild<QTextBrowser*>("helpBrowser");
  QUrl url = QUrl::fromLocalFile(helpFile);
  if (!anchor.isEmpty()) url.setFragment(anchor);
  browser->setSource(url);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

}  // namespace ws::desktop
