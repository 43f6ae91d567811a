// The entry points under the threading and stop contract of host.h: a run on
// a thread of its own, a stop asked for from another thread, failures of any
// kind ending the run cleanly, and the message texts kept in one place.
#include "entrypoints.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "caches.h"
#include "messages.h"
#include "test_support.h"

namespace ws {
namespace {

using test::CrLfText;
using test::RecordingHost;
using test::TempFolder;

// Remembers the threads its members were called on.
class ThreadHost : public RecordingHost {
 public:
  void ShowMessage(const Message& message) override {
    Note();
    RecordingHost::ShowMessage(message);
  }
  void OutputWritten(std::string_view, PageState) override {
    Note();
    ++pagesWritten;
    if (onPage) onPage(pagesWritten);
  }
  void RunTick() override {
    Note();
    RecordingHost::RunTick();
  }
  void Note() const {
    std::lock_guard lock(mutex);
    threads.insert(std::this_thread::get_id());
  }
  std::set<std::thread::id> Threads() const {
    std::lock_guard lock(mutex);
    return threads;
  }

  int pagesWritten = 0;
  std::function<void(int)> onPage;  // called on the run's thread

 private:
  mutable std::mutex mutex;
  mutable std::set<std::thread::id> threads;
};

std::string Records(int count) {
  std::string text = "File,Title\n";
  for (int i = 1; i <= count; ++i)
    text += "p" + std::to_string(i) + ".htm,Page " + std::to_string(i) + "\n";
  return text;
}

const std::vector<std::string> kOnePagePerRecord = {"repeat page \"pages.csv\"",
                                                    "  new page:\"File\"",
                                                    "    include \"tpl.htm\"",
                                                    "    tag \"title\" page:\"Title\"",
                                                    "  end",
                                                    "end"};

class EntryPoints : public ::testing::Test {
 protected:
  EntryPoints() {
    engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
    dir.Write("tpl.htm", "<h1>%%title%%</h1>");
  }
  BuildSource Source(std::vector<std::string> lines) {
    return {std::move(lines), dir.Folder(), "site.bld"};
  }
  std::string Page(int i) const {
    return ReadFileBytes(dir.File("p" + std::to_string(i) + ".htm"));
  }
  static std::string Expected(int i) { return "\r\n<h1>Page " + std::to_string(i) + "</h1>\r\n"; }

  ThreadHost host;
  Engine engine{host};
  TempFolder dir;
};

TEST_F(EntryPoints, ARunGoesOnAThreadOfItsOwnWhileTheCallerWorks) {
  dir.Write("pages.csv", Records(300));
  std::future<RunOutcome> outcome = std::async(
      std::launch::async, [&] { return RunBuildFile(engine, Source(kOnePagePerRecord)); });
  // Meanwhile the calling thread runs an engine of its own on other files.
  RecordingHost otherHost;
  Engine other(otherHost);
  other.config.ProgramFolder = engine.config.ProgramFolder;
  TempFolder otherDir;
  otherDir.Write("t.htm", "T%%x%%");
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(RunBuildFile(other, {{"new \"o.htm\"", "include \"t.htm\"", "tag \"x\" \"y\"", "end"},
                                   otherDir.Folder(),
                                   "o.bld"}),
              RunOutcome::Completed);
  EXPECT_EQ(ReadFileBytes(otherDir.File("o.htm")), "\r\nTy\r\n");

  ASSERT_EQ(outcome.get(), RunOutcome::Completed);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"Build file complete"});
  EXPECT_EQ(host.pagesWritten, 300);
  EXPECT_EQ(Page(1), Expected(1));
  EXPECT_EQ(Page(300), Expected(300));
  // Every call of the host came from the run's thread.
  const std::set<std::thread::id> threads = host.Threads();
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST_F(EntryPoints, AStopFromAnotherThreadEndsTheRunWithThePagesWrittenIntact) {
  dir.Write("pages.csv", Records(2000));
  // The run waits at its 20th written page until the stop has been asked for.
  std::mutex mutex;
  std::condition_variable changed;
  bool reached = false, asked = false;
  host.onPage = [&](int page) {
    if (page != 20) return;
    std::unique_lock lock(mutex);
    reached = true;
    changed.notify_all();
    changed.wait(lock, [&] { return asked; });
  };
  std::stop_source stop;
  std::future<RunOutcome> outcome = std::async(std::launch::async, [&] {
    return RunBuildFile(engine, Source(kOnePagePerRecord), stop.get_token());
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return reached; });
    stop.request_stop();
    asked = true;
    changed.notify_all();
  }
  EXPECT_EQ(outcome.get(), RunOutcome::Stopped);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"Build stopped"});
  EXPECT_EQ(host.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(host.runEvents.back(), "ended 1");
  // The pages reached are whole; the run went no further than a few pages on.
  const int written = host.pagesWritten;
  EXPECT_GE(written, 20);
  EXPECT_LT(written, 2000);
  for (int i = 1; i <= written; ++i) ASSERT_EQ(Page(i), Expected(i)) << i;
  EXPECT_FALSE(std::filesystem::exists(dir.File("p2000.htm")));
  for (const auto& entry : std::filesystem::directory_iterator(dir.Folder()))
    EXPECT_FALSE(entry.path().string().ends_with(".weftsmith-tmp"));

  // The next run is not stopped by the old request and writes everything.
  host.onPage = nullptr;
  host.Clear();
  host.pagesWritten = 0;
  EXPECT_EQ(RunBuildFile(engine, Source(kOnePagePerRecord)), RunOutcome::Completed);
  EXPECT_EQ(host.pagesWritten, 2000);
  EXPECT_EQ(Page(2000), Expected(2000));
}

