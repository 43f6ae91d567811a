// The seams between the build engine and the program that hosts it (the
// desktop program, the command-line tool, the tests). No engine code talks to
// a window, a terminal or the clock except through these interfaces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ws {

// The four kinds of message box of the desktop program. The CLI prints each as
// one line "<Caption>: <text>".
enum class MessageKind { Error, Warning, Information, Plain };

// The document editor whose text is checked, run or reformatted. The engine
// reads its lines and places its caret on an offending line.
class SourceEditor {
 public:
  virtual ~SourceEditor() = default;
  virtual std::vector<std::string> Lines() const = 0;
  // Places the caret at a 0-based character offset of the editor's text, in
  // which each line break (CR LF) counts as two characters.
  virtual void PlaceCaret(std::size_t position) = 0;
};

// Everything else the engine needs from its host. Every member has a harmless
// default so that a test only overrides what it looks at.
class Host {
 public:
  virtual ~Host() = default;

  virtual void ShowMessage(MessageKind kind, std::string_view text) = 0;

  // The application title (task-bar text) and the frame window's caption.
  virtual std::string FrameCaption() const { return {}; }
  virtual void SetApplicationTitle(std::string_view) {}

  // The progress window shown while a run takes longer than a few seconds.
  virtual bool ProgressIsActive() const { return false; }
  virtual void ShowProgress(std::string_view) {}
  virtual void RepaintProgress() {}
  virtual void CloseProgress() {}

  // Told after each output file has been written (for progress on a terminal).
  virtual void OutputWritten(std::string_view /*path*/) {}

  // The clock: the seconds field (0-59) of the current UTC time, and the
  // current local date and time in the user's short date and long time formats.
  virtual int ClockSecond() const;
  virtual std::string CurrentDateText() const;
  virtual std::string CurrentTimeText() const;
};

}  // namespace ws
