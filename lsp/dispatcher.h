// JSON-RPC 2.0 as the Language Server Protocol uses it: a request (with an
// id) gets one response, a notification none. Handlers are looked up by
// method name; what goes wrong becomes the protocol's error response.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace lsp {

using Json = nlohmann::json;

// The protocol's error codes.
namespace errors {
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;
}  // namespace errors

// Thrown by a handler to answer with an error.
struct RpcError {
  int code;
  std::string message;
};

// A response with an error; id is null when the request's id is unknown.
Json ErrorResponse(const Json& id, int code, std::string_view message);

class Dispatcher {
 public:
  using RequestHandler = std::function<Json(const Json& params)>;
  using NotificationHandler = std::function<void(const Json& params)>;
  // Consulted before each handler with the method's name and whether it is
  // a request: an error to answer a request with instead (a notification
  // that gets one is dropped).
  using Gate = std::function<std::optional<RpcError>(std::string_view method, bool request)>;

  void OnRequest(std::string method, RequestHandler handler);
  void OnNotification(std::string method, NotificationHandler handler);
  void SetGate(Gate gate) { gate_ = std::move(gate); }

  // Handles one message body: the response to send, if any. A request
  // whose handler throws RpcError gets that error, one whose parameters do
  // not have the expected types InvalidParams, any other exception
  // InternalError; a notification's failures are dropped. Responses the
  // client sends (to requests of the server) are ignored.
  std::optional<Json> Handle(std::string_view body);

 private:
  std::map<std::string, RequestHandler, std::less<>> requests_;
  std::map<std::string, NotificationHandler, std::less<>> notifications_;
  Gate gate_;
};

}  // namespace lsp
