#include "engine.h"

#include "grammar.h"
#include "outputfiles.h"

namespace ws {

RunState::RunState() = default;
RunState::~RunState() = default;
RunState::RunState(RunState&&) noexcept = default;
RunState& RunState::operator=(RunState&&) noexcept = default;

Engine::Engine(Host& host) : host(host) {}
Engine::~Engine() = default;

void Engine::BeginCall() {
  run = RunState();
  run.prefs = config.prefs;
  stopRequested_.store(false, std::memory_order_relaxed);
}

void Engine::Show(MessageKind kind, std::string text, int line) {
  if (run.OutputFailed || !SettleOutputs(*this)) return;
  host.ShowMessage({kind, std::move(text), line >= 0 ? run.NestedFileName : std::string(), line});
}

void Engine::Report(MessageId id, std::initializer_list<std::string_view> args) {
  Show(KindOf(id), MessageText(id, args));
}

void Engine::ReportLine(int line, MessageId id, std::initializer_list<std::string_view> args) {
  Show(KindOf(id), MessageText(id, args), line);
}

}  // namespace ws
