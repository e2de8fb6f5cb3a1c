// The flow report over hand-written logs that hold what real ones may: a conversation and a
// delivery across midnight, a line dated earlier than the step before it, IDs that are not hex,
// a line feed inside a line, an overlong address, tagged lines that cannot be read.
#include "tracing/flow_report.h"

#include <gtest/gtest.h>

#include "app/report_command.h"
#include "readers/byte_source.h"
#include "readers/flow_readers.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
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
           In("10:00:00", "msg-b/..", "MAIL", "FROM:<y@AZ.example>"),
           In("10:00:01", "msg-b/..", "RCPT", "TO:<z@" + std::string(300, 'q') + "\n>"),
           In("12:00:05", "CC03", "MAIL", "FROM:<c@az.example>"),
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
                       Requeue("2026-02-28 00:00:21.000", "AA02", "AA05"),
                       "2026-02-28 00:00:21.000 [0401] RQ-I0018: [AA02] requeued as [AA04"}));
  s.WriteLog("SMTP", "Activity", kDay2,
             test::CrLfLines({Out("00:00:20", "AA03", "5"), Out("00:00:20", "AA05", "7"),
                              Out("23:59:59", "AA03", "6")}));
  s.WriteLog("SMTP", "Activity", kDay3, test::CrLfLines({Out("00:00:02", "AA03", "6")}));

  // Day 3 has no routing log yet: B might have been routed then, so nothing is judged unrouted.
  EXPECT_EQ(BuildFlowReport(s.server(), {kDay1, kDay2, kDay3}, 10).total.neverRouted, 0);
  s.WriteLog("MTA", "Debug", kDay3, "");
  const FlowReport r = BuildFlowReport(s.server(), {kDay1, kDay2, kDay3}, 10);
  EXPECT_EQ(r.total.received, 3);
  EXPECT_EQ(r.days[0].counts.received, 3);
  EXPECT_EQ(r.days[1].counts.routed, 1);
  EXPECT_EQ(r.total.copies, 2);
  EXPECT_EQ(r.total.outbound, 3);  // session 6 across midnight is one conversation
  EXPECT_EQ(r.days[2].counts.outbound, 0);
  EXPECT_EQ(r.retriedCopies, 1);  // two conversations
  EXPECT_EQ(r.skippedLines, 2);   // 30 February, a requeue line without its domain
  EXPECT_EQ(r.outOfOrder, 2);     // C routed before it came in; AA05 sent a second early
  // AA03's first conversation (00:00:20) is less than a second short of the requeue line: 0, not
  // left out. AA05's, a whole second short, is left out.
  EXPECT_EQ(r.total.delays[kStepFirstAttempt].count, 1);
  EXPECT_EQ(r.total.delays[kStepFirstAttempt].max, 0);
  EXPECT_EQ(r.total.delays[kStepRouting].max, 20000);
  ASSERT_EQ(r.slowest.size(), 1u);
  EXPECT_EQ(r.slowest[0].id, "AA01");
  EXPECT_EQ(r.slowest[0].delay, 86409000);  // 23:59:50 to 23:59:59 the next day
  EXPECT_EQ(r.slowest[0].lastDay, 1);
  ASSERT_EQ(r.unrouted.size(), 1u);
  EXPECT_EQ(r.unrouted[0].id, "msg-b/..");
  EXPECT_FALSE(r.unrouted[0].waiting);    // a name with a path in it names no queue file
  ASSERT_FALSE(r.senderDomains.empty());  // in any case, A to Z
  EXPECT_EQ(r.senderDomains[0].name, "az.example");
  EXPECT_EQ(r.senderDomains[0].count, 2);
  EXPECT_EQ(r.recipientDomains.at(0).name, "(overlong)");
}

