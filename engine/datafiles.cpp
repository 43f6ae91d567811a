#include "datafiles.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "caches.h"
#include "engine.h"
#include "outputfiles.h"
#include "paths.h"
#include "texthelpers.h"

namespace ws {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The data file at path, after any page of that name being written is done;
// null when one of them failed (reported).
const DataFile* DataFileAt(Engine& engine, const std::string& path) {
  engine.FileRead(path);
  if (!AwaitOutput(engine, path)) return nullptr;
  return &engine.caches->dataFiles.File(path);
}

// The decimal number of a column reference; a text that is not a number
// counts as 0, one too large for any file as the largest number.
long long ColumnNumber(std::string_view text) {
  std::errc error{};
  std::optional<long long> n = ParseInteger<long long>(text, &error);
  if (error == std::errc::result_out_of_range) return std::numeric_limits<long long>::max();
  return n.value_or(0);
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

// Column c of the 1-based record of file; nothing when the record has fewer
// columns. A record past the end reads as an empty line.
std::optional<std::string_view> FieldInRecord(const DataFile& file, long long recordNumber,
                                              long long c) {
  std::string_view record;
  if (recordNumber >= 1 && static_cast<unsigned long long>(recordNumber) <= file.records.size())
    record = file.records[static_cast<std::size_t>(recordNumber - 1)];
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
  if (skipped < c - 1) return std::nullopt;
  return value;
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
  if (engine.run.BuildStopped) return std::nullopt;
  DataSetTable& sets = engine.tables.DataSets;
  const DataSet* entered = sets.Enter(name);
  if (!entered) {
    engine.Fail(MessageId::TooManyDataSets, {std::to_string(kTableCapacity), name});
    return std::nullopt;
  }
  DataSetState* set = &sets.Change(*entered);
  set->CurrentRecord = engine.run.prefs.controls.chkFieldName ? 2 : 1;

  std::string_view fileName = paramText;
  if (paramText.starts_with('"'))
    fileName = paramText.size() >= 2 ? paramText.substr(1, paramText.size() - 2) : "";
  else if (paramText.starts_with('&'))
    fileName = paramValue;
  set->FilePath = ResolveFileName(engine.run.BaseFolder, fileName);

  const DataFile* file = DataFileAt(engine, set->FilePath);
  if (!file) return std::nullopt;
  return OpenedDataSet{std::to_string(set->CurrentRecord), std::to_string(file->records.size())};
}

std::optional<std::string> FieldValue(Engine& engine, std::string_view reference) {
  if (engine.run.BuildStopped) return std::nullopt;
  std::size_t colon = reference.find(':');
  const DataSet* set = engine.tables.DataSets.Find(reference.substr(0, colon));
  if (!set) {
    engine.Fail(MessageId::NoSuchVariable);
    return std::nullopt;
  }
  std::string_view column = colon == npos ? std::string_view() : reference.substr(colon + 1);
  const DataFile* found = DataFileAt(engine, set->FilePath);
  if (!found) return std::nullopt;
  const DataFile& file = *found;

  long long c = 0;
  if (column.starts_with('"')) {
    std::string_view name = column.substr(1);
    name = name.substr(0, name.find('"'));
    c = ColumnOfName(file, name);
    if (c == 0) {
      engine.Fail(MessageId::NoSuchColumnName, {name, set->FilePath});
      return std::nullopt;
    }
  } else {
    c = ColumnNumber(column);
    if (c < 1) {
      engine.Fail(MessageId::NoSuchColumnNumber, {std::to_string(c), set->FilePath});
      return std::nullopt;
    }
  }

  const std::optional<std::string_view> value = FieldInRecord(file, set->CurrentRecord, c);
  if (!value) {
    engine.Fail(MessageId::NoSuchColumnNumber, {std::to_string(c), set->FilePath});
    return std::nullopt;
  }
  if (value->empty()) return std::string(" ");
  return std::string(*value);
}

std::optional<std::string> LookupVariable(Engine& engine, std::string_view name,
                                          std::string_view value, bool declare) {
  if (engine.run.BuildStopped) return std::nullopt;
  VariableTable& variables = engine.tables.Variables;
  if (!declare) {
    if (const Variable* variable = variables.Find(name)) return variable->Value;
    engine.Fail(MessageId::VariableNotDeclared, {name});
    return std::nullopt;
  }
  const Variable* entered = variables.Enter(name);
  if (!entered) {
    engine.Fail(MessageId::TooManyVariables, {std::to_string(kTableCapacity), name});
    return std::nullopt;
  }
  return variables.Change(*entered).Value = std::string(value);
}

std::optional<std::string> StepRecord(Engine& engine, std::string_view name) {
  if (engine.run.BuildStopped) return std::nullopt;
  DataSetTable& sets = engine.tables.DataSets;
  const DataSet* set = sets.Find(name);
  if (!set) {
    engine.Fail(MessageId::NoSuchVariable);
    return std::nullopt;
  }
  return std::to_string(++sets.Change(*set).CurrentRecord);
}

std::optional<std::string> FieldOfRecord(const DataFile& file, long long recordNumber,
                                         std::string_view column) {
  const long long c = column.starts_with('"')
                          ? ColumnOfName(file, column.substr(1).substr(0, column.find('"', 1) - 1))
                          : ColumnNumber(column);
  if (c < 1) return std::nullopt;
  const std::optional<std::string_view> value = FieldInRecord(file, recordNumber, c);
  if (!value) return std::nullopt;
  return value->empty() ? std::string(" ") : std::string(*value);
}

std::vector<std::string> ColumnNames(const DataFile& file) {
  std::vector<std::string> names;
  for (long long c = 1;; ++c) {
    const std::optional<std::string_view> name = FieldInRecord(file, 1, c);
    if (!name) return names;
    names.emplace_back(*name);
    // A single-column file's one field may hold separators.
    if (!file.quoted && c == 1 && name->find(file.separator) != npos) return names;
  }
}

std::string CompareValues(std::string_view a, std::string_view b, bool equal) {
  return (a == b) == equal ? "true" : "false";
}

}  // namespace ws
