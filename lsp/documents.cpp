#include "documents.h"

#include <algorithm>

namespace lsp {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the UTF-8 sequence that begins with byte c (1 for a byte
// that begins none); a sequence of four takes two UTF-16 units.
std::size_t SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

// The offset of the start of a line (0-based) in text; text.size() past the end.
std::size_t LineStart(std::string_view text, int line) {
  std::size_t at = 0;
  for (int i = 0; i < line; ++i) {
    const std::size_t eol = text.find_first_of("\r\n", at);
    if (eol == std::string_view::npos) return text.size();
    at = eol + (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n' ? 2 : 1);
  }
  return at;
}

// The byte offset of a position in text, clamped to its line and its end.
std::size_t OffsetOf(std::string_view text, Position p) {
  if (p.line < 0) return 0;
  const std::size_t start = LineStart(text, p.line);
  const std::size_t eol = std::min(text.find_first_of("\r\n", start), text.size());
  return start + ByteColumn(text.substr(start, eol - start), p.character);
}

}  // namespace

std::string PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return {};
  uri.remove_prefix(kScheme.size());
  // An authority ("localhost" or empty) before the path.
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return {};
  uri.remove_prefix(slash);
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 &&
        HexDigit(uri[i + 2]) >= 0) {
      path += static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path.find('\0') == std::string::npos ? path : std::string();
}

std::string UriOfPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("/-._~").find(c) != std::string_view::npos;
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

std::vector<std::string> SplitProtocolLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (;;) {
    const std::size_t eol = text.find_first_of("\r\n", at);
    if (eol == std::string_view::npos) {
      lines.emplace_back(text.substr(at));
      return lines;
    }
    lines.emplace_back(text.substr(at, eol - at));
    at = eol + (text[eol] == '\r' && eol + 1 < text.size() && text[eol + 1] == '\n' ? 2 : 1);
  }
}

std::size_t ByteColumn(std::string_view line, int character) {
  std::size_t byte = 0;
  int units = 0;
  while (byte < line.size() && units < character) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(line[byte]));
    units += length == 4 ? 2 : 1;
    byte = std::min(byte + length, line.size());
  }
  return byte;
}

int Utf16Column(std::string_view line, std::size_t byte) {
  int units = 0;
  for (std::size_t at = 0; at < byte && at < line.size();) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(line[at]));
    units += length == 4 ? 2 : 1;
    at += length;
  }
  return units;
}

Position EndOf(std::string_view text) {
  const std::vector<std::string> lines = SplitProtocolLines(text);
  const std::string& last = lines.back();
  return {static_cast<int>(lines.size()) - 1, Utf16Column(last, last.size())};
}

bool DocumentStore::Open(const std::string& uri, std::string text, long long version) {
  if (text.size() > kMaxText) return false;
  Document& d = documents_[uri];
  d = {uri, PathOfUri(uri), std::move(text), version, {}};
  d.lines = SplitProtocolLines(d.text);
  return true;
}

bool DocumentStore::Change(const std::string& uri, const nlohmann::json& changes,
                           long long version) {
  const auto found = documents_.find(uri);
  if (found == documents_.end() || !changes.is_array()) return false;
  std::string text = found->second.text;
  for (const nlohmann::json& change : changes) {
    if (!change.is_object() || !change.contains("text") || !change["text"].is_string())
      return false;
    const std::string& replacement = change["text"].get_ref<const std::string&>();
    if (!change.contains("range")) {
      text = replacement;
    } else {
      const nlohmann::json& range = change["range"];
      const Position start{range.at("start").at("line").get<int>(),
                           range.at("start").at("character").get<int>()};
      const Position end{range.at("end").at("line").get<int>(),
                         range.at("end").at("character").get<int>()};
      const std::size_t from = OffsetOf(text, start);
      const std::size_t to = std::max(from, OffsetOf(text, end));
      if (text.size() - (to - from) + replacement.size() > kMaxText) return false;
      text.replace(from, to - from, replacement);
    }
    if (text.size() > kMaxText) return false;
  }
  Document& d = found->second;
  d.text = std::move(text);
  d.version = version;
  d.lines = SplitProtocolLines(d.text);
  return true;
}

void DocumentStore::Close(const std::string& uri) {
  documents_.erase(uri);
}

const Document* DocumentStore::Find(std::string_view uri) const {
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : &found->second;
}

}  // namespace lsp
