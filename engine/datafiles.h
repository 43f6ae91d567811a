// Data files, variables and values: the handlers of "repeat", ":Str",
// ":Numb", "set", "ID", the record step of "ADD" and the comparisons.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ws {

struct Engine;

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

// Parsed data files, read once and read again only when the file changed.
class DataFileCache {};

}  // namespace ws
