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

// A map by name in which a name is looked up by string_view without making a
// string.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    return std::hash<std::string_view>{}(name);
  }
};
template <typename Value>
using NameMap = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

struct Variable {
  std::string Name;
  std::string Value;
};

struct DataSet {
  std::string Name;
  long long CurrentRecord = 1;
  std::string FilePath;
};

// Entries by exact name, in the order they were entered, at stable addresses.
template <typename Entry>
class NamedTable {
 public:
  // The entry of name, or null.
  Entry* Find(std::string_view name) {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second;
  }
  // Finds or enters name; null when the table is full.
  Entry* Enter(std::string_view name) {
    if (Entry* found = Find(name)) return found;
    if (entries_.size() >= kTableCapacity) return nullptr;
    Entry& entry = *entries_.emplace_back(std::make_unique<Entry>());
    entry.Name = std::string(name);
    index_.emplace(entry.Name, &entry);
    return &entry;
  }
  std::size_t size() const { return entries_.size(); }
  // Removes the entry entered last (undoes the last Enter of a new name).
  void RemoveNewest() {
    if (entries_.empty()) return;
    index_.erase(entries_.back()->Name);
    entries_.pop_back();
  }

 private:
  std::vector<std::unique_ptr<Entry>> entries_;
  NameMap<Entry*> index_;
};

using VariableTable = NamedTable<Variable>;
using DataSetTable = NamedTable<DataSet>;

}  // namespace ws
