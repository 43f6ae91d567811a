#include "outputfiles.h"

#include <memory>
#include <utility>

#include "context.h"
#include "datafiles.h"
#include "fileio.h"
#include "paths.h"
#include "tags.h"

namespace ws {

namespace {

OutputQueue& Queue(Engine& engine) {
  if (!engine.outputs) engine.outputs = std::make_unique<OutputQueue>();
  return *engine.outputs;
}

void Confirm(Engine& engine, OutputQueue& queue, const std::string& path) {
  ++queue.confirmed;
  auto name = queue.unconfirmedNames.find(FileNameOf(path));
  if (name != queue.unconfirmedNames.end() && --name->second == 0)
    queue.unconfirmedNames.erase(name);
  // The caches learn of the change here already, whenever the kernel's
  // notice of it arrives.
  if (engine.includes) engine.includes->Invalidate(path);
  if (engine.dataFiles) engine.dataFiles->Invalidate(path);
  engine.host.OutputWritten(path);
}

// Takes in what the writer did; on a failure, undoes what came after the
// failed page and ends the run.
void Conclude(Engine& engine, OutputQueue& queue, OutputWriter::Report report) {
  for (const std::string& path : report.written) Confirm(engine, queue, path);
  if (!report.failure) {
    std::erase_if(queue.undo,
                  [&](const OutputQueue::Undo& u) { return u.mark <= queue.confirmed; });
    return;
  }
  const std::uint64_t failed = queue.confirmed + 1;
  for (auto u = queue.undo.rbegin(); u != queue.undo.rend(); ++u)
    if (u->mark >= failed) u->action();
  queue.undo.clear();
  queue.unconfirmedNames.clear();
  queue.confirmed = queue.submitted;
  engine.BuildStopped = true;

  // A missing folder is the build file's mistake, reported as such; it is
  // looked for only when a write failed, which saves a look per page.
  std::string folder = FolderOf(report.failure->path);
  if (folder.size() > 1) folder.pop_back();  // named without its "/"
  if (!folder.empty() && !FolderExists(folder)) {
    engine.Error("Folder " + folder + " does not exist!");
    throw RunHalted{};
  }
  throw report.failure->error;
}

}  // namespace

void WriteOutputFile(Engine& engine, std::string_view fileName, OutputText& output) {
  if (engine.BuildStopped) return;
  std::string resolved = ResolveFileName(engine.BaseFolder, fileName);
  OutputQueue& queue = Queue(engine);
  // A page that failed meanwhile ends the run before this one is handed over.
  Conclude(engine, queue, queue.writer.Collect(false));
  ++queue.unconfirmedNames[std::string(FileNameOf(resolved))];
  ++queue.submitted;
  queue.writer.Submit(std::move(resolved), std::exchange(output, FreshOutput()));
}

bool OutputsPending(const Engine& engine) {
  return engine.outputs && engine.outputs->confirmed < engine.outputs->submitted;
}

void SettleOutputs(Engine& engine) {
  if (!OutputsPending(engine)) return;
  OutputQueue& queue = *engine.outputs;
  Conclude(engine, queue, queue.writer.Collect(true));
}

void AwaitOutput(Engine& engine, std::string_view path) {
  if (!OutputsPending(engine)) return;
  if (engine.outputs->unconfirmedNames.contains(FileNameOf(path))) SettleOutputs(engine);
}

void RecordUndo(Engine& engine, std::function<void()> undo) {
  if (!OutputsPending(engine)) return;
  engine.outputs->undo.push_back({engine.outputs->submitted, std::move(undo)});
}

}  // namespace ws
