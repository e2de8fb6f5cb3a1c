#include "readers/route_readers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

// A routing line: date, time TAB text, then the bracketed source ID (2), source code (4),
// target code (8) and target ID (11).
std::string RouteLine(const std::string& srcId, const std::string& srcCode,
                      const std::string& dstCode, const std::string& dstId) {
  return "03/14/26 10:00:02\tRQ-MTA-ROUTE [" + srcId + "] from [" + srcCode +
         "] queue routed to [" + dstCode + "] queue as [" + dstId + "]";
}

RouteEntry Entry(std::string id, std::string code, std::string time = "03/14/26 10:00:02") {
  RouteEntry e;
  e.MessageID = std::move(id);
  e.ConnectorCode = std::move(code);
  e.LogTime = std::move(time);
  return e;
}

TEST(GetRouteInformationFromMTALogs, FieldsForwardAndBackward) {
  const test::SampleServer sample;
  sample.WriteLog(
      "MTA", "Debug", kDay,
      CrLfLines({
          RouteLine("IN1", "SMTP", "SF", "OUT1"), "03/14/26 10:00:03 IN1 without the tag",
          "03/14/26 10:00:04 RQ-MTA-ROUTE without the id", RouteLine("IN1", "SMTP", "SMTP", "OUT2"),
          RouteLine("X", "LS", "[[LS]]", "IN1"),  // the ID in the other role
      }));
  RouteList forward;
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "IN1", false, forward), 1);
  EXPECT_EQ(forward, (RouteList{Entry("OUT1", "SF"), Entry("OUT2", "SMTP"), Entry("IN1", "LS")}));

  RouteList backward;
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "IN1", true, backward), 1);
  EXPECT_EQ(backward, (RouteList{Entry("IN1", "SMTP"), Entry("IN1", "SMTP"), Entry("X", "LS")}));
}

TEST(GetRouteInformationFromMTALogs, ShortLinesTabsAndEmptyId) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay,
                  CrLfLines({
                      "d1 t1 [Q7] RQ-MTA-ROUTE [SMTP]",  // fields 8 and 11 missing
                      "d2 t2\tx\ty [Q7] RQ-MTA-ROUTE",   // TABs are not separators
                      "d3  RQ-MTA-ROUTE  [Q7]",          // two blanks: an empty field
                      "RQ-MTA-ROUTE",                    // field 1 missing altogether
                      "",
                  }));
  RouteList list;
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "Q7", true, list), 1);
  EXPECT_EQ(list, (RouteList{Entry("Q7", "SMTP", "d1 t1"), Entry("Q7", "", "d2 t2"),
                             Entry("RQ-MTA-ROUTE", "Q7", "d3 ")}));

  // An empty ID matches every line with the tag.
  list.clear();
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "", false, list), 1);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].LogTime, "d2 t2");
  EXPECT_EQ(list[1].ConnectorCode, "");
  EXPECT_EQ(list[3].LogTime, "RQ-MTA-ROUTE ");
}

TEST(GetRouteInformationFromMTALogs, ResultCountsRecordsFromBefore) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay, CrLfLines({RouteLine("A", "SMTP", "SF", "B")}));
  RouteList list = {Entry("old", "LS")};
  // The log is there but names no such message: 1 because the list held a record.
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "NONE", false, list), 1);
  EXPECT_EQ(list.size(), 1u);
  // New records go after the old ones.
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "A", false, list), 1);
  EXPECT_EQ(list, (RouteList{Entry("old", "LS"), Entry("B", "SF")}));
  // No log: 0 although the list holds records, and the list unchanged.
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), {2026, 3, 1}, "A", false, list), 0);
  EXPECT_EQ(list.size(), 2u);
  RouteList empty;
  EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, "NONE", false, empty), 0);
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