TEST_F(EntryPoints, AnythingThrownInsideEndsTheRunCleanly) {
  dir.Write("pages.csv", Records(3));
  host.onPage = [](int page) {
    if (page == 2) throw std::runtime_error("disk on fire");
  };
  EXPECT_EQ(RunBuildFile(engine, Source(kOnePagePerRecord)), RunOutcome::Stopped);
  EXPECT_EQ(host.Texts(),
            std::vector<std::string>{"The run ended on an unexpected failure: disk on fire"});
  EXPECT_EQ(host.runEvents.back(), "ended 1");
  host.onPage = nullptr;
  host.Clear();
  EXPECT_EQ(RunBuildFile(engine, Source(kOnePagePerRecord)), RunOutcome::Completed);
}

TEST_F(EntryPoints, SettingsChangedDuringARunTakeEffectAtTheNext) {
  dir.Write("pages.csv", Records(1));
  dir.Write("tpl.htm", "<h1>%%title%% {{title}}</h1>");
  host.onPage = [&](int) { engine.config.prefs.settings.ShortStart = "{{"; };
  engine.config.prefs.settings.ShortEnd = "%%";
  ASSERT_EQ(RunBuildFile(engine, Source(kOnePagePerRecord)), RunOutcome::Completed);
  EXPECT_EQ(Page(1), "\r\n<h1>Page 1 {{title}}</h1>\r\n");
  engine.config.prefs.settings.ShortEnd = "}}";
  ASSERT_EQ(RunBuildFile(engine, Source(kOnePagePerRecord)), RunOutcome::Completed);
  EXPECT_EQ(Page(1), "\r\n<h1>%%title%% Page 1</h1>\r\n");
}

TEST_F(EntryPoints, NestedBuildFilesAreCompiledOnceAndAgainWhenTheyChange) {
  dir.Write("pages.csv", Records(3));
  dir.Write("inner.bld",
            CrLfText({"new file", "  include \"tpl.htm\"", "  tag \"title\" \"A\"", "end"}));
  const std::vector<std::string> outer = {"repeat page \"pages.csv\"", "  set file page:\"File\"",
                                          "  run \"inner.bld\"", "end"};
  ASSERT_EQ(RunBuildFile(engine, Source(outer)), RunOutcome::Completed) << host.Texts().front();
  EXPECT_EQ(Page(1), "\r\n<h1>A</h1>\r\n");
  EXPECT_EQ(Page(3), "\r\n<h1>A</h1>\r\n");
  // Rewritten in place with the same size: the next run sees the new text.
  dir.Write("inner.bld",
            CrLfText({"new file", "  include \"tpl.htm\"", "  tag \"title\" \"B\"", "end"}));
  ASSERT_EQ(RunBuildFile(engine, Source(outer)), RunOutcome::Completed);
  EXPECT_EQ(Page(2), "\r\n<h1>B</h1>\r\n");
  // A mistake put in is reported at every run, not kept as a program.
  dir.Write("inner.bld", CrLfText({"new file", "end", "end"}));
  for (int i = 0; i < 2; ++i) {
    host.Clear();
    EXPECT_EQ(RunBuildFile(engine, Source(outer)), RunOutcome::Stopped);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Syntax error - too much - `end`  in file: " +
                                                     dir.File("inner.bld")});
  }
}