// A leap second is the last instant of its own day: a message, a conversation and a routing line
// at 23:59:60 count on that day in hour 23, before the same IDs at the next day's midnight,
// however many threads read.
TEST(FlowReport, LeapSecondBelongsToItsOwnDay) {
  const test::SampleServer s;
  s.WriteLog("SF", "Activity", kDay1, test::CrLfLines({In("23:59:60", "AA01", "MAIL", "x")}));
  s.WriteLog("SMTP", "Activity", kDay1,
             test::CrLfLines({In("23:59:60", "AA02", "MAIL", "x"), Out("23:59:60", "AA03", "7")}));
  s.WriteLog("SMTP", "Activity", kDay2,
             test::CrLfLines({In("00:00:00", "AA01", "MAIL", "x"),
                              In("00:00:00", "AA02", "MAIL", "x"), Out("00:00:00", "AA03", "7")}));
  s.WriteLog("MTA", "Debug", kDay1,
             test::CrLfLines({Route("2026-02-27 23:59:60.500", "AA02", "AA04")}));
  s.WriteLog("MTA", "Debug", kDay2,
             test::CrLfLines({Route("2026-02-28 00:00:00.000", "AA02", "AA04")}));
  for (const std::size_t threads : {1, 4}) {
    const FlowCounts c = BuildFlowReport(s.server(), {kDay1, kDay2}, 10, {threads}).days[0].counts;
    EXPECT_EQ(c.receivedBy, (std::map<std::string, long long>{{"SF", 1}, {"SMTP", 1}}));
    EXPECT_EQ(c.hours[kSeriesReceived][23], 2);
    EXPECT_EQ(c.hours[kSeriesOutbound][23], 1);
    EXPECT_EQ(c.hours[kSeriesRouted][23], 1);
  }
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

// The batch reader against the line-by-line one, over blocks of lines whose fields and breaks fall
// on every side of the reader's steps: the same lines, the same fields, the same count skipped.
// The line rule is the log's: a CR, or a CR and LF, ends a line; a lone LF is a character.
TEST(FlowReport, BatchReadingIsLineByLineReading) {
  std::mt19937 random(7);
  const auto pick = [&](std::initializer_list<std::string> from) {
    return *(from.begin() + std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random));
  };
  const auto filler = [&](std::size_t most) {
    std::string text(std::uniform_int_distribution<std::size_t>(0, most)(random), 'x');
    for (char& c : text) c = pick({"a", "Z", "\t", "\n", ":", "<", "@"})[0];
    return text;
  };
  const auto describe = [](const ActivityLine& l) {
    return std::string(l.inbound ? "in|" : "out|") + std::to_string(l.clock) + "|" +
           std::string(l.id) + "|" + std::string(l.session) + "|" + std::string(l.peer) + "|" +
           std::string(l.verb) + "|" + std::string(l.argument) + "|" + std::string(l.reply);
  };
  for (int round = 0; round < 300; ++round) {
    std::string block;
    for (int n = std::uniform_int_distribution<int>(1, 40)(random); n-- > 0;) {
      // Times repeat, so that a time read once stands for the next lines; some are no time.
      block += pick({"10:00:00", "10:00:00", "23:59:59", "24:00:00", "10:61:00", "1:00:00"}) +
               "\t" + pick({"SMTP-IN", "SMTP-OU", "SMTP-IN", "SMTP-OUT"}) + "\t" +
               pick({"", "ABC0123456789", "A"}) + filler(20) + "\t" + filler(40) + "\t" +
               filler(3) + "\t" + pick({"MAIL", "RCPT", ""}) + "\t" + filler(70) +
               pick({"\t", ""}) + filler(5) + pick({"\r\n", "\r", "\r\r\n", "\n", "#\r"});
    }
    std::vector<std::string> batched, single;
    long long batchSkipped = 0, singleSkipped = 0;
    ActivityBatch batch;
    for (std::size_t at = 0; at < block.size();) {
      at = ParseActivityLines(block, at, batch);
      batchSkipped += batch.skipped;
      for (std::size_t i = 0; i < batch.count; ++i) batched.push_back(describe(batch.lines[i]));
    }
    for (std::size_t from = 0; from < block.size();) {
      std::size_t to = block.find('\r', from);
      if (to == std::string::npos) to = block.size();
      const std::string_view line(block.data() + from, to - from);
      ActivityLine parsed;
      if (ParseActivityLine(line, parsed)) {
        if (!parsed.id.empty()) single.push_back(describe(parsed));
      } else if (!line.empty() && line[0] != '#') {
        ++singleSkipped;
      }
      from = to + (block.compare(to, 2, "\r\n") == 0 ? 2 : 1);
    }
    ASSERT_EQ(batched, single) << block;
    ASSERT_EQ(batchSkipped, singleSkipped) << block;
  }
}

