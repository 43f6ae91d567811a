// TWaitForm: the progress window shown while a run lasts more than a few
// seconds, with a "Stop" button that asks the run to end. Escape and the
// close box ask the same; the window stays until the run has ended and the
// host hides it.
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

  // Escape, and the close box through QDialog's close event: a Stop, not a
  // hide.
  void reject() override;

 signals:
  void StopRequested();

 private:
  QLabel* lblRunning_ = nullptr;
};

}  // namespace ws::desktop
