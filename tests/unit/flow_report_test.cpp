// The flow report over hand-written logs that hold what real ones may: a conversation and a
// delivery across midnight, a line dated earlier than the step before it, IDs that are not hex,
// a line feed inside a line, an overlong address, tagged lines that cannot be read.
#include "tracing/flow_report.h"

#include <gtest/gtest.h>

#include "readers/flow_readers.h"

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

const Date kDay1{2026, 2, 27};
const Date kDay2{2026, 2, 28};
const Date kDay3{2026, 3, 1};

std::string In(const std::string& time, const std::string& id, const std::string& verb,
               const std::string& arg) {
  return time + "\tSMTP-IN\t" + id + "\t11\t192.0.2.7\t" + verb + "\t" + arg + "\t250";
}
std::string Out(const std::string& time, const std::string& id, const std::string& session) {
  return time + "\tSMTP-OU\t" + id + "\t" + session + "\t198.51.100.3\tEHLO\tx\t250";
}
std::string Route(const std::string& stamp, const std::string& in, const std::string& q) {
  return stamp + "\tRQ-MTA-ROUTE: [" + in + "] from [SMTP] inbound queue to [SMTP] queue as [" + q +
         "] recipients 1";
}
std::string Requeue(const std::string& stamp, const std::string& q, const std::string& copy) {
  return stamp + " [0401] RQ-I0018: [" + q + "] requeued as [" + copy +
         "] target domain [far.example] recipients 1";
}

TEST(FlowReport, MidnightLateStepsAndHostileLines) {
  const test::SampleServer s;
  // A: in on day 1 at 23:59:50, routed and split just after midnight, its copy's conversation
  // runs across the next midnight and is one conversation. B: a non-hex ID, never routed, its
  // RCPT an overlong address with a lone LF. C: routed 5 s before its first inbound line.
  s.WriteLog(
      "SMTP", "Activity", kDay1,
      test::CrLfLines(
          {"#Fields: time\tdirection", In("23:59:50", "AA01", "MAIL", "FROM:<x@Src.example>"),
           In("10:00:00", "msg-b/..", "MAIL", "FROM:<y@b.example>"),
           In("10:00:01", "msg-b/..", "RCPT", "TO:<z@" + std::string(300, 'q') + "\n>"),
           In("12:00:05", "CC03", "MAIL", "FROM:<c@c.example>"),
           In("23:59:55", "AA01", "RCPT", "TO:<y@b.example>")}));  // its delays: from :50
  s.WriteLog("MTA", "Debug", kDay1,
             test::CrLfLines({"2026-02-27 12:00:00.000\tRQ-MTA-ROUTE: CC03 from SMTP inbound queue "
                              "to SMTP queue as CC04 recipients 1",  // no brackets: the same IDs
                              Route("2026-02-30 12:00:00.000", "DD01", "DD02")}));
  s.WriteLog("MTA", "Debug", kDay2,
             test::CrLfLines({Route("2026-02-28 00:00:10.000", "AA01", "AA02")}));
  s.WriteLog(
      "SMTP", "Debug", kDay2,
      test::CrLfLines({Requeue("2026-02-28 00:00:20.500", "AA02", "AA03"),
                       "2026-02-28 00:00:21.000 [0401] RQ-I0018: [AA02] requeued as [AA04"}));
  s.WriteLog("SMTP", "Activity", kDay2,
             test::CrLfLines({Out("00:00:20", "AA03", "5"), Out("23:59:59", "AA03", "6")}));
  s.WriteLog("SMTP", "Activity", kDay3, test::CrLfLines({Out("00:00:02", "AA03", "6")}));

  // Day 3 has no routing log yet: B might have been routed then, so nothing is judged unrouted.
  EXPECT_EQ(BuildFlowReport(s.server(), {kDay1, kDay2, kDay3}, 10).total.neverRouted, 0);
  s.WriteLog("MTA", "Debug", kDay3, "");
  const FlowReport r = BuildFlowReport(s.server(), {kDay1, kDay2, kDay3}, 10);
  EXPECT_EQ(r.total.received, 3);
  EXPECT_EQ(r.days[0].counts.received, 3);
  EXPECT_EQ(r.days[1].counts.routed, 1);
  EXPECT_EQ(r.total.copies, 1);
  EXPECT_EQ(r.total.outbound, 2);  // session 6 across midnight is one conversation
  EXPECT_EQ(r.days[2].counts.outbound, 0);
  EXPECT_EQ(r.retriedCopies, 1);  // two conversations
  EXPECT_EQ(r.skippedLines, 2);   // 30 February, a requeue line without its domain
  EXPECT_EQ(r.outOfOrder, 1);     // C routed before it came in
  // The first conversation (00:00:20) is up to a second short of the requeue line: 0, not left out.
  EXPECT_EQ(r.total.delays[kStepFirstAttempt].count, 1);
  EXPECT_EQ(r.total.delays[kStepFirstAttempt].max, 0);
  EXPECT_EQ(r.total.delays[kStepRouting].max, 20000);
  ASSERT_EQ(r.slowest.size(), 1u);
  EXPECT_EQ(r.slowest[0].id, "AA01");
  EXPECT_EQ(r.slowest[0].delay, 86409000);  // 23:59:50 to 23:59:59 the next day
  EXPECT_EQ(r.slowest[0].lastDay, 1);
  ASSERT_EQ(r.unrouted.size(), 1u);
  EXPECT_EQ(r.unrouted[0].id, "msg-b/..");
  EXPECT_FALSE(r.unrouted[0].waiting);  // a name with a path in it names no queue file
  ASSERT_FALSE(r.senderDomains.empty());
  EXPECT_EQ(r.senderDomains[0].count, 1);
  EXPECT_EQ(r.recipientDomains.at(0).name, "(overlong)");
}

