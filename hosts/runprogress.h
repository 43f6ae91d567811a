// The desktop's progress window: when it appears during a run, and its words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ws {

// The seconds field (0-59) of the current UTC time.
int ClockSecond();

// The words of the progress window for the document being run, once the run
// that started at startSecond has lasted more than four seconds at second;
// nothing before. Only the seconds fields are compared, so a clock that went
// round the minute counts on from 60 (and the words lose their blank).
std::optional<std::string> ProgressDue(int startSecond, int second, std::string_view document);

}  // namespace ws
