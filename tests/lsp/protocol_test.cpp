// The language server's protocol layer: framing read byte by byte, the
// dispatcher's answers to what is not a proper request, the documents'
// UTF-16 positions, and a whole session fed from memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatcher.h"
#include "documents.h"
#include "framing.h"
#include "server.h"

namespace {

using lsp::Frame;
using lsp::Json;

std::string Message(const std::string& body) {
  return lsp::Framed(body);
}

TEST(LspFraming, ResynchronisesAfterBadFramesAndEndsCleanly) {
  const std::string good = R"({"a":1})";
  std::string input = "\r\n" + Message(good);
  input += "content-length:  7 \r\nContent-Type: x\r\n\r\n" + good;  // any case, blanks
  input += "Content-Type: x\r\n\r\n";                                // no length
  input += "Content-Length: 12x\r\n\r\n";                            // not a number
  input += Message(std::string(40, 'x'));                            // over the limit
  input += Message(good);
  input += "Content-Length: 50\r\n\r\n{\"cut";  // the client goes mid-body
  // Byte by byte, so that every read of the reader stops at every place.
  lsp::MemorySource source(input, 1);
  lsp::MessageReader reader(source, 32);
  std::vector<Frame::Kind> kinds;
  for (Frame f = reader.Next();; f = reader.Next()) {
    kinds.push_back(f.kind);
    if (f.kind == Frame::Kind::Body) {
      EXPECT_EQ(f.body, good);
    }
    if (f.kind == Frame::Kind::End) break;
  }
  using K = Frame::Kind;
  EXPECT_EQ(kinds, (std::vector<K>{K::Body, K::Body, K::BadHeader, K::BadHeader, K::TooLarge,
                                   K::Body, K::End}));
  EXPECT_EQ(reader.Next().kind, K::End);  // and stays at the end

  // A header line that never ends is dropped each time it passes the limit.
  lsp::MemorySource endless(std::string(lsp::MessageReader::kMaxHeader * 3, 'h'));
  lsp::MessageReader second(endless);
  int bad = 0;
  for (Frame f = second.Next(); f.kind != K::End; f = second.Next()) {
    EXPECT_EQ(f.kind, K::BadHeader);
    ASSERT_LE(++bad, 3);
  }
  EXPECT_GE(bad, 2);
}

TEST(LspDispatcher, AnswersWhatIsNoProperRequest) {
  lsp::Dispatcher d;
  int notified = 0;
  d.OnRequest("echo", [](const Json& p) { return p; });
  d.OnRequest("refuse", [](const Json&) -> Json { throw lsp::RpcError{-32001, "no"}; });
  d.OnRequest("typed", [](const Json& p) { return Json(p.at("n").get<int>() + 1); });
  d.OnNotification("note", [&](const Json& p) {
    ++notified;
    (void)p.at("missing");  // throws: dropped, no answer
  });
  auto code = [&](const std::string& body) {
    std::optional<Json> r = d.Handle(body);
    return r && r->contains("error") ? (*r)["error"]["code"].get<int>() : 0;
  };
  EXPECT_EQ(code("{oops"), -32700);
  EXPECT_EQ(code("[]"), -32600);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":1})"), -32600);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":1,"method":7})"), -32600);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":1.5,"method":"echo"})"), -32600);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":"a","method":"nothing"})"), -32601);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":2,"method":"refuse"})"), -32001);
  EXPECT_EQ(code(R"({"jsonrpc":"2.0","id":3,"method":"typed","params":{"n":"x"}})"), -32602);
  EXPECT_EQ(d.Handle(R"({"jsonrpc":"2.0","id":3,"method":"typed","params":{"n":4}})")->at("result"),
            5);
  // Notifications, known or not, and the client's responses get no answer.
  EXPECT_FALSE(d.Handle(R"({"jsonrpc":"2.0","method":"nothing"})"));
  EXPECT_FALSE(d.Handle(R"({"jsonrpc":"2.0","method":"note","params":{}})"));
  EXPECT_FALSE(d.Handle(R"({"jsonrpc":"2.0","id":9,"result":null})"));
  EXPECT_EQ(notified, 1);
  // The id of an error is the request's, or null when it had none usable.
  EXPECT_EQ(d.Handle(R"({"jsonrpc":"2.0","id":"a","method":"nothing"})")->at("id"), "a");
  EXPECT_TRUE(d.Handle("{oops")->at("id").is_null());
}

