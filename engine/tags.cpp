// Tags in output texts. An output text (output.h) is a std::list of pieces,
// each of which becomes one line of the written file; "include" appends a
// piece, an included file flattened to one line.
//
// A short marker ("%%name%%") is only looked for inside one piece. A wide tag
// opens inside a piece, and its closing marker is the first one after the
// opening marker, in the same piece or in a later one; a tag that spans
// pieces takes the pieces between with its body.
//
// "tag T V" replaces a short marker, or a wide tag's markers and body, by the
// value in place, and remembers the stretches it put in, so a marker inside a
// value is never replaced again. A tag block instead removes them, cutting
// pieces apart: the text before the tag stays in its piece, the text after it
// (after a wide tag, without its leading blanks) moves to a new piece or, for
// a tag that spans pieces, stays in the closing piece. The piece before the
// cut is an insertion point: the block's text goes after it as a piece (a
// line) of its own. Points are list iterators, which stay valid while other
// pieces are cut, inserted and erased; a point whose piece is cut again, or
// dropped with a wide tag's body, is moved on or removed as that happens.
#include "tags.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <utility>

#include "caches.h"
#include "engine.h"
#include "markers.h"
#include "outputfiles.h"
#include "paths.h"

namespace ws {

namespace {

constexpr std::size_t npos = std::string::npos;

const TagMarkers& MarkersFor(Engine& engine, std::string_view tagName) {
  return engine.caches->tagMarkers.Get(engine.settings(), tagName);
}

// The flattened text of an included file, after any page of that name being
// written is done; null when one of them failed (reported).
const std::string* IncludedText(Engine& engine, const std::string& path) {
  engine.FileRead(path);
  if (!AwaitOutput(engine, path)) return nullptr;
  return &engine.caches->includes.FlattenedText(path);
}

// Stretches of piece texts that a replacement put in. No marker is looked for
// inside them (nor across their edges), so a value that holds a marker is put
// in once per original occurrence and never replaced again.
class InsertedText {
 public:
  void Add(const std::string& piece, std::size_t begin, std::size_t end) {
    if (begin < end) RangesOf(piece).emplace_back(begin, end);
  }

  std::size_t Find(const std::string& piece, const Marker& marker, std::size_t from) const {
    const Ranges* ranges = Lookup(piece);
    for (;;) {
      std::size_t p = marker.FindIn(piece, from);
      if (p == npos || !ranges) return p;
      auto range = std::upper_bound(ranges->begin(), ranges->end(), p,
                                    [](std::size_t pos, const Range& r) { return pos < r.second; });
      if (range == ranges->end() || range->first >= p + marker.size()) return p;
      from = range->second;
    }
  }

  // The text [begin, end) of the piece was replaced by newLength characters
  // that are not to be protected. Marker matches never overlap a stretch, so
  // each stretch lies wholly inside or outside [begin, end).
  void Replaced(const std::string& piece, std::size_t begin, std::size_t end,
                std::size_t newLength) {
    for (auto& [key, ranges] : pieces_) {
      if (key != &piece) continue;
      Ranges kept;
      for (const Range& r : ranges) {
        if (r.second <= begin)
          kept.push_back(r);
        else if (r.first >= end)
          kept.emplace_back(r.first - end + begin + newLength, r.second - end + begin + newLength);
      }
      ranges = std::move(kept);
      return;
    }
  }

  void Forget(const std::string& piece) {
    std::erase_if(pieces_, [&piece](const auto& entry) { return entry.first == &piece; });
  }

 private:
  using Range = std::pair<std::size_t, std::size_t>;  // [begin, end), ascending
  using Ranges = std::vector<Range>;

  // A page has few pieces with values put in: a list beats a hash table.
  const Ranges* Lookup(const std::string& piece) const {
    for (const auto& [key, ranges] : pieces_)
      if (key == &piece) return &ranges;
    return nullptr;
  }
  Ranges& RangesOf(const std::string& piece) {
    for (auto& [key, ranges] : pieces_)
      if (key == &piece) return ranges;
    return pieces_.emplace_back(&piece, Ranges{}).second;
  }

