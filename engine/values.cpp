#include "values.h"

namespace ws {

Variable* VariableTable::Find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

Variable* VariableTable::Declare(std::string_view name) {
  if (Variable* found = Find(name)) return found;
  if (entries_.size() >= kTableCapacity) return nullptr;
  entries_.push_back(std::make_unique<Variable>(Variable{std::string(name), {}}));
  Variable* entry = entries_.back().get();
  index_.emplace(entry->Name, entry);
  return entry;
}

DataSet* DataSetTable::Find(std::string_view name) {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : it->second;
}

DataSet* DataSetTable::Enter(std::string_view name) {
  if (DataSet* found = Find(name)) return found;
  if (entries_.size() >= kTableCapacity) return nullptr;
  entries_.push_back(std::make_unique<DataSet>(DataSet{std::string(name), 1, {}}));
  DataSet* entry = entries_.back().get();
  index_.emplace(entry->Name, entry);
  return entry;
}

}  // namespace ws
