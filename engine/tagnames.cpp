#include "tagnames.h"

#include "markers.h"

namespace ws {

std::vector<std::string> ScanTagNames(std::string_view text, TagKind kind,
                                      const Settings& settings) {
  const bool wide = kind == TagKind::Wide;
  const Marker start(wide ? settings.WideOpenStart : settings.ShortStart);
  const Marker end(wide ? settings.WideOpenEnd : settings.ShortEnd);
  std::string work(text);
  std::vector<std::string> names;
  // Each pass removes the start marker (for a wide tag with all text before
  // it) and the first end marker after it; the name is what stood between.
  // A short tag's end is looked for after its start, so that with different
  // delimiters a stray end before the start does not swallow the tag.
  for (;;) {
    const std::size_t p = start.FindIn(work, 0);
    if (p == std::string::npos) return names;
    const std::size_t nameStart = wide ? 0 : p;
    work.erase(wide ? 0 : p, wide ? p + start.size() : start.size());
    const std::size_t q = end.FindIn(work, wide ? 0 : p);
    if (q == std::string::npos) return names;
    work.erase(q, end.size());
    names.push_back(work.substr(nameStart, q - nameStart));
  }
}

std::optional<std::string> WideTagBody(std::string_view text, std::string_view name,
                                       const Settings& settings) {
  const TagMarkers markers = MarkersOf(settings, name);
  const std::size_t open = markers.open.FindIn(text, 0);
  const std::size_t close = markers.close.FindIn(text, 0);
  if (open == std::string::npos || close == std::string::npos) return std::nullopt;
  const std::size_t from = open + markers.open.size();
  return close > from ? std::string(text.substr(from, close - from)) : std::string();
}

}  // namespace ws
