// The engine's process-wide state in one object: flags, tables, settings,
// shared buffers and caches. The host creates one for the life of the process;
// tests make a fresh one each.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host.h"
#include "output.h"
#include "settings.h"
#include "textbuffer.h"
#include "values.h"

namespace ws {

struct GrammarTables;  // alpha, pred, rules as read from the program folder
class IncludeCache;
class DataFileCache;
class OutputQueue;     // pages being written while the run goes on
class TagMarkerCache;  // the markers of the tag names in use

struct Engine {
  explicit Engine(Host& host);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  ~Engine();

  Host& host;

  // Folder of the grammar files "alpha", "pred", "rules" (with trailing "/").
  std::string ProgramFolder;
  SettingsStore prefs;

  // Run state.
  bool BuildStopped = false;
  bool CompileError = false;
  bool ProgramEnded = false;
  bool ProgressShown = false;
  std::string NestedFileName;
  std::string BaseFolder;  // "" or a folder ending in "/"
  SourceEditor* sourceEditor = nullptr;
  int RunStartSecond = 0;
  std::string SavedTitle;
  int NestedRunDepth = 0;

  // Temporaries are numbered across compiles for the life of the process.
  long long TemporaryCounter = 0;

  // Nesting depth of the tag blocks being run.
  int TagDepth = 0;

  // Shared text buffers.
  RichBuffer Memo1;
  TextBuffer TempEditor;

  // Variables and data sets live for the whole process and are never cleared.
  VariableTable Variables;
  DataSetTable DataSets;

  // Grammar tables, read once and read again only when a file changed.
  std::shared_ptr<const GrammarTables> grammar;
  std::unique_ptr<IncludeCache> includes;
  std::unique_ptr<DataFileCache> dataFiles;
  std::unique_ptr<OutputQueue> outputs;
  std::unique_ptr<TagMarkerCache> tagMarkers;

  // Messages. Each sets nothing by itself; callers set the flags. Pages still
  // being written are settled first: when one of them failed, that failure
  // is reported instead and the call throws (see SettleOutputs).
  void Message(MessageKind kind, std::string_view text);
  void Error(std::string_view text) { Message(MessageKind::Error, text); }
  void Warning(std::string_view text) { Message(MessageKind::Warning, text); }
  void Information(std::string_view text) { Message(MessageKind::Information, text); }
  void Plain(std::string_view text) { Message(MessageKind::Plain, text); }

  const Settings& settings() const { return prefs.settings; }
};

// Places the caret of the source editor (if any) at the start of the line with
// the given 0-based index.
void PlaceCaretOnLine(Engine& engine, int lineIndex);

}  // namespace ws
