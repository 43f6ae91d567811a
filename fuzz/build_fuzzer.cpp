// Runs arbitrary text as a build file, as "Run This Script" does: line check,
// preparation, compile and run, in a folder of this process that holds
// templates with short and wide tags, data files and other build files (one
// that compiles, one that does not). Each input starts from the same folder
// and a fresh engine, so runs are repeatable.
//
// Checked: every run ends with one outcome that its messages agree with
// ("Build file complete" alone, or at least one other message and never
// that one), the application title is given back, no tag block is left open
// and no temporary file of an atomic write is left behind. The same lines are
// also reformatted: only indentation changes, and a second reformat changes
// nothing.
//
// Keeping the run inside its folder: a build file names files only by its
// quoted texts and numbers, and by values made of them, of data-file fields,
// of the clock's texts and of counters. A name with "/" or "\" could leave the
// folder (an absolute name, or "../"), and a name with ":" is used unchanged,
// that is relative to the process's current folder. So the input is compiled
// once beforehand, and it is not run when a quoted text or number of the
// program holds any of these characters. The files here, the tag delimiters
// and the clock's texts hold none, so no value made at run time can hold one,
// nor any build file that the run writes and runs (without "\" it cannot be
// RTF either). A name ".." alone is the parent folder, which can be neither
// read nor written as a file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "caches.h"
#include "compiler.h"
#include "datafiles.h"  // complete types for the Engine's caches
#include "engine.h"
#include "entrypoints.h"
#include "fileio.h"
#include "fuzz_support.h"
#include "grammar.h"
#include "prepare.h"
#include "program.h"
#include "reformat.h"
#include "tags.h"

namespace {

using ws::fuzz::Require;

constexpr std::size_t kMaxInput = 4096;

// The wide tag's closing marker of the defaults begins "<!--/"; here it
// holds no "/", see above.
void UseDelimiters(ws::Settings& s) {
  s.ShortStart = "%%";
  s.ShortEnd = "%%";
  s.WideOpenStart = "<!--tag \"";
  s.WideOpenEnd = "\"-->";
  s.WideCloseStart = "<!--end tag \"";
  s.WideCloseEnd = "\"-->";
}

void WriteFolder(const ws::fuzz::Sandbox& sandbox) {
  sandbox.Write("page.htm",
                "<html><head><title>%%title%% - %%site%%<title>\r\n"
                "<body>\r\n"
                "<nav><!--tag \"menu\"-->old menu<!--end tag \"menu\"--><nav>\r\n"
                "<h1>%%title%%<h1>\r\n"
                "<!--tag \"body\"-->old\r\n\r\nbody<!--end tag \"body\"-->\r\n"
                "%%note%% built %%built%%\r\n");
  sandbox.Write("parts.htm",
                "Shared parts.\r\n\r\n"
                "<!--tag \"menu\"--><a href=\"index.htm\">Home<a> | "
                "<a href=\"about.htm\">About<a><!--end tag \"menu\"-->\r\n"
                "<!--tag \"note\"--><p>A %%kind%% note.<!--end tag \"note\"-->\r\n"
                "<!--tag \"open\"-->this tag has no end\r\n");
  sandbox.Write("d.csv",
                "File,Title,Kind\r\n"
                "# one record per page\r\n"
                "index.htm,Home,page\r\n"
                "about.htm,About us,news\r\n"
                "   \r\n"
                "empty.htm,,page\r\n");
  sandbox.Write("q.csv", "\"Name\",\"City\"\r\n\"Ann\",\"Oslo\"\r\n\"Bob, Jr\",\"Rome\"\r\n");
  sandbox.Write("d.tab", "Name\tCity\nAnn\tOslo\n");
  sandbox.Write("n.bld",
                "set nested \"yes\"\r\n"
                "new \"n.htm\"\r\n"
                "  include \"page.htm\"\r\n"
                "  tag \"title\" \"Nested\"\r\n"
                "end\r\n");
  sandbox.Write("bad.bld", "new \"x.htm\"\r\n  include\r\n");
}

// See the comment at the top. The compile is the one the run makes: the
// same lines, prepared the same way.
bool MayLeaveTheFolder(const std::vector<std::string>& lines,
                       std::shared_ptr<const ws::GrammarTables>& grammar) {
  ws::fuzz::RecordingHost host;
  ws::Engine engine(host);
  engine.config.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/";
  engine.caches->grammar = grammar;
  engine.run.Memo1.SetLines(lines);
  ws::PrepareSource(engine.run.Memo1);
  ws::CompiledProgram program;
  const bool compiled = ws::CompileBuildFile(engine, program);
  grammar = engine.caches->grammar;
  if (!compiled) return false;  // the run stops before any instruction
  for (int i = 1; i <= ws::kInstructionCount; ++i) {
    const ws::TInstruction& in = program.table[i];
    for (const ws::TNode* operand : {in.operand1, in.operand2, in.operand3})
      if (operand && operand->value.find_first_of("/\\:") != std::string::npos) return true;
  }
  return false;
}

// Lines of a text joined by CR LF, an empty text being one empty line.
std::vector<std::string> SplitCrLf(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 2;
  }
}

