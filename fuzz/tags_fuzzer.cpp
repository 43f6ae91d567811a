// Fills and replaces tags in arbitrary output texts.
//
// The input is split at NUL bytes into: the output text (its pieces split at
// "\n"), a tag name, a value, and optionally the six delimiters (split at
// "\n": short start and end, wide opening start and end, wide closing start
// and end); without them the defaults are in effect. The output goes through
// ReplaceTagWithText and, separately, FindTagInsertionPoints with the value
// put after every point, and the same text as a file through IncludeFile and
// IncludeTagFromFile.
//
// Termination and memory safety are the main point. Beyond them only what
// holds for every input is checked: a tag that is not in the output changes
// nothing; a failure is the one "no end for tag:" message; insertion points
// are pieces of the output; after a successful fill no marker of the tag is
// left (when no marker ends in a blank, which the blanks kept after a wide
// tag could complete); after a successful replacement by a value that shares
// no character with the markers no marker is left; included text holds no
// line break, and it is that of the file as it is now.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "context.h"
#include "datafiles.h"  // complete types for the Engine's caches
#include "fileio.h"
#include "fuzz_support.h"
#include "output.h"
#include "tags.h"

namespace {

using ws::fuzz::Require;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// Whether any piece holds the marker; an empty marker is found nowhere.
bool Holds(const ws::OutputText& output, const std::string& marker) {
  if (marker.empty()) return false;
  for (const std::string& piece : output)
    if (piece.find(marker) != std::string::npos) return true;
  return false;
}

bool SharesCharacter(std::string_view a, std::string_view b) {
  return a.find_first_of(b) != std::string_view::npos;
}

struct Markers {
  std::string shortTag, open, close;
};

class Fixture {
 public:
  Fixture(ws::fuzz::RecordingHost& host, ws::Engine& engine, std::string name)
      : host_(host), engine_(engine), name_(std::move(name)) {
    const ws::Settings& s = engine.settings();
    markers_ = {s.ShortStart + name_ + s.ShortEnd, s.WideOpenStart + name_ + s.WideOpenEnd,
                s.WideCloseStart + name_ + s.WideCloseEnd};
  }

  // After a failure: one error "no end for tag:" + name; then a fresh start.
  void CheckOutcome(std::size_t messagesBefore) {
    if (engine_.BuildStopped) {
      Require(host_.messages.size() == messagesBefore + 1);
      Require(host_.messages.back().kind == ws::MessageKind::Error);
      Require(host_.messages.back().text == "no end for tag:" + name_);
      engine_.BuildStopped = false;
    } else {
      Require(host_.messages.size() == messagesBefore);
    }
  }

  bool TagIsIn(const ws::OutputText& output) const {
    return Holds(output, markers_.shortTag) || Holds(output, markers_.open);
  }

  void Replace(const ws::OutputText& original, const std::string& value) {
    ws::OutputText output = original;
    const std::size_t before = host_.messages.size();
    ws::ReplaceTagWithText(engine_, name_, value, output);
    const bool failed = engine_.BuildStopped;
    CheckOutcome(before);
    Require(output.size() <= original.size());
    if (!TagIsIn(original)) Require(!failed && output == original);
    if (!failed && !value.empty() && !SharesCharacter(value, markers_.shortTag) &&
        !SharesCharacter(value, markers_.open))
      Require(!TagIsIn(output));
  }

  void Fill(const ws::OutputText& original, const std::string& block) {
    ws::OutputText output = original;
    const std::size_t before = host_.messages.size();
    std::vector<ws::PieceRef> points = ws::FindTagInsertionPoints(engine_, output, name_);
    const bool failed = engine_.BuildStopped;
    CheckOutcome(before);
    if (failed) Require(points.empty());
    if (!TagIsIn(original)) Require(!failed && points.empty() && output == original);

    std::unordered_set<const std::string*> pieces;
    for (const std::string& piece : output) pieces.insert(&piece);
    for (ws::PieceRef point : points) Require(pieces.contains(&*point));
    if (!failed && !markers_.shortTag.ends_with(' ') && !markers_.open.ends_with(' '))
      Require(!TagIsIn(output));

    const std::size_t size = output.size();
    for (ws::PieceRef point : points) output.insert(std::next(point), block);
    Require(output.size() == size + points.size());
  }

  void Include(const std::string& text) {
    ws::fuzz::Sandbox::Get().Write("t.htm", text);
    const ws::OutputText fresh = ws::FreshOutput();

    ws::OutputText whole = fresh;
    ws::IncludeFile(engine_, whole, "t.htm");
    Require(!engine_.BuildStopped && whole.size() == 2);
    // The file was written anew for this input: the cache must not serve
    // the text of an earlier one.
    Require(whole.back() == ws::FlattenLineBreaks(ws::StripByteOrderMark(text)));
    Require(whole.back().find_first_of("\r\n") == std::string::npos);

    ws::OutputText body = fresh;
    const std::size_t before = host_.messages.size();
    ws::IncludeTagFromFile(engine_, "t.htm", name_, body);
    if (engine_.BuildStopped) {
      Require(body == fresh && host_.messages.size() == before + 1);
      Require(host_.messages.back().kind == ws::MessageKind::Warning);
      engine_.BuildStopped = false;
    } else {
      Require(body.size() == 2 && host_.messages.size() == before);
      Require(body.back().find_first_of("\r\n") == std::string::npos);
      Require(whole.back().find(body.back()) != std::string::npos);
    }
  }

 private:
  ws::fuzz::RecordingHost& host_;
  ws::Engine& engine_;
  std::string name_;
  Markers markers_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::vector<std::string> parts = Split(ws::fuzz::AsText(data, size), '\0');
  const std::string& text = parts[0];
  const std::string name = parts.size() > 1 ? parts[1] : "x";
  const std::string value = parts.size() > 2 ? parts[2] : "V";

  ws::fuzz::Sandbox::Get().Clear();
  static ws::fuzz::KeptCaches caches;
  ws::fuzz::RecordingHost host;
  ws::Engine engine(host);
  caches.LendTo(engine);
  engine.BaseFolder = ws::fuzz::Sandbox::Get().Folder();
  if (parts.size() > 3) {
    std::vector<std::string> d = Split(parts[3], '\n');
    d.resize(6);
    ws::Settings& s = engine.prefs.settings;
    s.ShortStart = d[0];
    s.ShortEnd = d[1];
    s.WideOpenStart = d[2];
    s.WideOpenEnd = d[3];
    s.WideCloseStart = d[4];
    s.WideCloseEnd = d[5];
  }

  ws::OutputText output;
  for (std::string& piece : Split(text, '\n')) output.push_back(std::move(piece));

  Fixture fixture(host, engine, name);
  fixture.Replace(output, value);
  fixture.Fill(output, value);
  fixture.Include(text);
  caches.TakeBackFrom(engine);
  return 0;
}
