// TPreferences: the dialog in which the user edits the settings. The two
// switches and the indentation write through to the store's
// PreferenceControls, their home, and are in effect at once; the colours and
// styles of the three coloured elements are edited in working copies; Apply
// puts font, colours, styles and delimiters into the Settings in effect, and
// font and delimiters into the PreferenceControls too. The settings file is
// written from the store, so it holds what is in effect: Cancel discards the
// rest.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <array>
#include <functional>

#include "settings.h"

namespace ws::desktop {

// Sixteen colour cells in a 4 by 4 grid, cell i showing colour i of the
// settings' colour table; one cell at most is selected.
class TColorGrid : public QWidget {
  Q_OBJECT
 public:
  explicit TColorGrid(QWidget* parent);
  // The colour of a cell, and the cell of a colour (-1 when it is none of
  // the sixteen).
  static Color CellColor(int cell);
  static int CellOf(Color color);

  int selected() const { return cells_.checkedId(); }
  // Selects the cell (none for -1) and reports it like a click.
  void select(int cell);
  QAbstractButton* cell(int index) const { return cells_.button(index); }

 signals:
  void chosen(int cell);

 private:
  QButtonGroup cells_;
};

// The size box: a spin box that reports the use of its arrows (and of the
// arrow keys) apart from typing.
class TSizeBox : public QSpinBox {
  Q_OBJECT
 public:
  using QSpinBox::QSpinBox;
  void stepBy(int steps) override;

 signals:
  void stepped(int value);
};

class TPreferences : public QDialog {
  Q_OBJECT

 public:
  // The elements in the order of lbxElement.
  enum Element { Comments = 0, ReservedWords = 1, Strings = 2 };

  TPreferences(QWidget* parent, SettingsStore& store);

  // The "Preferences..." command: the working copies from the Settings in
  // effect, then the dialog shown (modeless, centred on the screen).
  void ShowDialog();
  // Adds to the font the style of the box that was ticked when Apply was
  // last pressed (none before the first Apply): the plain-text style in
  // effect, which a new document window's base font takes. Boxes ticked
  // since, by a click or by selecting an element, count only once applied.
  QFont WithTickedStyles(QFont font) const;

  // The working copies of an element.
  Color workingColor(Element e) const { return workColor_[e]; }
  TextStyle workingStyle(Element e) const { return workStyle_[e]; }

  // The flags, cleared at each showing.
  bool ApplyPressed = false;
  bool CancelPressed = false;
  bool HelpPressed = false;
  bool ClosedByBox = false;
  // Whether the dialog may come back in front now (no message box of the
  // program open); always when unset.
  std::function<bool()> mayComeForward;

  QTabWidget* Pages = nullptr;
  // General
  QLineEdit* txtShortStart = nullptr;
  QLineEdit* txtShortEnd = nullptr;
  QLineEdit* txtStartOne = nullptr;
  QLineEdit* txtEndOne = nullptr;
  QLineEdit* txtStartTwo = nullptr;
  QLineEdit* txtEndTwo = nullptr;
  QCheckBox* mnuEditUse = nullptr;
  QCheckBox* chkFieldName = nullptr;
  // The desktop program's own switch, kept in its state file by the frame;
  // in effect at once like the two above.
  QCheckBox* chkKeepPlainText = nullptr;
  QComboBox* Indent = nullptr;
  QPushButton* BitBtn3 = nullptr;
  // Font
  QLabel* FontPanel = nullptr;
  QComboBox* FontNames = nullptr;
  TSizeBox* FontSize = nullptr;
  QPushButton* BitBtn1 = nullptr;
  // Colors
  QLabel* ColorPanel = nullptr;
  QListWidget* lbxElement = nullptr;
  TColorGrid* ColorGrid = nullptr;
  QCheckBox* chkBold = nullptr;
  QCheckBox* chkUnder = nullptr;
  QCheckBox* chkItalic = nullptr;
  QPushButton* BitBtn2 = nullptr;
  // Below the pages
  QPushButton* Apply = nullptr;
  QPushButton* Cancel = nullptr;
  QPushButton* Help = nullptr;

 signals:
  // "&Help" was pressed: the help file at the topic "Pref" is wanted.
  void HelpRequested();

 public slots:
  // Escape answers as Cancel.
  void reject() override;

 protected:
  // The close box hides the dialog like Cancel, with its own flag.
  void closeEvent(QCloseEvent* event) override;
  // Losing the focus to another window of the program brings the dialog
  // back in front, queued, until one of the four flags is set.
  void changeEvent(QEvent* event) override;

 private:
  QWidget* MakeGeneralPage();
  QWidget* MakeFontPage();
  QWidget* MakeColorsPage();
  // The six delimiter edits with the Settings field and the control store
  // field each one stands for.
  struct DelimiterEdit {
    QLineEdit* edit;
    std::string Settings::*setting;
    std::string PreferenceControls::*control;
  };
  std::array<DelimiterEdit, 6> DelimiterEdits() const;
  void SetDelimiterEdits(const Settings& from);
  void SetWorkingCopies(const Settings& from);
  void FillFromControls();
  void ConnectWriteThrough();

  int SelectedElement() const;
  void ElementSelected();
  void SetStyleBoxes(TextStyle style);
  void StyleBoxToggled(TextStyle boxStyle, bool ticked);
  void ColorChosen(int cell);
  void SetColorPanelStyle(TextStyle style);
  void UpdateFontPanel(int size);

  void RestoreGeneral();
  void RestoreFont();
  void RestoreColors();
  void ApplyClick();
  void CancelClick();
  void HelpClick();
  void HideAndReturnFocus();

  SettingsStore& store_;
  std::array<Color, 3> workColor_{};
  std::array<TextStyle, 3> workStyle_{};
  TextStyle panelStyle_ = TextStyle::None;  // the style ColorPanel shows
  TextStyle plainStyle_ = TextStyle::None;  // the box ticked at the last Apply
};

}  // namespace ws::desktop
