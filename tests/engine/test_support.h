// Helpers shared by the engine tests: a host that records its messages and
// caret lines and serves a settable clock, and a temporary folder that cleans
// up after itself.
#pragma once

#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine.h"
#include "fileio.h"
#include "host.h"
#include "tags.h"

namespace ws::test {

struct RecordedMessage {
  MessageKind kind;
  std::string text;
  bool operator==(const RecordedMessage&) const = default;
};

// Records every message box and caret placement in order, and the run's
// start, ticks and end.
class RecordingHost : public Host {
 public:
  void ShowMessage(const Message& message) override {
    messages.push_back({message.kind, message.text});
    located.push_back(message);
  }
  void PlaceCaret(int line) override {
    caretLines.push_back(line);
    caretLine = line;
  }

  void RunStarted(std::string_view document) override {
    runEvents.push_back("started " + std::string(document));
  }
  void RunTick() override { ++ticks; }
  void RunEnded(RunOutcome outcome) override {
    runEvents.push_back("ended " + std::to_string(static_cast<int>(outcome)));
  }

  std::string CurrentDateText() const override { return dateText; }
  std::string CurrentTimeText() const override { return timeText; }

  // The texts of all messages (any kind), in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : messages) texts.push_back(m.text);
    return texts;
  }
  // The texts of the messages of one kind, in order.
  std::vector<std::string> Texts(MessageKind kind) const {
    std::vector<std::string> texts;
    for (const RecordedMessage& m : messages)
      if (m.kind == kind) texts.push_back(m.text);
    return texts;
  }
  void Clear() {
    messages.clear();
    located.clear();
    runEvents.clear();
  }

  std::vector<RecordedMessage> messages;
  std::vector<Message> located;  // the same with the file and line they point at
  std::vector<int> caretLines;
  int caretLine = -1;                  // the last line the caret was placed on
  std::vector<std::string> runEvents;  // "started NAME", "ended OUTCOME"
  int ticks = 0;
  std::string dateText = "01/02/2003";
  std::string timeText = "04:05:06";
};

// A fresh folder under the system's temporary folder, removed with its
// content at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "weftsmith-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, with a trailing "/".
  std::string Folder() const { return path_.string() + "/"; }
  // A path inside the folder.
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // Writes bytes to a file inside the folder and returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    std::string path = File(name);
    WriteFileAtomically(path, bytes);
    return path;
  }

 private:
  std::filesystem::path path_;
};

// The bytes the program has allocated and not freed (under AddressSanitizer,
// whose freed memory waits in a quarantine, as the sanitizer counts them).
inline std::size_t AllocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Lines joined by CR LF, each line ending in one.
inline std::string CrLfText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace ws::test
