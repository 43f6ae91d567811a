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
// no character with the markers no marker is left.
//
// Where an operation can be followed step by step in a few lines, the result
// must be what a plain walk gives: a replacement by a value that shares no
// character with the markers; a fill of an output that holds only short tags
// or only wide tags of the name; and an included file, whose line breaks the
// three passes turn into blanks (the file as it is now: the engine's cache
// of included files lives on from one input to the next).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "codepages.h"
#include "datafiles.h"  // complete types for the Engine's caches
#include "engine.h"
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

constexpr std::size_t npos = std::string::npos;

// std::string::find, except that an empty marker is found nowhere.
std::size_t Find(const std::string& text, const std::string& marker, std::size_t from) {
  return marker.empty() ? npos : text.find(marker, from);
}

// The first piece from `piece` on that holds the closing marker (in `piece`
// itself only after `from`), and where; output.end() when none does.
std::pair<ws::PieceRef, std::size_t> FindClose(ws::OutputText& output, ws::PieceRef piece,
                                               std::size_t from, const std::string& close) {
  for (; piece != output.end(); ++piece, from = 0)
    if (std::size_t q = Find(*piece, close, from); q != npos) return {piece, q};
  return {output.end(), npos};
}

// ReplaceTagWithText as a plain walk: every short tag of a piece becomes the
// value, then each wide tag, markers and body, from its opening marker to the
// first closing marker after it. False when a closing marker is missing.
bool ModelReplace(ws::OutputText& output, const Markers& m, const std::string& value) {
  for (std::string& piece : output) {
    for (std::size_t p = Find(piece, m.shortTag, 0); p != npos;
         p = Find(piece, m.shortTag, p + value.size()))
      piece.replace(p, m.shortTag.size(), value);
  }
  for (ws::PieceRef piece = output.begin(); piece != output.end(); ++piece) {
    for (std::size_t p = Find(*piece, m.open, 0); p != npos;
         p = Find(*piece, m.open, p + value.size())) {
      auto [close, q] = FindClose(output, piece, p + m.open.size(), m.close);
      if (close == output.end()) return false;
      const std::size_t end = q + m.close.size();
      if (close == piece) {
        piece->replace(p, end - p, value);
        continue;
      }
      piece->replace(p, npos, value);
      close->erase(0, end);
      output.erase(std::next(piece), close);
      break;  // on to the closing piece
    }
  }
  return true;
}

// The three passes over the line breaks (CR LF, LF or a lone CR), each
// repeated until none is left: four breaks become a blank, then two, then
// one. A blank put in never makes a new run, so each pass goes on where it
// replaced.
std::string ModelFlatten(std::string_view text) {
  std::string flat;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    flat += text[i] == '\r' ? '\n' : text[i];
  }
  for (const std::string breaks : {"\n\n\n\n", "\n\n", "\n"})
    for (std::size_t p = flat.find(breaks); p != npos; p = flat.find(breaks, p))
      flat.replace(p, breaks.size(), " ");
  return flat;
}

