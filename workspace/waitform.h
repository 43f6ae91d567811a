// TWaitForm: the progress window shown while a run lasts more than a few
// seconds, with a "Stop" button that asks the run to end.
#pragma once

#include <QDialog>

class QLabel;

namespace ws::desktop {

class TWaitForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWaitForm(QWidget* parent);
  // Shows the window centred on the screen with the text, in front.
  void ShowProgress(const QString& text);
  QString text() const;

 signals:
  void StopRequested();

 private:
  QLabel* lblRunning_ = nullptr;
};

}  // namespace ws::desktop
