#include "prompts.h"

#include <QMessageBox>

namespace ws::setup {

namespace {
const QString kCaption = QStringLiteral("Weftsmith Setup");
}

bool MessageBoxPrompts::Confirm(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, kCaption, text, QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

void MessageBoxPrompts::Inform(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, kCaption, text);
}

void MessageBoxPrompts::Warn(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, kCaption, text);
}

void MessageBoxPrompts::Error(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, kCaption, text);
}

}  // namespace ws::setup
