// Reads arbitrary bytes as an RTF document, then writes what was read and
// reads it back: the lines must come back unchanged, and the runs too, once
// they are put in the form the writer promises (runs in the writer's default
// font or size carry no font or size, a run left with the default format is
// no run, and touching runs of one format are one).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "rtf.h"

namespace {

using ws::fuzz::Require;

constexpr const char* kDefaultFont = "Courier New";
constexpr int kDefaultSize = 10;

std::vector<ws::FormatRun> AsWritten(const std::vector<ws::FormatRun>& runs) {
  std::vector<ws::FormatRun> result;
  for (ws::FormatRun run : runs) {
    if (run.format.fontName == kDefaultFont) run.format.fontName.clear();
    if (run.format.fontSize == kDefaultSize) run.format.fontSize = 0;
    if (run.format == ws::CharFormat{} || run.length == 0) continue;
    if (!result.empty() && result.back().start + result.back().length == run.start &&
        result.back().format == run.format)
      result.back().length += run.length;
    else
      result.push_back(run);
  }
  return result;
}

void CheckRunsFitTheText(const ws::RichText& text) {
  std::size_t length = 0;
  for (const std::string& line : text.lines) length += line.size() + 2;
  if (length > 0) length -= 2;
  std::size_t end = 0;
  for (const ws::FormatRun& run : text.runs) {
    Require(run.length > 0 && run.start >= end && run.start + run.length <= length);
    Require(!(run.format == ws::CharFormat{}));
    end = run.start + run.length;
  }
  for (const std::string& line : text.lines)
    Require(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ws::RichText read = ws::ReadRtf(ws::fuzz::AsText(data, size));
  CheckRunsFitTheText(read);

  const std::string written = ws::WriteRtf(read, kDefaultFont, kDefaultSize);
  Require(ws::IsRtf(written));
  const ws::RichText again = ws::ReadRtf(written);
  Require(again.lines == read.lines);
  Require(again.runs == AsWritten(read.runs));
  return 0;
}
