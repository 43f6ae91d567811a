// The tag results dialog (TTagForm) and the tag viewer (TViewForm). The
// results dialog lists the wide and short tags of one file for the command
// insertion of the document window; it tells its answers as signals, which
// the frame hands to the window that asked.
// Both are made once, as dialogs of the frame (so they stay above it only).
#pragma once

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>

#include "settings.h"

namespace ws::desktop {

class TViewForm : public QDialog {
  Q_OBJECT
 public:
  TViewForm(QWidget* parent, const Settings& settings);
  // Shows the body of a wide tag and the tags nested in it.
  void ShowTag(const QString& name, const QString& body);
  // As the results dialog's: whether a window may come back in front now.
  std::function<bool()> mayComeForward;

  QPlainTextEdit* TagName = nullptr;
  QListWidget* SubTags = nullptr;
  QPushButton* BitBtnOK = nullptr;

 protected:
  // Until OK the viewer comes back in front when another window of the
  // program takes the focus; OK hands the focus back to the results dialog.
  void changeEvent(QEvent* event) override;

 private:
  const Settings& settings_;
};

// Brings `window` back in front, queued, when a window of the program is
// active, no modal dialog is open and `may` (when set) allows it.
void ComeForwardLater(QWidget* window, const std::function<bool()>& may);

class TTagForm : public QDialog {
  Q_OBJECT
 public:
  // showError reports a file that cannot be read.
  TTagForm(QWidget* parent, const Settings& settings,
           std::function<void(const QString&)> showError);

  // Lists the tags of `file` (wide only in choice mode) and shows the dialog.
  void ShowFor(const QString& file, bool choiceMode);
  // The scanned file's text, the dialog's own copy.
  const QString& scannedText() const { return TempText_; }
  TViewForm* viewForm() const { return ViewForm_; }

  // Whether the dialog may come back in front now (no message box or other
  // modal dialog of the program open); always when unset.
  std::function<bool()> mayComeForward;

  QLabel* ShortLabel = nullptr;
  QListWidget* WideTags = nullptr;
  QListWidget* ShortTags = nullptr;
  QPushButton* btnShowTag = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnAddAll = nullptr;
  QPushButton* BitBtnCancel = nullptr;

 signals:
  // Add (browse mode) or OK (choice mode): the selected tag, a null string
  // when none is selected.
  void TagAdded(const QString& selected);
  // Add All: every listed wide and short tag.
  void AllTagsAdded(const QStringList& wide, const QStringList& shortTags);

 protected:
  // A click on the dialog's background clears both selections.
  void mousePressEvent(QMouseEvent* event) override;
  // Losing the focus to another window of the program brings the dialog
  // back in front, queued, unless the viewer is open over it.
  void changeEvent(QEvent* event) override;

 private:
  void WideClicked(QListWidgetItem* item);
  void ShortClicked(QListWidgetItem* item);
  void AddClick();
  void AddAllClick();
  void DoneClick();
  void ShowTagClick();

  const Settings& settings_;
  std::function<void(const QString&)> showError_;
  bool choiceMode_ = false;
  QString TempText_;
  TViewForm* ViewForm_ = nullptr;
};

}  // namespace ws::desktop
