#include "datafiles.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <memory>

#include "context.h"
#include "outputfiles.h"
#include "paths.h"

namespace ws {

namespace {

constexpr std::size_t npos = std::string_view::npos;

std::string_view TrimLeadingBlanks(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  return first == npos ? std::string_view() : text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == npos ? std::string_view() : text.substr(0, last + 1);
}

// The data file at path, after any page of that name being written is done.
const DataFile& DataFileAt(Engine& engine, const std::string& path) {
  AwaitOutput(engine, path);
  if (!engine.dataFiles) engine.dataFiles = std::make_unique<DataFileCache>();
  return engine.dataFiles->File(path);
}

void ReportNoSuchVariable(Engine& engine) {
  engine.BuildStopped = true;
  engine.Plain("no such variable");
}

void ReportNoColumnNumber(Engine& engine, long long column, const std::string& path) {
  engine.BuildStopped = true;
  engine.Error("there is no such column number: " + std::to_string(column) + " in: " + path);
}

// The decimal number of a column reference; a text that is not a number
// counts as 0, one too large for any file as the largest number.
long long ColumnNumber(std::string_view text) {
  long long n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec == std::errc::result_out_of_range) return std::numeric_limits<long long>::max();
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return n;
}

// The column number of a column name: counted by the separators (or, in a
// quoted file, the quote pairs) in the first record before the name. The name
// is a plain substring, so a name inside an earlier column's name finds that
// column. 0 when the name is not there.
long long ColumnOfName(const DataFile& file, std::string_view name) {
  std::string_view first = file.records.empty() ? std::string_view() : file.records.front();
  std::size_t found = name.empty() ? npos : first.find(name);
  if (found == npos) return 0;
  if (!file.quoted) {
    if (found == 0) return 1;
    return 1 + std::count(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(found),
                          file.separator);
  }
  if (found == 1) return 1;
  // The part before the name ends with the previous field's closing quote.
  std::size_t before = found >= 2 ? found - 2 : 0;
  return 1 +
         std::count(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(before), '"') / 2;
}

// Column c of a record of a quoted file; skipped counts the fields passed.
std::string_view QuotedField(std::string_view line, long long column, long long& skipped) {
  for (long long i = 1; i < column; ++i) {
    std::size_t open = line.find('"');
    if (open == npos) break;
    std::size_t close = line.find('"', open + 1);
    if (close == npos) {
      // An unterminated field: nothing follows it.
      line = {};
      break;
    }
    // The closing quote and the separator after it go too. Only a field
    // followed by a separator counts: the last field of a record has none,
    // so a column past it is reported, as in unquoted files.
    if (close + 1 >= line.size()) {
      line = {};
      break;
    }
    line = line.substr(close + 2);
    ++skipped;
  }
  if (!line.empty()) line.remove_prefix(1);
  return line.substr(0, line.find('"'));
}

// Column c of a record of an unquoted file; skipped counts the fields passed.
std::string_view PlainField(std::string_view line, long long column, bool singleColumn,
                            char separator, long long& skipped) {
  if (column == 1) {
    if (singleColumn) return line;
    return line.substr(0, line.find(separator));
  }
  for (long long i = 1; i < column; ++i) {
    std::size_t sep = line.find(separator);
    if (sep == npos) break;
    line.remove_prefix(sep + 1);
    ++skipped;
  }
  return TrimTrailingBlanks(line.substr(0, line.find(separator)));
}

}  // namespace

char SeparatorFor(std::string_view path) {
  return path.ends_with("tab") ? '\t' : ',';
}

DataFile ParseDataFile(std::string_view text, char separator) {
  DataFile file;
  file.separator = separator;
  for (std::string& line : SplitLines(text)) {
    if (TrimLeadingBlanks(line).empty() || line.front() == '#') continue;
    file.records.push_back(std::move(line));
  }
  file.quoted = !file.records.empty() && TrimLeadingBlanks(file.records.front()).starts_with('"');
  return file;
}

