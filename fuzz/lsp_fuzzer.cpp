// The language server's reading of its input: arbitrary bytes as what a
// client sends, read in pieces whose size the first byte chooses, through
// the framing, the dispatcher, the documents and the features.
//
// Besides termination and memory safety: every message the server writes is
// framed and holds one JSON object that names the protocol's version; a
// response answers a request with an id or carries an error with a null id.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framing.h"
#include "fuzz_support.h"
#include "server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 65536) return 0;
  const std::size_t chunk = 1 + data[0] % 64;
  std::string out;
  {
    // A small message limit, so that the fuzzer reaches the skipping of
    // messages that are too large.
    lsp::Server server({WEFTSMITH_SOURCE_DIR "/data/", "", 0, 2048}, [&](std::string_view bytes) {
      out += bytes;
      return out.size() < (8u << 20);
    });
    lsp::MemorySource input(std::string(ws::fuzz::AsText(data + 1, size - 1)), chunk);
    const int code = server.Run(input);
    ws::fuzz::Require(code == 0 || code == 1);
    server.PublishPending();
  }

  lsp::MemorySource written(out);
  lsp::MessageReader reader(written, out.size());
  for (lsp::Frame frame = reader.Next(); frame.kind != lsp::Frame::Kind::End;
       frame = reader.Next()) {
    ws::fuzz::Require(frame.kind == lsp::Frame::Kind::Body);
    const lsp::Json message = lsp::Json::parse(frame.body, nullptr, false);
    ws::fuzz::Require(message.is_object() && message.value("jsonrpc", "") == "2.0");
    if (message.contains("method")) continue;
    const lsp::Json& id = message.at("id");
    ws::fuzz::Require(id.is_number_integer() || id.is_string() ||
                      (id.is_null() && message.contains("error")));
  }
  return 0;
}
