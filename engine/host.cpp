#include "host.h"

#include <clocale>
#include <ctime>

namespace ws {

int Host::ClockSecond() const {
  // Unix time counts no leap seconds, so its remainder is the UTC seconds
  // field; cheaper than breaking the time down, and this runs per instruction.
  return static_cast<int>(std::time(nullptr) % 60);
}

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
