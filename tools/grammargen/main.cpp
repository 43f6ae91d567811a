// grammargen: makes the compiler's tables "alpha", "pred" and "rules" from the
// readable grammar.
//
//   grammargen [--check] GRAMMAR [FOLDER]
//
// Reads GRAMMAR (data/grammar.txt), reports every problem it finds (precedence
// conflicts, rules with the same right-hand side, cycles of unit rules, tables
// beyond their sizes) and, when there is none, writes the three files into
// FOLDER (default: the folder of GRAMMAR). With --check it writes nothing and
// fails when the files in FOLDER differ from what the grammar gives.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "grammargen.h"

namespace {

int Usage() {
  std::fputs(
      "usage: grammargen [--check] GRAMMAR [FOLDER]\n"
      "       grammargen --header GRAMMAR HEADER\n",
      stderr);
  return 2;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::string> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes through a temporary beside the file, so that a failed write leaves
// the old file; a file that already holds content is not touched, so that a
// build does not remake what includes it.
bool Write(const std::string& path, const std::string& content) {
  if (Read(path) == content) return true;
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << content) || !out.flush()) {
      std::fprintf(stderr, "Cannot write %s\n", temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::fprintf(stderr, "Cannot write %s: %s\n", path.c_str(), error.message().c_str());
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  bool check = false;
  std::string grammarPath, folder, header;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--check")
      check = true;
    else if (arg == "--header" && i + 2 < argc && grammarPath.empty()) {
      grammarPath = argv[++i];
      header = argv[++i];
    } else if (grammarPath.empty())
      grammarPath = arg;
    else if (folder.empty())
      folder = arg;
    else
      return Usage();
  }
  if (grammarPath.empty()) return Usage();
  if (folder.empty()) folder = FolderOf(grammarPath);
  if (!folder.empty() && folder.back() != '/') folder += '/';

  const std::optional<std::string> source = Read(grammarPath);
  if (!source) {
    std::fprintf(stderr, "Cannot open file %s\n", grammarPath.c_str());
    return 2;
  }
  ws::GeneratedGrammar grammar = ws::GenerateGrammar(*source);
  for (const std::string& problem : grammar.problems)
    std::fprintf(stderr, "%s: %s\n", grammarPath.c_str(), problem.c_str());
  if (!grammar.problems.empty()) return 1;
  if (!header.empty()) return Write(header, grammar.header) ? 0 : 2;

  const std::pair<const char*, const std::string*> files[] = {
      {"alpha", &grammar.alpha}, {"pred", &grammar.pred}, {"rules", &grammar.rules}};
  int differing = 0;
  for (const auto& [name, content] : files) {
    const std::string path = folder + name;
    if (!check) {
      if (!Write(path, *content)) return 2;
    } else if (Read(path) != *content) {
      std::fprintf(stderr, "%s differs from what %s gives\n", path.c_str(), grammarPath.c_str());
      ++differing;
    }
  }
  return differing == 0 ? 0 : 1;
}
