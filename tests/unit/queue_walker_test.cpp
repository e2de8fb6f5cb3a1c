#include "tracing/queue_walker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};
constexpr const char* kDateText = "03/14/26";

// Keeps every append apart, so that each numbered report line is checked as one write.
class RecordingReport final : public ReportSink {
 public:
  void ClearTraceOutput() override { writes.clear(); }
  void WriteTraceOutput(std::string_view text) override { writes.emplace_back(text); }
  void ShowTraceOutput() override {}
  std::vector<std::string> writes;
};

std::string RouteLine(const std::string& time, const std::string& srcId, const std::string& srcCode,
                      const std::string& dstCode, const std::string& dstId) {
  return "03/14/26 " + time + "\tRQ-MTA-ROUTE [" + srcId + "] from [" + srcCode +
         "] queue routed to [" + dstCode + "] queue as [" + dstId + "]";
}

std::string Requeue(const std::string& parent, const std::string& copy, const std::string& domain) {
  return "03/14/26 10:00:05 RQ-I0018: [" + parent + "] requeued as [" + copy + "] target domain [" +
         domain + "]";
}

struct Walked {
  int result;
  std::vector<std::string> writes;
};

Walked Walk(const test::SampleServer& sample, std::string_view id, bool backtrace,
            std::string_view code = "SMTP", const DateFormat& format = DateFormat(),
            std::string_view dateText = kDateText) {
  RecordingReport report;
  const int result = SearchConnectorQueueByMessageID(sample.server(), format, report, code,
                                                     dateText, id, backtrace);
  return {result, report.writes};
}

std::string Fwd(const std::string& time, const std::string& id, const std::string& fn,
                const std::string& newId) {
  return time + " Queue Route: Message ID [" + id +
         "] was routed by the MTA from the SMTP Inbound Queue to the " + fn +
         " Outbound Queue with a Message ID of [" + newId + "]\r\n\r\n";
}

TEST(QueueWalker, ForwardThroughEveryKindOfQueue) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay,
                  CrLfLines({
                      RouteLine("10:00:01", "IN1", "SMTP", "SMTP", "OUT1"),
                      RouteLine("10:00:02", "IN1", "SMTP", "SF", "PO1"),
                      RouteLine("10:00:03", "IN1", "SMTP", "POP", "PP1"),
                      RouteLine("10:00:04", "IN1", "SMTP", "XYZ", "XX1"),
                      RouteLine("10:00:05", "IN1", "SMTP", "LS", "LS1"),
                  }));
  sample.WriteLog(
      "SMTP", "Debug", kDay,
      CrLfLines({Requeue("OUT1", "CP1", "a.example"), Requeue("OUT1", "CP2", "b.example")}));
  sample.WriteLog(
      "SMTP", "Activity", kDay,
      CrLfLines({"t1\tSMTP-OU\tCP1\tone", "t2\tSMTP-OU\tOTHER\tx", "t3\tSMTP-OU\tCP1\ttwo"}));
  sample.WriteLog("SF", "Debug", kDay, CrLfLines({"first [PO1] delivered", "second [PO1]"}));
  sample.WriteLog("LS", "Debug", kDay, CrLfLines({"nothing for it"}));

  const Walked w = Walk(sample, "IN1", false);
  const std::vector<std::string> expected = {
      "Trace: Tracing message with Message ID [IN1] from the SMTP Inbound Queue\r\n\r\n",
      "Status: Message ID [IN1] was routed by the MTA from the SMTP Inbound Queue to 5 "
      "destination queue(s)\r\n\r\n",
      Fwd("03/14/26 10:00:01", "IN1", "SMTP Connector (SMTP)", "OUT1"),
      "Fork/Split: Message ID [OUT1] requeued/split into 2 messages for delivery to target "
      "domains.\r\n",
      " Queued: Message ID [OUT1] queued for delivery to the domain [a.example] at the SMTP "
      "Outbound Queue with a new Message ID of [CP1]\r\n\r\n",
      "Status: SMTP Outbound Delivery details for Message ID [CP1] to domain [a.example] follow "
      "below: \r\n",
      "t1\tSMTP-OU\tCP1\tone\r\nt3\tSMTP-OU\tCP1\ttwo\r\n\r\n",
      " Queued: Message ID [OUT1] queued for delivery to the domain [b.example] at the SMTP "
      "Outbound Queue with a new Message ID of [CP2]\r\n\r\n",
      Fwd("03/14/26 10:00:02", "IN1", "Postoffice Connector (SF)", "PO1"),
      "first [PO1] delivered\r\n\r\n",
      Fwd("03/14/26 10:00:03", "IN1", "POP Retrieval Connector (POP)", "PP1"),
      Fwd("03/14/26 10:00:04", "IN1", "", "XX1"),
      Fwd("03/14/26 10:00:05", "IN1", "List Server Connector (LS)", "LS1"),
  };
  EXPECT_EQ(w.writes, expected);
  // The routing agent routed it: a routed walk even though the list server line is missing.
  EXPECT_EQ(w.result, kWalkRouted);
}

