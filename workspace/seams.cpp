#include "seams.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
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

// The browser of the help window. Home is the start of the help file last
// asked for. When the page shown has an anchor, the page gets room below its
// end as high as the view, so that an anchor near the end, too, scrolls to
// the top of the view.
class HelpBrowser : public QTextBrowser {
 public:
  explicit HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    setObjectName("helpBrowser");
    setOpenExternalLinks(true);
    // Every change of page, Back included, comes here; Back then restores
    // the place it had.
    connect(this, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
      anchored_ = url.hasFragment();
      ReserveRoomBelow();
      if (anchored_) scrollToAnchor(url.fragment());
    });
  }

  void SetHome(const QUrl& url) { home_ = url; }
  void home() override {
    if (home_.isValid()) setSource(home_);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QTextBrowser::resizeEvent(event);
    ReserveRoomBelow();
  }

 private:
  void ReserveRoomBelow() {
    QTextFrame* root = document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    const qreal room = anchored_ ? viewport()->height() : document()->documentMargin();
    if (format.bottomMargin() == room) return;
    format.setBottomMargin(room);
    root->setFrameFormat(format);
  }

  QUrl home_;
  bool anchored_ = false;  // whether the page was asked for at an anchor
};

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("HelpWindow");
  setWindowTitle("Weftsmith Help");
  resize(720, 560);
  browser_ = new HelpBrowser(this);
  auto* back = new QPushButton("&Back", this);
  back->setObjectName("helpBack");
  back->setEnabled(false);
  auto* home = new QPushButton("&Home", this);
  home->setObjectName("helpHome");
  // The keys go to the page (its scrolling, Alt+Left for Back); the
  // buttons answer their mnemonics.
  for (QPushButton* button : {back, home}) button->setFocusPolicy(Qt::NoFocus);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(6, 6, 6, 0);
  buttons->addWidget(back);
  buttons->addWidget(home);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(buttons);
  layout->addWidget(browser_);
}

QTextBrowser* HelpWindow::browser() const {
  return browser_;
}

void HelpWindow::Show(QWidget* over, const QString& helpFile, const QString& anchor) {
  // Shown before the page is set: the anchor is scrolled to in the view's
  // final size. Placed before the showing, so that it appears there, and
  // again once its frame is known.
  if (!isVisible()) {
    const QWidget* target = over ? over->window() : parentWidget();
    CentreOver(target);
    show();
    CentreOver(target);
  }
  const QUrl file = QUrl::fromLocalFile(helpFile);
  QUrl url = file;
  if (!anchor.isEmpty()) url.setFragment(anchor);
  browser_->SetHome(file);
  browser_->setSource(url);
  raise();
  activateWindow();
}

void HelpWindow::CentreOver(const QWidget* over) {
  const QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QRect frame = frameGeometry();
  frame.moveCenter(over && over->isVisible() ? over->frameGeometry().center() : area.center());
  // Within the screen, its top left corner first.
  if (frame.right() > area.right()) frame.moveRight(area.right());
  if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
  if (frame.left() < area.left()) frame.moveLeft(area.left());
  if (frame.top() < area.top()) frame.moveTop(area.top());
  move(frame.topLeft());
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

int DialogSeams::AskLineNumber(QWidget* parent, int current, int last) {
  bool ok = false;
  const int line = QInputDialog::getInt(parent, "Go to Line", QString("Line (1-%1):").arg(last),
                                        current, 1, last, 1, &ok);
  return ok ? line : 0;
}

void DialogSeams::ShowHelp(QWidget* parent, const QString& helpFile, const QString& anchor) {
  if (!help_) help_ = new HelpWindow(parent);
  help_->Show(parent, helpFile, anchor);
}

bool DialogSeams::OpenInBrowser(QWidget*, const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace ws::desktop
