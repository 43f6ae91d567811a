#include "drivers.h"

#include <memory>
#include <optional>

#include "checker.h"
#include "compiler.h"
#include "context.h"
#include "fileio.h"
#include "interpreter.h"
#include "outputfiles.h"
#include "paths.h"
#include "prepare.h"

namespace ws {

namespace {

// Copies the editor's lines into Memo1, prepares and compiles them.
bool PrepareAndCompile(Engine& engine, const SourceEditor& editor, CompiledProgram& program) {
  engine.Memo1.SetLines(editor.Lines());
  PrepareSource(engine);
  return CompileBuildFile(engine, program);
}

void RestoreTitle(Engine& engine) {
  engine.host.SetApplicationTitle(engine.SavedTitle);
}

// A file that cannot be read or written ends the run like any other failure.
RunOutcome ReportFileError(Engine& engine, const FileError& error) {
  engine.BuildStopped = true;
  engine.Error(error.what());
  return RunOutcome::FileFailed;
}

}  // namespace

RunOutcome RunBuildFile(Engine& engine, SourceEditor& editor, std::string folder) {
  engine.NestedFileName.clear();
  engine.RunStartSecond = engine.host.ClockSecond();
  engine.BaseFolder = std::move(folder);
  engine.BuildStopped = false;
  engine.ProgramEnded = false;
  engine.NestedRunDepth = 0;
  engine.sourceEditor = &editor;
  engine.SavedTitle = engine.host.FrameCaption();
  engine.host.SetApplicationTitle(engine.SavedTitle + " - running");

  CheckBuildFile(engine);
  if (engine.BuildStopped) {
    RestoreTitle(engine);
    return RunOutcome::Stopped;
  }

  RunOutcome outcome = RunOutcome::Completed;
  std::optional<FileError> failure;
  try {
    CompiledProgram program;
    if (!PrepareAndCompile(engine, editor, program)) {
      RestoreTitle(engine);
      return RunOutcome::Stopped;
    }
    RunProgram(engine, program.table);
    SettleOutputs(engine);
  } catch (const FileError& error) {
    failure = error;
  } catch (const RunHalted&) {
    outcome = RunOutcome::Stopped;
  }
  if (failure) {
    // A page finished before the failing read may have failed first; that
    // one ended the run.
    try {
      SettleOutputs(engine);
    } catch (const FileError& earlier) {
      failure = earlier;
    } catch (const RunHalted&) {
      failure.reset();
      outcome = RunOutcome::Stopped;
    }
    if (failure) outcome = ReportFileError(engine, *failure);
  }
  engine.host.CloseProgress();
  RestoreTitle(engine);
  if (outcome == RunOutcome::Completed) {
    if (engine.BuildStopped)
      outcome = RunOutcome::Stopped;
    else
      engine.Information("Build file complete");
  }
  engine.TempEditor.Clear();
  return outcome;
}

RunOutcome CheckSyntax(Engine& engine, SourceEditor& editor) {
  engine.sourceEditor = &editor;
  engine.NestedFileName.clear();
  CheckBuildFile(engine);
  if (engine.BuildStopped) return RunOutcome::Stopped;
  try {
    CompiledProgram program;
    return PrepareAndCompile(engine, editor, program) ? RunOutcome::Completed : RunOutcome::Stopped;
  } catch (const FileError& error) {
    return ReportFileError(engine, error);
  }
}

void RunNestedBuildFile(Engine& engine, std::string_view name) {
  engine.ProgramEnded = false;
  const std::string resolved = ResolveFileName(engine.BaseFolder, name);
  engine.NestedFileName = resolved;
  if (engine.NestedRunDepth >= kMaxRunDepth) {
    engine.BuildStopped = true;
    engine.Error("Too many nested runs: build files may run others at most " +
                 std::to_string(kMaxRunDepth) + " deep (at " + resolved + ")");
    return;
  }
  AwaitOutput(engine, resolved);
  // The shared buffer and the numbering of temporaries outlive the run: put
  // back if a page finished before this one fails.
  if (OutputsPending(engine))
    RecordUndo(engine, [&engine, saved = std::make_shared<RichBuffer>(engine.Memo1),
                        counter = engine.TemporaryCounter] {
      engine.Memo1 = *saved;
      engine.TemporaryCounter = counter;
    });
  engine.Memo1.Load(resolved);
  PrepareSource(engine);
  CompiledProgram program;
  if (!CompileBuildFile(engine, program)) {
    engine.BuildStopped = true;
    return;
  }
  const std::string savedFolder = engine.BaseFolder;
  engine.BaseFolder = FolderOf(resolved);
  ++engine.NestedRunDepth;
  RunProgram(engine, program.table);
  --engine.NestedRunDepth;
  if (engine.BuildStopped) return;
  engine.ProgramEnded = false;
  engine.BaseFolder = savedFolder;
}

void ShowRunProgress(Engine& engine) {
  Host& host = engine.host;
  const int second = host.ClockSecond();
  const bool wrapped = second < engine.RunStartSecond;
  const int elapsed =
      wrapped ? second + 60 - engine.RunStartSecond : second - engine.RunStartSecond;
  if (elapsed > 4 && !host.ProgressIsActive()) {
    // The document's caption is the frame caption without "Weftsmith - [" and "]".
    std::string caption = host.FrameCaption();
    caption = caption.size() > 14 ? caption.substr(13, caption.size() - 14) : std::string();
    host.ShowProgress(std::string(122, ' ') +
                      (wrapped ? "Weftsmith running:" : "Weftsmith running: ") + caption);
    engine.ProgressShown = true;
  }
  if (host.ProgressIsActive()) host.RepaintProgress();
}

}  // namespace ws
