// A repeat loop over a data file, done the way the interpreter does it:
// OpenDataSet, then per record five FieldValue calls (three by number, two by
// name) and StepRecord. Reported per record, so a flat line over 1,000,
// 10,000 and 100,000 records shows a cost proportional to the records.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "datafiles.h"
#include "engine.h"
#include "fileio.h"
#include "host.h"
#include "tags.h"

namespace {

class SilentHost : public ws::Host {
 public:
  void ShowMessage(const ws::Message&) override {}
};

// A folder holding "records.csv" with a header and the given number of
// records of five columns.
class DataFolder {
 public:
  explicit DataFolder(long records) {
    folder_ = std::filesystem::temp_directory_path() /
              ("weftsmith-bench-" + std::to_string(::getpid()) + "-" + std::to_string(records));
    std::filesystem::create_directories(folder_);
    std::string text = "Id,FirstName,LastName,City,Notes\r\n";
    for (long i = 1; i <= records; ++i) {
      std::string n = std::to_string(i);
      text += n + ",First" + n + ",Last" + n + ",City" + std::to_string(i % 97) +
              ",Some longer text for record " + n + "\r\n";
    }
    ws::WriteFileAtomically((folder_ / "records.csv").string(), text);
  }
  ~DataFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Folder() const { return folder_.string() + "/"; }

 private:
  std::filesystem::path folder_;
};

void BM_RepeatLoopReadingFiveFields(benchmark::State& state) {
  const long records = state.range(0);
  DataFolder data(records);
  SilentHost host;
  ws::Engine engine(host);
  engine.run.BaseFolder = data.Folder();

  for (auto _ : state) {
    auto opened = ws::OpenDataSet(engine, "row", "\"records.csv\"", "");
    if (!opened) {
      state.SkipWithError("the data set did not open");
      break;
    }
    const long count = std::atol(opened->recordCount.c_str());
    for (long record = std::atol(opened->firstRecord.c_str()); record <= count; ++record) {
      benchmark::DoNotOptimize(ws::FieldValue(engine, "row:1"));
      benchmark::DoNotOptimize(ws::FieldValue(engine, "row:\"FirstName\""));
      benchmark::DoNotOptimize(ws::FieldValue(engine, "row:3"));
      benchmark::DoNotOptimize(ws::FieldValue(engine, "row:\"City\""));
      benchmark::DoNotOptimize(ws::FieldValue(engine, "row:5"));
      benchmark::DoNotOptimize(ws::StepRecord(engine, "row"));
    }
  }
  if (engine.run.BuildStopped) state.SkipWithError("a field access failed");
  state.SetItemsProcessed(state.iterations() * records);
  state.counters["per_record"] =
      benchmark::Counter(static_cast<double>(state.iterations() * records),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RepeatLoopReadingFiveFields)
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
