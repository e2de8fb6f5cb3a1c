// rqtrace report on the sample server: text, JSON and HTML agree with counts the test takes from
// the logs by its own reading, and the planted traffic shows where it was planted.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

using nlohmann::json;

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> out(1);
  for (const char c : line) {
    if (c == separator) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::string Unbracketed(std::string s) {
  if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  return s;
}

// What the day logs say, counted here: each message, routing, copy and conversation on the first
// day a log names it.
struct Expected {
  std::map<std::string, std::map<std::string, long long>> perDay;    // day, what, count
  std::map<std::string, long long> burstHour;                        // day, received at 14:xx
  std::map<std::string, long long> senderDomains;                    // of each inbound MAIL FROM
  std::map<std::string, long long> remoteAddresses;                  // the peer of each
  std::map<std::string, std::map<std::string, long long>> routedTo;  // day, connector, lines
};

Expected Count(const Sample& s, const std::vector<Day>& days) {
  Expected e;
  std::set<std::string> seenIn, seenRouted, seenCopy, seenConversation;
  for (const Day& d : days) {
    auto& c = e.perDay[d.LogDate()];
    c["received"] = c["routed"] = c["copies"] = c["outbound"] = 0;
    for (const auto& [head, folder] :
         {std::pair{"SMTP-Activity", "Logs/Activity/SMTP"}, {"POC-Activity", "Logs/Activity/SF"}}) {
      for (const std::string& line : LinesContaining(s.Log(head, folder, d), "\tSMTP-")) {
        const std::vector<std::string> f = Fields(line, '\t');
        if (f.size() < 8 || f[2].empty()) continue;
        const std::size_t at = f[6].find('@');
        if (f[1] == "SMTP-IN" && f[5] == "MAIL" && at != std::string::npos) {
          ++e.senderDomains[f[6].substr(at + 1, f[6].find('>') - at - 1)];
          ++e.remoteAddresses[f[4]];
        }
        if (f[1] == "SMTP-IN" && seenIn.insert(f[2]).second) {
          ++c["received"];
          if (f[0].rfind("14:", 0) == 0) ++e.burstHour[d.LogDate()];
        }
        if (f[1] == "SMTP-OU" && std::string(head) == "SMTP-Activity" &&
            seenConversation.insert(f[2] + "/" + f[3]).second) {
          ++c["outbound"];
        }
      }
    }
    for (const std::string& line :
         LinesContaining(s.Log("MTA-Debug", "Logs/Debug/MTA", d), "RQ-MTA-ROUTE:")) {
      if (seenRouted.insert(Unbracketed(Fields(line, ' ').at(2))).second) ++c["routed"];
      ++e.routedTo[d.LogDate()][Unbracketed(Fields(line, ' ').at(8))];
    }
    for (const std::string& line : LinesContaining(s.SmtpDebug(d), "RQ-I0018: [")) {
      const std::size_t at = line.find("requeued as [") + 13;
      if (seenCopy.insert(line.substr(at, line.find(']', at) - at)).second) ++c["copies"];
    }
  }
  return e;
}

class Report : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();
  const std::string range = today.Plus(-2).LogDate() + ".." + today.LogDate();

  RunResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), "report");
    return s.Trace(args);
  }
};

TEST_F(Report, TextJsonAndHtmlAgreeWithTheLogs) {
  const std::vector<Day> days{today.Plus(-2), today.Plus(-1), today};
  const Expected expected = Count(s, days);
  const RunResult j = Run({"--date", range, "--json"});
  const RunResult t = Run({"--date", range});
  const RunResult h = Run({"--date", range, "--html"});
  ASSERT_EQ(j.status, 0) << j.err;
  ASSERT_EQ(t.status, 0) << t.err;
  ASSERT_EQ(h.status, 0) << h.err;
  const json report = json::parse(j.out);
  ASSERT_EQ(report.at("days").size(), 3u);
  for (const json& day : report.at("days")) {
    const std::string d = day.at("date");
    const auto& want = expected.perDay.at(d);
    for (const auto& [what, n] : want) EXPECT_EQ(day.at(what), n) << d << ' ' << what;
    EXPECT_EQ(day.at("routedTo"), json(expected.routedTo.at(d))) << d;
    // The text's row and the page's row of the day say the same.
    const std::string row = std::to_string(want.at("received")) + " +" +
                            std::to_string(want.at("routed")) + " +\\d+ +\\d+ +" +
                            std::to_string(want.at("copies")) + " +" +
                            std::to_string(want.at("outbound"));
    EXPECT_TRUE(std::regex_search(t.out, std::regex("\n  " + d + " \\w\\w\\w +" + row + "\n")))
        << d;
    const std::string cell = "</td><td>";
    EXPECT_NE(h.out.find("<tr><td>" + d + cell + std::to_string(want.at("received")) + cell +
                         std::to_string(want.at("routed")) + cell),
              std::string::npos)
        << d;
  }
  // The burst: today's busiest hour is the planted one, with every message received in it.
  const json& hours = report.at("days").at(2).at("hours").at("received");
  EXPECT_EQ(hours.at(14), expected.burstHour.at(today.LogDate()));
  EXPECT_GE(hours.at(14).get<long long>(), 120);
  for (std::size_t h2 = 0; h2 < 24; ++h2) EXPECT_LE(hours.at(h2), hours.at(14));
  // The text's hour table has the 24 hours of the JSON, each with what was received in it.
  const std::regex hourRow(R"(\n  (\d\d) +(\d+) +\d+ +\d+ +\d+  #*)");
  std::vector<long long> textHours;
  for (auto it = std::sregex_iterator(t.out.begin(), t.out.end(), hourRow);
       it != std::sregex_iterator(); ++it) {
    EXPECT_EQ(std::stoul((*it)[1]), textHours.size());
    textHours.push_back(std::stoll((*it)[2]));
  }
  EXPECT_EQ(json(textHours), report.at("total").at("hours").at("received"));
  // The top sender domains are those counted here, by their own counts.
  std::multimap<long long, std::string, std::greater<>> bySenders;
  for (const auto& [name, n] : expected.senderDomains) bySenders.emplace(n, name);
  const json& top = report.at("top").at("senderDomains");
  ASSERT_EQ(top.size(), 10u);
  EXPECT_EQ(top.at(0).at("count"), bySenders.begin()->first);
  for (const json& row : top) EXPECT_EQ(row.at("count"), expected.senderDomains.at(row.at("name")));
  // So are the remote addresses, of which there are hundreds.
  ASSERT_GT(expected.remoteAddresses.size(), 200u);
  for (const json& row : report.at("top").at("remoteAddresses")) {
    EXPECT_EQ(row.at("count"), expected.remoteAddresses.at(row.at("name")));
  }
  EXPECT_GE(top.at(9).at("count"), std::next(bySenders.begin(), 10)->first);
  // Every entry of every top list is in the text and on the page.
  for (const auto& [list, rows] : report.at("top").items()) {
    ASSERT_FALSE(rows.empty()) << list;
    for (const json& row : rows) {
      const std::string name = row.at("name");
      EXPECT_NE(t.out.find(std::to_string(row.at("count").get<long long>()) + "  " + name),
                std::string::npos)
          << list << ": " << name;
      EXPECT_NE(h.out.find(name), std::string::npos) << list << ": " << name;
    }
  }
  // No delay was left out, and neither output says one was.
  EXPECT_EQ(report.at("outOfOrderDelays"), 0);
  for (const std::string* out : {&t.out, &h.out}) {
    EXPECT_EQ(out->find("left out"), std::string::npos);
  }
}

