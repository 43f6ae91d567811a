#include "context.h"

#include "datafiles.h"
#include "markers.h"
#include "outputfiles.h"
#include "outputwriter.h"
#include "tags.h"

namespace ws {

Engine::Engine(Host& host) : host(host) {}
Engine::~Engine() = default;

void Engine::Message(MessageKind kind, std::string_view text) {
  SettleOutputs(*this);
  host.ShowMessage(kind, text);
}

void PlaceCaretOnLine(Engine& engine, int lineIndex) {
  if (!engine.sourceEditor) return;
  std::vector<std::string> lines = engine.sourceEditor->Lines();
  std::size_t position = 0;
  for (int i = 0; i < lineIndex && i < static_cast<int>(lines.size()); ++i)
    position += lines[static_cast<std::size_t>(i)].size() + 2;
  engine.sourceEditor->PlaceCaret(position);
}

}  // namespace ws
