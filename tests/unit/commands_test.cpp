#include "app/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "tracing/queue_walker.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};
constexpr const char* kDateBox = "260314";

std::string Act(const std::string& tag, const std::string& id, const std::string& verb,
                const std::string& arg) {
  return "t\t" + tag + "\t" + id + "\tip\tcmd\t" + verb + "\t" + arg;
}

Message Tool(const std::string& text) {
  return Message{kToolTitle, text, MessageIcon::kInformation};
}

// What the window makes of a search (list, buttons, messages, focus) is the form tests' business;
// here what only the command sees: the connector codes.
TEST(SearchOrigins, TheCheckBoxCountsForTheSmtpConnectorOnly) {
  const test::SampleServer sample;
  sample.WriteLog(
      "SMTP", "Activity", kDay,
      CrLfLines({Act("SMTP-IN", "I1", "MAIL", "<a b@x>"), Act("SMTP-OU", "O1", "MAIL", "<a@x>")}));
  sample.WriteLog("SF", "Activity", kDay, CrLfLines({Act("SMTP-IN", "P1", "RCPT", "<a@x>")}));
  OriginList origins;
  SearchOrigins(sample.server(), kDateBox, "SMTP", "a@x", "", true, origins);
  ASSERT_EQ(origins.size(), 1u);
  EXPECT_EQ(origins[0].MessageID, "O1");
  SearchOrigins(sample.server(), kDateBox, "SF", "", "a@x", true, origins);
  ASSERT_EQ(origins.size(), 1u);
  EXPECT_EQ(origins[0].MessageID, "P1");
  for (const char* code : {"LS", "smtp", "POP"}) {
    SCOPED_TRACE(code);
    const SearchOutcome o =
        SearchOrigins(sample.server(), kDateBox, code, "a", "a", false, origins);
    EXPECT_EQ(o.message, Tool("Could not find messages matching the criteria specified"));
  }
}

// The report texts are pinned end to end; here what only the commands decide: the report is
// cleared first, and the walker gets the day in the user's short date form.
TEST(TraceMessage, ClearsTheReportAndShowsItOnEveryRoad) {
  const test::SampleServer sample;
  StringReport report;
  const auto trace = [&](const std::string& id) {
    report.WriteTraceOutput("left over from before");
    return TraceMessage(sample.server(), DateFormat("%d.%m.%Y"), kDateBox, id, false, report);
  };
  sample.WriteLog("MTA", "Debug", kDay, "d t [IN] x [SMTP] x x x [SF] x x [P1] RQ-MTA-ROUTE\r\n");
  sample.WriteInboundFile("Q1");
  const std::vector<std::pair<std::string, int>> roads = {
      {"IN", kWalkRouted}, {"Q1", kWalkWaiting}, {"Q2", kWalkNotRouted}};
  for (const auto& [id, result] : roads) {
    SCOPED_TRACE(id);
    const CommandOutcome o = trace(id);
    EXPECT_EQ(o.walkResult, result);
    EXPECT_TRUE(o.showReport);
    EXPECT_FALSE(o.message.has_value());
    EXPECT_EQ(report.text().find("left over"), std::string::npos);
  }
  trace("IN");
  EXPECT_NE(report.text().find("no log entry on 14.03.2026 to indicate"), std::string::npos);
}

TEST(ShowTransaction, ClearsTheReport) {
  const test::SampleServer sample;
  StringReport report;
  sample.WriteLog("SMTP", "Activity", kDay, CrLfLines({"a ID", "b"}));
  report.WriteTraceOutput("left over");
  EXPECT_TRUE(ShowTransaction(sample.server(), kDateBox, "ID", report).showReport);
  EXPECT_EQ(
      report.text(),
      "Status: SMTP transaction details for Message ID [ID] follow below: \r\n\r\na ID\r\n\r\n");
}

}  // namespace
}  // namespace rq
