#include "framing.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lsp {

std::size_t StandardInput::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;  // an input that fails ends like one that ends
  }
}

bool StandardInput::WaitReadable(int milliseconds) {
  pollfd fd{STDIN_FILENO, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&fd, 1, milliseconds);
    if (n >= 0) return n > 0;
    if (errno != EINTR) return true;  // let the read find out what is wrong
  }
}

std::size_t MemorySource::Read(char* buffer, std::size_t size) {
  const std::size_t n = std::min({size, chunk_, bytes_.size() - at_});
  std::memcpy(buffer, bytes_.data() + at_, n);
  at_ += n;
  return n;
}

namespace {

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

long long ContentLength(std::string_view header) {
  long long length = -1;
  while (!header.empty()) {
    const std::size_t eol = header.find('\n');
    const std::string_view line = header.substr(0, eol);
    header = eol == std::string_view::npos ? std::string_view() : header.substr(eol + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !SameWord(Trim(line.substr(0, colon)), "content-length"))
      continue;
    const std::string_view value = Trim(line.substr(colon + 1));
    if (value.empty() || value.size() > 18) return -1;
    long long n = 0;
    for (char c : value) {
      if (c < '0' || c > '9') return -1;
      n = n * 10 + (c - '0');
    }
    length = n;
  }
  return length;
}

std::string Framed(std::string_view body) {
  std::string frame = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  frame += body;
  return frame;
}

bool MessageReader::Fill() {
  if (ended_) return false;
  if (at_ > 0 && at_ == buffer_.size()) {
    buffer_.clear();
    at_ = 0;
  }
  char chunk[65536];
  const std::size_t n = source_.Read(chunk, sizeof chunk);
  if (n == 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, n);
  return true;
}

// Reads up to and including the empty line that ends a header (lines end
// with LF, a CR before it is dropped). False at the end of the input or when
// the header grows past its limit (its bytes are dropped).
bool MessageReader::ReadHeader(std::string& header) {
  header.clear();
  for (;;) {
    const std::size_t eol = buffer_.find('\n', at_);
    if (eol == std::string::npos) {
      if (buffer_.size() - at_ > kMaxHeader) {
        at_ = buffer_.size();
        return false;
      }
      if (!Fill()) return false;
      continue;
    }
    std::string_view line(buffer_.data() + at_, eol - at_);
    at_ = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      if (header.empty()) continue;  // stray line breaks between messages
      return true;
    }
    if (header.size() + line.size() > kMaxHeader) return false;
    header.append(line).push_back('\n');
  }
}

bool MessageReader::Skip(std::size_t count) {
  while (count > 0) {
    if (at_ == buffer_.size() && !Fill()) return false;
    const std::size_t n = std::min(count, buffer_.size() - at_);
    at_ += n;
    count -= n;
  }
  return true;
}

Frame MessageReader::Next() {
  std::string header;
  if (!ReadHeader(header)) return {ended_ ? Frame::Kind::End : Frame::Kind::BadHeader, {}};
  const long long length = ContentLength(header);
  if (length < 0) return {Frame::Kind::BadHeader, {}};
  const auto size = static_cast<std::size_t>(length);
  if (size > maxBody_) {
    if (!Skip(size)) return {Frame::Kind::End, {}};
    return {Frame::Kind::TooLarge, {}};
  }
  while (buffer_.size() - at_ < size)
    if (!Fill()) return {Frame::Kind::End, {}};
  Frame frame{Frame::Kind::Body, buffer_.substr(at_, size)};
  at_ += size;
  return frame;
}

bool MessageReader::Pending(int milliseconds) {
  if (at_ < buffer_.size() || ended_) return true;
  return source_.WaitReadable(milliseconds);
}

}  // namespace lsp
