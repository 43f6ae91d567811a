#include "waitform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ws::desktop {

TWaitForm::TWaitForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("WaitForm");
  setWindowTitle("Please wait...");
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  lblRunning_ = new QLabel(this);
  lblRunning_->setObjectName("lblRunning");
  lblRunning_->setAlignment(Qt::AlignCenter);
  lblRunning_->setWordWrap(true);
  layout->addWidget(lblRunning_, 1);
  auto* stop = new QPushButton("Stop", this);
  stop->setObjectName("btnStop");
  layout->addWidget(stop, 0, Qt::AlignHCenter);
  connect(stop, &QPushButton::clicked, this, &TWaitForm::StopRequested);
  setFixedSize(340, 140);
}

void TWaitForm::ShowProgress(const QString& text) {
  lblRunning_->setText(text);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
  show();
  raise();
}

QString TWaitForm::text() const {
  return lblRunning_->text();
}

void TWaitForm::reject() {
  // The dialog's own reject would hide the window while the run goes on.
  emit StopRequested();
}

}  // namespace ws::desktop