// A line without its indentation, tabs read as blanks.
std::string Unindented(std::string line) {
  std::replace(line.begin(), line.end(), '\t', ' ');
  line.erase(0, std::min(line.find_first_not_of(' '), line.size()));
  return line;
}

std::string Reformat(const std::vector<std::string>& lines, int indent) {
  ws::fuzz::RecordingHost host;
  ws::Engine engine(host);
  engine.config.prefs.controls.Indent = indent;
  return ws::ReformatText(engine, lines);
}

// Reformatting changes only the indentation of each line, and a second
// reformat changes nothing.
void CheckReformat(const std::vector<std::string>& lines, int indent) {
  const std::string once = Reformat(lines, indent);
  const std::vector<std::string> result = SplitCrLf(once);
  Require(result.size() == std::max<std::size_t>(lines.size(), 1));
  for (std::size_t i = 0; i < lines.size(); ++i)
    Require(Unindented(result[i]) == Unindented(lines[i]));
  Require(Reformat(result, indent) == once);
}

bool TemporaryFileLeft(const ws::fuzz::Sandbox& sandbox) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(sandbox.Folder(), ec))
    if (entry.path().filename().string().ends_with(".weftsmith-tmp")) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view text = ws::fuzz::AsText(data, size);
  const std::vector<std::string> lines = ws::SplitLines(text);
  CheckReformat(lines, static_cast<int>(size % 6) - 1);  // touches no file

  // The grammar tables are read once; each engine is given them.
  static std::shared_ptr<const ws::GrammarTables> grammar;
  if (MayLeaveTheFolder(lines, grammar)) return 0;

  const ws::fuzz::Sandbox& sandbox = ws::fuzz::Sandbox::Get();
  sandbox.Clear();
  WriteFolder(sandbox);

  ws::fuzz::RecordingHost host;
  static ws::fuzz::KeptCaches caches;
  ws::RunOutcome outcome;
  {
    ws::Engine engine(host);
    caches.LendTo(engine);
    engine.config.ProgramFolder = WEFTSMITH_SOURCE_DIR "/data/";
    engine.caches->grammar = grammar;
    UseDelimiters(engine.config.prefs.settings);
    outcome = ws::RunBuildFile(engine, {lines, sandbox.Folder(), "fuzz.bld"});
    grammar = engine.caches->grammar;
    caches.TakeBackFrom(engine);
    if (outcome != ws::RunOutcome::FileFailed) Require(engine.run.TagDepth == 0);
  }

  // For looking at a single input: WEFTSMITH_FUZZ_VERBOSE=1 build_fuzzer FILE
  static const bool verbose = std::getenv("WEFTSMITH_FUZZ_VERBOSE") != nullptr;
  if (verbose)
    for (const ws::Message& m : host.messages) std::fprintf(stderr, "%s\n", m.text.c_str());

  // Every run that starts ends, once, with the outcome it returns.
  Require(host.runsStarted == host.runsEnded && host.runsEnded <= 1);
  if (host.runsEnded == 1) Require(host.endedWith == outcome);
  bool completeShown = false;
  for (const ws::Message& m : host.messages)
    completeShown = completeShown || m.text == "Build file complete";
  if (outcome == ws::RunOutcome::Completed) {
    Require(host.messages.size() == 1 && completeShown);
    Require(host.messages[0].kind == ws::MessageKind::Information);
  } else {
    Require(!host.messages.empty() && !completeShown);
  }
  if (text.find("weftsmith-tmp") == std::string_view::npos) Require(!TemporaryFileLeft(sandbox));
  return 0;
}
