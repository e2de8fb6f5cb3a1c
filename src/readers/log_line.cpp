#include "readers/log_line.h"

#include <algorithm>
#include <cstddef>

namespace rq {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsIdByte(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The number written by the digits of text[from, from + count), or -1 when one is not a digit.
int Number(std::string_view text, std::size_t from, std::size_t count) {
  int n = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (!IsDigit(text[i])) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

// The length of the "HH:MM:SS" or "HH:MM:SS.mmm" at the text's start, 0 when there is none.
std::size_t TimeLength(std::string_view text) {
  if (text.size() < 8 || text[2] != ':' || text[5] != ':' || Number(text, 0, 2) > 23 ||
      Number(text, 0, 2) < 0 || Number(text, 3, 2) < 0 || Number(text, 3, 2) > 59 ||
      Number(text, 6, 2) < 0 || Number(text, 6, 2) > 60) {
    return 0;
  }
  std::size_t end = 8;
  if (end < text.size() && text[end] == '.') {
    while (end + 1 < text.size() && IsDigit(text[end + 1])) ++end;
    if (end == 8) return 8;  // a dot without digits is not part of the time
    ++end;
  }
  return end;
}

}  // namespace

LineStamp StampOf(std::string_view line) {
  LineStamp stamp;
  if (line.size() > 11 && line[4] == '-' && line[7] == '-' && line[10] == ' ') {
    const int year = Number(line, 0, 4), month = Number(line, 5, 2), day = Number(line, 8, 2);
    const Date named{year, month, day};
    // A day that does not read back the same (2026-02-30) is no day the line can be shown under.
    if (year >= 0 && month >= 1 && day >= 1 &&
        CivilFromDays(DaysFromCivil(year, month, day)) == named) {
      stamp.day = named;
    }
    line.remove_prefix(11);
  }
  stamp.time = line.substr(0, TimeLength(line));
  if (stamp.time.empty()) stamp.day.reset();  // a date without a time is not a stamp
  return stamp;
}

long long MsOfDay(std::string_view time) {
  long long ms =
      ((Number(time, 0, 2) * 60LL + Number(time, 3, 2)) * 60 + Number(time, 6, 2)) * 1000;
  for (std::size_t i = 9, scale = 100; i < time.size() && i < 12; ++i, scale /= 10) {
    ms += (time[i] - '0') * static_cast<long long>(scale);
  }
  return std::min(ms, kMsPerDay - 1);
}

std::optional<long long> StampMs(std::string_view line) {
  const LineStamp stamp = StampOf(line);
  if (!stamp.day) return std::nullopt;
  return DaysFromCivil(stamp.day->year, stamp.day->month, stamp.day->day) * kMsPerDay +
         MsOfDay(stamp.time);
}

bool NamesId(std::string_view line, std::string_view id) {
  if (id.empty()) return false;
  for (std::size_t at = line.find(id); at != std::string_view::npos; at = line.find(id, at + 1)) {
    const std::size_t end = at + id.size();
    if ((at == 0 || !IsIdByte(line[at - 1])) && (end == line.size() || !IsIdByte(line[end]))) {
      return true;
    }
  }
  return false;
}

}  // namespace rq
