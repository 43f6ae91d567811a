// The process tables and their journal: what a failed page undoes, and that
// the journal stays small however long a run goes on after a page.
#include "values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>

#include "engine.h"
#include "entrypoints.h"
#include "test_support.h"

namespace ws {
namespace {

// Change hands out what a run may change, never the name the index is keyed by.
static_assert(
    std::is_same_v<decltype(std::declval<VariableTable&>().Change(std::declval<const Variable&>())),
                   VariableState&>);
static_assert(
    std::is_same_v<decltype(std::declval<DataSetTable&>().Change(std::declval<const DataSet&>())),
                   DataSetState&>);
template <typename T>
concept Named = requires(T& t) {
  t.Name;
};
static_assert(Named<Variable> && !Named<VariableState>);
static_assert(Named<DataSet> && !Named<DataSetState>);

// Two pages handed over: before page 1, "a" is "1", data set "d" is at record
// 1 of "f.csv" and the temporaries count 5; page 1 changes all three and
// enters "b"; page 2 changes them again, many times, and enters "c".
struct TwoPages {
  TwoPages() {
    tables.Variables.Change(*tables.Variables.Enter("a")).Value = "1";
    tables.DataSets.Change(*tables.DataSets.Enter("d")).FilePath = "f.csv";
    while (tables.TemporaryCounter() < 5) tables.NextTemporary();

    tables.SetMark(1);
    Set("a", "2");
    tables.DataSets.Change(*tables.DataSets.Find("d")) = {7, "g.csv"};
    tables.NextTemporary();
    tables.NextTemporary();
    tables.Variables.Enter("b");

    tables.SetMark(2);
    for (int i = 0; i < 1000; ++i) {
      Set("a", std::to_string(i));
      ++tables.DataSets.Change(*tables.DataSets.Find("d")).CurrentRecord;
      tables.NextTemporary();
    }
    Set("c", "new");
  }
  void Set(const char* name, std::string value) {
    tables.Variables.Change(*tables.Variables.Enter(name)).Value = std::move(value);
  }
  std::string Value(const char* name) const {
    const Variable* variable = tables.Variables.Find(name);
    return variable ? variable->Value : "(none)";
  }
  // a, b, c, the data set's record and file, the temporaries' counter.
  auto State() const {
    const DataSet* d = tables.DataSets.Find("d");
    return std::tuple(Value("a"), Value("b"), Value("c"), d->CurrentRecord, d->FilePath,
                      tables.TemporaryCounter());
  }
  ProcessTables tables;
};

TEST(ProcessTablesJournal, FailedPageUndoesEveryKindOfChangeMadeSinceIt) {
  TwoPages first;
  // One record per key and page: a, d, the counter and b for page 1; a, d,
  // the counter and c for page 2, however often they changed.
  EXPECT_EQ(first.tables.JournalSize(), 8u);
  first.tables.Rollback(1);
  EXPECT_EQ(first.State(), std::tuple("1", "(none)", "(none)", 1, "f.csv", 5));
  EXPECT_EQ(first.tables.Variables.size(), 1u);
  EXPECT_EQ(first.tables.JournalSize(), 0u);

  // Page 1 written, page 2 failed: the values page 2 was handed over with.
  TwoPages second;
  second.tables.Forget(1);
  EXPECT_EQ(second.tables.JournalSize(), 4u);
  second.tables.Rollback(2);
  EXPECT_EQ(second.State(), std::tuple("2", "", "(none)", 7, "g.csv", 7));
  EXPECT_EQ(second.tables.JournalSize(), 0u);
}

TEST(ProcessTablesJournal, EachSeriesOfPagesJournalsAfresh) {
  TwoPages run;
  // Every page written: nothing is kept, and the next run numbers its pages
  // from 1 again; its first change of "a" is recorded all the same.
  run.tables.Forget(2);
  run.tables.SetMark(0);
  EXPECT_EQ(run.tables.JournalSize(), 0u);
  run.Set("a", "x");
  EXPECT_EQ(run.tables.JournalSize(), 0u);  // no page pending
  run.tables.SetMark(1);
  run.Set("a", "y");
  run.tables.Rollback(1);
  EXPECT_EQ(run.Value("a"), "x");

  // A series left without settling (its pages gone with their writer) is
  // dropped when the next one begins, rather than undone by its failure.
  run.tables.SetMark(3);
  run.Set("a", "stale");
  run.tables.SetMark(1);
  run.Set("a", "z");
  EXPECT_EQ(run.tables.JournalSize(), 1u);
  run.tables.Rollback(1);
  EXPECT_EQ(run.Value("a"), "stale");
}

// Notes, each time the run asks for the date, how many old values the
// journal holds and the bytes in use: the most journal entries, and the least
// and the most bytes seen.
class JournalWatchingHost : public test::RecordingHost {
 public:
  std::string CurrentDateText() const override {
    journalSize = std::max(journalSize, engine->tables.JournalSize());
    const std::size_t bytes = test::AllocatedBytes();
    least = std::min(least, bytes);
    most = std::max(most, bytes);
    return RecordingHost::CurrentDateText();
  }
  const Engine* engine = nullptr;
  mutable std::size_t journalSize = 0;
  mutable std::size_t least = SIZE_MAX, most = 0;
};

// However many sets a loop after a pending page makes, the journal keeps one
// old value per key, not one per change, and the memory in use does not grow
// while it goes. Both are sampled once per outer record; the growth over the
// loop is the same for N and 2N records (300 x 300 sets, then 600 x 600).
TEST(ProcessTablesJournal, LongLoopAfterAPageKeepsTheJournalAndTheMemoryFlat) {
  for (int records : {300, 600}) {
    test::TempFolder dir;
    std::string text = "N\n";
    for (int i = 1; i <= records; ++i) text += std::to_string(i) + "\n";
    dir.Write("n.csv", text);
    JournalWatchingHost host;
    Engine engine{host};
    host.engine = &engine;
    engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
    const std::vector<std::string> lines = {"new \"page.htm\"",
                                            "end",
                                            "repeat outer \"n.csv\"",
                                            "  repeat inner \"n.csv\"",
                                            "    set v inner:1",
                                            "    set w outer:1",
                                            "  end",
                                            "  set d <date>",
                                            "end"};
    ASSERT_EQ(RunBuildFile(engine, {lines, dir.Folder(), "site.bld"}), RunOutcome::Completed)
        << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(engine.tables.Variables.Find("v")->Value, std::to_string(records));
    EXPECT_EQ(engine.tables.DataSets.Find("outer")->CurrentRecord, records + 2);
    // v, w, d, the two data sets and the temporaries' counter at most.
    EXPECT_GT(host.journalSize, 0u);
    EXPECT_LE(host.journalSize, 6u);
    EXPECT_EQ(engine.tables.JournalSize(), 0u);  // the page is written by now
    EXPECT_EQ(ReadFileBytes(dir.File("page.htm")), "\r\n");
    EXPECT_LT(host.most - host.least, 64u * 1024) << records << " records";
  }
}

}  // namespace
}  // namespace ws
