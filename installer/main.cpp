// Install: copies the distribution folder it lies in to a folder the user
// chooses and adds the program, its help and its manual to the desktop's menu.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "background.h"
#include "installsteps.h"
#include "launchers.h"
#include "prompts.h"
#include "welcome.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Weftsmith Setup");
  QApplication::setApplicationDisplayName("Weftsmith Setup");

  ws::setup::MessageBoxPrompts prompts;
  const QFileInfo self(QApplication::applicationFilePath());
  // Anywhere but in a distribution folder it would copy whatever lies beside
  // it, such as the build's test programs: it says so and does nothing.
  const std::string problem = ws::setup::DistributionFolderProblem(
      self.absolutePath().toStdString(), self.fileName().toStdString());
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    prompts.Error(nullptr, QString::fromStdString(problem));
    return 2;
  }
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
