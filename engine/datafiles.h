// Data files, variables and values: the handlers of "repeat", ":Str",
// ":Numb", "set", "ID", the record step of "ADD" and the comparisons.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "filecache.h"

namespace ws {

class Engine;

struct OpenedDataSet {
  std::string firstRecord;  // decimal
  std::string recordCount;  // decimal
};

// "repeat": opens the data set; nullopt when the run stopped (nothing opened).
std::optional<OpenedDataSet> OpenDataSet(Engine& engine, std::string_view name,
                                         std::string_view paramText, std::string_view paramValue);
// ":Str" / ":Numb": the field named by "set:\"Column\"" or "set:3".
std::optional<std::string> FieldValue(Engine& engine, std::string_view reference);
// "set" (declare on) and "ID" (declare off).
std::optional<std::string> LookupVariable(Engine& engine, std::string_view name,
                                          std::string_view value, bool declare);
// The record step of "ADD": the new current record number in decimal.
std::optional<std::string> StepRecord(Engine& engine, std::string_view name);
// "IfIs" (equal = true) and "IfIsNot": "true" or "false".
std::string CompareValues(std::string_view a, std::string_view b, bool equal);

// A data file as field access sees it.
struct DataFile {
  // The lines that are records, as stored: not empty once leading blanks are
  // removed, and not beginning with "#". The first holds the column names.
  std::vector<std::string> records;
  char separator = ',';  // a tab for a file whose name ends in "tab"
  bool quoted = false;   // the first record begins with a double quote
};

// The field separator of a data file: a tab when its name ends in exactly
// "tab" (lower case), else a comma.
char SeparatorFor(std::string_view path);

// Splits a data file's text into its records.
DataFile ParseDataFile(std::string_view text, char separator);

// The field that a column reference (`"Name"` or a number, as written after
// "x:") names in the 1-based record of file, as a run reads it (an empty
// field as " "); nothing when the reference names no column of it.
std::optional<std::string> FieldOfRecord(const DataFile& file, long long recordNumber,
                                         std::string_view column);

// The fields of the first record: the column names when the first record
// holds them.
std::vector<std::string> ColumnNames(const DataFile& file);

// Parsed data files, read once and read again only when the file changed.
class DataFileCache {
 public:
  // With a watcher of its own, or on one shared with other caches (which
  // must outlive this one).
  DataFileCache() = default;
  explicit DataFileCache(FileWatcher& watcher) : files_(watcher) {}
  // The file at path; throws FileError.
  const DataFile& File(const std::string& path) {
    return files_.Get(
        path, [&path](std::string text) { return ParseDataFile(text, SeparatorFor(path)); });
  }
  // The run wrote path: the next access reads it again.
  void Invalidate(const std::string& path) { files_.Invalidate(path); }

 private:
  FileCache<DataFile> files_;
};

}  // namespace ws
