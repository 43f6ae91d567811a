#include "outputfiles.h"

#include <memory>
#include <utility>

#include "caches.h"
#include "engine.h"
#include "fileio.h"
#include "paths.h"

namespace ws {

namespace {

bool Pending(const Engine& engine) {
  return engine.run.outputs && engine.run.outputs->confirmed < engine.run.outputs->submitted;
}

void Confirm(Engine& engine, OutputQueue& queue, const std::string& path, PageState state) {
  ++queue.confirmed;
  auto name = queue.unconfirmedNames.find(FileNameOf(path));
  if (name != queue.unconfirmedNames.end() && --name->second == 0)
    queue.unconfirmedNames.erase(name);
  // The caches learn of the change here already, whenever the kernel's
  // notice of it arrives.
  engine.caches->includes.Invalidate(path);
  engine.caches->dataFiles.Invalidate(path);
  engine.PageWritten(path, state);
}

// Takes in what the writer did; on a failure, undoes what came after the
// failed page, reports it and stops the run.
bool Conclude(Engine& engine, OutputQueue& queue, OutputWriter::Report report) {
  for (std::size_t i = 0; i < report.written.size(); ++i)
    Confirm(engine, queue, report.written[i], report.states[i]);
  if (!report.failure) {
    engine.tables.Forget(queue.confirmed);
    if (queue.confirmed == queue.submitted) engine.tables.SetMark(0);
    return true;
  }
  engine.tables.Rollback(queue.confirmed + 1);
  queue.unconfirmedNames.clear();
  queue.confirmed = queue.submitted;

  // A missing folder is the build file's mistake, reported as such; it is
  // looked for only when a write failed, which saves a look per page.
  std::string folder = FolderOf(report.failure->path);
  if (folder.size() > 1) folder.pop_back();  // named without its "/"
  if (!folder.empty() && !FolderExists(folder)) {
    engine.Fail(MessageId::FolderDoesNotExist, {folder});
  } else {
    engine.run.FileFailed = true;
    engine.Fail(MessageKind::Error, report.failure->error.what());
  }
  engine.run.OutputFailed = true;
  return false;
}

}  // namespace

void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output) {
  if (engine.run.BuildStopped) return;
  std::string resolved = ResolveFileName(engine.run.BaseFolder, fileName);
  if (!engine.run.outputs) {
    engine.run.outputs = std::make_unique<OutputQueue>();
    if (engine.writerHooks.beforeWrite)
      engine.run.outputs->writer.SetBeforeWrite(engine.writerHooks.beforeWrite);
    if (engine.writerHooks.onWait) engine.run.outputs->writer.SetOnWait(engine.writerHooks.onWait);
    engine.run.outputs->writer.SetMode(engine.config.writeMode);
  }
  OutputQueue& queue = *engine.run.outputs;
  // A page that failed meanwhile ends the run before this one is handed over.
  if (!Conclude(engine, queue, queue.writer.Collect(false))) return;
  ++queue.unconfirmedNames[std::string(FileNameOf(resolved))];
  engine.tables.SetMark(++queue.submitted);
  queue.writer.Submit(std::move(resolved), std::exchange(output, FreshOutput()));
}

bool SettleOutputs(Engine& engine) {
  if (!Pending(engine)) return true;
  OutputQueue& queue = *engine.run.outputs;
  return Conclude(engine, queue, queue.writer.Collect(true));
}

bool AwaitOutput(Engine& engine, std::string_view path) {
  if (!Pending(engine)) return true;
  if (!engine.run.outputs->unconfirmedNames.contains(FileNameOf(path))) return true;
  return SettleOutputs(engine);
}

}  // namespace ws
