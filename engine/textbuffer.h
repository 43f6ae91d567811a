// Line stores through which the engine passes whole files and texts: a plain
// buffer of lines, and a rich buffer that also keeps the character formats it
// read and reads and writes RTF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rtf.h"

namespace ws {

class TextBuffer {
 public:
  virtual ~TextBuffer() = default;

  // Replaces the content by the file's lines (CR LF, LF or CR line ends).
  // Throws FileError when the file cannot be read.
  virtual void Load(const std::string& path);
  // Writes the lines, each ending in CR LF, replacing the file atomically.
  virtual void Save(const std::string& path) const;

  virtual void Clear();
  int LineCount() const { return static_cast<int>(lines_.size()); }
  // Reading past the last line (or before the first) yields an empty line.
  const std::string& Line(int index) const;
  // Setting a line past the end first adds empty lines up to it.
  void SetLine(int index, std::string text);
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);

  // The whole text: the lines joined by CR LF, with a final CR LF when the
  // loaded or set text ended with a line break.
  std::string Text() const;
  virtual void SetText(std::string_view text);

 protected:
  std::vector<std::string> lines_;
  bool endsWithBreak_ = false;
};

class RichBuffer : public TextBuffer {
 public:
  // Loads an RTF document as its paragraphs and formats, anything else as
  // plain lines.
  void Load(const std::string& path) override;
  // The same for the bytes of a file already read.
  void SetContent(std::string_view bytes);
  // Writes an RTF document whose paragraphs are the lines.
  void Save(const std::string& path) const override;
  void Clear() override;
  void SetText(std::string_view text) override;

  const std::vector<FormatRun>& Runs() const { return runs_; }

 private:
  std::vector<FormatRun> runs_;
};

}  // namespace ws
