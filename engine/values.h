// The process-wide tables of build-language variables and open data sets, and
// the journal that lets a run undo what it changed after a page that failed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// Old values kept while pages handed to the output writer are not yet
// written. Each is marked with the number of pages handed over when it was
// changed; when page n fails, every change marked n or later is undone, newest
// first, so the tables are as if the run had stopped at that page.
template <typename Record>
class ChangeJournal {
 public:
  // Changes are kept from now on under mark (0: none is kept).
  void SetMark(std::uint64_t mark) { mark_ = mark; }
  bool Keeping() const { return mark_ != 0; }
  void Keep(Record record) { records_.push_back({mark_, std::move(record)}); }
  // Pages up to confirmed are written: their changes stay.
  void Forget(std::uint64_t confirmed) {
    std::erase_if(records_, [&](const Marked& r) { return r.mark <= confirmed; });
  }
  // Page failed did not get written: undoes the changes made since.
  template <typename Undo>
  void Rollback(std::uint64_t failed, Undo undo) {
    for (auto r = records_.rbegin(); r != records_.rend(); ++r)
      if (r->mark >= failed) undo(r->record);
    records_.clear();
    mark_ = 0;
  }

 private:
  struct Marked {
    std::uint64_t mark;
    Record record;
  };
  std::vector<Marked> records_;
  std::uint64_t mark_ = 0;
};

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
// An entry is changed only through Change, so every change is journaled.
template <typename Entry>
class NamedTable {
 public:
  // The entry of name, or null.
  const Entry* Find(std::string_view name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second;
  }
  // Finds or enters name; null when the table is full.
  const Entry* Enter(std::string_view name) {
    if (const Entry* found = Find(name)) return found;
    if (entries_.size() >= kTableCapacity) return nullptr;
    Entry& entry = *entries_.emplace_back(std::make_unique<Entry>());
    entry.Name = std::string(name);
    index_.emplace(entry.Name, &entry);
    if (journal_.Keeping()) journal_.Keep({&entry, std::nullopt});
    return &entry;
  }
  // The entry, to be changed; its value before is journaled.
  Entry& Change(const Entry& entry) {
    Entry& target = const_cast<Entry&>(entry);  // entries are owned here
    if (journal_.Keeping()) journal_.Keep({&target, target});
    return target;
  }
  std::size_t size() const { return entries_.size(); }

  void SetMark(std::uint64_t mark) { journal_.SetMark(mark); }
  void Forget(std::uint64_t confirmed) { journal_.Forget(confirmed); }
  void Rollback(std::uint64_t failed) {
    journal_.Rollback(failed, [this](Old& old) {
      if (old.value) {
        *old.entry = std::move(*old.value);
      } else {  // entered after the page: the newest entry
        index_.erase(entries_.back()->Name);
        entries_.pop_back();
      }
    });
  }

 private:
  struct Old {
    Entry* entry;
    std::optional<Entry> value;  // none: the entry was entered new
  };
  std::vector<std::unique_ptr<Entry>> entries_;
  NameMap<Entry*> index_;
  ChangeJournal<Old> journal_;
};

using VariableTable = NamedTable<Variable>;
using DataSetTable = NamedTable<DataSet>;

// What a run changes that outlives it: the variables and data sets, and the
// numbering of temporaries, which runs on across compiles.
class ProcessTables {
 public:
  VariableTable Variables;
  DataSetTable DataSets;

  long long TemporaryCounter() const { return temporaries_; }
  long long NextTemporary() {
    if (counterJournal_.Keeping()) counterJournal_.Keep(temporaries_);
    return temporaries_++;
  }

  void SetMark(std::uint64_t mark) {
    Variables.SetMark(mark);
    DataSets.SetMark(mark);
    counterJournal_.SetMark(mark);
  }
  void Forget(std::uint64_t confirmed) {
    Variables.Forget(confirmed);
    DataSets.Forget(confirmed);
    counterJournal_.Forget(confirmed);
  }
  void Rollback(std::uint64_t failed) {
    Variables.Rollback(failed);
    DataSets.Rollback(failed);
    counterJournal_.Rollback(failed, [this](long long old) { temporaries_ = old; });
  }

 private:
  long long temporaries_ = 0;
  ChangeJournal<long long> counterJournal_;
};

}  // namespace ws
