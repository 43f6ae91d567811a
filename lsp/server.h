// The language server: the lifecycle (initialize, shutdown, exit), the
// document notifications, the features, and the loop that reads messages,
// answers them and publishes diagnostics once the client has been quiet for
// a moment.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "context.h"
#include "dispatcher.h"
#include "documents.h"
#include "engine.h"
#include "framing.h"
#include "host.h"

namespace lsp {

// The engine's host: messages are kept for the server to turn into
// diagnostics; nothing is shown anywhere.
class CollectingHost : public ws::Host {
 public:
  void ShowMessage(const ws::Message& message) override { messages.push_back(message); }
  std::vector<ws::Message> messages;
};

struct ServerSetup {
  // Folder of the grammar tables, with its trailing "/".
  std::string dataFolder;
  // The settings file read at start ("" for none); an initialization option
  // {"prop": PATH} replaces it.
  std::string settingsFile;
  // Diagnostics go out once no message has come for this long.
  int quietMilliseconds = 300;
  std::size_t maxMessage = MessageReader::kDefaultMaxBody;
};

class Server {
 public:
  // Writes each framed message with `write`, which returns false when the
  // client is gone.
  using Writer = std::function<bool(std::string_view bytes)>;

  Server(ServerSetup setup, Writer write);
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Serves until `exit` or the end of the input: 0 after a shutdown, else 1.
  int Run(ByteSource& input);

  // Handles one message body as Run does (tests and the fuzz target).
  void Handle(std::string_view body);
  // Publishes the diagnostics of the documents changed since they were last
  // published.
  void PublishPending();
  bool Exited() const { return exited_; }
  int ExitCode() const { return shutdown_ ? 0 : 1; }

 private:
  void Send(const Json& message);
  void Notify(std::string_view method, Json params);
  void LogMessage(int type, std::string text);
  void LoadSettings(const std::string& path);
  void Register();
  Json Initialize(const Json& params);
  const Document& DocumentOf(const Json& params) const;
  void Publish(const Document& document, const std::vector<std::string>& lines);
  void PublishSaved(const Document& document);

  ServerSetup setup_;
  Writer write_;
  bool writeFailed_ = false;
  CollectingHost host_;
  ws::Engine engine_;
  Context context_;
  DocumentStore documents_;
  Dispatcher dispatcher_;
  std::set<std::string> changed_;  // URIs whose diagnostics are due
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
};

}  // namespace lsp
