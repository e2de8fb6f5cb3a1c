// rqtrace story: from any hop's ID back to the message that came in, then every hop forward over
// several days' logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include <nlohmann/json.hpp>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

using nlohmann::json;

class Story : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();

  json Run(std::vector<std::string> args, int status = 0) const {
    args.insert(args.begin(), "story");
    args.push_back("--json");
    const RunResult r = s.Trace(args);
    EXPECT_EQ(r.status, status) << r.err;
    return json::parse(r.out);
  }

  static const json& Hop(const json& story, const std::string& id) {
    for (const json& hop : story.at("hops")) {
      if (hop.at("messageId") == id) return hop;
    }
    ADD_FAILURE() << "no hop " << id;
    return story;
  }

  static std::vector<std::string> Field(const json& events, const std::string& name) {
    std::vector<std::string> out;
    for (const json& e : events) out.push_back(e.at(name));
    return out;
  }
};

// The copy deferred just before midnight is delivered after it: its hop reaches into the next
// day's activity and debug logs, in time order.
TEST_F(Story, LateDeferredCopyReachesIntoTheNextDay) {
  const Day y = today.Plus(-1);
  const json story = Run({"D7A3F04E", "--date", y.LogDate(), "--days", "1"});
  EXPECT_EQ(story.at("splitFrom"), "D7A3F02B");
  EXPECT_EQ(story.at("origin").at("messageId"), "D7A3F010");
  EXPECT_EQ(story.at("result"), "routed");
  const json& copy = Hop(story, "D7A3F04E");
  EXPECT_EQ(copy.at("kind"), "copy");
  EXPECT_EQ(copy.at("domain"), "osprey.example");
  const std::vector<std::string> lines = Field(copy.at("events"), "line");
  std::vector<std::string> expected = LinesContaining(s.SmtpDebug(y), "D7A3F04E");
  for (const auto& log : {s.SmtpActivity(today), s.SmtpDebug(today)}) {
    for (const std::string& line : LinesContaining(log, "D7A3F04E")) expected.push_back(line);
  }
  EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()),
            std::multiset<std::string>(expected.begin(), expected.end()));
  EXPECT_EQ(Field(copy.at("events"), "day").back(), today.LogDate());
  EXPECT_EQ(copy.at("events").back().at("log"), "SMTP-Debug-" + today.LogDate() + ".log");
  EXPECT_NE(lines.back().find("delivered"), std::string::npos) << lines.back();
  for (const json& e : copy.at("events")) {  // a debug line's time is its second word
    const std::string line = e.at("line");
    if (e.at("log").get<std::string>().starts_with("SMTP-Debug")) {
      EXPECT_EQ(e.at("time"), line.substr(11, line.find_first_of(" \t", 11) - 11)) << line;
    }
  }

  // The text form tells the same hop with each event's day, time and log.
  const RunResult text = s.Trace({"story", "D7A3F04E", "--date", y.LogDate(), "--days", "1"});
  EXPECT_NE(text.out.find("Copy: Message ID [D7A3F04E] for domain [osprey.example], split from "
                          "[D7A3F02B]\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("  " + today.LogDate() + " 00:12:01  SMTP-Activity-" + today.LogDate() +
                          ".log  00:12:01\tSMTP-OU\tD7A3F04E"),
            std::string::npos)
      << text.out;
}

// One message, one story: asked from any hop's ID and any start day from before the message to
// two days after its split (the days read then reach the split), the hops and their lines are
// the same. Messages that cross midnight: routed at 23:59:58 and 00:00:00 and split at 00:00:02,
// split at 23:42 with a copy delivered after midnight, received at 23:59:40 and routed after it.
TEST_F(Story, SameStoryFromAnyHopAndAnyStartDay) {
  const auto tale = [](json story) {
    story.erase("messageId");
    story.erase("splitFrom");
    story.erase("firstDay");
    story.erase("lastDay");
    return story;
  };
  for (const auto& ids : {std::vector<std::string>{"5E0D7710", "5E0D772B", "5E0D772C", "5E0D774C"},
                          std::vector<std::string>{"D7A3F010", "D7A3F02B", "D7A3F04D", "D7A3F04E"},
                          std::vector<std::string>{"F3C5D010", "F3C5D02B"}}) {
    const json expected = tale(Run({ids[0], "--date", today.Plus(-1).LogDate(), "--days", "1"}));
    EXPECT_EQ(expected.at("result"), "routed");
    EXPECT_EQ(expected.at("origin").at("messageId"), ids[0]);
    for (const std::string& id : ids) {
      for (int start = -2; start <= 1; ++start) {
        const std::string days = std::to_string(std::max(0, -start));
        EXPECT_EQ(tale(Run({id, "--date", today.Plus(start).LogDate(), "--days", days})), expected)
            << id << " from " << start;
      }
    }
  }
}

