// The language features, each a function from a document and a position to
// the protocol's result (null when there is nothing to say).
#pragma once

#include <string>
#include <vector>

#include "context.h"
#include "dispatcher.h"
#include "documents.h"

namespace ws {
class Engine;
struct Message;
}  // namespace ws

namespace lsp {

// textDocument/completion: a CompletionItem list.
Json Completion(Context& context, const Document& document, Position at);

// textDocument/hover: a Hover or null.
Json Hover(Context& context, const Document& document, Position at);

// textDocument/definition: a Location or null.
Json Definition(const Document& document, Position at);

// textDocument/formatting: the TextEdits that make the document what Reformat
// Text makes of it (one for the whole text, none when it is unchanged).
Json Formatting(ws::Engine& engine, const Document& document);

// The Diagnostics of the engine's messages about a document of `lines`.
Json DiagnosticsOf(const std::vector<ws::Message>& messages, const std::vector<std::string>& lines);

// A Range on one line between two byte offsets.
Json LineRange(const std::vector<std::string>& lines, int line, std::size_t from, std::size_t to);

}  // namespace lsp
