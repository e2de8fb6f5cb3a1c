#include "readers/route_readers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

TEST(GetRouteInformationFromMTALogs, EachRoutingLineGivesTheRecordItsFieldsName) {
  // Expectations are read off the lines by eye: fields are cut at single blanks, counted from 0.
  const std::string route =
      "2026-03-14 10:00:02.125\tRQ-MTA-ROUTE: [IN1] from [SMTP] inbound queue to [SF] queue as "
      "[OUT1] recipients 2";
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* id;
    bool back;
    RouteList want;  // after the record that was in the list before
  };
  const std::vector<Case> cases = {
      {"forward", {route}, "IN1", false, {{"OUT1", "SF", "", "2026-03-14 10:00:02.125"}}},
      {"backward", {route}, "OUT1", true, {{"IN1", "SMTP", "", "2026-03-14 10:00:02.125"}}},
      {"the ID in the other role",
       {route},
       "OUT1",
       false,
       {{"OUT1", "SF", "", "2026-03-14 10:00:02.125"}}},
      {"part of a longer ID",
       {route},
       "IN",
       false,
       {{"OUT1", "SF", "", "2026-03-14 10:00:02.125"}}},
      {"case matters", {route}, "in1", false, {}},
      {"without the tag",
       {"2026-03-14 10:00:02 RQ-MTA-PICKUP: [IN1] from [SMTP]"},
       "IN1",
       false,
       {}},
      {"every line in file order",
       {route, "x", "2026-03-14 10:00:09\tRQ-MTA-ROUTE: [IN1] a b c d e [LS] y z [L7]"},
       "IN1",
       false,
       {{"OUT1", "SF", "", "2026-03-14 10:00:02.125"}, {"L7", "LS", "", "2026-03-14 10:00:09"}}},
      {"fields the line lacks are empty",
       {"d t\tRQ-MTA-ROUTE: [IN1] from [SMTP]"},
       "IN1",
       false,
       {{"", "", "", "d t"}}},
      {"two blanks make an empty field",
       {"d t\tRQ-MTA-ROUTE:  [IN1] from [SMTP] inbound queue to [SF] queue as [OUT1]"},
       "IN1",
       false,
       {{"as", "to", "", "d t"}}},
      {"every bracket goes, inside a field too",
       {"d t\tRQ-MTA-ROUTE: [I[N]1] from [S]M[TP] inbound queue to [[SF]] queue as ]O[UT1"},
       "N]1",
       true,
       {{"IN1", "SMTP", "", "d t"}}},
      {"the time ends at the first TAB of its field",
       {"d 10:00\tx\ty RQ-MTA-ROUTE: [IN1]"},
       "IN1",
       true,
       {{"RQ-MTA-ROUTE:", "", "", "d 10:00"}}},
      {"no blank at all",
       {"RQ-MTA-ROUTE:[IN1]"},
       "IN1",
       false,
       {{"", "", "", "RQ-MTA-ROUTE:[IN1] "}}},
      {"an empty ID is in every route line",
       {route, ""},
       "",
       true,
       {{"IN1", "SMTP", "", "2026-03-14 10:00:02.125"}}},
  };
  const test::SampleServer sample;
  const RouteEntry old{"old", "LS", "", "t"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sample.WriteLog("MTA", "Debug", kDay, CrLfLines(c.lines));
    RouteList got{old};
    RouteList want{old};
    want.insert(want.end(), c.want.begin(), c.want.end());
    EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, c.id, c.back, got), 1);
    EXPECT_EQ(got, want);
    RouteList fresh;
    EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, c.id, c.back, fresh),
              c.want.empty() ? 0 : 1);
  }
  // No log: 0 although the list holds records, and the list unchanged.
  RouteList list(1, old);
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), {2026, 3, 1}, "IN1", false, list), 0);
  EXPECT_EQ(list.size(), 1u);
}

TEST(ConnectorRouteReaders, FirstBracketedLineOfTheirOwnLogOnly) {
  const test::SampleServer sample;
  sample.WriteLog("SF", "Debug", kDay,
                  CrLfLines({"names [ABCD] only", "first x[ABC]y", "second [ABC]", "empty []"}));
  sample.WriteLog("LS", "Debug", kDay, CrLfLines({"list [LID] delivered"}) + "last [END]");
  struct Case {
    const char* name;
    bool postoffice;
    const char* id;
    std::string before;
    int result;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"first of several", true, "ABC", "", 1, "first x[ABC]y\r\n"},
      {"appends after text already there", true, "ABC", "old\r\n", 1, "old\r\nfirst x[ABC]y\r\n"},
      {"empty id looks for []", true, "", "", 1, "empty []\r\n"},
      {"brackets are part of the search", true, "BC", "", 0, ""},
      {"list server log", false, "LID", "", 1, "list [LID] delivered\r\n"},
      {"last line without a break", false, "END", "", 1, "last [END]\r\n"},
      {"the other connector's log is never read", false, "ABC", "keep", 0, "keep"},
      {"nor the other way round", true, "LID", "", 0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string results = c.before;
    const int got = c.postoffice
                        ? GetRouteInformationFromSFLogs(sample.server(), kDay, c.id, results)
                        : GetRouteInformationFromLSLogs(sample.server(), kDay, c.id, results);
    EXPECT_EQ(got, c.result);
    EXPECT_EQ(results, c.after);
  }
  std::string results = "keep";
  EXPECT_EQ(GetRouteInformationFromSFLogs(sample.server(), {2026, 3, 15}, "ABC", results), 0);
  EXPECT_EQ(results, "keep");
}

}  // namespace
}  // namespace rq
