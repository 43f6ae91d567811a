// TBackground: the full-screen window behind the wizard, and the main window
// of the program: closing it ends the setup.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

namespace ws::setup {

class Prompts;

class TBackground : public QWidget {
  Q_OBJECT
 public:
  TBackground(Prompts& prompts, const QString& sourceFolder, QWidget* parent = nullptr);

  const QString& SourceFolder() const { return sourceFolder_; }
  bool SetupFinished() const { return setupFinished_; }
  void SetSetupFinished(bool finished) { setupFinished_ = finished; }
  // The wizard, which stays above the background: the quit question opens
  // over it when no other window of the setup is active.
  void SetWizard(QWidget* wizard) { wizard_ = wizard; }

  // The colour of band i of count bands: from red 64, green 128, blue 128 at
  // the top to black at the bottom.
  static QColor BandColour(int band, int count);
  // The number of bands for an area of the given height: at most 256, one per
  // pixel row when the area is lower.
  static int BandCount(int height);

 signals:
  // Shown for the first time: the wizard follows shortly.
  void firstShown();
  // The setup is closing for good.
  void quitting();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  Prompts& prompts_;
  QString sourceFolder_;
  bool setupFinished_ = false;
  bool shownOnce_ = false;
  QPointer<QWidget> wizard_;
};

}  // namespace ws::setup