// A line as long as the line source's long-line limit or longer is passed over, whether the source
// streamed past it or held it whole, which depends on where its reads fell: one just shorter is
// read.
TEST(FlowReport, LongActivityLinesArePassedOverWhereverReadsFall) {
  const auto line = [](const std::string& id, std::size_t size) {
    const std::string shortest = In("10:00:00", id, "RCPT", "");
    return In("10:00:00", id, "RCPT", std::string(size - shortest.size(), 'a')) + "\r\n";
  };
  const std::string log = "garbage" + std::string(1000, 'G') + "\r\n" + line("AT256", 256) +
                          line("SHORT", 60) + line("AT300", 300) + line("AT255", 255);
  const MemoryBytes bytes(log);
  for (const std::size_t chunk : {16, 64, 100, 255, 256, 700, 5000}) {
    LineSource source(bytes, 0, -1, chunk, 256);
    std::vector<std::string> ids;
    const long long skipped =
        ReadActivityLines(source, [&](const ActivityLine& l) { ids.emplace_back(l.id); });
    EXPECT_EQ(ids, (std::vector<std::string>{"SHORT", "AT255"})) << chunk;
    EXPECT_EQ(skipped, 0) << chunk;
  }
}

// The activity logs cut into segments read on their own threads give the report of one reading of
// each log, wherever the cuts fall: a message's lines, a conversation and a run of recipients on
// either side of a cut are counted once, with their first time.
TEST(FlowReport, SegmentsReadAsOneReading) {
  const test::SampleServer s;
  std::mt19937 random(11);
  const auto number = [&](int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(random);
  };
  const auto clock = [](int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                  second % 60);
    return std::string(text);
  };
  // Ten days, logs on the first and the ninth: the range is read a few days at a time.
  std::vector<Date> days;
  for (int i = 0; i < 10; ++i) {
    days.push_back(CivilFromDays(DaysFromCivil(kDay1.year, kDay1.month, kDay1.day) + i));
  }
  for (const Date& day : {days[0], days[8]}) {
    std::vector<std::string> activity{"#Fields: time\tdirection"}, routes, requeues;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d ", day.year, day.month, day.day);
    for (int m = 0, second = 0; m < 400; ++m, second += number(0, 200)) {
      const std::string id = "AB" + std::to_string(day.day * 1000 + m % 350);  // some come twice
      activity.push_back(In(clock(second), id, "MAIL", "FROM:<a@S" + std::to_string(m % 7) + ">"));
      // Lines of a run written with an earlier time than the run's first: a cut between them
      // must not make the later one the message's time.
      for (int r = number(1, 4); r-- > 0;) {
        activity.push_back(In(clock(std::max(0, second + number(-3, 1))), id, "RCPT",
                              "TO:<b@d" + std::to_string(r) + ">"));
      }
      if (m % 9 == 0) activity.push_back("garbage\tline");
      if (m % 5 == 0) continue;  // never routed
      routes.push_back(Route(stamp + clock(second + 2) + ".000", id, id + "Q"));
      for (int c = number(1, 3); c-- > 0;) {
        const std::string copy = id + "C" + std::to_string(c);
        requeues.push_back(Requeue(stamp + clock(second + 3) + ".000", id + "Q", copy));
        for (int tries = number(1, 2); tries-- > 0;) {
          for (int l = 0; l < 3; ++l) {
            activity.push_back(Out(clock(second + 4 + 60 * tries - number(0, 2)), copy,
                                   std::to_string(m * 10 + tries)));
          }
        }
      }
    }
    s.WriteLog("SMTP", "Activity", day, test::CrLfLines(activity));
    s.WriteLog("MTA", "Debug", day, test::CrLfLines(routes));
    s.WriteLog("SMTP", "Debug", day, test::CrLfLines(requeues));
  }
  const auto json = [&](std::size_t threads) {
    const FlowReport r = BuildFlowReport(s.server(), days, 10, {threads, nullptr, 1});
    // Traffic enough that every join is made: a message to its routing, copies and conversations.
    EXPECT_EQ(r.days[0].counts.received, 350);
    EXPECT_EQ(r.days[8].counts.received, 350);
    EXPECT_EQ(r.total.received, 700);
    EXPECT_GT(r.total.delays[kStepEndToEnd].count, 500);
    EXPECT_GT(r.retriedCopies, 100);
    std::ostringstream out;
    PrintFlowJson(r, 10, out);
    return out.str();
  };
  const std::string whole = json(1);
  for (std::size_t threads = 2; threads <= 9; ++threads) {
    EXPECT_EQ(json(threads), whole) << threads << " segments";
  }
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
