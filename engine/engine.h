// The engine object: what the host configures, the state of the call in
// progress, the tables that live for the process, and the caches. The host
// makes one Engine per process (a test makes a fresh one each) and calls the
// entry points of entrypoints.h and reformat.h on it; host.h says on which
// threads.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"
#include "messages.h"
#include "outputfiles.h"
#include "outputwriter.h"
#include "settings.h"
#include "textbuffer.h"
#include "values.h"

namespace ws {

struct EngineCaches;  // caches.h
struct BuildSource;   // entrypoints.h

// What the host sets, between calls.
struct EngineConfig {
  // Folder of the grammar files "alpha", "pred", "rules" (with trailing "/").
  std::string ProgramFolder;
  // The preferences; each call works on a copy taken when it starts.
  SettingsStore prefs;
  // Whether pages are always written (compared first or not), only when
  // changed, or never.
  WriteMode writeMode = WriteMode::Always;
};

// The state of one run, check or reformat; made afresh by each entry point.
struct RunState {
  SettingsStore prefs;   // the settings in effect for this call
  std::stop_token stop;  // the host's: asks the run to end at its next instruction
  bool BuildStopped = false;
  bool CompileError = false;
  bool ProgramEnded = false;
  bool FileFailed = false;     // a file could not be read or written (reported)
  bool OutputFailed = false;   // a page failed: nothing after it is shown
  std::string NestedFileName;  // the nested build file being compiled or run
  std::string BaseFolder;      // "" or a folder ending in "/"
  int NestedRunDepth = 0;
  int TagDepth = 0;  // tag blocks being run
  // The text being prepared and compiled.
  RichBuffer Memo1;
  // Pages handed to the writer thread; made by the first page of the run and
  // ended (its thread joined) with the run.
  std::unique_ptr<OutputQueue> outputs;
};

class Engine {
 public:
  explicit Engine(Host& host);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  EngineConfig config;
  // What a test hooks into the writer's thread (to slow or stall the disk);
  // hosts leave it empty.
  WriterHooks writerHooks;
  RunState run;
  ProcessTables tables;
  // Made with the engine; a host may hand them from one engine to the next.
  // (caches.h)
  std::unique_ptr<EngineCaches> caches;

  // Starts a call: a fresh run state with a copy of the settings and the
  // host's stop token.
  void BeginCall(std::stop_token stop = {});

  // Shows a message. Pages still being written are settled first: when one of
  // them failed, that failure is reported instead, the run stops
  // (run.BuildStopped) and this message is dropped. Never throws.
  // A message about a line (0-based) of the text being checked or compiled
  // names it; the caret is not moved.
  void Report(MessageId id, std::initializer_list<std::string_view> args = {}, int line = -1);
  // Shows text as a message of kind (a file error's own text).
  void Show(MessageKind kind, std::string text, int line = -1);
  // A failure of the run: stops it (run.BuildStopped), then reports why.
  void Fail(MessageId id, std::initializer_list<std::string_view> args = {}, int line = -1);
  void Fail(MessageKind kind, std::string text);

  // Places the caret on a 0-based line of the document; a line of a nested
  // build file is not the document's, and the caret stays where it is.
  void PlaceCaret(int line) {
    if (run.NestedFileName.empty()) host_.PlaceCaret(line);
  }

  // What the units tell the host, and ask of it: a file about to be read, a
  // page written, the date and time words.
  void FileRead(std::string_view path) { host_.FileRead(path); }
  void PageWritten(std::string_view path, PageState state) { host_.OutputWritten(path, state); }
  std::string DateText() const { return host_.CurrentDateText(); }
  std::string TimeText() const { return host_.CurrentTimeText(); }

  const Settings& settings() const { return run.prefs.settings; }

 private:
  // The entry points tell the host of a run's start, ticks and end.
  friend RunOutcome RunBuildFile(Engine& engine, BuildSource source, std::stop_token stop);
  friend void RunTick(Engine& engine);

  Host& host_;
};

}  // namespace ws
