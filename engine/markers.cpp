#include "markers.h"

#include <cstring>
#include <utility>

namespace ws {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Names beyond this many (tag names taken from data, say) start the cache anew.
constexpr std::size_t kMaxCachedNames = 1000;

// How common a byte is in HTML and text: the lower, the rarer.
constexpr int CommonnessOf(unsigned char c) {
  if (c >= 'a' && c <= 'z') return 9;
  if (c == ' ' || c == '<' || c == '>' || c == '/' || c == '=' || c == '"' || c == '\n' ||
      c == '\r' || c == '\t')
    return 9;
  if (c >= 'A' && c <= 'Z') return 6;
  if (c >= '0' && c <= '9') return 6;
  if (c == '.' || c == ',' || c == '-' || c == ':' || c == ';' || c == '\'' || c == '_') return 6;
  if (c >= 128) return 4;
  return 2;  // ! % # & @ { } | ~ ^ $ * ? [ ] ( ) and control characters
}

constexpr std::array<unsigned char, 256> kCommonness = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(CommonnessOf(c));
  return table;
}();

int Commonness(char c) {
  return kCommonness[static_cast<unsigned char>(c)];
}

}  // namespace

Marker::Marker(std::string text) : text_(std::move(text)) {
  for (std::size_t i = 1; i < text_.size(); ++i)
    if (Commonness(text_[i]) < Commonness(text_[pivot_])) pivot_ = i;
}

// Every tag operation searches the whole output, so this is the build's
// hottest loop: it looks for the marker's rarest byte with memchr and
// compares around it, instead of stopping at every "<" of the page.
std::size_t Marker::FindIn(std::string_view text, std::size_t from) const {
  const std::size_t size = text_.size();
  if (size == 0 || from > text.size() || text.size() - from < size) return npos;
  const std::size_t lastByte = size - 1, middle = size / 2;
  const char* const marker = text_.data();
  const char* const begin = text.data();
  const char* const last = begin + text.size() - size;  // last possible start
  const char* scan = begin + from + pivot_;
  const char* const scanEnd = last + pivot_ + 1;
  while (scan < scanEnd) {
    const void* hit = std::memchr(scan, marker[pivot_], static_cast<std::size_t>(scanEnd - scan));
    if (!hit) return npos;
    const char* start = static_cast<const char*>(hit) - pivot_;
    // The last and the middle byte (inside the name) rule out most other tags'
    // markers before the whole marker is compared.
    if (start[lastByte] == marker[lastByte] && start[middle] == marker[middle] &&
        std::memcmp(start, marker, size) == 0)
      return static_cast<std::size_t>(start - begin);
    scan = static_cast<const char*>(hit) + 1;
  }
  return npos;
}

TagMarkers MarkersOf(const Settings& s, std::string_view name) {
  std::string n(name);
  return {Marker(s.ShortStart + n + s.ShortEnd), Marker(s.WideOpenStart + n + s.WideOpenEnd),
          Marker(s.WideCloseStart + n + s.WideCloseEnd)};
}

const TagMarkers& TagMarkerCache::Get(const Settings& s, std::string_view name) {
  const std::array<const std::string*, 6> now = {&s.ShortStart,     &s.ShortEnd,
                                                 &s.WideOpenStart,  &s.WideOpenEnd,
                                                 &s.WideCloseStart, &s.WideCloseEnd};
  bool same = true;
  for (std::size_t i = 0; i < now.size(); ++i) same = same && *now[i] == delimiters_[i];
  if (!same) {
    for (std::size_t i = 0; i < now.size(); ++i) delimiters_[i] = *now[i];
    markers_.clear();
  }
  if (auto it = markers_.find(name); it != markers_.end()) return it->second;
  if (markers_.size() >= kMaxCachedNames) markers_.clear();
  return markers_.emplace(std::string(name), MarkersOf(s, name)).first->second;
}

}  // namespace ws
