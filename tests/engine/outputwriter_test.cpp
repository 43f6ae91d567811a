// Pages written on the writer's thread while the run goes on: the run must
// behave as if each page were written the moment it was finished.
#include "outputwriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "entrypoints.h"
#include "outputfiles.h"
#include "test_support.h"

namespace ws {
namespace {

using namespace std::chrono_literals;
using test::RecordingHost;
using test::TempFolder;

TEST(OutputWriter, WritesInOrderAndDropsEverythingAfterAFailure) {
  TempFolder dir;
  OutputWriter writer(2);  // a short queue: Submit waits for room
  for (const char* name : {"a.htm", "b.htm", "c.htm"}) writer.Submit(dir.File(name), {"", name});
  writer.Submit(dir.File("missing/d.htm"), {"d"});
  writer.Submit(dir.File("e.htm"), {"e"});
  OutputWriter::Report report = writer.Collect(true);
  EXPECT_EQ(report.written,
            (std::vector<std::string>{dir.File("a.htm"), dir.File("b.htm"), dir.File("c.htm")}));
  ASSERT_TRUE(report.failure);
  EXPECT_EQ(report.failure->path, dir.File("missing/d.htm"));
  EXPECT_STREQ(report.failure->error.what(),
               ("Cannot create file " + dir.File("missing/d.htm")).c_str());
  EXPECT_EQ(ReadFileBytes(dir.File("c.htm")), "\r\nc.htm\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("e.htm")));

  // A collected failure is forgotten: later files are written again.
  writer.Submit(dir.File("f.htm"), {"f"});
  report = writer.Collect(true);
  EXPECT_EQ(report.written, std::vector<std::string>{dir.File("f.htm")});
  EXPECT_FALSE(report.failure);
}

// AlwaysCompared writes every page exactly as Always does (a file replaced
// by a fresh one, the same failure for what is in the way) and tells how each
// page compared with the file it replaced.
TEST(OutputWriter, AlwaysComparedWritesEveryPageAndTellsItsState) {
  TempFolder dir;
  dir.Write("same.htm", "\r\nsame\r\n");
  dir.Write("other.htm", "old");
  std::filesystem::create_directory(dir.File("folder.htm"));
  const auto inode = [&](const char* name) {
    struct stat st {};
    ::stat(dir.File(name).c_str(), &st);
    return st.st_ino;
  };
  const auto sameBefore = inode("same.htm");
  OutputWriter writer;
  writer.SetMode(WriteMode::AlwaysCompared);
  for (const char* name : {"same.htm", "other.htm", "new.htm"}) {
    const std::string text = std::string(name).substr(0, std::string(name).find('.'));
    writer.Submit(dir.File(name), {"", text});
  }
  writer.Submit(dir.File("folder.htm"), {"x"});
  const OutputWriter::Report report = writer.Collect(true);
  EXPECT_EQ(report.written, (std::vector<std::string>{dir.File("same.htm"), dir.File("other.htm"),
                                                      dir.File("new.htm")}));
  EXPECT_EQ(report.states,
            (std::vector<PageState>{PageState::Unchanged, PageState::Changed, PageState::New}));
  EXPECT_NE(inode("same.htm"), sameBefore);  // written all the same
  EXPECT_EQ(ReadFileBytes(dir.File("other.htm")), "\r\nother\r\n");
  EXPECT_EQ(ReadFileBytes(dir.File("new.htm")), "\r\nnew\r\n");
  ASSERT_TRUE(report.failure);
  EXPECT_STREQ(report.failure->error.what(),
               ("Cannot create file " + dir.File("folder.htm")).c_str());
}

// A gate that threads wait at until another thread opens it. A wait gives up
// after ten seconds, so that a test whose interleaving broke fails instead of
// hanging.
class Gate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  // Whether the gate was opened (false: given up).
  bool Pass() {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, 10s, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// A host that counts the pages the run has reached through <date>, and opens
// a gate when the run reaches a given page.
class CountingHost : public RecordingHost {
 public:
  std::string CurrentDateText() const override {
    if (++datesAsked == openAtPage) pageReached.Open();
    return RecordingHost::CurrentDateText();
  }
  mutable std::atomic<int> datesAsked{0};
  int openAtPage = 0;
  mutable Gate pageReached;
};

class WrittenWhileRunning : public ::testing::Test {
 protected:
  WrittenWhileRunning() {
    engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
  }
  void BeforeWrite(OutputWriter::WriteHook hook) {
    engine.writerHooks.beforeWrite = std::move(hook);
  }
  // Holds the write of the page whose path ends in name, when the writer's
  // thread takes it, until the run waits for the writer: the run goes on past
  // that page before it can learn how its write went. When the running thread
  // writes the page itself (the writer had not started on it), it already
  // waits for it, and the write goes ahead. Holds once per call.
  void HoldUntilTheRunWaits(std::string name) {
    auto runWaits = std::make_shared<Gate>();
    engine.writerHooks.onWait = [runWaits] { runWaits->Open(); };
    BeforeWrite([runWaits, name = std::move(name),
                 runner = std::this_thread::get_id()](const std::string& path) {
      if (path.ends_with(name) && std::this_thread::get_id() != runner) runWaits->Pass();
    });
  }
  RunOutcome Run(const std::vector<std::string>& lines) {
    return RunBuildFile(engine, {lines, dir.Folder(), "site.bld"});
  }
  std::vector<std::string> Errors() const { return host.Texts(MessageKind::Error); }

  CountingHost host;
  Engine engine{host};
  TempFolder dir;
};

TEST_F(WrittenWhileRunning, FailedPageEndsTheRunWhereItFailed) {
  std::string records = "File\n";
  for (int i = 1; i <= 100; ++i) records += "p" + std::to_string(i) + ".htm\n";
  dir.Write("pages.csv", records);
  std::filesystem::create_directory(dir.File("p50.htm"));  // in the way of page 50
  // Page 50's write waits until the run has reached page 60, so that the run
  // has gone on well past the failure before it learns of it. (Should the run
  // wait for the writer or write the page itself, it is not held, and reached
  // is false.)
  host.openAtPage = 60;
  engine.writerHooks.onWait = [&] { host.pageReached.Open(); };
  std::atomic<bool> reached{false};
  BeforeWrite([&, runner = std::this_thread::get_id()](const std::string& path) {
    if (!path.ends_with("/p50.htm")) return;
    // Written by the running thread itself: the run stands still at it.
    if (std::this_thread::get_id() != runner) host.pageReached.Pass();
    reached = host.datesAsked >= 60;
  });
  EXPECT_EQ(Run({"repeat page \"pages.csv\"", "  new page:\"File\"", "    tag \"d\" <date>",
                 "  end", "  set last page:\"File\"", "end"}),
            RunOutcome::FileFailed);
  EXPECT_TRUE(reached);
  EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot create file " + dir.File("p50.htm")});
  EXPECT_TRUE(std::filesystem::exists(dir.File("p49.htm")));
  for (int i = 51; i <= 100; ++i)
    EXPECT_FALSE(std::filesystem::exists(dir.File("p" + std::to_string(i) + ".htm"))) << i;
  // The tables are as they were when page 50 was finished.
  EXPECT_EQ(engine.tables.Variables.Find("last")->Value, "p49.htm");
  EXPECT_EQ(engine.tables.DataSets.Find("page")->CurrentRecord, 51);

  // The next run writes again.
  std::filesystem::remove(dir.File("p50.htm"));
  BeforeWrite(nullptr);
  engine.writerHooks.onWait = nullptr;
  host.Clear();
  EXPECT_EQ(Run({"new \"p50.htm\"", "end"}), RunOutcome::Completed);
  EXPECT_EQ(ReadFileBytes(dir.File("p50.htm")), "\r\n");
}

TEST_F(WrittenWhileRunning, MessagesAfterAFailedPageAreNotShown) {
  dir.Write("pages.csv", "File\np1.htm\np2.htm\np3.htm\n");
  std::filesystem::create_directory(dir.File("p2.htm"));
  HoldUntilTheRunWaits("/p2.htm");
  // Page 3 asks for a column that is not there, and then includes a missing
  // file; neither may be reported, since the run ended at page 2.
  const std::vector<std::string> build = {"repeat page \"pages.csv\"",
                                          "  new page:\"File\"",
                                          "    if page:\"File\" is \"p3.htm\" then",
                                          "      tag \"x\" page:\"Nope\"",
                                          "    end",
                                          "  end",
                                          "end"};
  EXPECT_EQ(Run(build), RunOutcome::FileFailed);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"Cannot create file " + dir.File("p2.htm")});

  host.Clear();
  std::vector<std::string> missing = build;
  missing[3] = "      include \"nothere.htm\"";
  HoldUntilTheRunWaits("/p2.htm");
  EXPECT_EQ(Run(missing), RunOutcome::FileFailed);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"Cannot create file " + dir.File("p2.htm")});
}

