// The tag names of a target file and the body of one of its wide tags, as the
// desktop's tag dialogs and the language server list them. The text is a
// flattened one (FlattenLineBreaks): one line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings.h"

namespace ws {

enum class TagKind { Wide, Short };

// The name of each wide tag's opening marker (the text between WideOpenStart
// and the next WideOpenEnd), or of each short tag (the text between a
// ShortStart and the next ShortEnd), in `text`, in order, once per occurrence.
std::vector<std::string> ScanTagNames(std::string_view text, TagKind kind,
                                      const Settings& settings);

// The body of the wide tag `name` in `text`: between its first opening and
// first closing marker; nothing when either is missing.
std::optional<std::string> WideTagBody(std::string_view text, std::string_view name,
                                       const Settings& settings);

}  // namespace ws
