#include "engine.h"

#include "caches.h"
#include "grammar.h"
#include "outputfiles.h"

namespace ws {

Engine::Engine(Host& host) : caches(std::make_unique<EngineCaches>()), host_(host) {}
Engine::~Engine() = default;

void Engine::BeginCall(std::stop_token stop) {
  run = RunState();
  run.prefs = config.prefs;
  run.stop = std::move(stop);
}

void Engine::Show(MessageKind kind, std::string text, int line) {
  if (run.OutputFailed || !SettleOutputs(*this)) return;
  host_.ShowMessage({kind, std::move(text), line >= 0 ? run.NestedFileName : std::string(), line});
}

void Engine::Report(MessageId id, std::initializer_list<std::string_view> args, int line) {
  Show(KindOf(id), MessageText(id, args), line);
}

void Engine::Fail(MessageId id, std::initializer_list<std::string_view> args, int line) {
  run.BuildStopped = true;
  Report(id, args, line);
}

void Engine::Fail(MessageKind kind, std::string text) {
  run.BuildStopped = true;
  Show(kind, std::move(text));
}

}  // namespace ws
