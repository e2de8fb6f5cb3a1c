#include "readers/route_readers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

TEST(GetRouteInformationFromMTALogs, RandomLogsAgreeWithThePlainRule) {
  // Routing lines with fields missing, empty (two blanks), TABs inside a field, the ID in either
  // role or none; the lines found go after the records from before.
  const std::vector<std::string> tokens = {
      "RQ-MTA-ROUTE", "[IN1]",       "IN1", "[SMTP]", "[SF]", "from",
      "03/14/26",     "10:00:02\tx", "",    "[X]",    "to"};
  std::mt19937 random(14);
  const test::SampleServer sample;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines(1 + random() % 4);
    for (std::string& line : lines) {
      for (int i = random() % 14; i > 0; --i) line += tokens[random() % tokens.size()] + " ";
    }
    sample.WriteLog("MTA", "Debug", kDay, CrLfLines(lines));
    SCOPED_TRACE(testing::PrintToString(lines));
    for (const char* id : {"IN1", "X", ""}) {
      for (const bool back : {false, true}) {
        const RouteList before(round % 3 == 0 ? 1 : 0, RouteEntry{"old", "LS", "", "t"});
        RouteList want = before;
        for (const RouteEntry& e : test::PlainRoutes(lines, id, back)) want.push_back(e);
        RouteList got = before;
        EXPECT_EQ(GetRouteInformationFromMTALogs(sample.server(), kDay, id, back, got),
                  want.empty() ? 0 : 1);
        EXPECT_EQ(got, want) << id << " back " << back;
      }
    }
  }
  // No log: 0 although the list holds records, and the list unchanged.
  RouteList list(1, RouteEntry{"old", "LS", "", "t"});
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
