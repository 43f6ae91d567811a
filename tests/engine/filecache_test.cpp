// File caches on a shared watcher, inside and outside a run: a changed file is
// never served from the cache, an unchanged one is not read again, and the
// watch thread lives exactly as long as the run.
#include "filecache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "test_support.h"

namespace ws {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

// The threads of this process.
std::size_t ThreadCount() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    ++n;
  return n;
}

// Whether the thread count comes down to n: a joined thread's task may be
// listed a moment longer.
bool ThreadCountSettlesAt(std::size_t n) {
  for (auto end = std::chrono::steady_clock::now() + 10s; ThreadCount() != n;) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

// Waits until the watch thread has read events after the count seen; false
// when it has not within ten seconds.
bool AwaitAnnounced(const FileWatcher& watcher, std::uint64_t seen) {
  for (auto end = std::chrono::steady_clock::now() + 10s; watcher.EventsAnnounced() == seen;) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
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
  EXPECT_EQ(includes.reads, 2);
  EXPECT_EQ(data.reads, 2);
}

TEST(FileCache, UnchangedFileIsNotReadAgainDuringARun) {
  TempFolder dir;
  std::string path = dir.Write("part.htm", "one");
  std::string other = dir.Write("other.htm", "x");
  FileWatcher watcher;
  CountingCache cache(watcher);
  FileWatcher::RunScope run(watcher);
  EXPECT_EQ(cache.Get(path), "one");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(cache.Get(path), "one");
  // A change to another watched file leaves this one alone.
  EXPECT_EQ(cache.Get(other), "x");
  std::uint64_t seen = watcher.EventsAnnounced();
  dir.Write("other.htm", "y");
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_EQ(cache.Get(path), "one");
  EXPECT_EQ(cache.reads, 2);
  EXPECT_EQ(cache.Get(other), "y");
}

TEST(FileCache, ChangeDuringARunIsSeenOnceTheWatchThreadReadIt) {
  TempFolder dir;
  std::string path = dir.Write("part.htm", "one");
  FileWatcher watcher;
  CountingCache cache(watcher);
  FileWatcher::RunScope run(watcher);
  ASSERT_TRUE(watcher.Threaded());
  EXPECT_EQ(cache.Get(path), "one");

  // Rewritten in place, as another program would.
  std::uint64_t seen = watcher.EventsAnnounced();
  WriteInPlace(path, "owt");
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_EQ(cache.Get(path), "owt");

  // Replaced, then deleted.
  seen = watcher.EventsAnnounced();
  dir.Write("part.htm", "two");
  ASSERT_TRUE(AwaitAnnounced(watcher, seen));
  EXPECT_EQ(cache.Get(path), "two");
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
  const char* digits[] = {"a1", "a2", "b1", "b2"};
  for (int i = 0; i < 3000; ++i) {
    WriteInPlace(a, digits[i % 2]);
    WriteInPlace(b, digits[2 + i % 2]);
  }
  WriteInPlace(a, "zz");
  auto end = std::chrono::steady_clock::now() + 10s;
  while (cache.Get(a) != "zz" && std::chrono::steady_clock::now() < end) std::this_thread::yield();
  EXPECT_EQ(cache.Get(a), "zz");
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
  {
    FileWatcher::RunScope outer(watcher);
    EXPECT_EQ(ThreadCount(), before + 1);
    {
      FileWatcher::RunScope nested(watcher);
      EXPECT_EQ(ThreadCount(), before + 1);
    }
    EXPECT_TRUE(watcher.Threaded());
    EXPECT_EQ(ThreadCount(), before + 1);
  }
  EXPECT_FALSE(watcher.Threaded());
  EXPECT_TRUE(ThreadCountSettlesAt(before));
  // A second run starts a thread again.
  {
    FileWatcher::RunScope again(watcher);
    EXPECT_EQ(ThreadCount(), before + 1);
  }
  EXPECT_TRUE(ThreadCountSettlesAt(before));
}

}  // namespace
}  // namespace ws
