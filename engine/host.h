// The seams between the build engine and the program that hosts it (the
// desktop program, the command-line tool, the tests). No engine code talks to
// a window, a terminal or the clock except through this interface.
//
// Threading contract:
// - RunBuildFile, CheckSyntax and ReformatText (entrypoints.h, reformat.h)
//   may be called on any thread, but on one thread at a time per Engine; the
//   engine starts helper threads of its own only for the length of a call and
//   joins them before it returns.
// - Every Host member is called on the thread that made that call, never on
//   another one. ShowMessage may block (a desktop shows a box and waits for
//   the user); the others should return promptly.
// - A run's stop state belongs to the call: the host makes a std::stop_source
//   before it starts the call (on a thread of its own or not) and hands its
//   token to RunBuildFile. A stop asked for through the source from any
//   thread at any time (a "Stop" button, a signal) ends the run at its next
//   instruction like a failure, even one asked for before the call begins.
//   Pages already written stay; none is left half-written.
// - The host changes Engine::config only while no call is in progress; a run
//   works on a copy of the settings taken when it starts, so a preferences
//   dialog may keep its own store and hand it over between runs.
// - The engine keeps no pointer to anything of the host's beyond the Host
//   itself: the document's lines go in as a value, and the caret is placed by
//   line number.
#pragma once

#include <string>
#include <string_view>

namespace ws {

// The four kinds of message box of the desktop program. The CLI prints each as
// one line "<Caption>: <text>".
enum class MessageKind { Error, Warning, Information, Plain };

// One message. file and line tell where it points when it concerns a line of
// a build file: file is "" for the document being run and the path of a
// nested build file otherwise; line is 0-based, -1 when the message concerns
// no line.
struct Message {
  MessageKind kind = MessageKind::Error;
  std::string text;
  std::string file;
  int line = -1;
  bool operator==(const Message&) const = default;
};

// What became of a page: written without looking, or (when the host asked
// for pages to be compared first) how it compared with the file there. In a
// dry run nothing is written; with only-changed writing an unchanged page is
// left as it is.
enum class PageState { Written, New, Changed, Unchanged };

// How a run or a check ended.
enum class RunOutcome {
  Completed,  // "Build file complete" was shown
  Stopped,    // a check, compile or run failure was shown, or a stop was asked for
  FileFailed  // a file could not be opened or written; its message was shown
};

// Everything the engine needs from its host. Every member but ShowMessage has
// a harmless default, so that a host only overrides what it uses.
class Host {
 public:
  virtual ~Host() = default;

  // Shows a message and returns when the user has seen it (may block).
  virtual void ShowMessage(const Message& message) = 0;

  // Places the document's caret at the start of a 0-based line.
  virtual void PlaceCaret(int /*line*/) {}

  // The life of a run (not of a check): it started, for the document of
  // that name; a tick before each instruction, for a host's own progress
  // display (the engine keeps no clock of its own); it ended with outcome,
  // before "Build file complete" is shown. Every run that starts ends.
  virtual void RunStarted(std::string_view /*documentName*/) {}
  virtual void RunTick() {}
  virtual void RunEnded(RunOutcome /*outcome*/) {}

  // Told after each output file has been written (for progress on a terminal).
  virtual void OutputWritten(std::string_view /*path*/, PageState /*state*/) {}

  // Told of every file the run reads (included files, data files, nested
  // build files), before it is read, at each access.
  virtual void FileRead(std::string_view /*path*/) {}

  // The current local date and time in the user's short date and long time
  // formats, for the build language's date and time words.
  virtual std::string CurrentDateText() const;
  virtual std::string CurrentTimeText() const;
};

}  // namespace ws
