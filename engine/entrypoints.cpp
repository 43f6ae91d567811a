#include "entrypoints.h"

#include <exception>
#include <new>

#include "checker.h"
#include "compiler.h"
#include "caches.h"
#include "engine.h"
#include "fileio.h"
#include "interpreter.h"
#include "outputfiles.h"
#include "paths.h"
#include "prepare.h"

namespace ws {

namespace {

// Prepares and compiles the lines in Memo1; a failed compile stops the run.
bool PrepareAndCompile(Engine& engine, CompiledProgram& program) {
  PrepareSource(engine.run.Memo1);
  if (CompileBuildFile(engine, program)) return true;
  engine.run.BuildStopped = true;
  return false;
}

// Runs body; a file that cannot be read or written, and anything else thrown
// inside the engine, ends the call like any other failure. Pages finished
// before the failure are settled first: one of them may have failed first.
template <typename Body>
void Guarded(Engine& engine, Body body) {
  auto fail = [&engine](std::string text, bool file) {
    if (!SettleOutputs(engine)) return;
    engine.run.FileFailed = file;
    engine.Fail(MessageKind::Error, std::move(text));
  };
  try {
    body();
  } catch (const FileError& error) {
    fail(error.what(), true);
  } catch (const std::exception&) {
    fail(UnexpectedFailureText(std::current_exception()), false);
  }
}

RunOutcome OutcomeOf(const Engine& engine) {
  if (engine.run.FileFailed) return RunOutcome::FileFailed;
  return engine.run.BuildStopped ? RunOutcome::Stopped : RunOutcome::Completed;
}

}  // namespace

RunOutcome RunBuildFile(Engine& engine, BuildSource source, std::stop_token stop) {
  engine.BeginCall(std::move(stop));
  // Changes to the files the run reads are learnt on a thread of the run's own.
  FileWatcher::RunScope watching(engine.caches->watcher);
  RunState& run = engine.run;
  run.BaseFolder = std::move(source.folder);
  engine.host_.RunStarted(source.name);

  CheckBuildFile(engine, source.lines);
  if (!run.BuildStopped) {
    Guarded(engine, [&] {
      CompiledProgram program;
      run.Memo1.SetLines(std::move(source.lines));
      if (!PrepareAndCompile(engine, program)) return;
      RunProgram(engine, program.table);
      SettleOutputs(engine);
    });
  }
  engine.host_.RunEnded(OutcomeOf(engine));
  if (!run.BuildStopped) engine.Report(MessageId::BuildFileComplete);
  const RunOutcome outcome = OutcomeOf(engine);
  run.outputs.reset();  // the writer's thread ends with the run
  return outcome;
}

RunOutcome CheckSyntax(Engine& engine, std::vector<std::string> lines) {
  engine.BeginCall();
  CheckBuildFile(engine, lines);
  if (engine.run.BuildStopped) return RunOutcome::Stopped;
  Guarded(engine, [&] {
    CompiledProgram program;
    engine.run.Memo1.SetLines(std::move(lines));
    PrepareAndCompile(engine, program);
  });
  return OutcomeOf(engine);
}

void RunNestedBuildFile(Engine& engine, std::string_view name) {
  RunState& run = engine.run;
  run.ProgramEnded = false;
  const std::string resolved = ResolveFileName(run.BaseFolder, name);
  run.NestedFileName = resolved;
  if (run.NestedRunDepth >= kMaxRunDepth) {
    engine.Fail(MessageId::TooManyNestedRuns, {std::to_string(kMaxRunDepth), resolved});
    return;
  }
  engine.FileRead(resolved);
  if (!AwaitOutput(engine, resolved)) return;
  const NestedBuildFile& file =
      engine.caches->nestedFiles.Get(resolved, [](std::string_view bytes) {
        NestedBuildFile read;
        read.source.SetContent(bytes);
        return read;
      });
  // The compiled program of an earlier run serves again unless the file is
  // being run already (a build file that runs itself). It starts from the
  // values its compile gave its nodes, not from those an earlier run (perhaps
  // one undone by a failed page) left.
  std::shared_ptr<CompiledProgram> program = file.program;
  if (!program || program.use_count() > 2) {
    run.Memo1 = file.source;
    auto compiled = std::make_shared<CompiledProgram>();
    if (!PrepareAndCompile(engine, *compiled)) return;
    if (!file.program) {
      compiled->RememberStartValues();
      file.program = compiled;
    }
    program = std::move(compiled);
  } else {
    program->RestoreStartValues();
  }
  const std::string savedFolder = run.BaseFolder;
  run.BaseFolder = FolderOf(resolved);
  ++run.NestedRunDepth;
  RunProgram(engine, program->table);
  --run.NestedRunDepth;
  if (run.BuildStopped) return;
  run.ProgramEnded = false;
  run.BaseFolder = savedFolder;
}

std::string UnexpectedFailureText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return MessageText(MessageId::UnexpectedFailure, {MessageText(MessageId::OutOfMemory)});
  } catch (const std::exception& thrown) {
    return MessageText(MessageId::UnexpectedFailure, {thrown.what()});
  } catch (...) {
    return MessageText(MessageId::UnexpectedFailure, {MessageText(MessageId::UnknownException)});
  }
}

void RunTick(Engine& engine) {
  if (engine.run.stop.stop_requested()) {
    if (!engine.run.BuildStopped) engine.Fail(MessageId::BuildStopped);
    return;
  }
  engine.host_.RunTick();
}

}  // namespace ws