// What a run of the build below leaves: its outcome, its messages (the folder
// named as "DIR/"), its pages and the variables it sets.
struct Outcome {
  RunOutcome outcome;
  std::vector<std::string> messages;
  std::vector<std::string> pages;
  std::string seen, last;
  bool operator==(const Outcome&) const = default;
  friend void PrintTo(const Outcome& o, std::ostream* os) {
    *os << static_cast<int>(o.outcome) << ::testing::PrintToString(o.messages)
        << ::testing::PrintToString(o.pages) << " seen=" << o.seen << " last=" << o.last;
  }
};

// The nested file runs a loop with field references, a condition, a variable
// read and a date (each a node the run writes), twice in one run.
struct NestedLoopSite {
  NestedLoopSite() {
    engine.config.ProgramFolder = std::string(WEFTSMITH_SOURCE_DIR) + "/data/";
    dir.Write("tpl.htm", "<h1>%%title%%</h1>%%seen%%");
    dir.Write("inner.bld",
              CrLfText({"repeat r \"rows.csv\"", "  if r:\"Kind\" is \"page\" then",
                        "    new r:\"File\"", "      include \"tpl.htm\"",
                        "      tag \"title\" r:2", "      tag \"seen\" seen", "    end", "  else",
                        "    set seen r:\"Title\"", "  end", "  set last <date>", "end"}));
  }
  Outcome Run(const std::string& rows, bool uncached) {
    dir.Write("rows.csv", rows);
    if (uncached) engine.caches->nestedFiles.Invalidate(dir.File("inner.bld"));
    host.Clear();
    Outcome o{RunBuildFile(engine, {{"set seen \"-\"", "run \"inner.bld\"", "run \"inner.bld\""},
                                    dir.Folder(),
                                    "site.bld"}),
              {},
              {},
              engine.tables.Variables.Find("seen")->Value,
              engine.tables.Variables.Find("last") ? engine.tables.Variables.Find("last")->Value
                                                   : "(none)"};
    for (std::string text : host.Texts()) {
      if (auto at = text.find(dir.Folder()); at != std::string::npos)
        text.replace(at, dir.Folder().size(), "DIR/");
      o.messages.push_back(text);
    }
    for (const char* page : {"a.htm", "b.htm"}) {
      o.pages.push_back(std::filesystem::exists(dir.File(page)) ? ReadFileBytes(dir.File(page))
                                                                : "");
      std::filesystem::remove(dir.File(page));
    }
    return o;
  }
  RecordingHost host;
  Engine engine{host};
  TempFolder dir;
};

// A compiled nested file kept for later runs starts each run as a fresh compile
// would, after a run that went well, a page that failed and a run stopped by
// a missing column; the same runs on an engine that compiles the file afresh
// each time give the same pages, messages and variables.
TEST(NestedPrograms, EveryRunOfAKeptProgramStartsAsAFreshCompile) {
  const std::string good = "Kind,Title,File\npage,A,a.htm\nnote,n1,x\npage,B,b.htm\nnote,n2,x\n";
  const std::string failing = "Kind,Title,File\nnote,n3,x\npage,C,nofolder/c.htm\npage,D,b.htm\n";
  const std::string shorter = "Kind,Title\nnote,n4\npage,E\n";
  NestedLoopSite cached, fresh;
  for (const std::string* rows : {&good, &failing, &good, &shorter, &good, &good}) {
    const Outcome kept = cached.Run(*rows, false);
    EXPECT_EQ(kept, fresh.Run(*rows, true));
  }
  const Outcome last = cached.Run(good, false);
  EXPECT_EQ(last.outcome, RunOutcome::Completed);
  EXPECT_EQ(last.pages, (std::vector<std::string>{"\r\n<h1>A</h1>n2\r\n", "\r\n<h1>B</h1>n1\r\n"}));
  EXPECT_EQ(last.seen, "n2");
}

// The memory a run leaves behind does not grow with the number of runs (the
// desktop program and --watch run builds for as long as they are open).
TEST_F(EntryPoints, ManyRunsDoNotGrowTheMemoryKept) {
  dir.Write("pages.csv", Records(5));
  dir.Write("inner.bld", CrLfText({"set seen \"yes\""}));
  std::vector<std::string> lines = kOnePagePerRecord;
  lines.push_back("run \"inner.bld\"");
  std::size_t atTen = 0;
  for (int run = 1; run <= 1000; ++run) {
    ASSERT_EQ(RunBuildFile(engine, Source(lines)), RunOutcome::Completed);
    host.Clear();
    if (run == 10) atTen = test::AllocatedBytes();
  }
  const std::size_t atThousand = test::AllocatedBytes();
  EXPECT_LT(atThousand, atTen + 64 * 1024)
      << atTen << " bytes after 10 runs, " << atThousand << " after 1000";
  EXPECT_EQ(engine.tables.Variables.size(), 1u);
  EXPECT_EQ(engine.tables.DataSets.size(), 1u);
}

