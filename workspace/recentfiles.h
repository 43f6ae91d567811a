// The last eight build files opened or saved, newest first, kept in the
// desktop program's own state file, and their items at the end of a File
// menu ("&1 name" to "&8 name", the full path as the item's hint).
#pragma once

#include <QMenu>
#include <QSettings>
#include <QStringList>
#include <functional>

namespace ws::desktop {

class RecentFiles {
 public:
  static constexpr int kMaxFiles = 8;

  explicit RecentFiles(QSettings& state);

  const QStringList& files() const { return files_; }
  // The file goes to the top of the list (once); the ninth goes.
  void Add(const QString& path);
  void Remove(const QString& path);

  // Puts the list's items at the end of the menu, in place of the ones put
  // there before; choosing one calls open with its path.
  void FillMenu(QMenu& menu, const std::function<void(const QString&)>& open) const;

 private:
  void Store();

  QSettings& state_;
  QStringList files_;
};

}  // namespace ws::desktop
