// Calendar days, log dates (YYMMDD) and the user's short date form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rq {

// A calendar day without a time of day (proleptic Gregorian).
struct Date {
  int year = 2000;
  int month = 1;
  int day = 1;

  friend bool operator==(const Date&, const Date&) = default;
};

// Days since 1970-01-01, and back; both accept any day, months and days are normalised.
long long DaysFromCivil(int year, int month, int day);
Date CivilFromDays(long long days);
Date AddDays(const Date& date, long long days);

// Today's local date.
Date TodayLocal();

// Characters 1-2, 3-4 and 5-6 of the text as year 2000+YY, month and day; a part that is empty or
// not all digits counts as 0. Months and days outside their range roll over the calendar: month 0
// is December of the year before, day 0 the last day of the month before.
Date DateFromLogDate(std::string_view text);

// The day as YYMMDD: year - 2000, month and day, each filled to two digits with zeros (a year
// part of three digits stays so).
std::string LogDateOf(const Date& date);

// The pattern, in the notation DateFormat takes, of a Windows date picture such as "M/d/yyyy" or
// "dd.MM.yyyy": d, dd, ddd, dddd for the day (no zero, zero-filled, short and full weekday name),
// M, MM, MMM, MMMM likewise for the month, y and yy for the two-digit year, yyy and longer for the
// full year; text in single quotes is literal ('' is a quote); the era (g, gg) is left out.
// Every other character stands for itself.
std::string DatePatternFromWindowsPicture(std::string_view picture);

// The user's short date form (date only). Holds the pattern it was made with; the core never
// reads global locale state itself: the front end builds one from the user's locale.
class DateFormat {
 public:
  // Pattern in strftime notation, such as "%m/%d/%y" (the C locale's form).
  explicit DateFormat(std::string pattern = "%m/%d/%y");

  // The short date form of the process's LC_TIME locale (on Windows: the user's locale); the C
  // locale's form when the user's form could not be read back losslessly.
  static DateFormat FromUserLocale();

  // The form of `pattern` when every day written in it reads back as the same day, else the C
  // locale's form.
  static DateFormat Checked(std::string pattern);

  const std::string& pattern() const { return pattern_; }

  // The day in this form. A form with a two-digit year writes the full year for days outside
  // 2000-2099, so that Parse gives back the same day.
  std::string Format(const Date& date) const;

  // Reads a text written by Format back into the same day; nullopt when it does not fit.
  std::optional<Date> Parse(std::string_view text) const;

 private:
  std::string pattern_;
};

}  // namespace rq