// Within a hop, each log keeps its order and the logs merge by day and time: the line that made
// the copy comes before the conversation that began in the same second, a line without a time
// stays after the line before it, and a line stamped with the next day in this day's log is
// shown under the next day. The origin's routes on the day before all give their queues.
TEST_F(Story, EventsKeepTheirLogsOrderAndTheirOwnDay) {
  const json story = Run({"5E0D774C", "--date", today.LogDate(), "--days", "0"});
  EXPECT_EQ(Field(story.at("hops"), "messageId"),
            (std::vector<std::string>{"5E0D7710", "5E0D7710", "5E0D772B", "5E0D774C", "5E0D772C"}));
  const std::vector<std::string> copy = Field(Hop(story, "5E0D774C").at("events"), "line");
  std::vector<std::string> expected = LinesContaining(s.SmtpDebug(today), "5E0D774C");
  const std::vector<std::string> conversation = LinesContaining(s.SmtpActivity(today), "5E0D774C");
  expected.insert(expected.begin() + 1, conversation.begin(), conversation.end() - 1);
  expected.push_back(conversation.back());
  EXPECT_EQ(copy, expected);
  const json& queued = Hop(story, "5E0D772B").at("events").at(0);
  EXPECT_EQ(queued.at("log"), "SMTP-Debug-" + today.Plus(-1).LogDate() + ".log");
  EXPECT_EQ(queued.at("day"), today.LogDate());
}