TEST_F(Report, PlantedTroubleShowsWhereItWasPlanted) {
  const json r = json::parse(Run({"--date", range, "--json", "--top", "5"}).out);
  // Never routed: the planted ones, one of them still waiting in the inbound queue.
  std::set<std::string> unrouted;
  for (const json& m : r.at("neverRouted")) {
    unrouted.insert(m.at("messageId").get<std::string>());
    EXPECT_EQ(m.at("waiting"), m.at("messageId") == "B5081C44");
  }
  EXPECT_EQ(unrouted,
            (std::set<std::string>{"B5081D07", "B5081C44", "5C2000A0", "5C2000A1", "5C2000A2"}));
  EXPECT_EQ(r.at("total").at("neverRouted"), 5);
  // Retried destinations: the deferring one with its four copies, the copy retried next morning.
  std::map<std::string, json> retried;
  for (const json& e : r.at("top").at("retriedDomains")) retried[e.at("name")] = e;
  EXPECT_EQ(retried.at("tarn.example").at("count"), 4);
  EXPECT_EQ(retried.at("fen.example").at("example"), "5D7E0E2C");
  // The slowest: the copy retried the next morning, then the four deferred for two hours.
  const json& slow = r.at("slowest");
  EXPECT_EQ(slow.at(0).at("messageId"), "5D7E0E10");
  EXPECT_EQ(slow.at(0).at("story"),
            "rqtrace story 5D7E0E10 --date " + today.Plus(-1).LogDate() + " --days 1");
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(slow.at(i).at("messageId").get<std::string>().substr(0, 6), "5C1000");
    EXPECT_GE(slow.at(i).at("delayMs").get<long long>(), 2 * 3600000);
  }
  // Refused every half hour for two hours: the first to last attempt of today is two hours,
  // within the second the activity log's clock can lose.
  const long long last = r.at("days").at(2).at("delays").at("lastAttempt").at("maxMs");
  EXPECT_NEAR(last, 2 * 3600000, 1000);
}

// A message received before midnight and routed after it is routed within a range of both days,
// and never routed within the first day alone.
TEST_F(Report, RoutingAfterMidnightCountsOnlyWhenTheRangeHoldsIt) {
  const std::string y = today.Plus(-1).LogDate();
  const auto unrouted = [&](const std::string& date) {
    std::set<std::string> ids;
    const json report = json::parse(Run({"--date", date, "--json"}).out);
    for (const json& m : report.at("neverRouted")) {
      ids.insert(m.at("messageId").get<std::string>());
    }
    return ids.count("F3C5D010");
  };
  EXPECT_EQ(unrouted(y), 1u);
  EXPECT_EQ(unrouted(y + ".." + today.LogDate()), 0u);
}

TEST_F(Report, RedactsNamesAndKeepsIds) {
  const RunResult r = Run({"--date", range, "--redact"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("5D7E0E2C"), std::string::npos);
  // No name of any top list of the plain report survives.
  const json plain = json::parse(Run({"--date", range, "--json"}).out);
  std::size_t names = 0;
  for (const auto& [list, rows] : plain.at("top").items()) {
    for (const json& row : rows) {
      ++names;
      const std::string name = row.at("name");
      EXPECT_EQ(r.out.find(name), std::string::npos) << list << ": " << name;
    }
  }
  EXPECT_GE(names, 20u);
}

TEST_F(Report, ExitStatuses) {
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"--date", "200101"}, 1},          // no log that day
      {{"--date", "261340"}, 2},          // no such day
      {{"--date", "261202..261201"}, 2},  // backwards
      {{"--date", range, "--json", "--html"}, 2},
      {{"--top", "0"}, 2},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.at(1) << ' ' << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

}  // namespace
}  // namespace rq::e2e
