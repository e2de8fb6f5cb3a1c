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

TEST(RequeueReaders, EachRequeueLineGivesTheCopyAndTheParentItNames) {
  // Expectations are read off the lines by eye. Copies of Q1, then the parent of C1.
  const std::string line =
      "2026-03-14 10:00:03.000 [0007] RQ-I0018: [Q1] requeued as [C1] target domain [a.example]";
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    RouteList copiesOfQ1;  // they replace what the list held
    const char* parentOfC1;
  };
  const std::vector<Case> cases = {
      {"a requeue line", {line}, {{"C1", "", "a.example", ""}}, "Q1"},
      {"every line in file order",
       {line, "x RQ-I0018: [Q1] requeued as [C2] target domain [b.example]"},
       {{"C1", "", "a.example", ""}, {"C2", "", "b.example", ""}},
       "Q1"},
      {"without the message code", {"x [Q1] requeued as [C1] target domain [a]"}, {}, ""},
      {"the parent as a part of another ID", {"x RQ-I0018: [Q10] requeued as [C1]"}, {}, "Q10"},
      {"the copy as a part of another ID",
       {"x RQ-I0018: [Q1] requeued as [C10]"},
       {{"C10", "", "", ""}},
       ""},
      {"the code with neither tag", {"x RQ-I0018: [Q1]"}, {{"", "", "", ""}}, ""},
      {"a value without its bracket runs to the line's end",
       {"x RQ-I0018: [Q1] requeued as [C1 target domain [b.example"},
       {{"C1 target domain [b.example", "", "b.example", ""}},
       ""},
      {"a tag that starts the line gives no value",
       {"RQ-I0018: [Q1] requeued as [C1]", "requeued as [C1] RQ-I0018: [Q1]"},
       {{"C1", "", "", ""}, {"", "", "", ""}},
       "Q1"},
      {"the parent's bracket is looked for after its first character",
       {"x RQ-I0018: []] requeued as [C1]"},
       {},
       "]"},
      {"a line without a parent does not end the search",
       {"requeued as [C1] RQ-I0018: [P9", "x RQ-I0018: [P1] requeued as [C1]"},
       {},
       "P1"},
  };
  const test::SampleServer sample;
  const RouteList old(2, RouteEntry{"old", "SMTP", "old.example", "10:00"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sample.WriteLog("SMTP", "Debug", kDay, CrLfLines(c.lines));
    RouteList copies = old;
    EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, "Q1", copies),
              c.copiesOfQ1.empty() ? 0 : 1);
    EXPECT_EQ(copies, c.copiesOfQ1.empty() ? old : c.copiesOfQ1);
    EXPECT_EQ(GetSMTPRequeueParent(sample.server(), kDay, "C1"), c.parentOfC1);
  }
  RouteList copies = old;  // no log
  EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), {2026, 3, 13}, "Q1", copies), 0);
  EXPECT_EQ(copies, old);
  EXPECT_EQ(GetSMTPRequeueParent(sample.server(), {2026, 3, 13}, "C1"), "");
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
