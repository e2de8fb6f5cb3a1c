#include "readers/origin_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kDay{2026, 3, 14};

std::string Act(const std::string& time, const std::string& tag, const std::string& id,
                const std::string& verb, const std::string& arg) {
  return time + "\t" + tag + "\t" + id + "\t10.0.0.1\tcmd\t" + verb + "\t" + arg;
}

struct Search {
  std::string code = "SMTP";
  std::string sender;
  std::string recipient;
  bool backtrace = false;
};

class LocateOriginTest : public ::testing::Test {
 protected:
  int Run(const Search& s) {
    return LocateOrigin(sample.server(), s.code, kDay, s.sender, s.recipient, s.backtrace, origins);
  }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const Origin& o : origins.rows()) ids.push_back(o.MessageID);
    return ids;
  }
  test::SampleServer sample;
  OriginList origins;
};

TEST_F(LocateOriginTest, ConnectorsAndDirections) {
  const std::string log = CrLfLines({
      Act("t1", "SMTP-IN", "I1", "MAIL", "<Anna.Smith@Example.org>"),
      Act("t2", "SMTP-IN", "I1", "RCPT", "<bob@example.net>"),
      Act("t3", "SMTP-OU", "O1", "MAIL", "<anna.smith@example.org>"),
      Act("t4", "SMTP-OU", "O1", "RCPT", "<carol@example.com>"),
  });
  // Every connector reads its own log: give each the same lines.
  for (const char* code : {"SMTP", "smtp", "SF", "LS", "POP", "MTA"}) {
    sample.WriteLog(code, "Activity", kDay, log);
  }
  struct Case {
    const char* name;
    Search search;
    std::vector<std::string> ids;
  };
  const std::vector<Case> cases = {
      {"sender in capitals finds lower case", {"SMTP", "ANNA.SMITH", "", false}, {"I1"}},
      {"recipient any case", {"SMTP", "", "BOB@example", false}, {"I1"}},
      {"backtrace searches outbound lines", {"SMTP", "anna", "", true}, {"O1"}},
      {"lower-case code is the SMTP connector", {"smtp", "", "carol", true}, {"O1"}},
      {"postoffice searches inbound whatever the flag", {"SF", "anna.smith", "", true}, {"I1"}},
      {"a blank is a search text", {"SMTP", " ", "", false}, {}},
      {"list server adds nothing", {"LS", "anna", "bob", false}, {}},
      {"pop adds nothing", {"POP", "anna", "bob", false}, {}},
      {"mta adds nothing", {"MTA", "anna", "bob", false}, {}},
      {"no search text: nothing is searched", {"SMTP", "", "", false}, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    origins.Clear();
    EXPECT_EQ(Run(c.search), c.ids.empty() ? 0 : 1);
    EXPECT_EQ(Ids(), c.ids);
  }
}

TEST_F(LocateOriginTest, ConnectorsWithoutTheirLog) {
  origins.AddItemToSourceList("t0", "M2", "old");
  EXPECT_EQ(Run({"LS", "s@x", "", false}), 0) << "no LS log: 0 at once";
  sample.WriteLog("LS", "Activity", kDay, "");
  EXPECT_EQ(Run({"LS", "s@x", "", false}), 1) << "LS adds nothing but rows from before count";
  EXPECT_EQ(origins.size(), 1u);
}

// Random logs: tags, verbs, letter case, an ID's first passing line, short and unended lines.
TEST_F(LocateOriginTest, RandomLogsAgreeWithTheRules) {
  std::mt19937 random(7);
  auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  // Tags and verbs must be equal, in their letter case, not merely contain or start the field.
  const std::vector<std::string> tags = {"SMTP-IN", "SMTP-OU", "smtp-in", "SMTP-I", "SMTP-INX"};
  const std::vector<std::string> verbs = {"MAIL", "RCPT", "mail", "MAI", "RCPTX"};
  const std::string letters = "aAbB\xE9\xC9\x8A\x9A\xD7\xF7 \t";
  auto text = [&](std::size_t most) {
    std::string t(random() % (most + 1), ' ');
    for (char& c : t) c = letters[random() % letters.size()];
    return t;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> lines;
    for (int i = 0; i < 8; ++i) {
      std::string line = "t" + std::to_string(i) + "\t" + pick(tags) + "\t" +
                         pick({"M1", "M2", "M3"}) + "\tip\t" + text(2) + "\t" + pick(verbs) + "\t" +
                         text(6);
      if (random() % 5 == 0) line = line.substr(0, random() % line.size());
      lines.push_back(line);
    }
    std::string log = CrLfLines(lines);
    if (round % 3 == 0) log.resize(log.size() - 2);
    sample.WriteLog("SMTP", "Activity", kDay, log);
    const Search search{"SMTP", text(2), text(2), random() % 2 == 0};
    SCOPED_TRACE("round " + std::to_string(round));
    // A row from before counts and keeps its place; its ID adds no second row.
    std::vector<test::PlainOrigin> want;
    origins.Clear();
    if (round % 4 == 0) {
      origins.AddItemToSourceList("t0", "M2", "old");
      want.push_back({"t0", "M2", "old"});
    }
    want = test::PlainOrigins(lines, search.backtrace ? "SMTP-OU" : "SMTP-IN", search.sender,
                              search.recipient, want);
    EXPECT_EQ(Run(search), want.empty() ? 0 : 1);
    std::vector<test::PlainOrigin> got;
    for (const Origin& o : origins.rows()) got.push_back({o.LogTime, o.MessageID, o.sData});
    EXPECT_EQ(got, want);
    for (std::size_t i = 0; i < want.size(); ++i)
      EXPECT_EQ(origins.IndexOf(want[i].id), static_cast<long long>(i));
  }
}

TEST(OriginList, KeysCountLetterCase) {
  OriginList list;
  EXPECT_TRUE(list.AddItemToSourceList("t1", "A", "d1"));
  EXPECT_FALSE(list.AddItemToSourceList("t2", "A", "d2"));
  EXPECT_TRUE(list.AddItemToSourceList("t3", "a", "d3"));
  EXPECT_EQ(list.IndexOf("C"), -1);
  list.Clear();
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace rq
