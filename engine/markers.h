// Tag markers and the search for them in output texts and included files.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "settings.h"
#include "values.h"

namespace ws {

// One marker (e.g. "%%title%%") together with what its search needs: the
// position of its rarest byte, which is looked for with memchr.
class Marker {
 public:
  Marker() = default;
  explicit Marker(std::string text);
  const std::string& text() const { return text_; }
  std::size_t size() const { return text_.size(); }

  // The first place at or after from where the marker stands in text, or
  // npos. An empty marker (empty delimiters and name) is found nowhere, so
  // that no walk can stand still on it.
  std::size_t FindIn(std::string_view text, std::size_t from) const;

 private:
  std::string text_;
  std::size_t pivot_ = 0;
};

// The three markers of one tag name under the delimiters in effect.
struct TagMarkers {
  Marker shortTag;
  Marker open;
  Marker close;
};

TagMarkers MarkersOf(const Settings& s, std::string_view name);

// The markers of the tag names in use, made once per name and made again when
// the delimiters change. A reference stays valid until the next Get.
class TagMarkerCache {
 public:
  const TagMarkers& Get(const Settings& s, std::string_view name);

 private:
  std::array<std::string, 6> delimiters_;
  NameMap<TagMarkers> markers_;
};

}  // namespace ws
