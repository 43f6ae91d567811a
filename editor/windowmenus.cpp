// The document window's menus and context menu, built from one table. A menu
// command is one row here (its Command, caption, key, hint, separator and
// what it does); the program's enabling of it lives in the frame.
#include <QKeySequence>

#include "mainform.h"

namespace ws::desktop {

namespace {

enum class MenuId { File, Edit, Build, Commands };

// One menu item: where it goes, its name, caption, key and hint, whether it
// is followed by a separator, and what it does.
struct MenuItem {
  Command command;
  MenuId menu;
  const char* name;
  const char* caption;
  const char* key;
  const char* hint;
  bool separatorAfter;
  void (*run)(TMainForm&);
};

const MenuItem kMenuItems[] = {
    {Command::FileNew, MenuId::File, "mnuFileNew", "&New Build File", "Ctrl+N",
     "Creates a new build file", false, [](TMainForm& w) { emit w.NewRequested(); }},
    {Command::FileOpen, MenuId::File, "mnuFileOpen", "&Open Build File", "Ctrl+O",
     "Opens an existing build file", true, [](TMainForm& w) { w.mnuFileOpenClick(); }},
    {Command::FileClose, MenuId::File, "mnuFileClose", "Close File", "",
     "Closes the active build file", false, [](TMainForm& w) { emit w.CloseRequested(); }},
    {Command::FileSave, MenuId::File, "mnuFileSave", "&Save", "Ctrl+S",
     "Saves the active build file", false, [](TMainForm& w) { w.mnuFileSaveClick(); }},
    {Command::FileSaveAs, MenuId::File, "mnuFileSaveAs", "Save &As...", "",
     "Saves the active build file with a new name", true,
     [](TMainForm& w) { w.mnuFileSaveAsClick(); }},
    {Command::FilePageSetup, MenuId::File, "mnuFilePageSetup", "P&age Setup...", "",
     "Runs  printer setup", false, [](TMainForm& w) { w.mnuFilePageSetupClick(); }},
    {Command::FilePrint, MenuId::File, "mnuFilePrint", "&Print...", "Ctrl+P",
     "Prints the active build file", true, [](TMainForm& w) { w.mnuFilePrintClick(); }},
    {Command::FileExit, MenuId::File, "mnuFileExit", "E&xit", "F3", "Exits Weftsmith", false,
     [](TMainForm& w) { emit w.ExitRequested(); }},
    {Command::EditUndo, MenuId::Edit, "mnuEditUndo", "&Undo", "Ctrl+Z", "Reverses the last action",
     true, [](TMainForm& w) { w.mnuEditUndoClick(); }},
    {Command::EditCut, MenuId::Edit, "mnuEditCut", "Cu&t", "Ctrl+X",
     "Cuts the selection and puts it on the Clipboard", false,
     [](TMainForm& w) { w.mnuEditCutClick(); }},
    {Command::EditCopy, MenuId::Edit, "mnuEditCopy", "&Copy", "Ctrl+C",
     "Copies the selection and puts it on the Clipboard", false,
     [](TMainForm& w) { w.mnuEditCopyClick(); }},
    {Command::EditPaste, MenuId::Edit, "mnuEditPaste", "&Paste", "Ctrl+V",
     "Inserts Clipboard contents", false, [](TMainForm& w) { w.mnuEditPasteClick(); }},
    {Command::EditDelete, MenuId::Edit, "mnuEditDelete", "Clear", "Ctrl+Del",
     "Erases the selection", true, [](TMainForm& w) { w.mnuEditDeleteClick(); }},
    {Command::EditSelectAll, MenuId::Edit, "mnuEditSelectAll", "Select &All", "Ctrl+A",
     "Selects all text", false, [](TMainForm& w) { w.mnuEditSelectAllClick(); }},
    {Command::EditPreferences, MenuId::Edit, "mnuEditPreferences", "Preferences...", "",
     "Preferences...", true, [](TMainForm& w) { w.mnuEditPreferencesClick(); }},
    // F3 is Exit: finding again takes the keys of the desktop's other editors.
    {Command::EditFind, MenuId::Edit, "mnuEditFind", "&Find...", "Ctrl+F",
     "Finds text in the active build file", false, [](TMainForm& w) { w.mnuEditFindClick(); }},
    {Command::EditFindNext, MenuId::Edit, "mnuEditFindNext", "Find &Next", "Ctrl+G",
     "Finds the next match", false, [](TMainForm& w) { w.mnuEditFindNextClick(); }},
    {Command::EditFindPrevious, MenuId::Edit, "mnuEditFindPrevious", "Find Pre&vious",
     "Shift+Ctrl+G", "Finds the previous match", false,
     [](TMainForm& w) { w.mnuEditFindPreviousClick(); }},
    {Command::EditReplace, MenuId::Edit, "mnuEditReplace", "R&eplace...", "Ctrl+H",
     "Replaces text in the active build file", false,
     [](TMainForm& w) { w.mnuEditReplaceClick(); }},
    {Command::EditGoToLine, MenuId::Edit, "mnuEditGoToLine", "&Go to Line...", "Ctrl+L",
     "Moves the caret to a line", false, [](TMainForm& w) { w.mnuEditGoToLineClick(); }},
    {Command::BuildReformat, MenuId::Build, "mnuBuildReformat", "Reformat Text", "F2",
     "Re-indent the text of the current window.", false,
     [](TMainForm& w) { w.mnuBuildReformatClick(); }},
    {Command::BuildCheck, MenuId::Build, "mnuBuildCheck", "Check Syntax ", "Ctrl+K",
     "Check this document for mistakes.", true, [](TMainForm& w) { w.mnuBuildCheckClick(); }},
    {Command::BuildRun, MenuId::Build, "mnuBuildRun", "Run This Script", "F9",
     "Run this build file", false, [](TMainForm& w) { w.mnuBuildRunClick(); }},
    {Command::CommandsNewFile, MenuId::Commands, "mnuCommandsNewFile", "Make new file...", "Ctrl+M",
     "Insert command to make new file", false, [](TMainForm& w) { w.mnuCommandsNewFileClick(); }},
    {Command::CommandsInclude, MenuId::Commands, "mnuCommandsInclude", "Include file...", "Ctrl+I",
     "Insert command to include a file", false, [](TMainForm& w) { w.mnuCommandsIncludeClick(); }},
    {Command::CommandsIncludeTag, MenuId::Commands, "mnuCommandsIncludeTag",
     "Include tag from file...", "Ctrl+T", "Insert command to include a wide tag from a file",
     false, [](TMainForm& w) { w.mnuCommandsIncludeTagClick(); }},
    {Command::CommandsReplaceTag, MenuId::Commands, "mnuCommandsReplaceTag",
     "Replace tag in file...", "Ctrl+E", "Insert command to replace a tag", true,
     [](TMainForm& w) { w.mnuCommandsReplaceTagClick(); }},
    {Command::CommandsNest, MenuId::Commands, "mnuCommandsNest", "Nest in tag", "Ctrl+Ins",
     "Make a one line tag command nested", false, [](TMainForm& w) { w.mnuCommandsNestClick(); }},
    {Command::CommandsDeNest, MenuId::Commands, "mnuCommandsDeNest", "De-Nest a tag", "",
     "Make a nested tag command one line", true, [](TMainForm& w) { w.mnuCommandsDeNestClick(); }},
    {Command::CommandsRun, MenuId::Commands, "mnuCommandsRun", "Run another build file...",
     "Ctrl+R", "Insert command to run another build file", false,
     [](TMainForm& w) { w.mnuCommandsRunClick(); }},
};
static_assert(std::size(kMenuItems) == kCommandCount, "one menu item per command");

const char* const kMenuTitles[] = {"&File", "&Edit", "&Build", "&Commands"};

// The context menu: items of the Edit menu with captions of their own; an
// empty caption is a separator.
const std::pair<const char*, Command> kPopupItems[] = {
    {"&Undo", Command::EditUndo},   {"", Command::Count},
    {"Cu&t", Command::EditCut},     {"&Copy", Command::EditCopy},
    {"&Paste", Command::EditPaste}, {"Delete", Command::EditDelete},
    {"", Command::Count},           {"Select &All", Command::EditSelectAll}};

const MenuItem& ItemOf(Command command) {
  return kMenuItems[static_cast<int>(command)];
}

}  // namespace

void TMainForm::CreateMenus() {
  for (const char* title : kMenuTitles) menus_.push_back(new QMenu(title, this));
  for (const MenuItem& item : kMenuItems) {
    Q_ASSERT(&ItemOf(item.command) == &item);
    QMenu* menu = menus_[static_cast<int>(item.menu)];
    QAction* a = menu->addAction(item.caption);
    a->setObjectName(item.name);
    if (*item.key) a->setShortcut(QKeySequence(item.key));
    a->setStatusTip(item.hint);
    connect(a, &QAction::triggered, this, [this, command = item.command] { Run(command); });
    actions_[static_cast<int>(item.command)] = a;
    if (item.separatorAfter) menu->addSeparator();
  }
  // The context menu: its items are never disabled; one whose menu item is
  // disabled does nothing. They show their keys; the keys themselves work
  // through the menu bar's items.
  PopupMenu_ = new QMenu(this);
  PopupMenu_->setObjectName("PopupMenu");
  for (const auto& [caption, command] : kPopupItems) {
    if (!*caption) {
      PopupMenu_->addSeparator();
      continue;
    }
    const QAction* source = action(command);
    QAction* a = PopupMenu_->addAction(caption);
    a->setShortcut(source->shortcut());
    a->setShortcutContext(Qt::WidgetShortcut);
    a->setStatusTip(source->statusTip());
    connect(a, &QAction::triggered, this, [this, command = command] { Run(command); });
  }
}

// A command runs only while its menu item is enabled, whichever way it is
// reached (menu, key, context menu, tool button).
void TMainForm::Run(Command command) {
  if (action(command)->isEnabled()) ItemOf(command).run(*this);
}

}  // namespace ws::desktop