  std::vector<std::pair<const std::string*, Ranges>> pieces_;
};

// The short-tag insertion points found so far, kept in step with the wide
// pass: a piece that is split hands its point on to the piece holding its end,
// and a point whose place lay inside a removed wide-tag body goes away.
class ShortPoints {
 public:
  void Add(PieceRef piece) {
    index_[&*piece] = points_.size();
    points_.push_back(piece);
  }
  bool empty() const { return index_.empty(); }
  void Move(PieceRef from, PieceRef to) {
    auto it = index_.find(&*from);
    if (it == index_.end()) return;
    std::size_t i = it->second;
    index_.erase(it);
    points_[i] = to;
    index_[&*to] = i;
  }
  void Drop(PieceRef piece) {
    auto it = index_.find(&*piece);
    if (it == index_.end()) return;
    dropped_.push_back(it->second);
    index_.erase(it);
  }
  std::vector<PieceRef> Take() {
    std::sort(dropped_.begin(), dropped_.end());
    std::vector<PieceRef> points;
    for (std::size_t i = 0; i < points_.size(); ++i)
      if (!std::binary_search(dropped_.begin(), dropped_.end(), i)) points.push_back(points_[i]);
    return points;
  }

 private:
  std::vector<PieceRef> points_;
  std::vector<std::size_t> dropped_;
  std::unordered_map<const std::string*, std::size_t> index_;
};

// Where a wide tag's closing marker lies: its piece and position.
struct ClosingMarker {
  PieceRef piece;
  std::size_t position = npos;
};

// The first closing marker after the opening marker at p, in the same piece
// or in a later one.
template <typename FindFn>
ClosingMarker FindClosing(OutputText& output, PieceRef piece, std::size_t afterOpen,
                          const Marker& close, FindFn find) {
  ClosingMarker found{piece, find(*piece, close, afterOpen)};
  while (found.position == npos && std::next(found.piece) != output.end()) {
    ++found.piece;
    found.position = find(*found.piece, close, 0);
  }
  return found;
}

// Where a wide tag that opens and closes in one piece was: its opening
// marker, and the first character after it that is not a blank.
struct WideCut {
  std::size_t open;
  std::size_t rest;
};

// Cuts a piece at the wide tag `first` and at every following tag that also
// opens and closes in it with more than blanks after it: the text before each
// tag stays a piece of its own and becomes an insertion point, the text after
// the last one becomes a new piece, which is returned for the walk to go on
// in. All cuts are made in one pass, so that many tags in one piece do not
// copy the rest of the piece once per tag.
PieceRef CutAtWideTags(OutputText& output, PieceRef piece, const TagMarkers& markers, WideCut first,
                       ShortPoints& shortPoints, std::vector<PieceRef>& widePoints) {
  std::string text = std::move(*piece);
  std::vector<WideCut> cuts{first};
  for (;;) {
    const std::size_t open = markers.open.FindIn(text, cuts.back().rest);
    if (open == npos) break;
    // A tag that closes in a later piece, or is followed by blanks only, is
    // left to the walk.
    const std::size_t close = markers.close.FindIn(text, open + markers.open.size());
    if (close == npos) break;
    const std::size_t rest = text.find_first_not_of(' ', close + markers.close.size());
    if (rest == npos) break;
    cuts.push_back({open, rest});
  }
  widePoints.push_back(piece);
  PieceRef last = piece;
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    const std::size_t start = cuts[i].rest;
    const std::size_t end = i + 1 < cuts.size() ? cuts[i + 1].open : text.size();
    last = output.insert(std::next(last), text.substr(start, end - start));
    if (i + 1 < cuts.size()) widePoints.push_back(last);
  }
  // The first piece keeps the text's own buffer.
  text.resize(cuts.front().open);
  *piece = std::move(text);
  // A short tag's place at the end of the piece is now at the end of the last.
  shortPoints.Move(piece, last);
  return last;
}

}  // namespace

