// One way to read, split and write files: every file the engine touches goes
// through these helpers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ws {

// A file that cannot be opened or created, or whose content cannot be used
// (a damaged grammar table). It ends the operation that met it; what() is the
// message: "Cannot open file <path>", "Cannot create file <path>", or for
// Invalid "<detail>" as given.
class FileError : public std::runtime_error {
 public:
  enum class Kind { Open, Create, Invalid };
  FileError(Kind kind, std::string path);
  FileError(std::string path, const std::string& detail);  // Kind::Invalid
  Kind kind() const { return kind_; }
  const std::string& path() const { return path_; }

 private:
  Kind kind_;
  std::string path_;
};

// The whole content of a file as bytes. A UTF-8 byte-order mark at its start is
// not part of the text. Throws FileError(Open).
std::string ReadTextFile(const std::string& path);
// The same without removing a byte-order mark.
std::string ReadFileBytes(const std::string& path);

// Lines of a text whose line ends are CR LF, LF or a lone CR. A final line
// break does not start another line; endsWithBreak tells whether there was one.
std::vector<std::string> SplitLines(std::string_view text, bool* endsWithBreak = nullptr);

// Writes bytes to a temporary file beside the target and renames it into
// place, so that a failed write never destroys the previous file.
// Throws FileError(Create) when the file cannot be written.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

bool FolderExists(const std::string& path);

// What identifies one version of a file on disk, for caches that must notice a
// change: size, modification time (nanoseconds) and inode. Missing: all zero.
struct FileStamp {
  std::uintmax_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uintmax_t inode = 0;
  bool exists = false;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

}  // namespace ws