TEST(QueueWalker, RoutedWhateverTheLastEntryFound) {
  struct Case {
    const char* name;
    std::vector<std::string> routes;
    std::string lsLog;
  };
  const std::vector<Case> cases = {
      {"list server line missing", {RouteLine("1", "M", "SMTP", "LS", "L1")}, ""},
      {"list server line found", {RouteLine("1", "M", "SMTP", "LS", "L1")}, "x [L1]\r\n"},
      {"postoffice then list server missing",
       {RouteLine("1", "M", "SMTP", "SF", "P1"), RouteLine("2", "M", "SMTP", "LS", "L1")},
       ""},
      {"only an unknown code", {RouteLine("1", "M", "SMTP", "", "Z1")}, ""},
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

TEST(QueueWalker, PostofficeNoteNamesTheDayAsPassed) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay, CrLfLines({RouteLine("09:00", "IN", "SMTP", "SF", "P7")}));
  const Walked w = Walk(sample, "IN", false, "SMTP", DateFormat("%d.%m.%Y"), "14.03.2026");
  ASSERT_EQ(w.writes.size(), 4u);
  EXPECT_EQ(w.writes[3],
            "P7 seems to have been delivered to the postoffice connector, but there was no log "
            "entry on 14.03.2026 to indicate that it was delivered to any mailbox.\r\n");
  EXPECT_EQ(w.result, kWalkRouted);
  // A date text the form cannot read is taken as a log date.
  EXPECT_EQ(Walk(sample, "IN", false, "SMTP", DateFormat("%d.%m.%Y"), "260314").writes.size(), 4u);
  EXPECT_EQ(Walk(sample, "IN", false, "SMTP", DateFormat(), "03/15/26").writes.size(), 2u)
      << "another day's logs are never read";
}

TEST(QueueWalker, BackwardFromASplitCopy) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kDay, CrLfLines({Requeue("OUT1", "CP1", "a.example")}));
  sample.WriteLog("MTA", "Debug", kDay,
                  CrLfLines({RouteLine("10:00:01", "IN1", "SMTP", "SMTP", "OUT1"),
                             RouteLine("10:00:02", "PO9", "SF", "SMTP", "OUT1")}));
  const Walked w = Walk(sample, "CP1", true);
  const std::vector<std::string> expected = {
      "Trace: Tracing message with Message ID [CP1] from the SMTP Outbound Queue\r\n\r\n",
      "Trace: Message ID [CP1] was split from parent Message ID [OUT1] at the SMTP Outbound "
      "Queue\r\n\r\n",
      "Trace: Tracing message with Message ID [OUT1] from the SMTP Outbound Queue\r\n\r\n",
      "Status: Message ID [OUT1] was routed by the MTA to the SMTP Outbound Queue from 2 "
      "Originating queue(s)\r\n\r\n",
      "03/14/26 10:00:01 Queue Route: Message ID [OUT1] was routed by the MTA to the SMTP "
      "Outbound Queue from the SMTP Connector (SMTP) Inbound Queue with an originating Message ID "
      "of [IN1]\r\n\r\n",
      "03/14/26 10:00:02 Queue Route: Message ID [OUT1] was routed by the MTA to the SMTP "
      "Outbound Queue from the Postoffice Connector (SF) Inbound Queue with an originating "
      "Message ID of [PO9]\r\n\r\n",
      "PO9 seems to have been generated at the postoffice connector inbound queue. The message "
      "was most likely sent by ZazUzez, ZIVERede or it is a system generated message initiated "
      "by the postoffice connector.\r\n",
  };
  EXPECT_EQ(w.writes, expected);
  EXPECT_EQ(w.result, kWalkRouted);

  // The connector code is compared without regard to case and written as passed.
  const Walked lower = Walk(sample, "CP1", true, "smtp");
  ASSERT_GE(lower.writes.size(), 3u);
  EXPECT_EQ(lower.writes[1],
            "Trace: Message ID [CP1] was split from parent Message ID [OUT1] at the smtp Outbound "
            "Queue\r\n\r\n");
  // Another connector's outbound queue has no split step.
  const Walked other = Walk(sample, "OUT1", true, "SF");
  ASSERT_FALSE(other.writes.empty());
  EXPECT_EQ(other.writes[0],
            "Trace: Tracing message with Message ID [OUT1] from the SF Outbound Queue\r\n\r\n");
}

