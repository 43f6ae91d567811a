#include "textbuffer.h"

#include "texthelpers.h"

#include <algorithm>

#include "fileio.h"

namespace ws {

namespace {
const std::string kEmptyLine;
}

void TextBuffer::Load(const std::string& path) {
  SetText(ReadTextFile(path));
}

void TextBuffer::Save(const std::string& path) const {
  WriteFileAtomically(path, JoinCrLf(lines_));
}

void TextBuffer::Clear() {
  lines_.clear();
  endsWithBreak_ = false;
}

const std::string& TextBuffer::Line(int index) const {
  if (index < 0 || index >= LineCount()) return kEmptyLine;
  return lines_[static_cast<std::size_t>(index)];
}

void TextBuffer::SetLine(int index, std::string text) {
  if (index < 0) return;
  if (index >= LineCount()) lines_.resize(static_cast<std::size_t>(index) + 1);
  lines_[static_cast<std::size_t>(index)] = std::move(text);
}

void TextBuffer::InsertLine(int index, std::string text) {
  index = std::clamp(index, 0, LineCount());
  lines_.insert(lines_.begin() + index, std::move(text));
}

void TextBuffer::DeleteLine(int index) {
  if (index < 0 || index >= LineCount()) return;
  lines_.erase(lines_.begin() + index);
}

void TextBuffer::SetLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  endsWithBreak_ = false;
}

std::string TextBuffer::Text() const {
  std::string text = JoinCrLf(lines_);
  if (!endsWithBreak_ && !text.empty()) text.resize(text.size() - 2);
  return text;
}

void TextBuffer::SetText(std::string_view text) {
  lines_ = SplitLines(text, &endsWithBreak_);
}

void RichBuffer::Load(const std::string& path) {
  SetContent(ReadTextFile(path));
}

void RichBuffer::SetContent(std::string_view bytes) {
  if (IsRtf(bytes)) {
    RichText rich = ReadRtf(bytes);
    lines_ = std::move(rich.lines);
    runs_ = std::move(rich.runs);
    endsWithBreak_ = false;
  } else {
    TextBuffer::SetText(bytes);
    runs_.clear();
  }
  selStart_ = selLength_ = 0;
}

void RichBuffer::Save(const std::string& path) const {
  WriteFileAtomically(path, WriteRtf(RichText{lines_, runs_}, defaultFont_, defaultFontSize_));
}

void RichBuffer::Clear() {
  TextBuffer::Clear();
  runs_.clear();
  selStart_ = selLength_ = 0;
}

void RichBuffer::SetText(std::string_view text) {
  TextBuffer::SetText(text);
  runs_.clear();
  selStart_ = selLength_ = 0;
}

void RichBuffer::SetDefaultFont(std::string name, int size) {
  defaultFont_ = std::move(name);
  defaultFontSize_ = size;
}

void RichBuffer::Select(std::size_t start, std::size_t length) {
  selStart_ = start;
  selLength_ = length;
}

CharFormat RichBuffer::SelectionFormat() const {
  for (const FormatRun& run : runs_)
    if (selStart_ >= run.start && selStart_ < run.start + run.length) return run.format;
  return CharFormat{};
}

void RichBuffer::SetSelectionFormat(const CharFormat& format) {
  if (selLength_ == 0) return;
  const std::size_t a = selStart_, b = selStart_ + selLength_;
  std::vector<FormatRun> out;
  for (const FormatRun& run : runs_) {
    std::size_t rs = run.start, re = run.start + run.length;
    if (re <= a || rs >= b) {
      out.push_back(run);
      continue;
    }
    if (rs < a) out.push_back({rs, a - rs, run.format});
    if (re > b) out.push_back({b, re - b, run.format});
  }
  out.push_back({a, b - a, format});
  std::sort(out.begin(), out.end(),
            [](const FormatRun& x, const FormatRun& y) { return x.start < y.start; });
  runs_ = std::move(out);
}

}  // namespace ws
