// Reads arbitrary bytes as a data file ("d.csv", or "d.tab" when the first
// byte is odd) the way a "repeat" loop does: opens it, then for each record
// reads columns 1 to 4, columns named after parts of the first record and a
// few references that cannot be right, and steps to the next record.
//
// Checked: the record count is that of the file as written for this input
// (the engine's cache of data files lives on from one input to the next); a field is never
// empty and, unless it is the one blank that stands for an empty field, is
// part of its record; a field of a quoted file holds no double quote; a
// field of an unquoted file with several columns holds no separator; every
// refusal stops the run with exactly one message.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codepages.h"
#include "datafiles.h"
#include "engine.h"
#include "fuzz_support.h"
#include "tags.h"  // complete types for the Engine's caches

namespace {

using ws::fuzz::Require;

constexpr long long kMaxRecordsVisited = 64;

std::string_view TrimLeadingBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// Column names to look up: the fields of the first record as the separator
// splits it (without quotes and blanks at the ends), and a piece from its middle.
std::vector<std::string> NamesFrom(std::string_view first, char separator) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (names.size() < 4 && start <= first.size()) {
    std::size_t end = std::min(first.find(separator, start), first.size());
    std::string name(first.substr(start, end - start));
    std::erase(name, '"');
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  if (first.size() >= 4) names.emplace_back(first.substr(first.size() / 2, 2));
  return names;
}

class Reader {
 public:
  Reader(ws::Engine& engine, ws::fuzz::RecordingHost& host, const ws::DataFile& file)
      : engine_(engine), host_(host), file_(file) {
    std::string_view first = file.records.empty() ? std::string_view() : file.records.front();
    singleColumn_ = TrimLeadingBlanks(first).find(file.separator) == std::string_view::npos;
  }

  // Reads one field of the current record and checks what came back.
  // wholeLineAllowed: the reference may name column 1, which in a file of a
  // single column is the whole record, separators and all.
  void Field(const std::string& reference, long long record, bool wholeLineAllowed) {
    const std::size_t before = host_.messages.size();
    std::optional<std::string> value = ws::FieldValue(engine_, reference);
    if (!value) {
      Require(engine_.run.BuildStopped && host_.messages.size() == before + 1);
      engine_.run.BuildStopped = false;
      return;
    }
    Require(!engine_.run.BuildStopped && host_.messages.size() == before);
    Require(!value->empty());
    if (*value == " ") return;
    std::string_view line;
    if (record >= 1 && static_cast<std::size_t>(record) <= file_.records.size())
      line = file_.records[static_cast<std::size_t>(record - 1)];
    Require(line.find(*value) != std::string_view::npos);
    if (file_.quoted)
      Require(value->find('"') == std::string::npos);
    else if (!(singleColumn_ && wholeLineAllowed))
      Require(value->find(file_.separator) == std::string::npos);
  }

 private:
  ws::Engine& engine_;
  ws::fuzz::RecordingHost& host_;
  const ws::DataFile& file_;
  bool singleColumn_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  const std::string_view bytes = ws::fuzz::AsText(data, size);
  const ws::fuzz::Sandbox& sandbox = ws::fuzz::Sandbox::Get();
  sandbox.Clear();

  const bool tabs = size > 0 && (data[0] & 1) != 0;
  const bool firstHoldsNames = size > 0 && (data[0] & 2) != 0;
  const std::string name = tabs ? "d.tab" : "d.csv";
  const std::string path = sandbox.Write(name, bytes);
  const ws::DataFile file =
      ws::ParseDataFile(ws::StripByteOrderMark(bytes), ws::SeparatorFor(path));

  static ws::fuzz::KeptCaches caches;
  ws::fuzz::RecordingHost host;
  ws::Engine engine(host);
  caches.LendTo(engine);
  engine.run.BaseFolder = sandbox.Folder();
  engine.run.prefs.controls.chkFieldName = firstHoldsNames;

  // A field of a data set that no loop opened.
  Require(!ws::FieldValue(engine, "d:1") && engine.run.BuildStopped);
  Require(host.messages.size() == 1 && host.messages[0].text == "no such variable");
  engine.run.BuildStopped = false;

  const std::optional<ws::OpenedDataSet> opened =
      ws::OpenDataSet(engine, "d", "\"" + name + "\"", "");
  Require(opened.has_value() && !engine.run.BuildStopped);
  Require(opened->recordCount == std::to_string(file.records.size()));
  Require(opened->firstRecord == (firstHoldsNames ? "2" : "1"));

  std::vector<std::string> references = {
      "d:1",  "d:2",   "d:3", "d:4", "d", "d:", "d:0", "d:-1", "d:99999999999999999999",
      "d:\"", "d:\"\""};
  const std::string_view first = file.records.empty() ? std::string_view() : file.records.front();
  for (const std::string& column : NamesFrom(first, file.separator))
    references.push_back("d:\"" + column + "\"");

  Reader reader(engine, host, file);
  const long long count = static_cast<long long>(file.records.size());
  long long record = firstHoldsNames ? 2 : 1;
  for (long long visited = 0; record <= count + 1 && visited < kMaxRecordsVisited; ++visited) {
    for (const std::string& reference : references)
      reader.Field(reference, record, reference == "d:1" || reference.starts_with("d:\""));
    const std::optional<std::string> next = ws::StepRecord(engine, "d");
    Require(next.has_value() && *next == std::to_string(record + 1));
    ++record;
  }
  caches.TakeBackFrom(engine);
  return 0;
}
