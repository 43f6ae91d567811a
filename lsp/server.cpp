#include "server.h"

#include "entrypoints.h"
#include "fileio.h"
#include "languagefeatures.h"
#include "settings.h"
#include "settingsfile.h"
#include "textbuffer.h"

namespace lsp {

namespace {

constexpr int kSyncIncremental = 2;
constexpr int kMessageError = 1;
constexpr int kMessageWarning = 2;

Position PositionOf(const Json& params) {
  const Json& p = params.at("position");
  return {p.at("line").get<int>(), p.at("character").get<int>()};
}

}  // namespace

Server::Server(ServerSetup setup, Writer write)
    : setup_(std::move(setup)), write_(std::move(write)), engine_(host_) {
  engine_.config.ProgramFolder = setup_.dataFolder;
  if (!setup_.settingsFile.empty()) LoadSettings(setup_.settingsFile);
  Register();
}

void Server::Send(const Json& message) {
  if (writeFailed_) return;
  const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (!write_(Framed(body))) writeFailed_ = true;
}

void Server::Notify(std::string_view method, Json params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void Server::LogMessage(int type, std::string text) {
  Notify("window/logMessage", {{"type", type}, {"message", std::move(text)}});
}

// Reads a settings file into the engine's settings and the features'; a file
// that cannot be read is reported to the user and the defaults stay.
void Server::LoadSettings(const std::string& path) {
  host_.messages.clear();
  if (!ws::LoadSettingsFile(engine_.config.prefs, path, &host_))
    for (const ws::Message& message : host_.messages)
      Notify("window/showMessage", {{"type", kMessageWarning}, {"message", message.text}});
  host_.messages.clear();
  context_.prefs = engine_.config.prefs;
}

const Document& Server::DocumentOf(const Json& params) const {
  const Document* document =
      documents_.Find(params.at("textDocument").at("uri").get_ref<const std::string&>());
  if (!document) throw RpcError{errors::kInvalidParams, "The document is not open"};
  return *document;
}

Json Server::Initialize(const Json& params) {
  if (initialized_) throw RpcError{errors::kInvalidRequest, "initialize was already called"};
  initialized_ = true;
  if (params.contains("initializationOptions")) {
    const Json& options = params["initializationOptions"];
    if (options.is_object() && options.contains("prop") && options["prop"].is_string())
      LoadSettings(options["prop"].get<std::string>());
  }
  const Json snippets = params.value(
      Json::json_pointer("/capabilities/textDocument/completion/completionItem/snippetSupport"),
      Json(false));
  context_.snippets = snippets.is_boolean() && snippets.get<bool>();
  return {
      {"capabilities",
       {{"textDocumentSync",
         {{"openClose", true}, {"change", kSyncIncremental}, {"save", {{"includeText", false}}}}},
        {"completionProvider", {{"triggerCharacters", {" ", "\"", ":", "/"}}}},
        {"hoverProvider", true},
        {"definitionProvider", true},
        {"documentFormattingProvider", true}}},
      {"serverInfo", {{"name", "weftsmith-lsp"}, {"version", WEFTSMITH_VERSION}}}};
}

// The check of the document's lines: the line checker's and the compiler's
// messages.
void Server::Publish(const Document& document, const std::vector<std::string>& lines) {
  host_.messages.clear();
  try {
    ws::CheckSyntax(engine_, lines);
  } catch (const std::exception&) {
    host_.messages.push_back(
        {ws::MessageKind::Error, ws::UnexpectedFailureText(std::current_exception()), {}, -1});
  }
  Json diagnostics = DiagnosticsOf(host_.messages, document.lines);
  host_.messages.clear();
  Notify("textDocument/publishDiagnostics", {{"uri", document.uri},
                                             {"version", document.version},
                                             {"diagnostics", std::move(diagnostics)}});
}

// The check of the file as saved, as the command line's --check reads it.
void Server::PublishSaved(const Document& document) {
  if (document.path.empty()) return Publish(document, document.lines);
  ws::RichBuffer source;
  try {
    if (!WorthReading(document.path)) throw ws::FileError(ws::FileError::Kind::Open, document.path);
    source.Load(document.path);
  } catch (const ws::FileError& error) {
    host_.messages.assign(1, {ws::MessageKind::Error, error.what(), {}, -1});
    Notify("textDocument/publishDiagnostics",
           {{"uri", document.uri}, {"diagnostics", DiagnosticsOf(host_.messages, document.lines)}});
    host_.messages.clear();
    return;
  }
  Publish(document, source.Lines());
}

void Server::PublishPending() {
  for (const std::string& uri : changed_) {
    const Document* document = documents_.Find(uri);
    if (!document) continue;
    std::vector<std::string> lines = document->lines;
    // The empty line after a final line break is none of the file's.
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    Publish(*document, lines);
  }
  changed_.clear();
}

void Server::Register() {
  dispatcher_.SetGate([this](std::string_view method, bool) -> std::optional<RpcError> {
    if (method == "exit") return std::nullopt;
    if (shutdown_) return RpcError{errors::kInvalidRequest, "The server is shutting down"};
    if (!initialized_ && method != "initialize")
      return RpcError{errors::kServerNotInitialized, "The server is not initialized"};
    return std::nullopt;
  });

  dispatcher_.OnRequest("initialize", [this](const Json& params) { return Initialize(params); });
  dispatcher_.OnRequest("shutdown", [this](const Json&) {
    shutdown_ = true;
    return Json(nullptr);
  });
  dispatcher_.OnNotification("exit", [this](const Json&) { exited_ = true; });

  dispatcher_.OnNotification("textDocument/didOpen", [this](const Json& params) {
    const Json& item = params.at("textDocument");
    const std::string& uri = item.at("uri").get_ref<const std::string&>();
    if (!documents_.Open(uri, item.at("text").get<std::string>(), item.value("version", 0LL))) {
      LogMessage(kMessageError, "The document is too large to check: " + uri);
      return;
    }
    changed_.insert(uri);
  });
  dispatcher_.OnNotification("textDocument/didChange", [this](const Json& params) {
    const Json& item = params.at("textDocument");
    const std::string& uri = item.at("uri").get_ref<const std::string&>();
    if (!documents_.Change(uri, params.at("contentChanges"), item.value("version", 0LL))) {
      LogMessage(kMessageError, "A change of " + uri + " could not be applied");
      return;
    }
    changed_.insert(uri);
  });
  dispatcher_.OnNotification("textDocument/didSave", [this](const Json& params) {
    const Document& document = DocumentOf(params);
    changed_.erase(document.uri);
    PublishSaved(document);
  });
  dispatcher_.OnNotification("textDocument/didClose", [this](const Json& params) {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    documents_.Close(uri);
    changed_.erase(uri);
    Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}});
  });

  dispatcher_.OnRequest("textDocument/completion", [this](const Json& params) {
    return Completion(context_, DocumentOf(params), PositionOf(params));
  });
  dispatcher_.OnRequest("textDocument/hover", [this](const Json& params) {
    return Hover(context_, DocumentOf(params), PositionOf(params));
  });
  dispatcher_.OnRequest("textDocument/definition", [this](const Json& params) {
    return Definition(DocumentOf(params), PositionOf(params));
  });
  dispatcher_.OnRequest("textDocument/formatting", [this](const Json& params) {
    host_.messages.clear();  // a bad line is the diagnostics' to tell
    Json edits = Formatting(engine_, DocumentOf(params));
    host_.messages.clear();
    return edits;
  });
}

void Server::Handle(std::string_view body) {
  if (std::optional<Json> response = dispatcher_.Handle(body)) Send(*response);
}

int Server::Run(ByteSource& input) {
  MessageReader reader(input, setup_.maxMessage);
  while (!exited_ && !writeFailed_) {
    if (!changed_.empty() && !reader.Pending(setup_.quietMilliseconds)) PublishPending();
    Frame frame = reader.Next();
    switch (frame.kind) {
      case Frame::Kind::Body:
        Handle(frame.body);
        break;
      case Frame::Kind::BadHeader:
        Send(
            ErrorResponse(nullptr, errors::kParseError, "A message header without Content-Length"));
        break;
      case Frame::Kind::TooLarge:
        Send(ErrorResponse(
            nullptr, errors::kInvalidRequest,
            "A message larger than " + std::to_string(setup_.maxMessage) + " bytes was skipped"));
        break;
      case Frame::Kind::End:
        return ExitCode();
    }
  }
  return ExitCode();
}

}  // namespace lsp
