#include "runprogress.h"

#include <ctime>

#include "messages.h"

namespace ws {

int ClockSecond() {
  // Unix time counts no leap seconds, so its remainder is the UTC seconds
  // field; cheaper than breaking the time down, and a host may ask at every
  // instruction.
  return static_cast<int>(std::time(nullptr) % 60);
}

std::optional<std::string> ProgressDue(int startSecond, int second, std::string_view document) {
  const bool wrapped = second < startSecond;
  const int elapsed = wrapped ? second + 60 - startSecond : second - startSecond;
  if (elapsed <= 4) return std::nullopt;
  return MessageText(wrapped ? MessageId::RunningProgressWrapped : MessageId::RunningProgress,
                     {document});
}

}  // namespace ws
