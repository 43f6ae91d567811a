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
//
// A record is keyed by the address of what it restores. Undoing to a mark
// needs only the value a key had when that mark was set, so a key changed
// again under the same mark is not recorded again: however long a run goes
// on after a page, the journal holds at most one record per key and pending
// page.
template <typename Record>
class ChangeJournal {
 public:
  using Key = const void*;

  // Changes are kept from now on under mark (0: none is kept). Marks rise
  // while pages are pending; a mark not above the last one begins afresh, as
  // the records of the pages before it can no longer be undone.
  void SetMark(std::uint64_t mark) {
    if (mark != 0 && mark <= mark_) Clear();
    mark_ = mark;
  }
  bool Keeping() const { return mark_ != 0; }
  // Keeps make() for key unless key was recorded under the current mark.
  template <typename Make>
  void Keep(Key key, Make make) {
    auto [newest, fresh] = newest_.try_emplace(key, mark_);
    if (!fresh) {
      if (newest->second == mark_) return;
      newest->second = mark_;
    }
    records_.push_back({mark_, key, make()});
  }
  // Pages up to confirmed are written: their changes stay.
  void Forget(std::uint64_t confirmed) {
    std::erase_if(records_, [&](const Marked& r) { return r.mark <= confirmed; });
    std::erase_if(newest_, [&](const auto& key) { return key.second <= confirmed; });
  }
  // Page failed did not get written: undoes the changes made since.
  template <typename Undo>
  void Rollback(std::uint64_t failed, Undo undo) {
    for (auto r = records_.rbegin(); r != records_.rend(); ++r)
      if (r->mark >= failed) undo(r->record);
    Clear();
    mark_ = 0;
  }
  // Records kept.
  std::size_t size() const { return records_.size(); }

 private:
  struct Marked {
    std::uint64_t mark;
    Key key;
    Record record;
  };
  void Clear() {
    records_.clear();
    newest_.clear();
  }
  std::vector<Marked> records_;
  std::unordered_map<Key, std::uint64_t> newest_;  // the mark of each key's newest record
  std::uint64_t mark_ = 0;
};

// What a run may change of a variable, and the variable with its name.
struct VariableState {
  std::string Value;
};
struct Variable : VariableState {
  using State = VariableState;
  std::string Name;
};

// What a run may change of a data set, and the data set with its name.
struct DataSetState {
  long long CurrentRecord = 1;
  std::string FilePath;
};
struct DataSet : DataSetState {
  using State = DataSetState;
  std::string Name;
};

// Entries by exact name, in the order they were entered, at stable addresses.
// An entry is changed only through Change, which hands out its state but not
// its name (the key of the index), so every change is journaled.
template <typename Entry>
class NamedTable {
 public:
  using State = typename Entry::State;

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
    if (journal_.Keeping()) journal_.Keep(&entry, [&] { return Old{&entry, std::nullopt}; });
    return &entry;
  }
  // The entry's state, to be changed; its value before is journaled.
  State& Change(const Entry& entry) {
    Entry& target = const_cast<Entry&>(entry);  // entries are owned here
    State& state = target;
    if (journal_.Keeping()) journal_.Keep(&target, [&] { return Old{&target, state}; });
    return state;
  }
  std::size_t size() const { return entries_.size(); }

  void SetMark(std::uint64_t mark) { journal_.SetMark(mark); }
  void Forget(std::uint64_t confirmed) { journal_.Forget(confirmed); }
  void Rollback(std::uint64_t failed) {
    journal_.Rollback(failed, [this](Old& old) {
      if (old.value) {
        static_cast<State&>(*old.entry) = std::move(*old.value);
      } else {  // entered after the page: the newest entry
        index_.erase(entries_.back()->Name);
        entries_.pop_back();
      }
    });
  }
  // Old values kept (tests watch that they stay few).
  std::size_t JournalSize() const { return journal_.size(); }

 private:
  struct Old {
    Entry* entry;
    std::optional<State> value;  // none: the entry was entered new
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
    if (counterJournal_.Keeping())
      counterJournal_.Keep(&temporaries_, [this] { return temporaries_; });
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
  // Old values kept in all the tables.
  std::size_t JournalSize() const {
    return Variables.JournalSize() + DataSets.JournalSize() + counterJournal_.size();
  }

 private:
  long long temporaries_ = 0;
  ChangeJournal<long long> counterJournal_;
};

}  // namespace ws
