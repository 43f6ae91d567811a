// File caches on a shared watcher, inside and outside a run: a changed file is
// never served from the cache, an unchanged one is not read again, and the
// watch thread lives exactly as long as the run.
#include "filecache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "caches.h"
#include "entrypoints.h"
#include "test_support.h"

namespace ws {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

// Whether holds() comes true within ten seconds: what the watch thread does
// takes a moment, as does the end of a joined thread's task.
template <typename Holds>
bool Eventually(Holds holds) {
  for (auto end = std::chrono::steady_clock::now() + 10s; !holds();) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

// Waits until the watch thread has read events after the count seen.
bool AwaitAnnounced(const FileWatcher& watcher, std::uint64_t seen) {
  return Eventually([&] { return watcher.EventsAnnounced() != seen; });
}

std::size_t ThreadCount() {
  auto tasks = std::filesystem::directory_iterator("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// Rewrites a file in place, as another program would.
void WriteInPlace(const std::string& path, const char* text) {
  std::FILE* f = std::fopen(path.c_str(), "r+");
  ASSERT_NE(f, nullptr) << path;
  std::fputs(text, f);
  std::fclose(f);
}

// A cache of file texts that counts how often it read a file.
struct CountingCache {
  explicit CountingCache(FileWatcher& watcher) : cache(watcher) {}
  std::string Get(const std::string& path) {
    return cache.Get(path, [this](std::string text) {
      ++reads;
      return text;
    });
  }
  FileCache<std::string> cache;
  int reads = 0;
};

TEST(FileCache, CachesSharingAWatcherEachSeeTheChange) {
  TempFolder dir;
  std::string path = dir.Write("shared.htm", "one");
  FileWatcher watcher;
  CountingCache includes(watcher);
  CountingCache data(watcher);
  EXPECT_EQ(includes.Get(path), "one");
  EXPECT_EQ(data.Get(path), "one");
  EXPECT_EQ(includes.Get(path), "one");
  EXPECT_EQ(includes.reads, 1);

  dir.Write("shared.htm", "two");
  // The first cache reading the file again must not hide the change from
  // the second.
  EXPECT_EQ(includes.Get(path), "two");
  EXPECT_EQ(data.Get(path), "two");
  EXPECT_EQ(includes.reads + data.reads, 4);
}

// A program left running reads files that are deleted later: their contents
// go from the caches, and a file made again under the same name is read
// afresh by every cache, never served from before.
TEST(FileCache, DeletedFilesAreForgottenAndReadAfreshWhenTheyComeBack) {
  TempFolder dir;
  FileWatcher watcher;
  CountingCache includes(watcher);
  CountingCache data(watcher);
  const std::string kept = dir.Write("kept.htm", "kept");
  std::vector<std::string> gone;
  for (int i = 0; i < 20; ++i) {
    gone.push_back(dir.Write("old" + std::to_string(i) + ".htm", "old"));
    EXPECT_EQ(includes.Get(gone.back()), "old");
  }
  EXPECT_EQ(data.Get(gone[0]), "old");
  EXPECT_EQ(includes.Get(kept), "kept");
  EXPECT_EQ(includes.cache.size(), 21u);
  for (const std::string& path : gone) std::filesystem::remove(path);
  // The next file read makes room.
  EXPECT_EQ(includes.Get(dir.Write("new.htm", "new")), "new");
  EXPECT_EQ(includes.cache.size(), 2u);
  EXPECT_FALSE(watcher.Watching(gone[0]));
  EXPECT_TRUE(watcher.Watching(kept));

  dir.Write("old0.htm", "again");
  EXPECT_EQ(data.Get(gone[0]), "again");
  EXPECT_EQ(includes.Get(gone[0]), "again");
  EXPECT_EQ(includes.Get(kept), "kept");
}

// A program left running builds, run after run, over a changing set of files
// (some deleted, made again, rewritten in place while no run uses them). The
// files the last two runs did not use stop being watched, so the kernel's
// watches stay few however many runs go by; a file changed while it was not
// watched is read afresh when used again; a file used by every run is read
// only once.
TEST(FileCache, ManyRunsOverChangingFilesKeepTheWatchesFew) {
  TempFolder dir;
  test::RecordingHost host;
  Engine engine{host};
  engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
  FileWatcher& watcher = engine.caches->watcher;
  CountingCache everyRun(watcher);
  dir.Write("common.htm", "C;");
  constexpr int kFiles = 40;
  std::vector<int> stamp(kFiles, 0), lastUsed(kFiles, -10);  // stamp -1: deleted
  auto name = [](int f) { return "f" + std::to_string(f) + ".htm"; };
  auto text = [&](int f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s@%03d;", name(f).c_str(), stamp[f]);
    return std::string(buffer);
  };
  for (int f = 0; f < kFiles; ++f) dir.Write(name(f), text(f));
  int changedWhileUnwatched = 0;
  for (int run = 1; run <= 200; ++run) {
    const int touched = (run * 7) % kFiles;
    if (run % 4 == 0) {
      if (stamp[touched] < 0) {
        stamp[touched] = run;
        dir.Write(name(touched), text(touched));
      } else {
        std::filesystem::remove(dir.File(name(touched)));
        stamp[touched] = -1;
      }
    } else if (stamp[touched] >= 0) {
      stamp[touched] = run;
      WriteInPlace(dir.File(name(touched)), text(touched).c_str());
      if (lastUsed[touched] < run - 2 && lastUsed[touched] > 0) ++changedWhileUnwatched;
    }
    std::vector<std::string> lines = {"new \"out.htm\"", "include \"common.htm\""};
    std::vector<int> used;
    for (int k = 0; k < 3; ++k) {
      const int f = (run * 3 + k * 11) % kFiles;
      if (stamp[f] < 0) continue;
      used.push_back(f);
      lastUsed[f] = run;
      lines.push_back("include \"" + name(f) + "\"");
    }
    lines.push_back("end");
    ASSERT_EQ(RunBuildFile(engine, {lines, dir.Folder(), "site.bld"}), RunOutcome::Completed)
        << run << ::testing::PrintToString(host.Texts());
    host.Clear();
    const std::string page = ReadFileBytes(dir.File("out.htm"));
    for (int f : used) ASSERT_NE(page.find(text(f)), std::string::npos) << run << " " << page;
    // The common file and at most three others of this run and the one before.
    ASSERT_LE(watcher.WatchCount(), 7u) << run;
    EXPECT_EQ(everyRun.Get(dir.File("common.htm")), "C;");
  }
  EXPECT_GT(changedWhileUnwatched, 10);
  EXPECT_EQ(everyRun.reads, 1);
}

TEST(FileCache, DuringARunAChangeIsSeenOnceTheWatchThreadReadIt) {
  TempFolder dir;
  std::string path = dir.Write("part.htm", "one");
  std::string other = dir.Write("other.htm", "x");
  FileWatcher watcher;
  CountingCache cache(watcher);
  FileWatcher::RunScope run(watcher);
  ASSERT_TRUE(watcher.Threaded());
  for (int i = 0; i < 100; ++i) ASSERT_EQ(cache.Get(path), "one");
  EXPECT_EQ(cache.Get(other), "x");
  // A change to another watched file leaves this one alone.
  std::uint64_t seen = watcher.EventsAnnounced();
  dir.Write("other.htm", "y");
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_EQ(cache.Get(path), "one");
  EXPECT_EQ(cache.reads, 2);
  EXPECT_EQ(cache.Get(other), "y");

  seen = watcher.EventsAnnounced();
  WriteInPlace(path, "owt");
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_EQ(cache.Get(path), "owt");
  seen = watcher.EventsAnnounced();
  std::filesystem::remove(path);
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_THROW(cache.Get(path), FileError);
}

TEST(FileCache, StormOfChangesNobodyLooksAtLosesNone) {
  TempFolder dir;
  std::string a = dir.Write("a.htm", "a0");
  std::string b = dir.Write("b.htm", "b0");
  FileWatcher watcher;
  CountingCache cache(watcher);
  FileWatcher::RunScope run(watcher);
  EXPECT_EQ(cache.Get(a), "a0");
  EXPECT_EQ(cache.Get(b), "b0");
  // Far more events than the watch thread keeps for the run, which takes
  // them in only at the end.
  const char* texts[] = {"a1", "a2", "b1", "b2"};
  for (int i = 0; i < 3000; ++i) {
    WriteInPlace(a, texts[i % 2]);
    WriteInPlace(b, texts[2 + i % 2]);
  }
  WriteInPlace(a, "zz");
  EXPECT_TRUE(Eventually([&] { return cache.Get(a) == "zz"; }));
  EXPECT_EQ(cache.Get(b), "b2");
}

TEST(FileCache, ChangesAroundARunAreSeenByTheNextCheck) {
  TempFolder dir;
  std::string path = dir.Write("part.htm", "before");
  FileWatcher watcher;
  CountingCache cache(watcher);
  EXPECT_EQ(cache.Get(path), "before");

  // Made before the run: seen by its first check, without waiting.
  dir.Write("part.htm", "at start");
  {
    FileWatcher::RunScope run(watcher);
    EXPECT_EQ(cache.Get(path), "at start");
    // Read by the watch thread but not yet looked at when the run ends.
    std::uint64_t seen = watcher.EventsAnnounced();
    dir.Write("part.htm", "during");
    ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  }
  EXPECT_FALSE(watcher.Threaded());
  EXPECT_EQ(cache.Get(path), "during");
  // Outside a run every check reads the queue: no waiting.
  dir.Write("part.htm", "after");
  EXPECT_EQ(cache.Get(path), "after");
  EXPECT_EQ(cache.reads, 4);
}

TEST(FileCache, OnlyTheOutermostRunScopeRunsAThread) {
  FileWatcher watcher;
  const std::size_t before = ThreadCount();
  for (int run = 0; run < 2; ++run) {
    {
      FileWatcher::RunScope outer(watcher);
      EXPECT_EQ(ThreadCount(), before + 1);
      {
        FileWatcher::RunScope nested(watcher);
        EXPECT_EQ(ThreadCount(), before + 1);
      }
      EXPECT_TRUE(watcher.Threaded());
    }
    EXPECT_FALSE(watcher.Threaded());
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == before; }));
  }
}

}  // namespace
}  // namespace ws
