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
}

void RichBuffer::Save(const std::string& path) const {
  WriteFileAtomically(path, WriteRtf(RichText{lines_, runs_}));
}

void RichBuffer::Clear() {
  TextBuffer::Clear();
  runs_.clear();
}

void RichBuffer::SetText(std::string_view text) {
  TextBuffer::SetText(text);
  runs_.clear();
}

}  // namespace ws