std::string FlattenLineBreaks(std::string_view text) {
  std::string flat;
  flat.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      flat += c;
      ++i;
      continue;
    }
    // A run of k line breaks: the passes of four, two and one leave one
    // blank per group.
    std::size_t run = 0;
    while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      ++run;
    }
    std::size_t rest = run % 4;
    flat.append(run / 4 + rest / 2 + rest % 2, ' ');
  }
  return flat;
}

void IncludeFile(Engine& engine, OutputText& output, std::string_view fileName) {
  if (engine.run.BuildStopped) return;
  std::string path = ResolveFileName(engine.run.BaseFolder, fileName);
  if (const std::string* text = IncludedText(engine, path)) output.push_back(*text);
}

void IncludeTagFromFile(Engine& engine, std::string_view fileName, std::string_view tagName,
                        OutputText& output) {
  if (engine.run.BuildStopped) return;
  std::string path = ResolveFileName(engine.run.BaseFolder, fileName);
  const TagMarkers& markers = MarkersFor(engine, tagName);
  const std::string* included = IncludedText(engine, path);
  if (!included) return;
  std::string_view text = *included;
  std::size_t open = markers.open.FindIn(text, 0);
  if (open == npos) {
    engine.Fail(MessageId::NoTagInFile, {tagName, path});
    return;
  }
  // The body ends at the first closing marker after the opening one; a
  // closing marker that stands before it closes nothing.
  const std::size_t bodyStart = open + markers.open.size();
  const std::size_t close = markers.close.FindIn(text, bodyStart);
  if (close == npos) {
    engine.Fail(MessageId::NoEndForTagInFile, {tagName, path});
    return;
  }
  output.emplace_back(text.substr(bodyStart, close - bodyStart));
}

void ReplaceTagWithText(Engine& engine, std::string_view tagName, std::string_view value,
                        OutputText& output) {
  if (engine.run.BuildStopped) return;
  const TagMarkers& markers = MarkersFor(engine, tagName);
  InsertedText inserted;

  // Short tags: each occurrence becomes the value, in one pass over each piece.
  for (std::string& piece : output) {
    std::size_t p = markers.shortTag.FindIn(piece, 0);
    if (p == npos) continue;
    const std::size_t next = markers.shortTag.FindIn(piece, p + markers.shortTag.size());
    if (next == npos) {
      // The common case, one occurrence: replaced where it stands.
      piece.replace(p, markers.shortTag.size(), value);
      inserted.Add(piece, p, p + value.size());
      continue;
    }
    std::string replaced;
    replaced.reserve(piece.size() + 2 * value.size());
    std::size_t last = 0;
    for (; p != npos; p = markers.shortTag.FindIn(piece, last)) {
      replaced.append(piece, last, p - last);
      // The stretch is kept by the piece's address, which the new text keeps.
      inserted.Add(piece, replaced.size(), replaced.size() + value.size());
      replaced += value;
      last = p + markers.shortTag.size();
    }
    replaced.append(piece, last);
    piece = std::move(replaced);
  }

  // Wide tags: markers and body become the value. The walk only moves
  // forward, past each value it put in, and ends when no opening marker is
  // left.
  auto find = [&inserted](const std::string& piece, const Marker& marker, std::size_t from) {
    return inserted.Find(piece, marker, from);
  };
  // Each piece is rebuilt once: the search runs over its text as it was, in
  // which the stretches of short-tag values keep their places, and the
  // replaced text goes to a new string, so that many tags in one piece cost
  // no more than one pass over it.
  for (PieceRef piece = output.begin(); piece != output.end(); ++piece) {
    std::string rebuilt;
    std::size_t copied = 0;  // the text before this is in rebuilt
    std::size_t from = 0;
    bool spansPieces = false;
    for (;;) {
      std::size_t p = find(*piece, markers.open, from);
      if (p == npos) break;
      ClosingMarker close =
          FindClosing(output, piece, p + markers.open.size(), markers.close, find);
      if (close.position == npos) {
        if (copied > 0) *piece = std::move(rebuilt.append(*piece, copied));
        engine.Fail(MessageId::NoEndForTag, {tagName});
        return;
      }
      if (rebuilt.empty()) rebuilt.reserve(piece->size() + value.size());
      rebuilt.append(*piece, copied, p - copied);
      rebuilt += value;
      const std::size_t end = close.position + markers.close.size();
      if (close.piece == piece) {
        copied = from = end;
        continue;
      }
      // The tag spans pieces: this piece keeps the text before it plus the
      // value, the closing piece keeps the text after it, the pieces between
      // go. The walk goes on in the closing piece.
      inserted.Forget(*piece);
      *piece = std::move(rebuilt);
      inserted.Replaced(*close.piece, 0, end, 0);
      close.piece->erase(0, end);
      for (auto gone = std::next(piece); gone != close.piece; ++gone) inserted.Forget(*gone);
      output.erase(std::next(piece), close.piece);
      spansPieces = true;
      break;
    }
    if (!spansPieces && copied > 0) *piece = std::move(rebuilt.append(*piece, copied));
  }
}

