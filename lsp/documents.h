// The open documents as the client sent them, and the two ways of naming a
// place in one: LSP positions (line and UTF-16 code unit) and byte offsets.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace lsp {

struct Position {
  int line = 0;
  int character = 0;  // UTF-16 code units
};

// The local path of a file: URI, percent escapes decoded; "" for any other
// scheme.
std::string PathOfUri(std::string_view uri);
std::string UriOfPath(std::string_view path);

// The lines of a text: line ends are LF, CR LF or a lone CR, as the protocol
// counts them. A text ending in a line break ends with an empty line.
std::vector<std::string> SplitProtocolLines(std::string_view text);

// The byte offset in line of a UTF-16 column, clamped to the line.
std::size_t ByteColumn(std::string_view line, int character);
// The UTF-16 column of a byte offset in line.
int Utf16Column(std::string_view line, std::size_t byte);

// The position after the last character of text.
Position EndOf(std::string_view text);

struct Document {
  std::string uri;
  std::string path;  // "" when the URI names no local file
  std::string text;
  long long version = 0;
  std::vector<std::string> lines;  // SplitProtocolLines(text)
};

class DocumentStore {
 public:
  // A text over the limit is not taken (the caller says so).
  static constexpr std::size_t kMaxText = 64u << 20;

  // False when the text is too large.
  bool Open(const std::string& uri, std::string text, long long version);
  // Applies the contentChanges of a didChange in order: a change without a
  // range replaces the whole text, one with a range the part it names.
  // False (and the document unchanged) when it is not open, a change is not
  // of the protocol's form, or the text would grow past the limit.
  bool Change(const std::string& uri, const nlohmann::json& changes, long long version);
  void Close(const std::string& uri);

  const Document* Find(std::string_view uri) const;

 private:
  std::map<std::string, Document, std::less<>> documents_;
};

}  // namespace lsp
