#include "readers/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace rq {
namespace {

// The stamp a line begins with: its day only from a date that is a real day and is followed by
// a time; no time from anything that is not one.
TEST(StampOf, DayAndTimeOnlyWhenTheLineBeginsWithThem) {
  struct Case {
    const char* line;
    const char* day;  // YYMMDD, or "" for none
    const char* time;
  };
  const Case cases[] = {
      {"2026-12-07 00:00:02.050 [0409] RQ-I0018: [A] requeued", "261207", "00:00:02.050"},
      {"2026-12-06 23:59:58.000\tRQ-MTA-ROUTE: [A]", "261206", "23:59:58.000"},
      {"00:00:03\tSMTP-OU\tA\t7301", "", "00:00:03"},
      {"\t[A] remote reply continued", "", ""},
      {"2026-02-30 10:00:00.000 a day that is none", "", "10:00:00.000"},
      {"2026-12-07 banner without a time", "", ""},
      {"24:00:00\tnot a time of day", "", ""},
      {"12:34:56.\tdot without digits", "", "12:34:56"},
      {"12:34:5", "", ""},
      {"12:60:00\tminute", "", ""},
      {"12:34:61\tsecond", "", ""},
      {"12-34-56\tdashes", "", ""},
  };
  for (const Case& c : cases) {
    const LineStamp stamp = StampOf(c.line);
    EXPECT_EQ(stamp.day ? LogDateOf(*stamp.day) : "", c.day) << c.line;
    EXPECT_EQ(stamp.time, c.time) << c.line;
  }
}

TEST(StampMs, MillisecondsBetweenStampsAcrossMidnightAndYears) {
  const auto at = [](const char* line) { return StampMs(line).value_or(-1); };
  EXPECT_EQ(at("2026-12-07 00:00:01.25 a") - at("2026-12-06 23:59:58.000 b"), 3250);
  EXPECT_EQ(at("2027-01-01 00:00:00\tx") - at("2026-12-31 23:59:59.999"), 1);
  EXPECT_FALSE(StampMs("00:00:03\tSMTP-OU").has_value());  // no day of its own
  EXPECT_FALSE(StampMs("2026-02-30 10:00:00.000").has_value());
}

}  // namespace
}  // namespace rq
