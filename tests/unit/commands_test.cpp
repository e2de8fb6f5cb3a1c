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

class TraceCommandTest : public ::testing::Test {
 protected:
  CommandOutcome Trace(const std::optional<std::string>& id, bool backtrace = false) {
    report.WriteTraceOutput("left over from before");
    return TraceMessage(sample.server(), DateFormat("%d.%m.%Y"), kDateBox, id, backtrace, report);
  }
  test::SampleServer sample;
  StringReport report;
};

TEST_F(TraceCommandTest, RoutedAndWaitingShowTheReport) {
  sample.WriteLog("MTA", "Debug", kDay, "d t [IN] x [SMTP] x x x [SF] x x [P1] RQ-MTA-ROUTE\r\n");
  CommandOutcome o = Trace("IN");
  EXPECT_EQ(o.walkResult, kWalkRouted);
  EXPECT_TRUE(o.showReport);
  EXPECT_FALSE(o.message.has_value());
  // The walker is given the day in the user's short date form.
  EXPECT_NE(report.text().find("no log entry on 14.03.2026 to indicate"), std::string::npos);
  EXPECT_EQ(report.text().find("left over"), std::string::npos);

  sample.WriteInboundFile("Q1");
  o = Trace("Q1");
  EXPECT_EQ(o.walkResult, kWalkWaiting);
  EXPECT_TRUE(o.showReport);
  EXPECT_EQ(report.text().find("Important"), std::string::npos);
}

TEST_F(TraceCommandTest, NotRoutedAddsTheInboundTransaction) {
  const std::string important =
      "Important: Message ID [Q2] does not seem to have been routed through Ravenquill queues (an "
      "error most likely occured when receiving this message).\r\n\r\n";
  CommandOutcome o = Trace("Q2");
  EXPECT_EQ(o.walkResult, kWalkNotRouted);
  EXPECT_TRUE(o.showReport);
  ASSERT_GE(report.text().size(), important.size());
  EXPECT_EQ(report.text().substr(report.text().size() - important.size()), important);

  sample.WriteLog("SMTP", "Activity", kDay, CrLfLines({"in Q2 one", "other", "in Q2 two"}));
  o = Trace("Q2");
  const std::string tail = important +
                           "Status: SMTP Inbound transaction details for Message ID [Q2] follow "
                           "below: \r\nin Q2 one\r\nin Q2 two\r\n\r\n";
  ASSERT_GE(report.text().size(), tail.size());
  EXPECT_EQ(report.text().substr(report.text().size() - tail.size()), tail);
}

TEST(ShowTransaction, ReportOrMessage) {
  const test::SampleServer sample;
  StringReport report;
  const CommandOutcome missing = ShowTransaction(sample.server(), kDateBox, "ID", report);
  ASSERT_TRUE(missing.message.has_value());
  EXPECT_EQ(missing.message->text.rfind(
                "Unable to locate message details in from selected origin. Error (53) ", 0),
            0u);
  EXPECT_FALSE(missing.showReport);

  sample.WriteLog("SMTP", "Activity", kDay, CrLfLines({"a ID", "b", "c ID", "d ID2"}));
  const CommandOutcome none = ShowTransaction(sample.server(), kDateBox, "NONE", report);
  EXPECT_EQ(none.message,
            Tool("Unable to locate message details in from selected origin. Error (0) "));

  report.WriteTraceOutput("left over");
  const CommandOutcome shown = ShowTransaction(sample.server(), kDateBox, "ID", report);
  EXPECT_TRUE(shown.showReport);
  EXPECT_FALSE(shown.message.has_value());
  EXPECT_EQ(report.text(),
            "Status: SMTP transaction details for Message ID [ID] follow below: \r\n\r\n"
            "a ID\r\nc ID\r\nd ID2\r\n\r\n");
}

}  // namespace
}  // namespace rq
