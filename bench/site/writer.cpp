// The floor of the site benchmark: writes pages that are already in memory,
// so its time is what creating that many files of those sizes costs.
//
//   writer PACK OUT_ROOT
//
// PACK holds "WSPACK <count>\n" and then, for each page, "<name>\n<size>\n"
// followed by the page's bytes. All pages are read before the clock starts;
// the seconds spent creating and writing the files are printed on stdout.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Page {
  std::string name;
  std::string_view bytes;
};

// The text up to the next line feed, advancing pos past it.
bool NextLine(std::string_view pack, std::size_t& pos, std::string_view& line) {
  std::size_t end = pack.find('\n', pos);
  if (end == std::string_view::npos) return false;
  line = pack.substr(pos, end - pos);
  pos = end + 1;
  return true;
}

bool ParsePack(std::string_view pack, std::vector<Page>& pages) {
  std::size_t pos = 0;
  std::string_view line;
  if (!NextLine(pack, pos, line) || !line.starts_with("WSPACK ")) return false;
  const unsigned long count = std::stoul(std::string(line.substr(7)));
  pages.reserve(count);
  for (unsigned long i = 0; i < count; ++i) {
    std::string_view name, size;
    if (!NextLine(pack, pos, name) || !NextLine(pack, pos, size)) return false;
    const std::size_t length = std::stoul(std::string(size));
    if (length > pack.size() - pos) return false;
    pages.push_back({std::string(name), pack.substr(pos, length)});
    pos += length;
  }
  return pos == pack.size();
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: writer PACK OUT_ROOT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string pack((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Page> pages;
  if (!in || !ParsePack(pack, pages)) {
    std::fprintf(stderr, "writer: %s is not a page pack\n", argv[1]);
    return 2;
  }
  const std::string root = std::string(argv[2]) + "/";
  for (Page& page : pages) page.name.insert(0, root);

  const auto start = std::chrono::steady_clock::now();
  for (const Page& page : pages) {
    int fd = ::open(page.name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !WriteAll(fd, page.bytes) || ::close(fd) != 0) {
      std::fprintf(stderr, "writer: cannot write %s: %s\n", page.name.c_str(),
                   std::strerror(errno));
      return 1;
    }
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", spent.count());
  return 0;
}