std::optional<OpenedDataSet> OpenDataSet(Engine& engine, std::string_view name,
                                         std::string_view paramText, std::string_view paramValue) {
  if (engine.BuildStopped) return std::nullopt;
  DataSet* set = engine.DataSets.Find(name);
  if (set && OutputsPending(engine)) RecordUndo(engine, [set, saved = *set] { *set = saved; });
  if (!set) {
    set = engine.DataSets.Enter(name);
    if (set) RecordUndo(engine, [&engine] { engine.DataSets.RemoveNewest(); });
  }
  if (!set) {
    engine.BuildStopped = true;
    engine.Error("Too many data sets: at most " + std::to_string(kTableCapacity) +
                 " can be opened (data set: " + std::string(name) + ")");
    return std::nullopt;
  }
  set->CurrentRecord = engine.prefs.controls.chkFieldName ? 2 : 1;

  std::string_view fileName = paramText;
  if (paramText.starts_with('"'))
    fileName = paramText.size() >= 2 ? paramText.substr(1, paramText.size() - 2) : "";
  else if (paramText.starts_with('&'))
    fileName = paramValue;
  set->FilePath = ResolveFileName(engine.BaseFolder, fileName);

  const DataFile& file = DataFileAt(engine, set->FilePath);
  return OpenedDataSet{std::to_string(set->CurrentRecord), std::to_string(file.records.size())};
}

std::optional<std::string> FieldValue(Engine& engine, std::string_view reference) {
  if (engine.BuildStopped) return std::nullopt;
  std::size_t colon = reference.find(':');
  DataSet* set = engine.DataSets.Find(reference.substr(0, colon));
  if (!set) {
    ReportNoSuchVariable(engine);
    return std::nullopt;
  }
  std::string_view column = colon == npos ? std::string_view() : reference.substr(colon + 1);
  const DataFile& file = DataFileAt(engine, set->FilePath);

  long long c = 0;
  if (column.starts_with('"')) {
    std::string_view name = column.substr(1);
    name = name.substr(0, name.find('"'));
    c = ColumnOfName(file, name);
    if (c == 0) {
      engine.BuildStopped = true;
      engine.Error("there is no such column name: " + std::string(name) + " in: " + set->FilePath);
      return std::nullopt;
    }
  } else {
    c = ColumnNumber(column);
    if (c < 1) {
      ReportNoColumnNumber(engine, c, set->FilePath);
      return std::nullopt;
    }
  }

  // A record past the end reads as an empty line.
  std::string_view record;
  if (set->CurrentRecord >= 1 &&
      static_cast<unsigned long long>(set->CurrentRecord) <= file.records.size())
    record = file.records[static_cast<std::size_t>(set->CurrentRecord - 1)];
  record = TrimLeadingBlanks(record);

  long long skipped = 0;
  std::string_view value;
  if (file.quoted) {
    value = QuotedField(record, c, skipped);
  } else {
    // A file has a single column when its first record holds no separator;
    // then a record's only field may hold separators itself.
    std::string_view first = file.records.empty() ? std::string_view() : file.records.front();
    bool singleColumn = TrimLeadingBlanks(first).find(file.separator) == npos;
    value = PlainField(record, c, singleColumn, file.separator, skipped);
  }
  if (skipped < c - 1) {
    ReportNoColumnNumber(engine, c, set->FilePath);
    return std::nullopt;
  }
  if (value.empty()) return std::string(" ");
  return std::string(value);
}

std::optional<std::string> LookupVariable(Engine& engine, std::string_view name,
                                          std::string_view value, bool declare) {
  if (engine.BuildStopped) return std::nullopt;
  Variable* variable = engine.Variables.Find(name);
  if (!variable && declare) {
    variable = engine.Variables.Enter(name);
    if (variable) RecordUndo(engine, [&engine] { engine.Variables.RemoveNewest(); });
    if (!variable) {
      engine.BuildStopped = true;
      engine.Error("Too many variables: at most " + std::to_string(kTableCapacity) +
                   " can be set (variable: " + std::string(name) + ")");
      return std::nullopt;
    }
  }
  if (!variable) {
    engine.BuildStopped = true;
    engine.Warning("Variable: " + std::string(name) + " is not declared");
    return std::nullopt;
  }
  if (declare) {
    if (OutputsPending(engine))
      RecordUndo(engine, [variable, saved = variable->Value] { variable->Value = saved; });
    variable->Value = std::string(value);
  }
  return variable->Value;
}

std::optional<std::string> StepRecord(Engine& engine, std::string_view name) {
  if (engine.BuildStopped) return std::nullopt;
  DataSet* set = engine.DataSets.Find(name);
  if (!set) {
    ReportNoSuchVariable(engine);
    return std::nullopt;
  }
  if (OutputsPending(engine))
    RecordUndo(engine, [set, saved = set->CurrentRecord] { set->CurrentRecord = saved; });
  ++set->CurrentRecord;
  return std::to_string(set->CurrentRecord);
}

std::string CompareValues(std::string_view a, std::string_view b, bool equal) {
  return (a == b) == equal ? "true" : "false";
}

}  // namespace ws
