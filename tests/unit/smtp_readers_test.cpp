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

std::string Requeue(const std::string& parent, const std::string& copy, const std::string& domain) {
  return "03/14/26 10:00:01\tRQ-I0018: [" + parent + "] requeued as [" + copy +
         "] target domain [" + domain + "]";
}

RouteEntry Copy(std::string id, std::string domain) {
  RouteEntry e;
  e.MessageID = std::move(id);
  e.Domain = std::move(domain);
  return e;
}

TEST(GetSMTPRequeueInformation, OneRecordPerRequeueLineInFileOrder) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kDay,
                  CrLfLines({
                      Requeue("P1", "C1", "a.example"),
                      "other line naming [P1] without the code",
                      "RQ-I0018: P1 without brackets requeued as [X] target domain [x]",
                      Requeue("P10", "C9", "z.example"),  // [P1] is not in [P10]
                      // Tags in any order; a missing ']' takes the rest of the line.
                      "x target domain [c.example] RQ-I0018: [P1] requeued as [C3",
                      // A tag at the very start of the line is not taken.
                      "requeued as [N1] RQ-I0018: [P1] target domain [d1]",
                      // Only the first occurrence counts: at the line's start it sets nothing,
                      // although a later one would.
                      "target domain [d2] requeued as [N2] target domain [later] RQ-I0018: [P1]",
                      // Neither tag: a record all the same, empty.
                      "note RQ-I0018: [P1] nothing else",
                      // The searched ID as the copy ID is also the bracketed ID.
                      "RQ-I0018: [Q] requeued as [P1] target domain [d4]",
                      // The bracketed ID and a tag but no message code: not taken.
                      "[P1] requeued as [N5] target domain [d5]",
                  }));
  RouteList copies;
  EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, "P1", copies), 1);
  EXPECT_EQ(copies, (RouteList{Copy("C1", "a.example"), Copy("C3", "c.example"), Copy("", "d1"),
                               Copy("N2", ""), Copy("", ""), Copy("P1", "d4")}));
  EXPECT_EQ(CountEntries(copies), 6u);
}

TEST(GetSMTPRequeueInformation, TheListHoldsExactlyWhatOneCallFound) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kDay,
                  CrLfLines({Requeue("P", "C1", "a"), "RQ-I0018: [P] and no tags"}));
  // Two found lines over five old records leave exactly two, the second holding nothing old.
  const RouteList old(5, RouteEntry{"old", "SMTP", "old.example", "10:00"});
  RouteList copies = old;
  ASSERT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, "P", copies), 1);
  EXPECT_EQ(copies, (RouteList{Copy("C1", "a"), RouteEntry{}}));
  // Nothing found, or no log: the list is left as it was.
  for (const Date day : {kDay, Date{2026, 3, 13}}) {
    copies = old;
    EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), day, day == kDay ? "ABSENT" : "P", copies),
              0);
    EXPECT_EQ(copies, old);
  }
  EXPECT_EQ(CountEntries(RouteList{}), 0u);
}

TEST(GetSMTPRequeueParent, FirstQualifyingLineWins) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"plain", {Requeue("P1", "C", "d")}, "P1"},
      {"first of two", {Requeue("P1", "C", "d"), Requeue("P2", "C", "d")}, "P1"},
      {"tag at the start", {"RQ-I0018: [P0] requeued as [C]", Requeue("P3", "C", "d")}, "P3"},
      // An empty parent: the search for ']' starts after it.
      {"empty parent", {"x RQ-I0018: [] requeued as [C] target domain [d]"}, "] requeued as [C"},
      {"empty, no other ']'", {"requeued as [C] x RQ-I0018: []", "y"}, ""},
      {"no closing bracket", {"x requeued as [C] RQ-I0018: [P", Requeue("P4", "C", "d")}, "P4"},
      {"copy without its tag", {"x RQ-I0018: [P] [C]"}, ""},
      {"part of a longer ID", {Requeue("P", "CX", "d")}, ""},
      {"no code", {"x requeued as [C] parent [P]"}, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::SampleServer sample;
    sample.WriteLog("SMTP", "Debug", kDay, CrLfLines(c.lines));
    EXPECT_EQ(GetSMTPRequeueParent(sample.server(), kDay, "C"), c.expected);
  }
  const test::SampleServer empty;
  EXPECT_EQ(GetSMTPRequeueParent(empty.server(), kDay, "C"), "");
}

TEST(TransactionReaders, ResultRulesDifferOnlyForTextAlreadyThere) {
  const test::SampleServer sample;
  const Date next{2026, 3, 15};  // an activity log but no debug log
  sample.WriteLog("SMTP", "Activity", kDay, "a ID\r\n");
  sample.WriteLog("SMTP", "Debug", kDay, "d ID\r\n");
  sample.WriteLog("SMTP", "Activity", next, "a ID\r\n");
  struct Case {
    const char* name;
    Date day;
    const char* id;
    std::string before;
    int transaction;
    int debug;
  };
  const std::vector<Case> cases = {{"found, empty on entry", kDay, "ID", "", 1, 1},
                                   {"not found, empty on entry", kDay, "NONE", "", 0, 0},
                                   {"not found, text on entry", kDay, "NONE", "kept\r\n", 1, 0},
                                   {"found, text on entry", kDay, "ID", "kept\r\n", 1, 1},
                                   {"no debug log", next, "ID", "kept", 1, 0},
                                   {"no log at all", {2026, 3, 16}, "ID", "kept", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string t = c.before;
    std::string d = c.before;
    EXPECT_EQ(GetSMTPTransactionDetails(sample.server(), c.day, c.id, t), c.transaction);
    EXPECT_EQ(GetSMTPDebugDelivery(sample.server(), c.day, c.id, d), c.debug);
    EXPECT_EQ(t.substr(0, c.before.size()), c.before);
    EXPECT_EQ(d.substr(0, c.before.size()), c.before);
    EXPECT_TRUE(c.debug != 0 || d == c.before) << d;
    EXPECT_TRUE(c.transaction != 0 || t == c.before) << t;
  }
}

TEST(TransactionReaders, EachReadingAgreesWithThePlainRule) {
  // Logs of CR, LF, blanks and two letters; IDs that are parts of one another, repeated or empty.
  // Text already in a result stays in front of what a reading adds; one reading for many IDs
  // equals one reading per ID.
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
  // No log: every answer 0, and what was there stays.
  std::vector<std::string> results = {"x", ""};
  EXPECT_EQ(GetSMTPTransactionDetailsForEach(server, {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(GetSMTPDebugDeliveryForEach(server, {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(results, (std::vector<std::string>{"x", ""}));
}

}  // namespace
}  // namespace rq
