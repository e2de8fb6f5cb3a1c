// The walker's rules on small logs of our own. The report texts of every road are pinned end to
// end on the sample server; here what decides which road is taken and what is read.
#include "tracing/queue_walker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/output.h"
#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

std::string RouteLine(const std::string& srcId, const std::string& srcCode,
                      const std::string& dstCode, const std::string& dstId) {
  return "03/14/26 10:00:00\tRQ-MTA-ROUTE [" + srcId + "] from [" + srcCode +
         "] queue routed to [" + dstCode + "] queue as [" + dstId + "]";
}

std::string Requeue(const std::string& parent, const std::string& copy, const std::string& domain) {
  return "03/14/26 10:00:05 RQ-I0018: [" + parent + "] requeued as [" + copy + "] target domain [" +
         domain + "]";
}

struct Walked {
  int result;
  std::string report;
};

Walked Walk(const test::SampleServer& sample, std::string_view id, bool backtrace,
            std::string_view code = "SMTP", const DateFormat& format = DateFormat(),
            std::string_view dateText = "03/14/26") {
  Findings findings;
  const int result = SearchConnectorQueueByMessageID(sample.server(), format, findings, code,
                                                     dateText, id, backtrace);
  StringReport report;
  PrintReport(findings, report);
  return {result, report.text()};
}

bool Has(const Walked& w, const std::string& text) {
  return w.report.find(text) != std::string::npos;
}

// Once the routing agent's log has a routing line for the message, it was routed, whatever the
// last entry's connector and whether that connector logged it.
TEST(QueueWalker, RoutedWhateverTheLastEntryFound) {
  struct Case {
    const char* name;
    std::vector<std::string> routes;
    std::string lsLog;
  };
  const std::vector<Case> cases = {
      {"list server line missing", {RouteLine("M", "SMTP", "LS", "L1")}, ""},
      {"list server line found", {RouteLine("M", "SMTP", "LS", "L1")}, "x [L1]\r\n"},
      {"postoffice then list server missing",
       {RouteLine("M", "SMTP", "SF", "P1"), RouteLine("M", "SMTP", "LS", "L1")},
       ""},
      {"only an unknown code", {RouteLine("M", "SMTP", "", "Z1")}, ""},
      {"route line without fields", {"RQ-MTA-ROUTE M"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::SampleServer sample;
    sample.WriteLog("MTA", "Debug", kDay, CrLfLines(c.routes));
    sample.WriteLog("LS", "Debug", kDay, c.lsLog);
    EXPECT_EQ(Walk(sample, "M", false).result, kWalkRouted);
  }
}

// The day is read from the date text in the user's form (or as a log date when that form cannot
// read it), and the postoffice note repeats the text as passed.
TEST(QueueWalker, DayFromTheDateTextAsPassed) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay, CrLfLines({RouteLine("IN", "SMTP", "SF", "P7")}));
  const DateFormat german("%d.%m.%Y");
  const Walked w = Walk(sample, "IN", false, "SMTP", german, "14.03.2026");
  EXPECT_EQ(w.result, kWalkRouted);
  EXPECT_TRUE(Has(w,
                  "P7 seems to have been delivered to the postoffice connector, but there was "
                  "no log entry on 14.03.2026 to indicate"))
      << w.report;
  EXPECT_EQ(Walk(sample, "IN", false, "SMTP", german, "260314").result, kWalkRouted);
  EXPECT_EQ(Walk(sample, "IN", false, "SMTP", DateFormat(), "03/15/26").result, kWalkNotRouted);
}

