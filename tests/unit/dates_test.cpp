#include "base/dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rq {
namespace {

TEST(DateFromLogDate, DigitsAndCalendarRollOver) {
  struct Case {
    const char* text;
    Date expected;
  };
  // Day 0 is the last day of the month before, month 0 December of the year before, month 13
  // January of the year after, and days beyond the month carry over; a part that is missing or
  // not all digits (a letter, a blank, a sign) counts 0; nothing after the sixth character counts.
  const std::vector<Case> cases = {
      {"240105", {2024, 1, 5}},   {"240100", {2023, 12, 31}},   {"2401", {2023, 12, 31}},
      {"240005", {2023, 12, 5}},  {"241305", {2025, 1, 5}},     {"240230", {2024, 3, 1}},
      {"240229", {2024, 2, 29}},  {"249999", {2032, 6, 7}},     {"", {1999, 11, 30}},
      {"xx0105", {2000, 1, 5}},   {"24a105", {2023, 12, 5}},    {"24010", {2023, 12, 31}},
      {"2401 5", {2023, 12, 31}}, {"2401051234", {2024, 1, 5}}, {"990101", {2099, 1, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DateFromLogDate(c.text), c.expected);
  }
}

TEST(Calendar, AddDaysAcrossLeapDaysAndYears) {
  EXPECT_EQ(AddDays({2024, 3, 1}, -1), (Date{2024, 2, 29}));
  EXPECT_EQ(AddDays({1900, 2, 28}, 1), (Date{1900, 3, 1}));
  EXPECT_EQ(AddDays({2026, 1, 1}, -1), (Date{2025, 12, 31}));
}

TEST(DateFormat, FormatsAndParsesEveryPatternLosslessly) {
  const std::vector<std::string> patterns = {"%m/%d/%y", "%d.%m.%Y",      "%Y-%m-%d",   "%d/%m/%y",
                                             "%e/%m/%Y", "%-d.%-m.%y",    "%D",         "%F",
                                             "%d %b %Y", "%A, %B %d, %Y", "%Od/%Om/%Ey"};
  const std::vector<Date> days = {{2026, 3, 4}, {2000, 1, 1},  {2099, 12, 31}, {1999, 12, 31},
                                  {2100, 1, 1}, {2024, 2, 29}, {1970, 10, 5},  {2345, 6, 7}};
  for (const std::string& pattern : patterns) {
    const DateFormat format(pattern);
    for (const Date& d : days) {
      const std::string text = format.Format(d);
      SCOPED_TRACE(pattern + " -> " + text);
      const auto back = format.Parse(text);
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(*back, d);
    }
  }
}

TEST(DateFormat, WritesTheUsualForms) {
  EXPECT_EQ(DateFormat().Format({2026, 3, 4}), "03/04/26");
  EXPECT_EQ(DateFormat("").pattern(), "%m/%d/%y");
  EXPECT_EQ(DateFormat("%d.%m.%Y").Format({2026, 3, 4}), "04.03.2026");
  EXPECT_EQ(DateFormat("%e/%m/%y").Format({2026, 3, 4}), " 4/03/26");
  EXPECT_EQ(DateFormat("%-d/%-m/%y").Format({2026, 3, 4}), "4/3/26");
  // A two-digit year form writes the whole year outside 2000-2099, so no day is mistaken.
  EXPECT_EQ(DateFormat().Format({1999, 12, 31}), "12/31/1999");
  EXPECT_EQ(DateFormat().Format({2100, 1, 1}), "01/01/2100");
  EXPECT_EQ(DateFormat("%A %d %B %Y").Format({2026, 12, 6}), "Sunday 06 December 2026");
  // A modifier at the very end modifies nothing and is written as it stands.
  EXPECT_EQ(DateFormat("%d%O").Format({2026, 12, 6}), "06%O");
}

TEST(DateFormat, ParseRefusesTextThatDoesNotFit) {
  const DateFormat format("%m/%d/%y");
  for (const char* text : {"", "13/01/26", "02/30/26", "00/10/26", "1/2", "01/02/26x", "01-02-26",
                           "ab/cd/ef", "01/02/"}) {
    EXPECT_FALSE(format.Parse(text).has_value()) << text;
  }
  EXPECT_EQ(format.Parse("1/2/26"), (Date{2026, 1, 2}));
}

TEST(DateFormat, CheckedKeepsOnlyFormsThatReadBack) {
  EXPECT_EQ(DateFormat::Checked("%d.%m.%Y").pattern(), "%d.%m.%Y");
  EXPECT_EQ(DateFormat::Checked("%Y-%m-%d").pattern(), "%Y-%m-%d");
  // No day field, or a conversion the reader does not know: the day could not come back.
  for (const char* pattern : {"%m/%y", "%d %Q %Y", "%d/%m/%y %H"}) {
    EXPECT_EQ(DateFormat::Checked(pattern).pattern(), "%m/%d/%y") << pattern;
  }
}

}  // namespace
}  // namespace rq