TEST_F(WrittenWhileRunning, MissingFolderOfALaterPageStopsTheRunThere) {
  // The run has set "after" before it learns of the failure: it is put back.
  HoldUntilTheRunWaits("/sub/b.htm");
  EXPECT_EQ(Run({"new \"a.htm\"", "end", "new \"sub/b.htm\"", "end", "new \"c.htm\"", "end",
                 "set after \"c\""}),
            RunOutcome::Stopped);
  EXPECT_EQ(host.Texts(),
            std::vector<std::string>{"Folder " + dir.File("sub") + " does not exist!"});
  EXPECT_TRUE(std::filesystem::exists(dir.File("a.htm")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("c.htm")));
  EXPECT_EQ(engine.tables.Variables.Find("after"), nullptr);
}

TEST_F(WrittenWhileRunning, PageReadBackByTheRunIsTheNewOne) {
  dir.Write("part.htm", "old");
  dir.Write("fresh.htm", "fresh");
  std::filesystem::create_directory(dir.File("sub"));
  // part.htm is not written yet when the run includes it again.
  HoldUntilTheRunWaits("/part.htm");
  EXPECT_EQ(
      Run({"new \"a.htm\"", "include \"part.htm\"", "end",  // caches the old text
           "new \"part.htm\"", "include \"fresh.htm\"", "end", "new \"b.htm\"",
           "include \"part.htm\"", "end", "new \"c.htm\"", "include \"sub/../part.htm\"", "end"}),
      RunOutcome::Completed);
  EXPECT_EQ(ReadFileBytes(dir.File("a.htm")), "\r\nold\r\n");
  EXPECT_EQ(ReadFileBytes(dir.File("b.htm")), "\r\n fresh \r\n");
  EXPECT_EQ(ReadFileBytes(dir.File("c.htm")), "\r\n fresh \r\n");
}

}  // namespace
}  // namespace ws