TEST(QueueWalker, BackwardFromASplitCopy) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kDay, CrLfLines({Requeue("OUT1", "CP1", "a.example")}));
  sample.WriteLog("MTA", "Debug", kDay,
                  CrLfLines({RouteLine("IN1", "SMTP", "SMTP", "OUT1"),
                             RouteLine("PO9", "SF", "SMTP", "OUT1")}));
  const Walked w = Walk(sample, "CP1", true);
  EXPECT_EQ(w.result, kWalkRouted);
  EXPECT_TRUE(Has(w, "[OUT1] was routed by the MTA to the SMTP Outbound Queue from 2 Originating"));
  EXPECT_TRUE(Has(w, "originating Message ID of [PO9]")) << w.report;

  // The connector code is compared without regard to case and written as passed.
  EXPECT_TRUE(Has(Walk(sample, "CP1", true, "smtp"),
                  "Trace: Message ID [CP1] was split from parent Message ID [OUT1] at the smtp "
                  "Outbound Queue"));
  // Another connector's outbound queue has no split step.
  const Walked other = Walk(sample, "OUT1", true, "SF");
  EXPECT_EQ(other.report.rfind("Trace: Tracing message with Message ID [OUT1] from the SF "
                               "Outbound Queue\r\n\r\nStatus: ",
                               0),
            0u)
      << other.report;

  // A copy without a parent ends the walk, though its ID is routed and waits in the queue.
  sample.WriteLog("MTA", "Debug", kDay, CrLfLines({RouteLine("X", "SMTP", "SMTP", "CP9")}));
  sample.WriteInboundFile("CP9");
  const Walked orphan = Walk(sample, "CP9", true);
  EXPECT_EQ(orphan.result, kWalkNothing);
  EXPECT_EQ(orphan.report,
            "Trace: Tracing message with Message ID [CP9] from the SMTP Outbound Queue\r\n\r\n"
            "Trace: Message ID [CP9] was split from parent Message ID [] at the SMTP Outbound "
            "Queue\r\n\r\n");
}

TEST(QueueWalker, EachSmtpEntryListsOnlyItsOwnCopies) {
  const test::SampleServer sample;
  sample.WriteLog(
      "MTA", "Debug", kDay,
      CrLfLines({RouteLine("IN2", "SMTP", "SMTP", "OA"), RouteLine("IN2", "SMTP", "SMTP", "OB")}));
  sample.WriteLog("SMTP", "Debug", kDay,
                  CrLfLines({Requeue("OA", "D1", "one"), Requeue("OA", "D2", "two"),
                             Requeue("OB", "D3", "three")}));
  const Walked w = Walk(sample, "IN2", false);
  const std::size_t second = w.report.find("Message ID [OB] requeued/split into 1 messages");
  ASSERT_NE(second, std::string::npos) << w.report;
  EXPECT_TRUE(Has(w, "Message ID [OA] requeued/split into 2 messages"));
  EXPECT_EQ(w.report.find("new Message ID of [D", second + 1),
            w.report.find("new Message ID of [D3]"))
      << w.report;
  EXPECT_EQ(w.report.find("[D3]"), w.report.rfind("[D3]")) << w.report;
}

TEST(QueueWalker, NotRoutedLooksInTheInboundQueue) {
  const test::SampleServer sample;
  sample.WriteInboundFile("Q1");
  test::WriteFile(sample.InboundDir() + "/Q3/inner", "x");
  const Walked waiting = Walk(sample, "Q1", false, "LS");  // the SMTP queue whatever the code
  EXPECT_EQ(waiting.result, kWalkWaiting);
  EXPECT_TRUE(Has(waiting, "Result: [Q1] is waiting in the LS inbound message queue"));
  EXPECT_EQ(Walk(sample, "Q2", false).result, kWalkNotRouted);
  EXPECT_EQ(Walk(sample, "Q3", false).result, kWalkNotRouted) << "a directory is no message";
#ifdef _WIN32
  // Windows file names do not count letter case: q1 names the file Q1.
  EXPECT_EQ(Walk(sample, "q1", false).result, kWalkWaiting);
#else
  EXPECT_EQ(Walk(sample, "q1", false).result, kWalkNotRouted) << "exactly that name";
#endif
}

// An ID that would lead out of the inbound queue, or names no file in it, is never looked up.
TEST(QueueWalker, IdsThatAreNoFileNameInTheQueue) {
  const test::SampleServer sample;
  // Ordinary files outside the inbound queue, and one in a folder inside it.
  test::WriteFile(sample.root() + "/Connectors/SMTP/outside", "x");
  test::WriteFile(sample.InboundDir() + "/sub/file", "x");
  sample.WriteInboundFile("Q1");
  const std::vector<std::string> ids = {
      "../outside",          "..\\outside", "sub/file", ".", "..", "", std::string("Q1\0tail", 7),
      std::string("Q1\0", 3)};
  for (const std::string& id : ids) {
    SCOPED_TRACE(id);
    const Walked w = Walk(sample, id, false);
    EXPECT_EQ(w.result, kWalkNotRouted);
    EXPECT_TRUE(Has(w, "Result: [" + id + "] was not routed"));
  }
}

}  // namespace
}  // namespace rq
