// syntaxgen: writes the syntax definitions of build files for other editors
// from the command table.
//
//   syntaxgen FOLDER VERSION
//
// Writes FOLDER/weftsmith.xml (KDE syntax highlighting) and
// FOLDER/weftsmith.tmLanguage.json (TextMate). VERSION is the definition's
// version, a whole number.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "syntaxgen.h"

namespace {

// Writes through a temporary beside the file, so that a failed write leaves
// the old file.
bool Write(const std::filesystem::path& path, const std::string& content) {
  const std::filesystem::path temporary = path.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << content) || !out.flush()) {
      std::fprintf(stderr, "syntaxgen: cannot write %s\n", temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error)
    std::fprintf(stderr, "syntaxgen: cannot write %s: %s\n", path.c_str(), error.message().c_str());
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: syntaxgen FOLDER VERSION\n", stderr);
    return 2;
  }
  const std::string_view text = argv[2];
  int version = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
  if (error != std::errc() || end != text.data() + text.size() || version <= 0) {
    std::fprintf(stderr, "syntaxgen: the version must be a whole number above 0, not \"%s\"\n",
                 argv[2]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    std::fprintf(stderr, "syntaxgen: cannot make %s: %s\n", argv[1], made.message().c_str());
    return 1;
  }
  const bool written =
      Write(folder / "weftsmith.xml", ws::syntaxgen::KdeDefinition(version)) &&
      Write(folder / "weftsmith.tmLanguage.json", ws::syntaxgen::TextMateGrammar());
  return written ? 0 : 1;
}
