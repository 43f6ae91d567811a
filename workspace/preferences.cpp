#include "preferences.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "colouring.h"
#include "settingsfile.h"
#include "tagform.h"

namespace ws::desktop {

namespace {

// The settings' colour table, in the order of the grid's cells.
constexpr int kCellCount = 16;
const char* const kCellNames[kCellCount] = {
    "clBlack",  "clMaroon", "clGreen", "clOlive",  "clNavy", "clPurple",  "clTeal", "clGray",
    "clSilver", "clRed",    "clLime",  "clYellow", "clBlue", "clFuchsia", "clAqua", "clWhite"};

constexpr int kSmallestSize = 8;
constexpr int kLargestSize = 100;
constexpr int kTwoSpaces = 1;  // the entry "2 spaces" of Indent

QLineEdit* NamedEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

QCheckBox* NamedCheckBox(const char* name, const QString& caption, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

QPushButton* NamedButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  // Enter presses Apply, the dialog's default button, on every page.
  button->setAutoDefault(false);
  return button;
}

QLabel* PreviewPanel(const char* name, const QString& caption, QWidget* parent) {
  auto* panel = new QLabel(caption, parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  // Large fonts are cut off rather than growing the fixed-size dialog.
  panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  panel->setFixedHeight(72);
  panel->setAutoFillBackground(true);
  return panel;
}

// One "Start"/"End" pair of delimiter edits in a row of a grid.
void AddDelimiterRow(QGridLayout* grid, int row, QLineEdit* start, QLineEdit* end) {
  QWidget* parent = grid->parentWidget();
  auto* startLabel = new QLabel("Start", parent);
  startLabel->setBuddy(start);
  auto* endLabel = new QLabel("End", parent);
  endLabel->setBuddy(end);
  grid->addWidget(startLabel, row, 0);
  grid->addWidget(start, row, 1);
  grid->addWidget(endLabel, row, 2);
  grid->addWidget(end, row, 3);
}

std::string Std(const QString& text) {
  return text.toStdString();
}

QString QStr(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

// ---- the colour grid ----

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent) {
  setObjectName("ColorGrid");
  auto* grid = new QGridLayout(this);
  grid->setSpacing(2);
  grid->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < kCellCount; ++i) {
    auto* cell = new QToolButton(this);
    cell->setObjectName(QString("ColorCell%1").arg(i));
    cell->setCheckable(true);
    cell->setToolTip(kCellNames[i]);
    QPixmap swatch(18, 18);
    swatch.fill(ToQColor(CellColor(i)));
    {
      QPainter painter(&swatch);
      painter.setPen(Qt::darkGray);
      painter.drawRect(0, 0, 17, 17);
    }
    cell->setIcon(swatch);
    cell->setIconSize(swatch.size());
    cells_.addButton(cell, i);
    grid->addWidget(cell, i / 4, i % 4);
  }
  cells_.setExclusive(true);
  connect(&cells_, &QButtonGroup::idClicked, this, &TColorGrid::chosen);
}

Color TColorGrid::CellColor(int cell) {
  return SettingNameToColor(kCellNames[cell], 0);
}

int TColorGrid::CellOf(Color color) {
  for (int i = 0; i < kCellCount; ++i)
    if (CellColor(i) == color) return i;
  return -1;
}

void TColorGrid::select(int cell) {
  if (cell < 0 || cell >= kCellCount) {
    // An exclusive group keeps one button checked; none is wanted here.
    if (QAbstractButton* checked = cells_.checkedButton()) {
      cells_.setExclusive(false);
      checked->setChecked(false);
      cells_.setExclusive(true);
    }
    return;
  }
  cells_.button(cell)->setChecked(true);
  emit chosen(cell);
}

void TSizeBox::stepBy(int steps) {
  QSpinBox::stepBy(steps);
  emit stepped(value());
}

// ---- the dialog ----

TPreferences::TPreferences(QWidget* parent, SettingsStore& store) : QDialog(parent), store_(store) {
  setObjectName("Preferences");
  setWindowTitle("Preferences");
  setModal(false);
  Pages = new QTabWidget(this);
  Pages->setObjectName("PageControl");
  Pages->addTab(MakeGeneralPage(), "General");
  Pages->addTab(MakeFontPage(), "Font");
  Pages->addTab(MakeColorsPage(), "Colors");
  Pages->setCurrentIndex(0);

  Apply = NamedButton("Apply", "Apply", this);
  Apply->setDefault(true);
  Cancel = NamedButton("Cancel", "Cancel", this);
  Help = NamedButton("Help", "&Help", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {Apply, Cancel, Help}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Pages);
  layout->addLayout(buttons);

  FillFromControls();
  ConnectWriteThrough();
  connect(lbxElement, &QListWidget::itemSelectionChanged, this, &TPreferences::ElementSelected);
  connect(ColorGrid, &TColorGrid::chosen, this, &TPreferences::ColorChosen);
  const std::pair<QCheckBox*, TextStyle> styleBoxes[] = {
      {chkBold, TextStyle::Bold}, {chkItalic, TextStyle::Italic}, {chkUnder, TextStyle::Underline}};
  for (auto [box, style] : styleBoxes)
    connect(box, &QCheckBox::toggled, this,
            [this, style = style](bool ticked) { StyleBoxToggled(style, ticked); });
  connect(FontSize, &TSizeBox::stepped, this, &TPreferences::UpdateFontPanel);
  connect(BitBtn3, &QPushButton::clicked, this, &TPreferences::RestoreGeneral);
  connect(BitBtn1, &QPushButton::clicked, this, &TPreferences::RestoreFont);
  connect(BitBtn2, &QPushButton::clicked, this, &TPreferences::RestoreColors);
  connect(Apply, &QPushButton::clicked, this, &TPreferences::ApplyClick);
  connect(Cancel, &QPushButton::clicked, this, &TPreferences::CancelClick);
  connect(Help, &QPushButton::clicked, this, &TPreferences::HelpClick);

  setFixedSize(sizeHint());
}

QWidget* TPreferences::MakeGeneralPage() {
  auto* page = new QWidget;
  page->setObjectName("GeneralPage");
  txtShortStart = NamedEdit("txtShortStart", page);
  txtShortEnd = NamedEdit("txtShortEnd", page);
  txtStartOne = NamedEdit("txtStartOne", page);
  txtEndOne = NamedEdit("txtEndOne", page);
  txtStartTwo = NamedEdit("txtStartTwo", page);
  txtEndTwo = NamedEdit("txtEndTwo", page);
  auto* shortGroup = new QGroupBox("Short tag", page);
  AddDelimiterRow(new QGridLayout(shortGroup), 0, txtShortStart, txtShortEnd);
  auto* wideGroup = new QGroupBox("Wide tag", page);
  auto* wideGrid = new QGridLayout(wideGroup);
  AddDelimiterRow(wideGrid, 0, txtStartOne, txtEndOne);
  AddDelimiterRow(wideGrid, 1, txtStartTwo, txtEndTwo);

  mnuEditUse = NamedCheckBox("mnuEditUse", "Use relative filenames", page);
  chkFieldName = NamedCheckBox("chkFieldName", "Treat first record as field names", page);
  chkKeepPlainText =
      NamedCheckBox("chkKeepPlainText", "Keep plain-text build files as plain text", page);
  chkKeepPlainText->setToolTip(
      "A build file that was read as plain text is saved as plain text with CR LF line ends; "
      "otherwise every build file is saved as RTF.");
  Indent = new QComboBox(page);
  Indent->setObjectName("Indent");
  Indent->addItems({"1 space", "2 spaces", "3 spaces", "1 tab", "2 tabs"});
  auto* indentLabel = new QLabel("Indent preference", page);
  indentLabel->setBuddy(Indent);
  BitBtn3 = NamedButton("BitBtn3", "Restore Defaults", page);

  auto* indentRow = new QHBoxLayout;
  indentRow->addWidget(indentLabel);
  indentRow->addWidget(Indent);
  indentRow->addStretch(1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(shortGroup);
  layout->addWidget(wideGroup);
  layout->addWidget(mnuEditUse);
  layout->addWidget(chkFieldName);
  layout->addWidget(chkKeepPlainText);
  layout->addLayout(indentRow);
  layout->addStretch(1);
  layout->addWidget(BitBtn3, 0, Qt::AlignRight);
  return page;
}

QWidget* TPreferences::MakeFontPage() {
  auto* page = new QWidget;
  page->setObjectName("FontPage");
  FontPanel = PreviewPanel("FontPanel", "AaBbCcDd", page);
  FontNames = new QComboBox(page);
  FontNames->setObjectName("FontNames");
  FontNames->setEditable(true);
  FontNames->setInsertPolicy(QComboBox::NoInsert);
  // One entry per family, its name as the system gives it (with a foundry
  // suffix such as "[UKWN]" where two foundries share a name).
  QStringList families = QFontDatabase::families();
  families.sort(Qt::CaseInsensitive);
  FontNames->addItems(families);
  FontSize = new TSizeBox(page);
  FontSize->setObjectName("FontSize");
  FontSize->setRange(kSmallestSize, kLargestSize);
  FontSize->setWrapping(false);
  FontSize->setValue(10);
  BitBtn1 = NamedButton("BitBtn1", "Restore Defaults", page);

  auto* fontLabel = new QLabel("Editor &font", page);
  fontLabel->setBuddy(FontNames);
  auto* sizeLabel = new QLabel("&Size", page);
  sizeLabel->setBuddy(FontSize);
  auto* form = new QGridLayout;
  form->addWidget(fontLabel, 0, 0);
  form->addWidget(FontNames, 0, 1);
  form->addWidget(sizeLabel, 1, 0);
  form->addWidget(FontSize, 1, 1, Qt::AlignLeft);
  form->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(FontPanel);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addWidget(BitBtn1, 0, Qt::AlignRight);
  return page;
}

QWidget* TPreferences::MakeColorsPage() {
  auto* page = new QWidget;
  page->setObjectName("ColorsPage");
  ColorPanel = PreviewPanel("ColorPanel", "TEST COLOR!", page);
  QFont panelFont("Courier New");
  panelFont.setStyleHint(QFont::TypeWriter);
  panelFont.setPixelSize(13);
  ColorPanel->setFont(panelFont);
  QPalette black = ColorPanel->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  ColorPanel->setPalette(black);

  lbxElement = new QListWidget(page);
  lbxElement->setObjectName("lbxElement");
  lbxElement->addItems({"Comments", "Reserved words", "Strings"});
  lbxElement->setSortingEnabled(true);
  lbxElement->setFixedWidth(lbxElement->sizeHintForColumn(0) + 24);
  auto* elementLabel = new QLabel("Element", page);
  elementLabel->setBuddy(lbxElement);
  ColorGrid = new TColorGrid(page);
  auto* colorLabel = new QLabel("Color", page);

  auto* attributes = new QGroupBox("Text Attributes", page);
  chkBold = NamedCheckBox("chkBold", "Bold", attributes);
  chkUnder = NamedCheckBox("chkUnder", "Underline", attributes);
  chkItalic = NamedCheckBox("chkItalic", "Italic", attributes);
  auto* attributeBoxes = new QVBoxLayout(attributes);
  for (QCheckBox* box : {chkBold, chkUnder, chkItalic}) attributeBoxes->addWidget(box);
  attributeBoxes->addStretch(1);
  BitBtn2 = NamedButton("BitBtn2", "Restore Defaults", page);

  auto* grid = new QGridLayout;
  grid->addWidget(elementLabel, 0, 0);
  grid->addWidget(lbxElement, 1, 0);
  grid->addWidget(colorLabel, 0, 1);
  grid->addWidget(ColorGrid, 1, 1, Qt::AlignTop);
  grid->addWidget(attributes, 1, 2);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(ColorPanel);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addWidget(BitBtn2, 0, Qt::AlignRight);
  return page;
}

std::array<TPreferences::DelimiterEdit, 6> TPreferences::DelimiterEdits() const {
  using C = PreferenceControls;
  return {{{txtShortStart, &Settings::ShortStart, &C::txtShortStart},
           {txtShortEnd, &Settings::ShortEnd, &C::txtShortEnd},
           {txtStartOne, &Settings::WideOpenStart, &C::txtStartOne},
           {txtEndOne, &Settings::WideOpenEnd, &C::txtEndOne},
           {txtStartTwo, &Settings::WideCloseStart, &C::txtStartTwo},
           {txtEndTwo, &Settings::WideCloseEnd, &C::txtEndTwo}}};
}

void TPreferences::SetDelimiterEdits(const Settings& from) {
  for (const DelimiterEdit& d : DelimiterEdits()) d.edit->setText(QStr(from.*d.setting));
}

void TPreferences::SetWorkingCopies(const Settings& from) {
  workColor_ = {from.CommentColor, from.ReservedColor, from.StringColor};
  workStyle_ = {from.CommentStyle, from.ReservedStyle, from.StringStyle};
}

void TPreferences::FillFromControls() {
  // What the settings file gave the controls, and the working copies from
  // the Settings in effect.
  const PreferenceControls& c = store_.controls;
  for (const DelimiterEdit& d : DelimiterEdits()) d.edit->setText(QStr(c.*d.control));
  mnuEditUse->setChecked(c.mnuEditUse);
  chkFieldName->setChecked(c.chkFieldName);
  Indent->setCurrentIndex(c.Indent >= 0 && c.Indent < Indent->count() ? c.Indent : -1);
  FontNames->setEditText(QStr(c.FontNames));
  // An out-of-range size stays in the controls' store (and the file) until
  // Apply; the box itself holds only 8 to 100.
  FontSize->setValue(SettingsLineInteger(c.FontSize));
  UpdateFontPanel(FontSize->value());

  SetWorkingCopies(store_.settings);
  lbxElement->setCurrentRow(Comments);
  ColorGrid->select(TColorGrid::CellOf(workColor_[Comments]));
}

void TPreferences::ConnectWriteThrough() {
  // Only the settings that are in effect at once write through; the
  // delimiters and the font reach the store at Apply, so that what Cancel
  // discards is not written to the settings file at exit.
  PreferenceControls& c = store_.controls;
  connect(mnuEditUse, &QCheckBox::toggled, this, [&c](bool on) { c.mnuEditUse = on; });
  connect(chkFieldName, &QCheckBox::toggled, this, [&c](bool on) { c.chkFieldName = on; });
  connect(Indent, &QComboBox::currentIndexChanged, this, [&c](int index) { c.Indent = index; });
  connect(FontNames, &QComboBox::editTextChanged, this,
          [this] { UpdateFontPanel(FontSize->value()); });
}

// ---- showing ----

void TPreferences::ShowDialog() {
  if (isVisible()) {
    // Already open: the edits in progress stay.
    raise();
    activateWindow();
    return;
  }
  const Settings& s = store_.settings;
  SetWorkingCopies(s);
  ElementSelected();
  SetDelimiterEdits(s);
  FontNames->setEditText(QStr(s.EditorFontName));
  FontSize->setValue(s.EditorFontSize);
  UpdateFontPanel(FontSize->value());
  ApplyPressed = CancelPressed = HelpPressed = ClosedByBox = false;

  show();
  // Centred with its frame, which is known once the dialog is shown.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  raise();
  activateWindow();
}

QFont TPreferences::WithTickedStyles(QFont font) const {
  if (plainStyle_ == TextStyle::Bold) font.setBold(true);
  if (plainStyle_ == TextStyle::Italic) font.setItalic(true);
  if (plainStyle_ == TextStyle::Underline) font.setUnderline(true);
  return font;
}

// ---- the Colors page ----

int TPreferences::SelectedElement() const {
  const int row = lbxElement->currentRow();
  return row >= 0 && lbxElement->currentItem()->isSelected() ? row : -1;
}

void TPreferences::ElementSelected() {
  const int e = SelectedElement();
  for (QWidget* w : std::initializer_list<QWidget*>{ColorGrid, chkBold, chkUnder, chkItalic})
    w->setEnabled(e >= 0);
  if (e < 0) return;
  ColorGrid->select(TColorGrid::CellOf(workColor_[e]));
  SetStyleBoxes(workStyle_[e]);
}

void TPreferences::SetStyleBoxes(TextStyle style) {
  switch (style) {
    case TextStyle::Bold:
      chkBold->setChecked(true);
      break;
    case TextStyle::Italic:
      chkItalic->setChecked(true);
      break;
    case TextStyle::Underline:
      chkUnder->setChecked(true);
      break;
    case TextStyle::None:
      for (QCheckBox* box : {chkBold, chkUnder, chkItalic}) box->setChecked(false);
      break;
  }
}

void TPreferences::StyleBoxToggled(TextStyle boxStyle, bool ticked) {
  const int e = SelectedElement();
  if (ticked) {
    // One style per element: ticking a box clears the other two, whose
    // clearing then leaves this style in place.
    if (e >= 0) workStyle_[e] = boxStyle;
    SetColorPanelStyle(boxStyle);
    const std::pair<QCheckBox*, TextStyle> boxes[] = {{chkBold, TextStyle::Bold},
                                                      {chkItalic, TextStyle::Italic},
                                                      {chkUnder, TextStyle::Underline}};
    for (auto [box, style] : boxes)
      if (style != boxStyle) box->setChecked(false);
  } else if (panelStyle_ == boxStyle) {
    if (e >= 0) workStyle_[e] = TextStyle::None;
    SetColorPanelStyle(TextStyle::None);
  }
}

void TPreferences::SetColorPanelStyle(TextStyle style) {
  panelStyle_ = style;
  QFont font = ColorPanel->font();
  font.setBold(style == TextStyle::Bold);
  font.setItalic(style == TextStyle::Italic);
  font.setUnderline(style == TextStyle::Underline);
  ColorPanel->setFont(font);
}

void TPreferences::ColorChosen(int cell) {
  QPalette palette = ColorPanel->palette();
  palette.setColor(QPalette::WindowText, ToQColor(TColorGrid::CellColor(cell)));
  ColorPanel->setPalette(palette);
  if (const int e = SelectedElement(); e >= 0) workColor_[e] = TColorGrid::CellColor(cell);
}

void TPreferences::UpdateFontPanel(int size) {
  FontPanel->setFont(EditorFont(FontNames->currentText(), size));
}

// ---- Restore Defaults: the controls and working copies only ----

void TPreferences::RestoreGeneral() {
  const Settings d = Settings::Defaults();
  mnuEditUse->setChecked(true);
  chkFieldName->setChecked(true);
  chkKeepPlainText->setChecked(false);
  Indent->setCurrentIndex(kTwoSpaces);
  SetDelimiterEdits(d);
}

void TPreferences::RestoreFont() {
  const Settings d = Settings::Defaults();
  FontNames->setEditText(QStr(d.EditorFontName));
  FontSize->setValue(d.EditorFontSize);
  UpdateFontPanel(d.EditorFontSize);
}

void TPreferences::RestoreColors() {
  SetWorkingCopies(Settings::Defaults());
  SetStyleBoxes(TextStyle::None);
  if (const int e = SelectedElement(); e >= 0) ColorGrid->select(TColorGrid::CellOf(workColor_[e]));
}

// ---- the buttons ----

void TPreferences::ApplyClick() {
  ApplyPressed = true;
  Settings& s = store_.settings;
  s.EditorFontName = Std(FontNames->currentText());
  s.EditorFontSize = FontSize->value();
  s.ReservedColor = workColor_[ReservedWords];
  s.StringColor = workColor_[Strings];
  s.CommentColor = workColor_[Comments];
  s.ReservedStyle = workStyle_[ReservedWords];
  s.StringStyle = workStyle_[Strings];
  s.CommentStyle = workStyle_[Comments];
  // One box at most is ticked (ticking one clears the others).
  plainStyle_ = chkBold->isChecked()     ? TextStyle::Bold
                : chkItalic->isChecked() ? TextStyle::Italic
                : chkUnder->isChecked()  ? TextStyle::Underline
                                         : TextStyle::None;
  PreferenceControls& c = store_.controls;
  c.FontNames = s.EditorFontName;
  c.FontSize = std::to_string(s.EditorFontSize);
  for (const DelimiterEdit& d : DelimiterEdits()) s.*d.setting = c.*d.control = Std(d.edit->text());
  HideAndReturnFocus();
}

void TPreferences::CancelClick() {
  CancelPressed = true;
  HideAndReturnFocus();
}

void TPreferences::reject() {
  CancelClick();
}

void TPreferences::closeEvent(QCloseEvent* event) {
  ClosedByBox = true;
  HideAndReturnFocus();
  event->accept();
}

void TPreferences::HelpClick() {
  HelpPressed = true;
  emit HelpRequested();
}

void TPreferences::HideAndReturnFocus() {
  hide();
  // The frame becomes active again, and its activation recolours the
  // active document window with what is now in effect.
  if (QWidget* frame = parentWidget(); frame && frame->isVisible()) frame->activateWindow();
}

void TPreferences::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || isActiveWindow() || !isVisible()) return;
  if (!ApplyPressed && !CancelPressed && !HelpPressed && !ClosedByBox)
    ComeForwardLater(this, mayComeForward);
}

}  // namespace ws::desktop