// Every message has a text of its own, and every message is shown somewhere
// in the engine: a new text cannot be written outside the messages unit and
// an unused one cannot linger in it.
TEST(Messages, EveryTextIsListedOnceAndUsed) {
  std::set<std::string_view> patterns;
  for (const MessageInfo& m : AllMessages()) EXPECT_TRUE(patterns.insert(m.pattern).second);
  EXPECT_EQ(AllMessages().size(), static_cast<std::size_t>(MessageId::Count));

  // The engine's sources, and the hosts' that show the texts of a run's life.
  std::string sources;
  for (const char* folder : {"/engine", "/hosts", "/workspace"})
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(WEFTSMITH_SOURCE_DIR) + folder)) {
      if (entry.path().extension() != ".cpp" || entry.path().filename() == "messages.cpp") continue;
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      sources += text.str();
    }
  const char* names[] = {"BuildFileComplete",
                         "BuildStopped",
                         "UnexpectedFailure",
                         "CannotOpenFile",
                         "CannotCreateFile",
                         "GrammarFileDamaged",
                         "FolderDoesNotExist",
                         "TooManyNestedRuns",
                         "TooManyTagBlocks",
                         "NoSuchVariable",
                         "NoSuchColumnNumber",
                         "NoSuchColumnName",
                         "TooManyDataSets",
                         "TooManyVariables",
                         "VariableNotDeclared",
                         "NoEndForTag",
                         "NoTagInFile",
                         "NoEndForTagInFile",
                         "ClosingQuoteMissing",
                         "InvalidFieldNumber",
                         "TooManyParameters",
                         "AtLeastOneParameter",
                         "NoParameters",
                         "FirstParameterNotVariable",
                         "MissingIsOrIsnot",
                         "NoSecondIfParameter",
                         "MissingThen",
                         "MissingCommand",
                         "SlashExpected",
                         "DashExpected",
                         "DateTimeMisspelled",
                         "SyntaxErrorOnLine",
                         "BadSymbol",
                         "IllegalComma",
                         "IllegalCommaInFile",
                         "MissingEnd",
                         "MissingEndAfterElse",
                         "MissingEndInFile",
                         "TooMuchParameters",
                         "TooMuchParametersInFile",
                         "TooMuchEnd",
                         "TooMuchEndInFile",
                         "TagWithoutBody",
                         "TagWithoutBodyInFile",
                         "SyntaxError",
                         "SyntaxErrorInFile",
                         "ParseStackFull",
                         "TooManyInstructions",
                         "GrammarSymbolWithoutCode",
                         "GrammarCodeOutOfRange",
                         "GrammarSymbolMissing",
                         "GrammarBadRelation",
                         "GrammarTooManyRules",
                         "GrammarNotNumbers",
                         "GrammarNotSevenNumbers",
                         "GrammarBadLeftSymbol",
                         "GrammarBadRuleLength",
                         "GrammarBadRightSymbol",
                         "GrammarRightSymbolNotZero",
                         "GrammarTooFewRules",
                         "GrammarEndlessReduction",
                         "OutOfMemory",
                         "UnknownException",
                         "RunningTitle",
                         "RunningProgress",
                         "RunningProgressWrapped"};
  EXPECT_EQ(std::size(names), AllMessages().size());
  for (const char* name : names) {
    // Used as MessageId::Name or, inside `using enum MessageId`, alone.
    bool used = false;
    for (const char* before : {"MessageId::", "return ", "? ", ": ", "== "})
      for (const char* after : {";", ",", ")", " :", "}"})
        used = used || sources.find(before + std::string(name) + after) != std::string::npos;
    EXPECT_TRUE(used) << name << " is never shown";
  }
  // No message text is written inline any more.
  EXPECT_EQ(sources.find("\"Cannot open file"), std::string::npos);
  EXPECT_EQ(sources.find("\"Syntax error"), std::string::npos);
  EXPECT_EQ(sources.find("\"there is no"), std::string::npos);

  EXPECT_EQ(MessageText(MessageId::NoSuchColumnName, {"Town", "/d.csv"}),
            "there is no such column name: Town in: /d.csv");
  EXPECT_EQ(MessageText(MessageId::TooManyParameters, {"else", "7"}),
            "Too many parameters for `else` command on line: 7");
  // A "%" in an argument is put in as it is.
  EXPECT_EQ(MessageText(MessageId::VariableNotDeclared, {"%1%2"}),
            "Variable: %1%2 is not declared");
}

}  // namespace
}  // namespace ws
