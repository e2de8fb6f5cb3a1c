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
  // Five old records with every field set: two found lines leave exactly two, and the second
  // line's record holds nothing from the old record at its position.
  RouteList copies(5, RouteEntry{"old", "SMTP", "old.example", "10:00"});
  ASSERT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, "P", copies), 1);
  EXPECT_EQ(copies, (RouteList{Copy("C1", "a"), RouteEntry{}}));

  // Nothing found, or no log: the list is left as it was.
  RouteList untouched(5, RouteEntry{"old", "", "", ""});
  EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), kDay, "ABSENT", untouched), 0);
  EXPECT_EQ(GetSMTPRequeueInformation(sample.server(), {2026, 3, 13}, "P", untouched), 0);
  EXPECT_EQ(untouched.size(), 5u);
  EXPECT_EQ(untouched[4].MessageID, "old");
  RouteList never;
  EXPECT_EQ(CountEntries(never), 0u);
}

TEST(GetSMTPRequeueParent, FirstQualifyingLineWins) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"plain", {Requeue("P1", "C", "d")}, "P1"},
      {"two lines name the copy", {Requeue("P1", "C", "d"), Requeue("P2", "C", "d")}, "P1"},
      {"tag at the start is skipped, the next line counts",
       {"RQ-I0018: [P0] requeued as [C]", Requeue("P3", "C", "d")},
       "P3"},
      {"empty parent: the search for ']' starts after it",
       {"x RQ-I0018: [] requeued as [C] target domain [d]"},
       "] requeued as [C"},
      {"empty parent and no other ']': skipped", {"requeued as [C] x RQ-I0018: []", "y"}, ""},
      {"no closing bracket after the tag: the next line counts",
       {"x requeued as [C] RQ-I0018: [P", Requeue("P4", "C", "d")},
       "P4"},
      {"copy named without its tag", {"x RQ-I0018: [P] [C]"}, ""},
      {"copy is part of a longer copy ID", {Requeue("P", "CX", "d")}, ""},
      {"line without the tag", {"x requeued as [C] parent [P]"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::SampleServer sample;
    sample.WriteLog("SMTP", "Debug", kDay, CrLfLines(c.lines));
    EXPECT_EQ(GetSMTPRequeueParent(sample.server(), kDay, "C"), c.expected);
  }
  const test::SampleServer empty;
  EXPECT_EQ(GetSMTPRequeueParent(empty.server(), kDay, "C"), "");
}

TEST(TransactionReaders, SelectEveryLineWithTheIdInFileOrder) {
  const test::SampleServer sample;
  const std::string log =
      "noise 1\r\nline 1 ID42\r\n\r\nnoise 2\rline 2 ID42\r\na longer ID420 also contains it\r\n"
      "last ID42 no break";
  sample.WriteLog("SMTP", "Activity", kDay, log);
  sample.WriteLog("SMTP", "Debug", kDay, log);
  // An empty ID selects every non-empty line.
  for (const char* id : {"ID42", ""}) {
    SCOPED_TRACE(id);
    const std::string expected = CrLfLines(test::PlainContaining(log, id));
    std::string results;
    EXPECT_EQ(GetSMTPTransactionDetails(sample.server(), kDay, id, results), 1);
    EXPECT_EQ(results, expected);
    results.clear();
    EXPECT_EQ(GetSMTPDebugDelivery(sample.server(), kDay, id, results), 1);
    EXPECT_EQ(results, expected);
  }
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
  const std::vector<Case> cases = {
      {"found, empty on entry", kDay, "ID", "", 1, 1},
      {"not found, empty on entry", kDay, "NONE", "", 0, 0},
      {"not found, text on entry", kDay, "NONE", "kept\r\n", 1, 0},
      {"found, text on entry", kDay, "ID", "kept\r\n", 1, 1},
      {"no debug log", next, "ID", "kept", 1, 0},
      {"no log at all", {2026, 3, 16}, "ID", "kept", 0, 0},
  };
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

TEST(TransactionReaders, OneReadingForManyIdsEqualsOneReadingPerId) {
  // IDs that are parts of one another, repeated or empty, over logs made of their letters.
  std::mt19937 random(61206);
  const test::SampleServer sample;
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
    SCOPED_TRACE("round " + std::to_string(round));
    // Text already in a result stays in front of what the reading adds.
    std::vector<std::string> together(ids.size());
    together[0] = "kept ";
    std::vector<std::string> debugTogether = together;
    const std::vector<int> answers =
        GetSMTPTransactionDetailsForEach(sample.server(), kDay, ids, together);
    const std::vector<int> debugAnswers =
        GetSMTPDebugDeliveryForEach(sample.server(), kDay, ids, debugTogether);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::string alone = i == 0 ? "kept " : "";
      std::string debugAlone = alone;
      EXPECT_EQ(answers[i], GetSMTPTransactionDetails(sample.server(), kDay, ids[i], alone));
      EXPECT_EQ(together[i], alone) << "id '" << ids[i] << "'";
      EXPECT_EQ(debugAnswers[i], GetSMTPDebugDelivery(sample.server(), kDay, ids[i], debugAlone));
      EXPECT_EQ(debugTogether[i], debugAlone) << "id '" << ids[i] << "'";
    }
  }
  // No log: every answer 0, and what was there stays.
  std::vector<std::string> results = {"x", ""};
  EXPECT_EQ(GetSMTPTransactionDetailsForEach(sample.server(), {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(GetSMTPDebugDeliveryForEach(sample.server(), {2026, 1, 1}, {"a", "b"}, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(results, (std::vector<std::string>{"x", ""}));
}

}  // namespace
}  // namespace rq
