// What any log line may tell by itself, whatever its log: the time stamp it begins with, and
// whether it names a message ID as a word of its own.
#pragma once

#include <optional>
#include <string_view>

#include "base/dates.h"

namespace rq {

// The stamp a line begins with. A debug line begins "YYYY-MM-DD HH:MM:SS.mmm", so it names its own
// day; an activity line begins "HH:MM:SS" and a TAB. A line that begins with neither (a
// continuation, a banner) has no time.
struct LineStamp {
  std::optional<Date> day;  // the day the line names itself, when it names a real one
  std::string_view time;    // "HH:MM:SS" or "HH:MM:SS.mmm"; empty without a time
};

LineStamp StampOf(std::string_view line);

inline constexpr long long kMsPerDay = 86400000;

// Milliseconds after midnight of a stamp's time: its hours, minutes and seconds and the first
// three digits of its fraction. A leap second (23:59:60) is the day's last millisecond: read as
// it stands it would be the next day's midnight, tied with that day's first lines.
long long MsOfDay(std::string_view time);

// Milliseconds since 1970-01-01 of the stamp a line begins with when it names its own day and a
// time, its time read as MsOfDay reads it; nullopt otherwise.
std::optional<long long> StampMs(std::string_view line);

// True when the line names the ID as a whole word, neither preceded nor followed by a letter or
// digit: E8B40A3E7 holds E8B40A3E as text, but does not name it.
bool NamesId(std::string_view line, std::string_view id);

}  // namespace rq
