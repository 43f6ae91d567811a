// Install: copies the folder it lies in to a folder the user chooses and adds
// the program, its help and its manual to the desktop's menu.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include "background.h"
#include "launchers.h"
#include "prompts.h"
#include "welcome.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Weftsmith Setup");
  QApplication::setApplicationDisplayName("Weftsmith Setup");

  ws::setup::MessageBoxPrompts prompts;
  const QFileInfo self(QApplication::applicationFilePath());
  ws::setup::TBackground background(prompts, self.absolutePath());
  ws::setup::TWelcome welcome(prompts, background, ws::setup::InstallerEnvironment::FromProcess(),
                              self.fileName());
  QObject::connect(&background, &ws::setup::TBackground::firstShown, &welcome, [&welcome] {
    QTimer::singleShot(200, &welcome, [&welcome] {
      welcome.show();
      welcome.raise();
    });
  });
  background.showMaximized();
  return app.exec();
}
