#include "base/dates.h"

#include <array>
#include <cstdio>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace rq {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int PartOf(std::string_view text, std::size_t from) {
  if (from >= text.size()) return 0;
  const std::string_view part = text.substr(from, 2);
  if (!AllDigits(part)) return 0;
  int v = 0;
  for (char c : part) v = v * 10 + (c - '0');
  return v;
}

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  if (s.size() < 2) s.insert(0, 2 - s.size(), '0');
  return s;
}

constexpr std::array<const char*, 12> kMonthAbbr = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kMonthFull = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayAbbr = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kDayFull = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};

int Weekday(const Date& d) {
  const long long days = DaysFromCivil(d.year, d.month, d.day);
  return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

// Reads up to `maxDigits` digits (at least one) at `pos`; -1 when there is none.
long long ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
  std::size_t n = 0;
  long long v = 0;
  while (pos < text.size() && n < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    v = v * 10 + (text[pos] - '0');
    ++pos;
    ++n;
  }
  return n == 0 ? -1 : static_cast<long long>(v);
}

bool ReadName(std::string_view text, std::size_t& pos, const char* const* names, std::size_t count,
              int& index) {
  std::size_t best = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view name = names[i];
    if (name.size() > best && text.substr(pos, name.size()) == name) {
      best = name.size();
      index = static_cast<int>(i);
    }
  }
  pos += best;
  return best > 0;
}

}  // namespace

long long DaysFromCivil(int year, int month, int day) {
  // Normalise the month first so that month 0 or 13 rolls into the next or previous year.
  long long y = year;
  long long m = month - 1;
  y += m >= 0 ? m / 12 : -((11 - m) / 12);
  m = ((m % 12) + 12) % 12 + 1;
  // Howard Hinnant's days_from_civil, then the day of the month added as an offset.
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (day - 1);
}

Date CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = yoe + era * 400;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  return Date{static_cast<int>(y + (m <= 2 ? 1 : 0)), static_cast<int>(m), static_cast<int>(d)};
}

Date AddDays(const Date& date, long long days) {
  return CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + days);
}

Date TodayLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

Date DateFromLogDate(std::string_view text) {
  const int y = PartOf(text, 0);
  const int m = PartOf(text, 2);
  const int d = PartOf(text, 4);
  return CivilFromDays(DaysFromCivil(2000 + y, m, d));
}

std::string LogDateOf(const Date& date) {
  return TwoDigits(date.year - 2000) + TwoDigits(date.month) + TwoDigits(date.day);
}

