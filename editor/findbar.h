// The find bar below a document window's text: what to find, what to put in
// its place, the match-case and whole-word switches, and buttons for the
// next and previous match, Replace and Replace All. It only asks; the window
// finds and replaces.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "findreplace.h"

namespace ws::desktop {

class TFindBar : public QWidget {
  Q_OBJECT

 public:
  explicit TFindBar(QWidget* parent);

  // Shows the bar with the replace row or without, the find field selected;
  // a non-empty text replaces what it held.
  void Open(const QString& text, bool withReplace);
  QString text() const { return findEdit_->text(); }
  QString replacement() const { return replaceEdit_->text(); }
  FindOptions options() const;
  bool ReplaceShown() const { return replaceRow_->isVisibleTo(this); }
  // Replacing is off while the text takes no edits.
  void SetReplaceEnabled(bool enabled);

 signals:
  void FindRequested(bool backward);
  void ReplaceRequested();
  void ReplaceAllRequested();
  // Escape or the close button: the bar hid itself.
  void Closed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLineEdit* findEdit_;
  QLineEdit* replaceEdit_;
  QCheckBox* matchCase_;
  QCheckBox* wholeWord_;
  QPushButton* replace_;
  QPushButton* replaceAll_;
  QWidget* replaceRow_;
  QWidget* replaceLabel_;
};

}  // namespace ws::desktop
