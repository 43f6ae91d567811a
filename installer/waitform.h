// TWaitForm: the progress window shown while the files are copied.
#pragma once

#include <QDialog>

#include "installsteps.h"

class QProgressBar;

namespace ws::setup {

class TWaitForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWaitForm(QWidget* parent = nullptr);
  void Start();
  void StepIt();
  // Shows the bar full before the final message.
  void Finish();
  int Position() const;

 private:
  QProgressBar* bar_;
  ProgressSteps steps_;
};

}  // namespace ws::setup
