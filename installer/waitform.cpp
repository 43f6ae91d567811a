#include "waitform.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

#include "windowrules.h"

namespace ws::setup {

TWaitForm::TWaitForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      bar_(new QProgressBar(this)) {
  setObjectName("WaitForm");
  setWindowTitle("Please wait...");
  bar_->setObjectName("ProgressBar1");
  bar_->setRange(0, ProgressSteps::kMaximum);
  bar_->setMinimumWidth(320);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  FitCaption(*this);
}

void TWaitForm::Start() {
  steps_ = ProgressSteps();
  bar_->setValue(0);
  show();
}

void TWaitForm::StepIt() {
  steps_.StepIt();
  bar_->setValue(steps_.position());
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TWaitForm::Finish() {
  steps_.Finish();
  bar_->setValue(steps_.position());
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int TWaitForm::Position() const {
  return bar_->value();
}

}  // namespace ws::setup
