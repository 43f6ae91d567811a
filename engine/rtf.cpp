// Placeholder until the RTF reader and writer land.
#include "rtf.h"

#include "fileio.h"

namespace ws {
bool IsRtf(std::string_view bytes) { return StripByteOrderMark(bytes).starts_with("{\\rtf"); }
RichText ReadRtf(std::string_view) { return {}; }
std::string WriteRtf(const RichText&, std::string_view, int) { return "{\\rtf1}"; }
}  // namespace ws
