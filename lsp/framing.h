// The base protocol of the Language Server Protocol: messages framed by a
// header ("Content-Length: N", other fields ignored) and an empty line, then
// N bytes of JSON. The reader works on any source of bytes, so that tests and
// the fuzz target feed it from memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lsp {

// Where the bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes into buffer; 0 at the end of the input.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // Whether bytes (or the end) arrive within the time; a source in memory is
  // always ready.
  virtual bool WaitReadable(int /*milliseconds*/) { return true; }
};

// The process's standard input, unbuffered (the reader buffers).
class StandardInput : public ByteSource {
 public:
  std::size_t Read(char* buffer, std::size_t size) override;
  bool WaitReadable(int milliseconds) override;
};

// A string, read in pieces of at most chunk bytes.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes, std::size_t chunk = 4096)
      : bytes_(std::move(bytes)), chunk_(chunk == 0 ? 1 : chunk) {}
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string bytes_;
  std::size_t chunk_;
  std::size_t at_ = 0;
};

// What one read gives: a body, or what went wrong with the frame.
struct Frame {
  enum class Kind {
    Body,       // body holds the message's bytes
    BadHeader,  // a header without a usable Content-Length; the header is dropped
    TooLarge,   // a body over the limit; its bytes are skipped
    End         // the input ended (also in the middle of a message)
  };
  Kind kind = Kind::End;
  std::string body;
};

class MessageReader {
 public:
  // Bodies larger than maxBody bytes are skipped, as are headers longer than
  // maxHeader bytes.
  static constexpr std::size_t kDefaultMaxBody = 64u << 20;
  static constexpr std::size_t kMaxHeader = 8192;

  explicit MessageReader(ByteSource& source, std::size_t maxBody = kDefaultMaxBody)
      : source_(source), maxBody_(maxBody) {}

  Frame Next();
  // Whether a whole message or its start has been read and not yet returned,
  // or the source has bytes within the time.
  bool Pending(int milliseconds);

 private:
  bool Fill();  // reads more bytes; false at the end of the input
  bool ReadHeader(std::string& header);
  bool Skip(std::size_t count);

  ByteSource& source_;
  std::size_t maxBody_;
  std::string buffer_;
  std::size_t at_ = 0;  // bytes of buffer_ already used
  bool ended_ = false;
};

// The frame of one message body.
std::string Framed(std::string_view body);

// The Content-Length of a header block (fields separated by CR LF, names
// compared without regard to case); -1 when it is missing or not a number.
long long ContentLength(std::string_view header);

}  // namespace lsp