std::string DatePatternFromWindowsPicture(std::string_view picture) {
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted text up to the next lone quote; a doubled quote inside or outside is one quote.
      if (i + 1 < picture.size() && picture[i + 1] == '\'') {
        out += '\'';
        i += 2;
        continue;
      }
      for (++i; i < picture.size(); ++i) {
        if (picture[i] == '\'') {
          if (i + 1 < picture.size() && picture[i + 1] == '\'') {
            out += '\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        out += picture[i] == '%' ? std::string("%%") : std::string(1, picture[i]);
      }
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd':
        out += run == 1 ? "%-d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A";
        break;
      case 'M':
        out += run == 1 ? "%-m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B";
        break;
      case 'y':
        out += run <= 2 ? "%y" : "%Y";
        break;
      case 'g':
        break;
      case '%':
        for (std::size_t k = 0; k < run; ++k) out += "%%";
        break;
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

DateFormat::DateFormat(std::string pattern) : pattern_(std::move(pattern)) {
  if (pattern_.empty()) pattern_ = "%m/%d/%y";
}

DateFormat DateFormat::FromUserLocale() {
#ifdef _WIN32
  char picture[128] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, sizeof picture) <= 0) {
    return DateFormat();
  }
  return DateFormat::Checked(DatePatternFromWindowsPicture(picture));
#else
  locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return DateFormat();
  std::string pattern = nl_langinfo_l(D_FMT, loc);
  freelocale(loc);
  return DateFormat::Checked(pattern);
#endif
}

DateFormat DateFormat::Checked(std::string pattern) {
  // A walk reads its day back from the text; a form that cannot give back every day would make it
  // trace the wrong day, so such a form gives way to the C locale's.
  DateFormat format(std::move(pattern));
  for (const Date probe : {Date{2026, 12, 6}, Date{2000, 1, 31}, Date{2099, 2, 28},
                           Date{1999, 12, 31}, Date{2100, 1, 1}}) {
    if (format.Parse(format.Format(probe)) != probe) return DateFormat();
  }
  return format;
}

std::string DateFormat::Format(const Date& date) const {
  const bool wideYear = date.year < 2000 || date.year > 2099;
  std::string out;
  for (std::size_t i = 0; i < pattern_.size(); ++i) {
    const char c = pattern_[i];
    if (c != '%' || i + 1 == pattern_.size()) {
      out += c;
      continue;
    }
    char conv = pattern_[++i];
    bool noPad = false;
    if ((conv == '-' || conv == 'E' || conv == 'O') && i + 1 < pattern_.size()) {
      noPad = conv == '-';
      conv = pattern_[++i];
    }
    switch (conv) {
      case 'd':
        out += noPad ? std::to_string(date.day) : TwoDigits(date.day);
        break;
      case 'e':
        // Two appends rather than "literal" + string: GCC 12 at -O3 warns falsely about the
        // latter (-Wrestrict).
        if (date.day < 10 && !noPad) out += ' ';
        out += std::to_string(date.day);
        break;
      case 'm':
        out += noPad ? std::to_string(date.month) : TwoDigits(date.month);
        break;
      case 'y':
        out += wideYear ? std::to_string(date.year) : TwoDigits(date.year % 100);
        break;
      case 'Y':
        out += std::to_string(date.year);
        break;
      case 'D':
        out += DateFormat("%m/%d/%y").Format(date);
        break;
      case 'F':
        out += DateFormat("%Y-%m-%d").Format(date);
        break;
      case 'b':
      case 'h':
        out += kMonthAbbr[static_cast<std::size_t>(date.month - 1)];
        break;
      case 'B':
        out += kMonthFull[static_cast<std::size_t>(date.month - 1)];
        break;
      case 'a':
        out += kDayAbbr[static_cast<std::size_t>(Weekday(date))];
        break;
      case 'A':
        out += kDayFull[static_cast<std::size_t>(Weekday(date))];
        break;
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        out += conv;
        break;
    }
  }
  return out;
}

std::optional<Date> DateFormat::Parse(std::string_view text) const {
  long long year = -1;
  long long month = -1;
  long long day = -1;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < pattern_.size(); ++i) {
    const char c = pattern_[i];
    if (c != '%' || i + 1 == pattern_.size()) {
      if (pos >= text.size() || text[pos] != c) return std::nullopt;
      ++pos;
      continue;
    }
    char conv = pattern_[++i];
    if ((conv == '-' || conv == 'E' || conv == 'O') && i + 1 < pattern_.size()) {
      conv = pattern_[++i];
    }
    int index = 0;
    switch (conv) {
      case 'e':
        if (pos < text.size() && text[pos] == ' ') ++pos;
        [[fallthrough]];
      case 'd':
        day = ReadNumber(text, pos, 2);
        break;
      case 'm':
        month = ReadNumber(text, pos, 2);
        break;
      case 'y': {
        const std::size_t start = pos;
        year = ReadNumber(text, pos, 6);
        if (year >= 0 && pos - start <= 2) year += 2000;
        break;
      }
      case 'Y':
        year = ReadNumber(text, pos, 6);
        break;
      case 'D':
      case 'F': {
        const std::string sub = conv == 'D' ? "%m/%d/%y" : "%Y-%m-%d";
        // Find how much of the text the sub-form takes: try the longest prefix that parses.
        const DateFormat inner(sub);
        for (std::size_t len = text.size() - pos; len > 0; --len) {
          if (auto d = inner.Parse(text.substr(pos, len))) {
            year = d->year, month = d->month, day = d->day;
            pos += len;
            break;
          }
        }
        if (year < 0) return std::nullopt;
        break;
      }
      case 'b':
      case 'h':
        if (!ReadName(text, pos, kMonthAbbr.data(), kMonthAbbr.size(), index)) return std::nullopt;
        month = index + 1;
        break;
      case 'B':
        if (!ReadName(text, pos, kMonthFull.data(), kMonthFull.size(), index)) return std::nullopt;
        month = index + 1;
        break;
      case 'a':
        if (!ReadName(text, pos, kDayAbbr.data(), kDayAbbr.size(), index)) return std::nullopt;
        break;
      case 'A':
        if (!ReadName(text, pos, kDayFull.data(), kDayFull.size(), index)) return std::nullopt;
        break;
      case '%':
        if (pos >= text.size() || text[pos] != '%') return std::nullopt;
        ++pos;
        break;
      default:
        return std::nullopt;
    }
  }
  if (pos != text.size() || year < 0 || month < 1 || month > 12 || day < 1 || day > 31) {
    return std::nullopt;
  }
  const Date d{static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
  if (CivilFromDays(DaysFromCivil(d.year, d.month, d.day)) != d) return std::nullopt;
  return d;
}

}  // namespace rq
