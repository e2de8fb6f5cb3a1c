#include "readers/smtp_readers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

TEST(RequeueReaders, RandomLogsAgreeWithThePlainRules) {
  // Lines of the code and both tags in any order, at the start or not, with and without their
  // IDs and ']', IDs that are parts of longer ones, empty IDs.
  const std::vector<std::string> tokens = {"RQ-I0018: [P1]",
                                           "RQ-I0018: [",
                                           "RQ-I0018: []",
                                           "RQ-I0018:",
                                           "requeued as [C1]",
                                           "requeued as [C10]",
                                           "requeued as [",
                                           "target domain [d]",
                                           "target domain [",
                                           "[P1]",
                                           "[P10]",
                                           "[C1]",
                                           "P1",
                                           "]",
                                           " x "};
  std::mt19937 random(18);
  const test::SampleServer sample;
  const RouteList old(3, RouteEntry{"old", "SMTP", "old.example", "10:00"});
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> lines(1 + random() % 4);
    for (std::string& line : lines) {
      for (int i = random() % 6; i > 0; --i) line += tokens[random() % tokens.size()];
    }
    sample.WriteLog("SMTP", "Debug", kDay, CrLfLines(lines));
    SCOPED_TRACE(testing::PrintToString(lines));
    for (const std::string id : {"P1", "C1", ""}) {
      // The list holds exactly the records of this call, or stays as it was when none was found.
      const RouteList found = test::PlainCopies(lines, id);
      RouteList copies = old;
      EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, id, copies),
                found.empty() ? 0 : 1);
      EXPECT_EQ(copies, found.empty() ? old : found);
      EXPECT_EQ(CountEntries(copies), copies.size());
      EXPECT_EQ(GetSMTPRequeueParent(sample.server(), kDay, id), test::PlainParent(lines, id));
    }
  }
  RouteList copies = old;  // no log
  EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), {2026, 3, 13}, "P1", copies), 0);
  EXPECT_EQ(copies, old);
  EXPECT_EQ(GetSMTPRequeueParent(sample.server(), {2026, 3, 13}, "C1"), "");
  // A tag without a ']' after it does not end the search for the parent.
  sample.WriteLog(
      "SMTP", "Debug", kDay,
      CrLfLines({"requeued as [C1] RQ-I0018: [P9", "x RQ-I0018: [P1] requeued as [C1]"}));
  EXPECT_EQ(GetSMTPRequeueParent(sample.server(), kDay, "C1"), "P1");
}

TEST(TransactionReaders, EachReadingAgreesWithThePlainRule) {
  // Logs of CR, LF, blanks and two letters; IDs that are parts of one another, repeated or empty;
  // text already in a result stays in front; one reading for many IDs equals one per ID.
  std::mt19937 random(61206);
  const test::SampleServer sample;
  const Server& server = sample.server();
  for (int round = 0; round < 60; ++round) {
    std::string log(random() % 80, ' ');
    for (char& c : log) c = "ab \r\n"[random() % 5];
    sample.WriteLog("SMTP", "Activity", kDay, log);
    sample.WriteLog("SMTP", "Debug", kDay, log);
    std::vector<std::string> idTexts(1 + random() % 4);
    for (std::string& id : idTexts) {
      id.resize(random() % 4);
      for (char& c : id) c = "ab"[random() % 2];
    }
    const std::vector<std::string_view> ids(idTexts.begin(), idTexts.end());
    SCOPED_TRACE("round " + std::to_string(round) + " " + testing::PrintToString(log));
    for (const bool debug : {false, true}) {
      std::vector<std::string> together(ids.size());
      together[0] = "kept ";
      const std::vector<int> answers =
          debug ? GetSMTPDebugDeliveryForEach(server, kDay, ids, together)
                : GetSMTPTransactionDetailsForEach(server, kDay, ids, together);
      for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string before = i == 0 ? "kept " : "";
        const std::string want = before + CrLfLines(test::PlainContaining(log, ids[i]));
        // The transaction reader answers for what the text holds, the debug one for what it added.
        const int found = want.size() > (debug ? before.size() : 0) ? 1 : 0;
        std::string alone = before;
        EXPECT_EQ(debug ? GetSMTPDebugDelivery(server, kDay, ids[i], alone)
                        : GetSMTPTransactionDetails(server, kDay, ids[i], alone),
                  found);
        EXPECT_EQ(alone, want) << debug << " id '" << ids[i] << "'";
        EXPECT_EQ(together[i], want) << debug << " id '" << ids[i] << "'";
        EXPECT_EQ(answers[i], found);
      }
    }
  }
  // No log: every answer 0, even with text already there, and that text stays.
  std::string kept = "kept";
  EXPECT_EQ(GetSMTPTransactionDetails(server, {2026, 1, 1}, "a", kept), 0);
  EXPECT_EQ(GetSMTPDebugDelivery(server, {2026, 1, 1}, "a", kept), 0);
  EXPECT_EQ(kept, "kept");
  std::vector<std::string> results = {"x", ""};
  EXPECT_EQ(GetSMTPTransactionDetailsForEach(server, {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(GetSMTPDebugDeliveryForEach(server, {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(results, (std::vector<std::string>{"x", ""}));
}

}  // namespace
}  // namespace rq