TEST(QueueWalker, CopyWithoutParentEndsTheWalk) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay, CrLfLines({RouteLine("1", "X", "SMTP", "SMTP", "CP9")}));
  sample.WriteInboundFile("CP9");
  const Walked w = Walk(sample, "CP9", true);
  const std::vector<std::string> expected = {
      "Trace: Tracing message with Message ID [CP9] from the SMTP Outbound Queue\r\n\r\n",
      "Trace: Message ID [CP9] was split from parent Message ID [] at the SMTP Outbound "
      "Queue\r\n\r\n",
  };
  EXPECT_EQ(w.writes, expected);
  EXPECT_EQ(w.result, kWalkNothing);
}

TEST(QueueWalker, EachSmtpEntryListsOnlyItsOwnCopies) {
  const test::SampleServer sample;
  sample.WriteLog("MTA", "Debug", kDay,
                  CrLfLines({RouteLine("1", "IN2", "SMTP", "SMTP", "OA"),
                             RouteLine("2", "IN2", "SMTP", "SMTP", "OB")}));
  sample.WriteLog("SMTP", "Debug", kDay,
                  CrLfLines({Requeue("OA", "D1", "one"), Requeue("OA", "D2", "two"),
                             Requeue("OB", "D3", "three")}));
  sample.WriteLog("SMTP", "Activity", kDay, CrLfLines({"x D1 a", "x D3 b"}));
  const Walked w = Walk(sample, "IN2", false);
  std::string all;
  for (const std::string& s : w.writes) all += s;
  EXPECT_NE(all.find("Message ID [OB] requeued/split into 1 messages"), std::string::npos);
  ASSERT_GE(w.writes.size(), 2u);
  EXPECT_EQ(w.writes[w.writes.size() - 2],
            "Status: SMTP Outbound Delivery details for Message ID [D3] to domain [three] follow "
            "below: \r\n");
  EXPECT_EQ(w.writes.back(), "x D3 b\r\n\r\n");
  EXPECT_EQ(w.writes.size(), 2u + 2u + 1u + 3u + 2u + 3u);
}

TEST(QueueWalker, NotRoutedLooksInTheInboundQueue) {
  const test::SampleServer sample;
  sample.WriteInboundFile("Q1");
  test::WriteFile(sample.InboundDir() + "/Q3/inner", "x");
  const Walked waiting = Walk(sample, "Q1", false, "LS");  // the SMTP queue whatever the code
  const std::vector<std::string> expectWaiting = {
      "Trace: Tracing message with Message ID [Q1] from the LS Inbound Queue\r\n\r\n",
      "Result: [Q1] is waiting in the LS inbound message queue to be routed by the MTA Service. "
      "This most likely means that the MTA service has not had sufficient time to route the "
      "message or that there is a problem with the MTA Service.\r\n",
  };
  EXPECT_EQ(waiting.writes, expectWaiting);
  EXPECT_EQ(waiting.result, kWalkWaiting);

  const Walked gone = Walk(sample, "Q2", false);
  const std::vector<std::string> expectGone = {
      "Trace: Tracing message with Message ID [Q2] from the SMTP Inbound Queue\r\n\r\n",
      "Result: [Q2] was not routed from the SMTP inbound message queue by the local MTA Service. "
      "This most likely means that the message was not completely recieved by the "
      "connector.\r\n",
  };
  EXPECT_EQ(gone.writes, expectGone);
  EXPECT_EQ(gone.result, kWalkNotRouted);
  EXPECT_EQ(Walk(sample, "Q3", false).result, kWalkNotRouted) << "a directory is no message";
#ifdef _WIN32
  // Windows file names do not count letter case: q1 names the file Q1.
  EXPECT_EQ(Walk(sample, "q1", false).result, kWalkWaiting);
#else
  EXPECT_EQ(Walk(sample, "q1", false).result, kWalkNotRouted) << "exactly that name";
#endif
}

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
    ASSERT_EQ(w.writes.size(), 2u);
    EXPECT_EQ(w.writes[1].rfind("Result: [" + id + "] was not routed", 0), 0u);
  }
}

}  // namespace
}  // namespace rq
