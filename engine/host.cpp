#include "host.h"

#include <clocale>
#include <ctime>

namespace ws {

namespace {
// Formats the local time with an strftime pattern of the C library's current
// locale (LC_TIME). "%x" is the locale's short date, "%X" its full time.
std::string FormatLocalTime(const char* pattern) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  std::size_t n = std::strftime(text, sizeof text, pattern, &local);
  return std::string(text, n);
}
}  // namespace

std::string Host::CurrentDateText() const {
  return FormatLocalTime("%x");
}
std::string Host::CurrentTimeText() const {
  return FormatLocalTime("%X");
}

}  // namespace ws
