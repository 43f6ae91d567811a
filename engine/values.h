// The process-wide tables of build-language variables and open data sets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ws {

// How many distinct names each table holds. A name beyond it is refused with
// a message that names the limit.
constexpr std::size_t kTableCapacity = 1000;

// Lets the tables look names up by string_view without making a string.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    return std::hash<std::string_view>{}(name);
  }
};
template <typename T>
using NameIndex = std::unordered_map<std::string, T*, NameHash, std::equal_to<>>;

struct Variable {
  std::string Name;
  std::string Value;
};

class VariableTable {
 public:
  // The entry of name, or null.
  Variable* Find(std::string_view name);
  // Finds or declares name; null when the table is full.
  Variable* Declare(std::string_view name);
  std::size_t size() const { return entries_.size(); }

 private:
  std::vector<std::unique_ptr<Variable>> entries_;
  NameIndex<Variable> index_;
};

struct DataSet {
  std::string Name;
  long long CurrentRecord = 1;
  std::string FilePath;
};

class DataSetTable {
 public:
  DataSet* Find(std::string_view name);
  // Finds or enters name; null when the table is full.
  DataSet* Enter(std::string_view name);
  std::size_t size() const { return entries_.size(); }

 private:
  std::vector<std::unique_ptr<DataSet>> entries_;
  NameIndex<DataSet> index_;
};

}  // namespace ws