// Without the line that made the asked copy in the days read, the story says where its origin
// must be looked for instead of calling the copy's own conversation a message not routed.
TEST_F(Story, OriginBeforeTheDaysReadIsNamed) {
  const json story =
      Run({"D7A3F04E", "--date", today.LogDate(), "--days", "0", "--days-back", "0"});
  EXPECT_EQ(story.at("result"), "originEarlier");
  EXPECT_EQ(story.at("earliestDay"), today.LogDate());
  EXPECT_EQ(story.at("askDays"), 0);
  EXPECT_EQ(Field(story.at("hops"), "kind"), std::vector<std::string>{"copy"});
  // Asking again keeps the days after that this asking read; the copy's domain and parent are
  // not known, so its heading names neither.
  const RunResult text =
      s.Trace({"story", "D7A3F04E", "--date", today.LogDate(), "--days", "3", "--days-back", "0"});
  EXPECT_NE(text.out.find("Result: the origin of [D7A3F04E] lies before the logs read, which name "
                          "it from " +
                          today.LogDate() + " on: ask with --date " + today.LogDate() +
                          " --days-back 2 --days 3\n\nCopy: Message ID [D7A3F04E], split before "
                          "the logs read\n"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find("not routed"), std::string::npos);
  // On a server whose logs begin that day, no --date or --days-back can reach the origin.
  const TempDir temp;
  const std::string one = temp / "one";
  ASSERT_EQ(RunProgram(RqSample(), Words(one + " --days 1 --today " + today.LogDate())).status, 0);
  const RunResult kept = TraceOn(one, Words("story D7A3F04E --days 0 --date " + today.LogDate()));
  EXPECT_NE(kept.out.find("Result: the origin of [D7A3F04E] is in no log kept"), std::string::npos)
      << kept.out;
}

// A copy's ID walks back through its parent to the inbound message, and the story then tells
// every hop forward: the inbound conversation, the routing, the queue and all three copies.
TEST_F(Story, CopyIdWalksBackToItsOrigin) {
  const json story = Run({"4F2A0C3A", "--date", today.LogDate()});
  EXPECT_EQ(story.at("messageId"), "4F2A0C3A");
  EXPECT_EQ(story.at("origin").at("messageId"), "4F2A0C11");
  EXPECT_EQ(story.at("firstDay"), today.LogDate());
  EXPECT_EQ(story.at("lastDay"), today.Plus(2).LogDate());
  // The walk back read the day before too, which names none of the IDs: the text says so.
  EXPECT_NE(
      s.Trace({"story", "4F2A0C3A", "--date", today.LogDate()})
          .out.find("Also read: the debug logs back to " + today.Plus(-1).LogDate() + ", which"),
      std::string::npos);
  EXPECT_EQ(Field(story.at("hops"), "kind"),
            (std::vector<std::string>{"inbound", "routing", "queue", "copy", "copy", "copy"}));
  EXPECT_EQ(Field(story.at("hops"), "messageId"),
            (std::vector<std::string>{"4F2A0C11", "4F2A0C11", "4F2A0C2E", "4F2A0C3A", "4F2A0C3B",
                                      "4F2A0C3C"}));
  std::vector<std::string> inbound = LinesContaining(s.SmtpActivity(today), "4F2A0C11");
  inbound.push_back(LinesContaining(s.SmtpDebug(today), "4F2A0C11").at(0));
  EXPECT_EQ(Field(Hop(story, "4F2A0C11").at("events"), "line"), inbound);
  EXPECT_EQ(Field(story.at("hops").at(1).at("events"), "line"),
            LinesContaining(s.dir() / "Logs/Debug/MTA" / ("MTA-Debug-" + today.LogDate() + ".log"),
                            "4F2A0C11"));
}

// Received before midnight, routed after it: each hop's lines come from their own day's logs.
// A copy whose ID begins another copy's ID keeps only its own lines; a message that waits, and
// one no log names.
TEST_F(Story, OtherRoads) {
  const json midnight = Run({"F3C5D010", "--date", today.Plus(-1).LogDate(), "--days", "1"});
  EXPECT_EQ(Field(midnight.at("hops"), "kind"),
            (std::vector<std::string>{"inbound", "routing", "queue"}));
  std::vector<std::set<std::string>> hopDays;
  for (const json& hop : midnight.at("hops")) {
    const std::vector<std::string> days = Field(hop.at("events"), "day");
    hopDays.emplace_back(days.begin(), days.end());
  }
  const std::string before = today.Plus(-1).LogDate(), after = today.LogDate();
  EXPECT_EQ(hopDays, (std::vector<std::set<std::string>>{{before}, {after}, {after}}));
  const json prefix = Run({"E8B40A10", "--date", today.LogDate(), "--days", "0"});
  for (const std::string& line : Field(Hop(prefix, "E8B40A3E").at("events"), "line")) {
    EXPECT_EQ(line.find("E8B40A3E7"), std::string::npos) << line;
  }
  EXPECT_EQ(Hop(prefix, "E8B40A3E7").at("events").size(),
            LinesContaining(s.SmtpActivity(today), "E8B40A3E7").size() +
                LinesContaining(s.SmtpDebug(today), "E8B40A3E7").size());
  const json waiting = Run({"B5081C44", "--date", today.LogDate(), "--days", "0"});
  EXPECT_EQ(waiting.at("result"), "waiting");
  EXPECT_EQ(waiting.at("hops").size(), 2u);
  EXPECT_EQ(waiting.at("hops").at(0).at("events").size(), 6u);
  EXPECT_TRUE(waiting.at("hops").at(1).at("events").empty());
}

// Redaction keeps every message ID, time and line while no address or IP of the logs survives
// (an IP of the logs may coincide with a placeholder of the documentation network).
TEST_F(Story, RedactionKeepsTheIdsAndHidesEveryAddress) {
  const RunResult plain = s.Trace({"story", "4F2A0C3A", "--date", today.LogDate()});
  const RunResult redacted = s.Trace({"story", "4F2A0C3A", "--date", today.LogDate(), "--redact"});
  ASSERT_EQ(redacted.status, 0) << redacted.err;
  EXPECT_EQ(std::count(redacted.out.begin(), redacted.out.end(), '\n'),
            std::count(plain.out.begin(), plain.out.end(), '\n'));
  const auto all = [](const std::string& text, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it) {
      found.insert(it->str());
    }
    return found;
  };
  const std::set<std::string> ids = all(plain.out, R"(\b[0-9A-F]{8}\b)");
  EXPECT_EQ(ids.size(), 5u);
  EXPECT_EQ(all(redacted.out, R"(\b[0-9A-F]{8}\b)"), ids);
  EXPECT_EQ(all(redacted.out, R"(\d\d:\d\d:\d\d(\.\d+)?)"),
            all(plain.out, R"(\d\d:\d\d:\d\d(\.\d+)?)"));
  const std::set<std::string> placeholders = all(redacted.out, R"(192\.0\.2\.\d+)");
  for (const std::string& ip : all(plain.out, R"(\b\d+\.\d+\.\d+\.\d+\b)")) {
    if (placeholders.count(ip) == 0) {
      EXPECT_EQ(redacted.out.find(ip), std::string::npos) << ip;
    }
  }
  const std::set<std::string> names = all(plain.out, R"([\w.-]+@[\w.-]+|\b[\w-]+\.example\b)");
  EXPECT_GE(names.size(), 8u);
  for (const std::string& name : names) {
    EXPECT_EQ(redacted.out.find(name), std::string::npos) << name;
  }
  // An ID that no log names is still the ID asked for: the message keeps it.
  const RunResult none =
      s.Trace({"story", "4F2A0C99", "--date", today.LogDate(), "--redact", "--json"});
  EXPECT_NE(none.out.find("names message 4F2A0C99."), std::string::npos) << none.out;
}

}  // namespace
}  // namespace rq::e2e