// FindTagInsertionPoints with the block put after every point, as a plain
// walk, for an output with short tags only or wide tags only. A short tag
// ends a piece, the text after it starting the next. A wide tag goes with its
// body; the text after it, without leading blanks, starts a new piece unless
// only blanks follow. False when a closing marker is missing.
bool ModelFill(ws::OutputText& output, const Markers& m, const std::string& block) {
  std::vector<ws::PieceRef> points;
  for (ws::PieceRef piece = output.begin(); piece != output.end(); ++piece) {
    std::size_t p = Find(*piece, m.shortTag, 0);
    if (p == npos) continue;
    std::string after = piece->substr(p + m.shortTag.size());
    piece->erase(p);
    points.push_back(piece);
    if (!after.empty()) output.insert(std::next(piece), std::move(after));
  }
  for (ws::PieceRef piece = output.begin(); piece != output.end();) {
    std::size_t p = Find(*piece, m.open, 0);
    if (p == npos) {
      ++piece;
      continue;
    }
    auto [close, q] = FindClose(output, piece, p + m.open.size(), m.close);
    if (close == output.end()) return false;
    const std::size_t end = q + m.close.size();
    if (close == piece) {
      const std::size_t rest = piece->find_first_not_of(' ', end);
      if (rest != npos) output.insert(std::next(piece), piece->substr(rest));
      piece->erase(p, rest != npos ? npos : end - p);
    } else {
      piece->erase(p);
      close->erase(0, end);
      output.erase(std::next(piece), close);
    }
    points.push_back(piece);
  }
  for (ws::PieceRef point : points) output.insert(std::next(point), block);
  return true;
}

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
    if (engine_.run.BuildStopped) {
      Require(host_.messages.size() == messagesBefore + 1);
      Require(host_.messages.back().kind == ws::MessageKind::Error);
      Require(host_.messages.back().text == "no end for tag:" + name_);
      engine_.run.BuildStopped = false;
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
    const bool failed = engine_.run.BuildStopped;
    CheckOutcome(before);
    Require(output.size() <= original.size());
    if (!TagIsIn(original)) Require(!failed && output == original);
    if (!failed && !value.empty() && !SharesCharacter(value, markers_.shortTag) &&
        !SharesCharacter(value, markers_.open))
      Require(!TagIsIn(output));

    if (!SharesCharacter(value, markers_.shortTag) && !SharesCharacter(value, markers_.open) &&
        !SharesCharacter(value, markers_.close)) {
      ws::OutputText model = original;
      Require(ModelReplace(model, markers_, value) == !failed);
      Require(model == output);
    }
  }

  void Fill(const ws::OutputText& original, const std::string& block) {
    ws::OutputText output = original;
    const std::size_t before = host_.messages.size();
    std::vector<ws::PieceRef> points = ws::FindTagInsertionPoints(engine_, output, name_);
    const bool failed = engine_.run.BuildStopped;
    CheckOutcome(before);
    if (failed) Require(points.empty());
    if (!TagIsIn(original)) Require(!failed && points.empty() && output == original);

    std::unordered_set<const std::string*> pieces;
    for (const std::string& piece : output) pieces.insert(&piece);
    for (ws::PieceRef point : points) Require(pieces.contains(&*point));
    const bool noBlankEnds = !markers_.shortTag.ends_with(' ') && !markers_.open.ends_with(' ');
    if (!failed && noBlankEnds) Require(!TagIsIn(output));

    const std::size_t size = output.size();
    for (ws::PieceRef point : points) output.insert(std::next(point), block);
    Require(output.size() == size + points.size());

    if (noBlankEnds && !(Holds(original, markers_.shortTag) && Holds(original, markers_.open))) {
      ws::OutputText model = original;
      Require(ModelFill(model, markers_, block) == !failed);
      Require(model == output);
    }
  }

  void Include(const std::string& text) {
    ws::fuzz::Sandbox::Get().Write("t.htm", text);
    const ws::OutputText fresh = ws::FreshOutput();

    ws::OutputText whole = fresh;
    ws::IncludeFile(engine_, whole, "t.htm");
    Require(!engine_.run.BuildStopped && whole.size() == 2);
    // The file was written anew for this input: the cache must not serve
    // the text of an earlier one.
    Require(whole.back() == ModelFlatten(ws::StripByteOrderMark(text)));

    ws::OutputText body = fresh;
    const std::size_t before = host_.messages.size();
    ws::IncludeTagFromFile(engine_, "t.htm", name_, body);
    if (engine_.run.BuildStopped) {
      Require(body == fresh && host_.messages.size() == before + 1);
      Require(host_.messages.back().kind == ws::MessageKind::Warning);
      engine_.run.BuildStopped = false;
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
  engine.run.BaseFolder = ws::fuzz::Sandbox::Get().Folder();
  if (parts.size() > 3) {
    std::vector<std::string> d = Split(parts[3], '\n');
    d.resize(6);
    ws::Settings& s = engine.run.prefs.settings;
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