std::vector<PieceRef> FindTagInsertionPoints(Engine& engine, OutputText& output,
                                             std::string_view tagName) {
  if (engine.run.BuildStopped) return {};
  const TagMarkers& markers = MarkersFor(engine, tagName);

  // Short tags: the marker goes, the text after it moves to a new piece, and
  // the piece that ends where the marker was is a point.
  // Each piece is cut at all its markers in one pass over its text.
  ShortPoints shortPoints;
  for (PieceRef piece = output.begin(); piece != output.end(); ++piece) {
    std::size_t p = markers.shortTag.FindIn(*piece, 0);
    if (p == npos) continue;
    std::string text = std::move(*piece);
    const PieceRef first = piece;
    const std::size_t firstEnd = p;
    shortPoints.Add(first);
    std::size_t after = p + markers.shortTag.size();
    while ((p = markers.shortTag.FindIn(text, after)) != npos) {
      piece = output.insert(std::next(piece), text.substr(after, p - after));
      shortPoints.Add(piece);
      after = p + markers.shortTag.size();
    }
    if (after < text.size()) piece = output.insert(std::next(piece), text.substr(after));
    // The first piece keeps the text's own buffer.
    text.resize(firstEnd);
    *first = std::move(text);
  }

  // Wide tags: markers and old body go. The walk only moves forward and ends
  // when no opening marker is left.
  auto find = [](const std::string& piece, const Marker& marker, std::size_t from) {
    return marker.FindIn(piece, from);
  };
  std::vector<PieceRef> widePoints;
  PieceRef piece = output.begin();
  std::size_t from = 0;
  while (piece != output.end()) {
    std::size_t p = find(*piece, markers.open, from);
    if (p == npos) {
      ++piece;
      from = 0;
      continue;
    }
    ClosingMarker close = FindClosing(output, piece, p + markers.open.size(), markers.close, find);
    if (close.position == npos) {
      engine.Fail(MessageId::NoEndForTag, {tagName});
      return {};
    }
    std::size_t end = close.position + markers.close.size();
    if (close.piece == piece) {
      // The text after the tag, without its leading blanks, moves to a new
      // piece; when only blanks follow, they stay where they are.
      std::size_t rest = piece->find_first_not_of(' ', end);
      if (rest != npos) {
        piece = CutAtWideTags(output, piece, markers, {p, rest}, shortPoints, widePoints);
        from = 0;
        continue;
      }
      piece->erase(p, end - p);
      from = p;
    } else {
      // A short tag's place at the end of this piece, or in a piece between,
      // lay inside the removed body.
      shortPoints.Drop(piece);
      for (auto gone = std::next(piece); gone != close.piece; ++gone) shortPoints.Drop(gone);
      piece->erase(p);
      close.piece->erase(0, end);
      output.erase(std::next(piece), close.piece);
      from = piece->size();
    }
    widePoints.push_back(piece);
  }

  std::vector<PieceRef> points = shortPoints.Take();
  points.insert(points.end(), widePoints.begin(), widePoints.end());
  return points;
}

}  // namespace ws
