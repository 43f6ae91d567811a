// Small text helpers shared by the engine's units.
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace ws {

// The text without its leading, trailing, or leading and trailing blanks.
std::string_view TrimLeadingBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);
std::string_view TrimBlanks(std::string_view text);
// The same for blanks and tabs.
std::string_view TrimBlanksAndTabs(std::string_view text);

// The text with every tab turned into a blank.
std::string TabsToBlanks(std::string_view text);

// The decimal integer that is the whole text (an optional "-"), or nothing.
template <typename Int>
std::optional<Int> ParseInteger(std::string_view text, std::errc* error = nullptr) {
  Int value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error) *error = ec;
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The lines, each followed by CR LF.
template <typename Lines>
std::string JoinCrLf(const Lines& lines, std::size_t size = 0) {
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace ws
