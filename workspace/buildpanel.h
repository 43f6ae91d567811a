// The build panel: a dock below the documents that keeps a record of every
// run and check: its messages with the file and line each concerns, the pages
// a run wrote with how each compared with the file it replaced, and a summary
// with the time taken. A click on a message asks for its line; a page opens
// in the web browser (the "Open in browser" button, the page's context menu,
// a double-click). The panel only lists and asks: the frame acts on what it
// asks, and its side of the panel (TFrameForm::CreateBuildPanel and the
// members it connects) is at the end of buildpanel.cpp.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QString>
#include <array>
#include <chrono>
#include <deque>

#include "desktophost.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace ws::desktop {

class TMainForm;

class BuildPanel : public QDockWidget {
  Q_OBJECT

 public:
  enum Column { KindColumn, FileColumn, LineColumn, TextColumn };
  // The records kept; an older one goes when a new one begins.
  static constexpr int kKeptRecords = 20;

  explicit BuildPanel(QWidget* parent);

  // A run or check of the document begins: a fresh record above the others,
  // which fold.
  void BeginRecord(BuildKind kind, TMainForm* document);
  // What the record lists; nothing while no record is open.
  void AddMessage(const BuildMessage& message);
  void AddPage(const QString& path, PageState state);
  // The record ends with its summary line.
  void EndRecord(BuildKind kind, BuildOutcome outcome, std::chrono::milliseconds time);

  QTreeWidget* list() const { return list_; }
  // The actions of the list's current row.
  QAction* openInBrowserAction() const { return openInBrowser_; }
  QAction* goToLineAction() const { return goToLine_; }

 signals:
  // A message's line was asked for: in the record's document when file is ""
  // (document is its window), else in that build file.
  void LineRequested(ws::desktop::TMainForm* document, const QString& file, int line);
  void PageOpenRequested(const QString& path);

 private:
  struct Record {
    QTreeWidgetItem* item = nullptr;
    QPointer<TMainForm> document;
    QString documentFile;  // its file name when the record began
    QString caption;
    std::array<int, 4> pages{};  // by PageState
    int messages = 0;
  };

  const Record* RecordOf(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* AddRow(const QStringList& columns);
  // The current row changed: which of its actions apply.
  void UpdateActions();
  void GoToLine(const QTreeWidgetItem* item);
  void OpenPage(const QTreeWidgetItem* item);
  void ShowContextMenu(const QPoint& at);

  QTreeWidget* list_ = nullptr;
  QAction* openInBrowser_ = nullptr;
  QAction* goToLine_ = nullptr;
  std::deque<Record> records_;  // newest first
  bool recording_ = false;      // the newest record is still open
};

}  // namespace ws::desktop
