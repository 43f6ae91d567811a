// A loop of 4,000,000 sets (2,000 x 2,000 records) after one page, run as a
// build file. While the page is not yet confirmed written, every set is
// journaled so that a failure of the page could undo it; the journal keeps
// one old value per variable, so the memory stays flat. Reports the most
// bytes in use seen during the loop (peak_bytes, sampled once per outer
// record) and how far that is above the first sample (growth_bytes).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"

namespace {

std::size_t BytesInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;  // heap chunks and mapped blocks
}

class SamplingHost : public ws::Host {
 public:
  void ShowMessage(const ws::Message& message) override {
    if (message.kind == ws::MessageKind::Error) failed = true;
  }
  std::string CurrentDateText() const override {
    const std::size_t bytes = BytesInUse();
    if (first == 0) first = bytes;
    most = std::max(most, bytes);
    return "01/01/2000";
  }
  mutable std::size_t first = 0, most = 0;
  bool failed = false;
};

void BM_FourMillionSetsAfterAPage(benchmark::State& state) {
  const long records = state.range(0);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("weftsmith-journal-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::string text = "N\n";
  for (long i = 1; i <= records; ++i) text += std::to_string(i) + "\n";
  ws::WriteFileAtomically((folder / "n.csv").string(), text);
  const std::vector<std::string> lines = {
      "new \"page.htm\"",  "end",   "repeat outer \"n.csv\"", "  repeat inner \"n.csv\"",
      "    set v inner:1", "  end", "  set d <date>",         "end"};

  SamplingHost host;
  for (auto _ : state) {
    ws::Engine engine(host);
    engine.config.ProgramFolder = WEFTSMITH_DATA_DIR;
    host.first = host.most = 0;
    if (ws::RunBuildFile(engine, {lines, folder.string() + "/", "bench.bld"}) !=
            ws::RunOutcome::Completed ||
        host.failed) {
      state.SkipWithError("the build did not complete");
      break;
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  state.counters["sets"] = static_cast<double>(records * records);
  state.counters["peak_bytes"] = static_cast<double>(host.most);
  state.counters["growth_bytes"] = static_cast<double>(host.most - host.first);
}
BENCHMARK(BM_FourMillionSetsAfterAPage)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
