#include "dispatcher.h"

#include <exception>

namespace lsp {

Json ErrorResponse(const Json& id, int code, std::string_view message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

void Dispatcher::OnRequest(std::string method, RequestHandler handler) {
  requests_[std::move(method)] = std::move(handler);
}

void Dispatcher::OnNotification(std::string method, NotificationHandler handler) {
  notifications_[std::move(method)] = std::move(handler);
}

std::optional<Json> Dispatcher::Handle(std::string_view body) {
  Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded()) return ErrorResponse(nullptr, errors::kParseError, "Parse error");

  const Json* id = nullptr;
  if (message.is_object()) {
    if (auto found = message.find("id"); found != message.end()) id = &*found;
  }
  const bool validId = id && (id->is_number_integer() || id->is_string());
  if (!message.is_object() || (id && !validId) || !message.contains("method")) {
    // A response of the client: nothing to answer.
    if (message.is_object() && validId && (message.contains("result") || message.contains("error")))
      return std::nullopt;
    return ErrorResponse(validId ? *id : Json(nullptr), errors::kInvalidRequest, "Invalid request");
  }
  const Json& methodValue = message["method"];
  if (!methodValue.is_string())
    return ErrorResponse(validId ? *id : Json(nullptr), errors::kInvalidRequest, "Invalid request");
  const std::string& method = methodValue.get_ref<const std::string&>();
  const bool request = validId;
  static const Json kNoParams = Json::object();
  const auto paramsAt = message.find("params");
  const Json& params = paramsAt == message.end() ? kNoParams : *paramsAt;

  if (gate_) {
    if (std::optional<RpcError> refused = gate_(method, request)) {
      if (!request) return std::nullopt;
      return ErrorResponse(*id, refused->code, refused->message);
    }
  }

  if (!request) {
    const auto handler = notifications_.find(method);
    if (handler == notifications_.end()) return std::nullopt;
    try {
      handler->second(params);
    } catch (const std::exception&) {
      // A notification has no answer; one that cannot be used changes nothing.
    }
    return std::nullopt;
  }

  const auto handler = requests_.find(method);
  if (handler == requests_.end())
    return ErrorResponse(*id, errors::kMethodNotFound, "Method not found: " + method);
  try {
    return Json{{"jsonrpc", "2.0"}, {"id", *id}, {"result", handler->second(params)}};
  } catch (const RpcError& error) {
    return ErrorResponse(*id, error.code, error.message);
  } catch (const Json::exception& error) {
    return ErrorResponse(*id, errors::kInvalidParams,
                         std::string("Invalid params: ") + error.what());
  } catch (const std::exception& error) {
    return ErrorResponse(*id, errors::kInternalError, error.what());
  }
}

}  // namespace lsp
