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
#include <string>
#include <string_view>

#include "fileio.h"
#include "grammargen.h"

namespace {

int Usage() {
  std::fputs("usage: grammargen [--check] GRAMMAR [FOLDER]\n", stderr);
  return 2;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  bool check = false;
  std::string grammarPath, folder;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--check")
      check = true;
    else if (grammarPath.empty())
      grammarPath = arg;
    else if (folder.empty())
      folder = arg;
    else
      return Usage();
  }
  if (grammarPath.empty()) return Usage();
  if (folder.empty()) folder = FolderOf(grammarPath);
  if (!folder.empty() && folder.back() != '/') folder += '/';

  try {
    ws::GeneratedGrammar grammar = ws::GenerateGrammar(ws::ReadTextFile(grammarPath));
    for (const std::string& problem : grammar.problems)
      std::fprintf(stderr, "%s: %s\n", grammarPath.c_str(), problem.c_str());
    if (!grammar.problems.empty()) return 1;

    const std::pair<const char*, const std::string*> files[] = {
        {"alpha", &grammar.alpha}, {"pred", &grammar.pred}, {"rules", &grammar.rules}};
    int differing = 0;
    for (const auto& [name, content] : files) {
      const std::string path = folder + name;
      if (!check) {
        ws::WriteFileAtomically(path, *content);
        continue;
      }
      std::string existing;
      try {
        existing = ws::ReadFileBytes(path);
      } catch (const ws::FileError&) {
      }
      if (existing != *content) {
        std::fprintf(stderr, "%s differs from what %s gives\n", path.c_str(), grammarPath.c_str());
        ++differing;
      }
    }
    return differing == 0 ? 0 : 1;
  } catch (const ws::FileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
}
