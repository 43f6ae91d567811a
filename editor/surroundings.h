// What a document window needs from the program around it: the settings in
// effect, the prompts, the one undo record, build requests, whether line
// numbers are shown, and the tag and preferences dialogs. The window
// never knows what implements it (the frame does); what the window has to
// tell goes out as its signals.
#pragma once

#include <QFont>
#include <QKeySequence>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <optional>

#include "prompts.h"
#include "settings.h"

namespace ws::desktop {

class TMainForm;
class UndoRecord;

class WindowSurroundings {
 public:
  virtual ~WindowSurroundings() = default;

  // The settings in effect and the preferences' controls.
  virtual const Settings& settings() const = 0;
  virtual const PreferenceControls& controls() const = 0;
  // The settings' face and size with the style applied last in the preferences.
  virtual QFont BaseFont() const = 0;
  // Whether the windows show line numbers beside the text (View, Line Numbers).
  virtual bool LineNumbersShown() const = 0;

  virtual Seams& prompts() = 0;
  // A message box of the kind, captioned as the kind says.
  virtual void ShowMessage(BoxKind kind, const QString& text) = 0;
  virtual QPageLayout& pageLayout() = 0;
  // Whether a key sequence belongs to one of the program's commands outside
  // the window's own menus (those keys never reach the text).
  virtual bool OwnsKey(const QKeySequence& key) const = 0;

  // Whether a build file read as plain text is saved as plain text (else as RTF).
  virtual bool KeepPlainText() const = 0;
  virtual UndoRecord& undoRecord() = 0;

  // Closing a changed window asks nothing while the file named on the command
  // line is loaded and no key has been pressed nor command inserted since.
  virtual bool SaveQuestionSuppressed() const = 0;
  virtual void EndSaveQuestionSuppression() = 0;

  // Build requests for the window's text. A run or check goes on while the
  // window stays live; it reports its end through the program.
  virtual void StartRun(TMainForm& window, const QString& folder) = 0;
  virtual void StartCheck(TMainForm& window) = 0;
  // The re-indented lines; nullopt when nothing can be done now.
  virtual std::optional<QStringList> Reformat(TMainForm& window) = 0;

  // The tag results dialog for `file` (only wide tags, one answer in choice
  // mode); its answers go to the window's TagChosen, AllTagsChosen.
  virtual void ShowTags(TMainForm& window, const QString& file, bool choiceMode) = 0;
  virtual void ShowPreferences() = 0;
};

}  // namespace ws::desktop