// Every way a line of a block may end, and fields on either side of the sixteen-byte steps the
// reader takes: each line's ID and reply, or why it is not one, as the lines themselves say.
TEST(FlowReport, ActivityBlocksSplitIntoTheirLines) {
  const std::string tabInArgument = In("00:00:03", "A3", "MAIL", "FROM:<a@b>\tSIZE=1");
  const std::string block =
      "#Fields: x\r\r\n" + In("00:00:01", "A1", "MAIL", "x") + "\r\n" +
      In("00:00:02", "A2\nlf", "RCPT", std::string(40, 'r')) + "\r" + tabInArgument + "\r\n" +
      "00:00:04\tSMTP-IN\t\t9\tp\tCONNECT\t\t220\r" +  // no ID: neither read nor skipped
      "00:00:05\tSMTP-XX\tA5\t9\tp\tv\ta\t1\r" +       // not a direction of ours
      "00:00:06\tSMTP-IN\tA6\t9\tp\tv\t250\r\n" +      // one TAB short
      "24:00:00\tSMTP-IN\tA7\t9\tp\tv\ta\t1\r" +       // no real time
      "00:00:08\tSMTP-OU\tA8\t9\tp\tv\ta\t2";          // the last line, unended
  std::vector<std::string> read;
  long long skipped = 0;
  ActivityBatch batch;
  for (std::size_t at = 0; at < block.size();) {
    at = ParseActivityLines(block, at, batch);
    skipped += batch.skipped;
    for (std::size_t i = 0; i < batch.count; ++i) {
      const ActivityLine& l = batch.lines[i];
      read.push_back(std::string(l.id) + "|" + std::string(l.argument) + "|" +
                     std::string(l.reply) + "|" + std::to_string(l.clock));
    }
  }
  EXPECT_EQ(read, (std::vector<std::string>{"A1|x|250|1000",
                                            "A2\nlf|" + std::string(40, 'r') + "|250|2000",
                                            "A3|FROM:<a@b>\tSIZE=1|250|3000", "A8|a|2|8000"}));
  EXPECT_EQ(skipped, 3);
}

// More records of a day than one packed run (65536) holds: a message whose lines alternate with
// another one's is still one message, and a conversation one conversation (its session a number
// or not: one held exactly, one by its hash).
TEST(FlowReport, ManyRunsOfOneMessageAreOneMessage) {
  const test::SampleServer s;
  std::vector<std::string> lines;
  for (int i = 0; i < 70000; ++i) {
    lines.push_back(In("01:00:00", i % 2 == 0 ? "AA01" : "AA02", "RCPT", "TO:<a@x.example>"));
    lines.push_back(Out(i < 35000 ? "02:00:00" : "03:00:00", "BB01", i % 2 == 0 ? "7" : "s-8"));
  }
  s.WriteLog("SMTP", "Activity", kDay1, test::CrLfLines(lines));
  s.WriteLog("SMTP", "Activity", kDay2, test::CrLfLines({In("00:00:01", "AA01", "QUIT", "")}));
  const FlowReport r = BuildFlowReport(s.server(), {kDay1, kDay2}, 10);
  EXPECT_EQ(r.total.received, 2);
  EXPECT_EQ(r.days[1].counts.received, 0);
  EXPECT_EQ(r.total.outbound, 2);
  EXPECT_EQ(r.total.hours[kSeriesOutbound][2], 2);
  EXPECT_EQ(r.recipientDomains.at(0).count, 70000);
}

}  // namespace
}  // namespace rq