TEST(LspDocuments, Utf16PositionsAndUris) {
  lsp::DocumentStore store;
  // "é" is one UTF-16 unit in two bytes, the emoji two units in four bytes.
  ASSERT_TRUE(store.Open("file:///a", "x\xC3\xA9\xF0\x9F\x98\x80y\r\nsecond\n", 1));
  const Json change = Json::parse(R"([
    {"range": {"start": {"line": 0, "character": 4}, "end": {"line": 0, "character": 5}},
     "text": "Y"},
    {"range": {"start": {"line": 1, "character": 0}, "end": {"line": 1, "character": 99}},
     "text": "2nd"}])");
  ASSERT_TRUE(store.Change("file:///a", change, 2));
  const lsp::Document* doc = store.Find("file:///a");
  EXPECT_EQ(doc->text, "x\xC3\xA9\xF0\x9F\x98\x80Y\r\n2nd\n");
  EXPECT_EQ(doc->lines, (std::vector<std::string>{"x\xC3\xA9\xF0\x9F\x98\x80Y", "2nd", ""}));
  EXPECT_EQ(lsp::EndOf(doc->text).line, 2);
  EXPECT_EQ(lsp::Utf16Column(doc->lines[0], doc->lines[0].size()), 5);
  // A change of a document not open, or of the wrong form, changes nothing.
  EXPECT_FALSE(store.Change("file:///b", change, 3));
  EXPECT_FALSE(store.Change("file:///a", Json::parse(R"([{"text": 1}])"), 3));
  EXPECT_EQ(store.Find("file:///a")->version, 2);

  EXPECT_EQ(lsp::PathOfUri("file:///my%20site/a%2Bb.bld"), "/my site/a+b.bld");
  EXPECT_EQ(lsp::PathOfUri(lsp::UriOfPath("/x y/\xC3\xA9#1.bld")), "/x y/\xC3\xA9#1.bld");
  EXPECT_EQ(lsp::PathOfUri("untitled:1"), "");
  EXPECT_EQ(lsp::PathOfUri("file:///a%00b"), "");
}

// The written messages, parsed.
std::vector<Json> Parsed(const std::string& out) {
  std::vector<Json> got;
  lsp::MemorySource written(out);
  lsp::MessageReader reader(written);
  for (Frame f = reader.Next(); f.kind == Frame::Kind::Body; f = reader.Next())
    got.push_back(Json::parse(f.body));
  return got;
}

std::string Request(int id, const std::string& method, const std::string& params) {
  return Message(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
                 R"(","params":)" + params + "}");
}

TEST(LspServer, LifecycleFromMemory) {
  std::string out;
  lsp::Server server({WEFTSMITH_BIN_DIR "/", "", 0, 256}, [&](std::string_view bytes) {
    out += bytes;
    return true;
  });
  std::string input = Request(1, "shutdown", "null");  // before initialize
  input += Request(2, "initialize", R"({"capabilities":{}})");
  input += Request(3, "initialize", R"({"capabilities":{}})");
  input += Request(4, "x", "\"" + std::string(300, 'p') + "\"");  // over the limit
  input += Request(5, "shutdown", "null");
  input += Message(R"({"jsonrpc":"2.0","method":"exit"})");
  input += Request(6, "shutdown", "null");  // never read
  lsp::MemorySource source(input, 7);
  EXPECT_EQ(server.Run(source), 0);

  const std::vector<Json> got = Parsed(out);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0]["error"]["code"], -32002);
  EXPECT_TRUE(got[1]["result"]["capabilities"]["hoverProvider"].get<bool>());
  EXPECT_EQ(got[2]["error"]["code"], -32600);
  EXPECT_EQ(got[3]["error"]["code"], -32600);
  EXPECT_TRUE(got[3]["id"].is_null());
  EXPECT_TRUE(got[4]["result"].is_null());
  EXPECT_EQ(got[4]["id"], 5);
}

TEST(LspServer, DiagnosticsOfAnUnsavedDocument) {
  std::string out;
  lsp::Server server({WEFTSMITH_BIN_DIR "/", "", 0}, [&](std::string_view bytes) {
    out += bytes;
    return true;
  });
  server.Handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
  server.Handle(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                R"({"uri":"untitled:1","version":1,"text":"new \"a.htm\"\nbad line\nend\n"}}})");
  server.PublishPending();
  server.PublishPending();  // nothing changed since: nothing more
  // A save of a document that has no file checks its text.
  server.Handle(R"({"jsonrpc":"2.0","method":"textDocument/didSave","params":{"textDocument":)"
                R"({"uri":"untitled:1"}}})");
  server.Handle(R"({"jsonrpc":"2.0","method":"textDocument/didClose","params":{"textDocument":)"
                R"({"uri":"untitled:1"}}})");
  const std::vector<Json> got = Parsed(out);
  ASSERT_EQ(got.size(), 4u);
  for (int i : {1, 2}) {
    EXPECT_EQ(got[i]["method"], "textDocument/publishDiagnostics");
    ASSERT_EQ(got[i]["params"]["diagnostics"].size(), 1u);
    EXPECT_EQ(got[i]["params"]["diagnostics"][0]["range"]["start"]["line"], 1);
  }
  EXPECT_TRUE(got[3]["params"]["diagnostics"].empty());
  EXPECT_FALSE(server.Exited());
  EXPECT_EQ(server.ExitCode(), 1);
}

}  // namespace
