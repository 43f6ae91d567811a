#include "fileio.h"
#include "codepages.h"

#include "messages.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstdio>

namespace ws {

FileError::FileError(Kind kind, std::string path)
    : std::runtime_error(MessageText(
          kind == Kind::Open ? MessageId::CannotOpenFile : MessageId::CannotCreateFile, {path})),
      kind_(kind),
      path_(std::move(path)) {}

FileError::FileError(std::string path, const std::string& detail)
    : std::runtime_error(detail), kind_(Kind::Invalid), path_(std::move(path)) {}

std::string ReadFileBytes(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(FileError::Kind::Open, path);
  struct stat st {};
  // A device would be read without end (/dev/zero) or wait for a terminal.
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    ::close(fd);
    throw FileError(FileError::Kind::Open, path);
  }
  std::string data;
  if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      throw FileError(FileError::Kind::Open, path);
    }
    if (n == 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

std::string ReadTextFile(const std::string& path) {
  std::string data = ReadFileBytes(path);
  if (StripByteOrderMark(data).size() != data.size()) data.erase(0, 3);
  return data;
}

std::vector<std::string> SplitLines(std::string_view text, bool* endsWithBreak) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  bool brk = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
    brk = true;
  }
  if (start < text.size()) {
    lines.emplace_back(text.substr(start));
    brk = false;
  }
  if (endsWithBreak) *endsWithBreak = brk && start == text.size();
  return lines;
}

namespace {
bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}
}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  // A file that does not exist yet has no previous content to protect: it is
  // written in place (no temporary file, no rename: a fresh build of many
  // pages costs a third of the system calls), and removed if the write fails.
  int fresh = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fresh >= 0) {
    bool ok = WriteAll(fresh, bytes);
    if (::close(fresh) != 0) ok = false;
    if (!ok) {
      ::unlink(path.c_str());
      throw FileError(FileError::Kind::Create, path);
    }
    return;
  }
  if (errno != EEXIST) throw FileError(FileError::Kind::Create, path);

  std::string temp = path + ".weftsmith-tmp";
  // A temporary file left behind is reused, but never through a symbolic link
  // or a second hard link, which would change another file, nor when it is no
  // plain file (a named pipe would block the open without O_NONBLOCK).
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(FileError::Kind::Create, path);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
      ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    throw FileError(FileError::Kind::Create, path);
  }
  bool ok = WriteAll(fd, bytes);
  // Keep the mode of the file being replaced. A temporary file made just now
  // has the mode the kernel gives a new file (0666 less the creation mask), one left
  // behind has whatever it had: its mode is changed only where it differs.
  struct stat old {};
  if (ok && ::stat(path.c_str(), &old) == 0 && (old.st_mode & 07777) != (st.st_mode & 07777))
    ::fchmod(fd, old.st_mode & 07777);
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    throw FileError(FileError::Kind::Create, path);
  }
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  FileStamp s;
  s.size = static_cast<std::uintmax_t>(st.st_size);
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.inode = st.st_ino;
  s.exists = true;
  return s;
}

}  // namespace ws
