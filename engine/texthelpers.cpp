#include "texthelpers.h"

#include <algorithm>

namespace ws {

std::string_view TrimLeadingBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view TrimBlanks(std::string_view text) {
  return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

std::string_view TrimBlanksAndTabs(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string TabsToBlanks(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\t', ' ');
  return out;
}

}  // namespace ws
