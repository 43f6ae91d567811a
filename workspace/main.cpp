// Weftsmith: the desktop program. Creates the frame (which reads the
// preferences and makes its dialogs), shows it maximised and runs the event
// loop; the frame's first activation creates the first document window,
// which opens the build file named by the arguments, joined by blanks.
#include <QApplication>
#include <clocale>
#include <csignal>

#include "frameform.h"
#include "seams.h"

int main(int argc, char** argv) {
  // Past a file size limit a write fails and is reported; the signal would end the process.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Weftsmith");
  // <date> and <time> of a run use the locale's formats.
  std::setlocale(LC_TIME, "");

  ws::desktop::DialogSeams seams;
  ws::desktop::FrameOptions options;
  options.arguments = QApplication::arguments().mid(1);
  ws::desktop::TFrameForm frame(seams, options);
  frame.showMaximized();
  return QApplication::exec();
}
