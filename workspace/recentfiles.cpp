#include "recentfiles.h"

#include <QDir>
#include <QFileInfo>

namespace ws::desktop {

namespace {

const char* const kKey = "RecentFiles/Files";
// The items this list put into a menu carry this property.
const char* const kRecentItem = "weftsmithRecentItem";

}  // namespace

RecentFiles::RecentFiles(QSettings& state) : state_(state) {
  for (const QString& path : state_.value(kKey).toStringList())
    if (!path.isEmpty() && !files_.contains(path) && files_.size() < kMaxFiles) files_ << path;
}

void RecentFiles::Add(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  files_.removeAll(full);
  files_.prepend(full);
  while (files_.size() > kMaxFiles) files_.removeLast();
  Store();
}

void RecentFiles::Remove(const QString& path) {
  files_.removeAll(path);
  Store();
}

void RecentFiles::Store() {
  state_.setValue(kKey, files_);
  state_.sync();
}

void RecentFiles::FillMenu(QMenu& menu, const std::function<void(const QString&)>& open) const {
  for (QAction* a : menu.actions())
    if (a->property(kRecentItem).toBool()) {
      menu.removeAction(a);
      a->deleteLater();
    }
  if (files_.isEmpty()) return;
  QAction* separator = menu.addSeparator();
  separator->setProperty(kRecentItem, true);
  int number = 1;
  for (const QString& path : files_) {
    // "&" in a file name is shown, not taken as an accelerator.
    const QString name = QFileInfo(path).fileName().replace("&", "&&");
    QAction* a = menu.addAction(QString("&%1 %2").arg(number++).arg(name));
    a->setProperty(kRecentItem, true);
    a->setObjectName("mnuRecentFile");
    a->setStatusTip(QDir::toNativeSeparators(path));
    QObject::connect(a, &QAction::triggered, &menu, [open, path] { open(path); });
  }
}

}  // namespace ws::desktop
