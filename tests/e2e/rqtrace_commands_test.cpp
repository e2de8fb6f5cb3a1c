// rqtrace's commands other than the trace itself, with their exit statuses: split, show,
// search (text and JSON), dates, check, and what bad settings or usage give.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

const std::string kCrLf = "\r\n";

class Rqtrace : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();

  std::string Lines(const std::filesystem::path& log, const std::string& id,
                    std::size_t expected) const {
    const std::vector<std::string> lines = LinesContaining(log, id);
    EXPECT_EQ(lines.size(), expected) << id << " in " << log;
    return WithCrLf(lines);
  }

  // The origin row the search makes of a log line: time TAB ID TAB peer, blank, argument.
  static std::string Row(const std::string& line) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      f.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    return f.at(0) + '\t' + f.at(2) + '\t' + f.at(4) + ' ' + f.at(6) + '\n';
  }

  // The first inbound line of today's SMTP activity log containing the text.
  std::string InboundLine(const std::string& text) const {
    for (const std::string& line : LinesContaining(s.SmtpActivity(today), text)) {
      if (line.find("\tSMTP-IN\t") != std::string::npos) return line;
    }
    ADD_FAILURE() << "no inbound line with " << text;
    return "\t\t\t\t\t\t";
  }
};

std::string SplitQueued(const std::string& parent, const std::string& domain,
                        const std::string& copy) {
  return " Queued: Message ID [" + parent + "] queued for delivery to the domain [" + domain +
         "] at the SMTP Outbound Queue with a new Message ID of [" + copy + "]\r\n\r\n";
}
std::string SplitDetails(const std::string& copy, const std::string& domain,
                         const std::string& lines) {
  return "Status: SMTP Outbound Delivery details for Message ID [" + copy + "] to domain [" +
         domain + "] follow below: \r\n" + lines + kCrLf;
}
std::string SplitDebug(const std::string& id, const std::string& lines) {
  return "\r\nDebug delivery information for Message ID [" + id + "] \r\n" + lines + kCrLf;
}

TEST_F(Rqtrace, SplitListsEveryCopyWithItsActivityAndDebugLines) {
  const RunResult r = s.Trace({"split", "--date", today.LogDate(), "4F2A0C2E"});
  const auto act = [&](const std::string& id, std::size_t n) {
    return Lines(s.SmtpActivity(today), id, n);
  };
  const auto dbg = [&](const std::string& id, std::size_t n) {
    return Lines(s.SmtpDebug(today), id, n);
  };
  const std::string expected =
      "Fork/Split: Message ID [4F2A0C2E] requeued/split into 3 messages for delivery to target "
      "domains.\r\n" +
      SplitQueued("4F2A0C2E", "bluefin.example", "4F2A0C3A") +
      SplitDetails("4F2A0C3A", "bluefin.example", act("4F2A0C3A", 6)) +
      SplitDebug("4F2A0C2E", dbg("4F2A0C3A", 3)) +
      SplitQueued("4F2A0C2E", "oakridge.example", "4F2A0C3B") +
      SplitDetails("4F2A0C3B", "oakridge.example", act("4F2A0C3B", 5)) +
      SplitDebug("4F2A0C2E", dbg("4F2A0C3B", 3)) +
      // No SMTP conversation for the deferred copy: its debug block follows the copy line.
      SplitQueued("4F2A0C2E", "quarry.example", "4F2A0C3C") +
      SplitDebug("4F2A0C2E", dbg("4F2A0C3C", 3));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(Rqtrace, SplitWithoutDaysBackDoesNotLookAtYesterday) {
  const RunResult r = s.Trace({"split", "--date", today.LogDate(), "D7A3F02B"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Could not find the start point in the logs for this message for date " +
                       today.CShort() + ".\n");
}

TEST_F(Rqtrace, SplitGoesBackToYesterdayAndReadsOnlyThatDaysLogs) {
  const RunResult r = s.Trace({"split", "--date", today.LogDate(), "--days-back", "1", "D7A3F02B"});
  const Day y = today.Plus(-1);
  // The second copy went out after midnight: today's logs hold its conversation, which the
  // report of yesterday must not show.
  ASSERT_EQ(LinesContaining(s.SmtpActivity(today), "D7A3F04E").size(), 5u);
  const std::string expected =
      "Fork/Split: Message ID [D7A3F02B] requeued/split into 2 messages for delivery to target "
      "domains.\r\n" +
      SplitQueued("D7A3F02B", "sable.example", "D7A3F04D") +
      SplitDetails("D7A3F04D", "sable.example", Lines(s.SmtpActivity(y), "D7A3F04D", 5)) +
      SplitDebug("D7A3F02B", Lines(s.SmtpDebug(y), "D7A3F04D", 3)) +
      SplitQueued("D7A3F02B", "osprey.example", "D7A3F04E") +
      SplitDebug("D7A3F02B", Lines(s.SmtpDebug(y), "D7A3F04E", 3));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(Rqtrace, SplitOfTheBenchmarkMessageCountsItsCopies) {
  const RunResult r = s.Trace({"split", "--date", today.LogDate(), "9C4E1B7703"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Fork/Split: Message ID [9C4E1B7703] requeued/split into 4 messages", 0),
            0u);
}

TEST_F(Rqtrace, ShowPrintsTheTransactionLines) {
  const RunResult r = s.Trace({"show", "--date", today.LogDate(), "4F2A0C11"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Status: SMTP transaction details for Message ID [4F2A0C11] follow below: "
            "\r\n\r\n" +
                Lines(s.SmtpActivity(today), "4F2A0C11", 8) + kCrLf);
}

TEST_F(Rqtrace, ShowOfUnknownIdGivesTheMessageWithAnEmptyNote) {
  const RunResult r = s.Trace({"show", "--date", today.LogDate(), "0BADC0DE99"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Unable to locate message details in from selected origin. Error (0) \n");
}

TEST_F(Rqtrace, ShowOnADayWithoutLogsSaysWhichFileIsMissing) {
  const RunResult r = s.Trace({"show", "--date", "200101", "4F2A0C11"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("Unable to locate message details in from selected origin. Error (", 0),
            0u);
  EXPECT_NE(r.err.find("SMTP-Activity-200101.log"), std::string::npos) << r.err;
}

TEST_F(Rqtrace, SearchMatchesSenderInAnyLetterCase) {
  const RunResult r = s.Trace({"search", "--date", today.LogDate(), "--sender", "INES.Moreau"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Row(InboundLine("\tMAIL\tFROM:<ines.moreau@")));
}

TEST_F(Rqtrace, SearchGivesOneRowPerMessageFromItsFirstMatchingLine) {
  const RunResult r =
      s.Trace({"search", "--date", today.LogDate(), "--recipient", "@bluefin.example"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Row(InboundLine("TO:<tom.weller@bluefin.example>")));
}

TEST_F(Rqtrace, SearchTakesSenderOrRecipientInLogOrder) {
  const RunResult r = s.Trace(
      {"search", "--date", today.LogDate(), "--sender", "ines.moreau", "--recipient", "maya.lind"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Row(InboundLine("FROM:<ines.moreau@")) + Row(InboundLine("TO:<maya.lind@")));
}

TEST_F(Rqtrace, SearchOfThePostofficeConnectorReadsItsOwnLog) {
  const RunResult r =
      s.Trace({"search", "--date", today.LogDate(), "--connector", "sf", "--sender", "ruth.berg"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> mail =
      LinesContaining(s.PocActivity(today), "\tMAIL\tFROM:<ruth.berg@");
  ASSERT_EQ(mail.size(), 1u);
  EXPECT_EQ(r.out, Row(mail.front()));
}

TEST_F(Rqtrace, SearchBacktraceAsJson) {
  const RunResult r = s.Trace(
      {"search", "--date", today.LogDate(), "--recipient", "fjord", "--backtrace", "--json"});
  EXPECT_EQ(r.status, 0) << r.err;
  const nlohmann::json rows = nlohmann::json::parse(r.out);
  ASSERT_TRUE(rows.is_array());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["messageId"], "71C0E44D");
  EXPECT_EQ(rows[0]["data"], "203.0.113.82 TO:<jon.aasen@fjord.example>");
  const std::vector<std::string> rcpt = LinesContaining(s.SmtpActivity(today), "TO:<jon.aasen@");
  ASSERT_EQ(rcpt.size(), 1u);
  EXPECT_EQ(rows[0]["time"], rcpt.front().substr(0, rcpt.front().find('\t')));
}

// Many rows: the JSON form lists exactly the rows of the text form.
TEST_F(Rqtrace, SearchJsonAndTextAgreeOnABigResult) {
  const std::vector<std::string> args = {"search", "--date", today.LogDate(), "--sender",
                                         "harbourview"};
  const RunResult text = s.Trace(args);
  std::vector<std::string> withJson = args;
  withJson.push_back("--json");
  const RunResult json = s.Trace(withJson);
  ASSERT_EQ(text.status, 0);
  ASSERT_EQ(json.status, 0);
  const nlohmann::json rows = nlohmann::json::parse(json.out);
  std::string rebuilt;
  for (const nlohmann::json& row : rows) {
    rebuilt += row.at("time").get<std::string>() + '\t' + row.at("messageId").get<std::string>() +
               '\t' + row.at("data").get<std::string>() + '\n';
  }
  EXPECT_GT(rows.size(), 5u);
  EXPECT_EQ(rebuilt, text.out);
}

TEST_F(Rqtrace, SearchStatuses) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  };
  const std::string d = today.LogDate();
  const std::string notFound = "Could not find messages matching the criteria specified\n";
  const std::vector<Case> cases = {
      {{"search", "--date", d, "--sender", "nobody.here"}, 1, "", notFound},
      {{"search", "--date", d, "--sender", "nobody.here", "--json"}, 1, "[]\n", notFound},
      {{"search", "--date", "200101", "--recipient", "maya"}, 1, "", notFound},
      // The list server's activity has no origins to offer.
      {{"search", "--date", d, "--connector", "LS", "--sender", "a"}, 1, "", notFound},
      {{"search", "--date", d},
       2,
       "",
       "You must enter either a sender or recipient in order to track a message.\n"},
  };
  for (const Case& c : cases) {
    const RunResult r = s.Trace(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_EQ(r.out, c.out) << c.args.back();
    EXPECT_EQ(r.err, c.err) << c.args.back();
  }
}

// A range reads every day that has a log (days without one are skipped without a word): each
// day's rows or report lines, in day order, led by the day and a TAB.
TEST_F(Rqtrace, RangesLeadEveryLineWithItsDay) {
  const std::string from = today.Plus(-5).LogDate();
  const std::string range = from + ".." + today.Plus(2).LogDate();
  std::string want;
  for (int back = 2; back >= 0; --back) {
    const std::string day = today.Plus(-back).LogDate();
    const RunResult one = s.Trace({"search", "--date", day, "--sender", "harbourview"});
    ASSERT_EQ(one.status, 0) << day;
    for (std::size_t at = 0; at < one.out.size();) {
      const std::size_t end = one.out.find('\n', at) + 1;
      want += day + '\t' + one.out.substr(at, end - at);
      at = end;
    }
  }
  const RunResult all = s.Trace({"search", "--date", range, "--sender", "harbourview"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(all.out, want);

  const RunResult json =
      s.Trace({"search", "--date", range, "--recipient", "fjord", "--backtrace", "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  const nlohmann::json rows = nlohmann::json::parse(json.out);
  ASSERT_FALSE(rows.empty());
  for (const nlohmann::json& row : rows)
    EXPECT_EQ(row.at("date").get<std::string>().size(), 6u) << row;

  const RunResult show = s.Trace({"show", "--date", range, "4F2A0C11"});
  EXPECT_EQ(show.status, 0) << show.err;
  const std::string one = s.Trace({"show", "--date", today.LogDate(), "4F2A0C11"}).out;
  std::string led;
  for (std::size_t at = 0; at < one.size();) {
    const std::size_t end = one.find("\r\n", at) + 2;
    led += today.LogDate() + '\t' + one.substr(at, end - at);
    at = end;
  }
  EXPECT_EQ(show.out, led);

  // No log in the range (400 days, the most allowed): nothing found, not bad usage.
  const RunResult none = s.Trace({"show", "--date", "200101..210203", "4F2A0C11"});
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_EQ(none.out, "");
}

TEST_F(Rqtrace, DatesListTheDaysInOrder) {
  const RunResult r = s.Trace({"dates"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, today.Plus(-2).LogDate() + "\n" + today.Plus(-1).LogDate() + "\n" +
                       today.LogDate() + "\n");
  const RunResult sf = s.Trace({"dates", "--connector", "Sf"});
  EXPECT_EQ(sf.out, r.out);
  const RunResult ls = s.Trace({"dates", "--connector", "LS"});
  EXPECT_EQ(ls.status, 1);
  EXPECT_EQ(ls.out, "");
}

// The JSON of every command parses and holds the fields the README documents: each row checks
// values at JSON pointers, "<array>" / "<string>" only the kind of value.
TEST_F(Rqtrace, JsonOfEveryCommandFollowsItsSchema) {
  using nlohmann::json;
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::pair<std::string, json>> fields;
  };
  const std::string d = today.LogDate();
  const std::string firstCopyLine = LinesContaining(s.SmtpActivity(today), "4F2A0C3A").at(0);
  const std::vector<Case> cases = {
      {{"trace", "--date", d, "4F2A0C11"},
       0,
       {{"/messageId", "4F2A0C11"},
        {"/date", d},
        {"/direction", "forward"},
        {"/connector", "SMTP"},
        {"/tracedId", "4F2A0C11"},
        {"/result", "routed"},
        {"/queues", 1},
        {"/routes/0/connector", "SMTP"},
        {"/routes/0/messageId", "4F2A0C2E"},
        {"/routes/0/time", "<string>"},
        {"/routes/0/copies/0/domain", "bluefin.example"},
        {"/routes/0/copies/0/messageId", "4F2A0C3A"},
        {"/routes/0/copies/0/activity/0", firstCopyLine},
        {"/routes/0/copies/2/messageId", "4F2A0C3C"}}},
      {{"trace", "--date", d, "6B81D204"},
       0,
       {{"/routes/0/connector", "SF"}, {"/routes/0/line", "<string>"}}},
      {{"trace", "--date", d, "6B81D3A0"}, 0, {{"/routes/0/postoffice", "unlogged"}}},
      {{"trace", "--date", d, "--backtrace", "4F2A0C3A"},
       0,
       {{"/direction", "backward"},
        {"/splitFrom", "4F2A0C2E"},
        {"/tracedId", "4F2A0C2E"},
        {"/routes/0/messageId", "4F2A0C11"}}},
      {{"trace", "--date", d, "B5081C44"}, 0, {{"/result", "waiting"}}},
      {{"trace", "--date", d, "B5081D07"}, 0, {{"/result", "notRouted"}, {"/inbound", "<array>"}}},
      {{"trace", "--date", d, "--backtrace", "C6192E5A"},
       1,
       {{"/result", "nothing"}, {"/splitFrom", ""}, {"/message", "<string>"}}},
      {{"split", "--date", d, "4F2A0C2E"},
       0,
       {{"/found", true},
        {"/date", d},
        {"/copies/0/activity/0", firstCopyLine},
        {"/copies/2/debug", "<array>"}}},
      {{"split", "--date", d, "D7A3F02B"}, 1, {{"/found", false}, {"/copies", json::array()}}},
      {{"show", "--date", d, "4F2A0C11"},
       0,
       {{"/messageId", "4F2A0C11"}, {"/lines/0", "<string>"}}},
      {{"show", "--date", d, "0BADC0DE99"},
       1,
       {{"/lines", json::array()}, {"/message", "<string>"}}},
      {{"dates"}, 0, {{"/connector", "SMTP"}, {"/dates/2", d}}},
      {{"check"}, 0, {{"/warnings", json::array()}}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--json");
    const RunResult r = s.Trace(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const json out = json::parse(r.out);
    for (const auto& [pointer, expected] : c.fields) {
      const json::json_pointer at(pointer);
      ASSERT_TRUE(out.contains(at)) << pointer << " in " << r.out;
      if (expected == "<string>") {
        EXPECT_TRUE(out.at(at).is_string()) << pointer;
      } else if (expected == "<array>") {
        EXPECT_TRUE(out.at(at).is_array() && !out.at(at).empty()) << pointer;
      } else {
        EXPECT_EQ(out.at(at), expected) << pointer << " of " << c.args.back();
      }
    }
  }
}

TEST_F(Rqtrace, CheckIsQuietWhenAllLoggingIsOn) {
  const RunResult r = s.Trace({"check"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

class RqtraceSettings : public ::testing::Test {
 protected:
  TempDir temp;

  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path file = temp.path() / name;
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file.string();
  }
};

TEST_F(RqtraceSettings, CheckWarnsForEveryServiceWithLoggingOff) {
  // UTF-8, as an edited export may be: the postoffice has debug logging off, the SMTP
  // connector's switch holds 2 (only 1 is on) and the list server's key is missing.
  const std::string file = Write(
      "off.reg",
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Agents\\MTA]\r\n"
      "\"Activity Log Enabled\"=dword:00000001\r\n\"Debug Enabled\"=dword:00000001\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Connectors\\SF]\r\n"
      "\"Activity Log Enabled\"=dword:00000001\r\n\"Debug Enabled\"=dword:00000000\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Connectors\\SMTP]\r\n"
      "\"Activity Log Enabled\"=dword:00000001\r\n\"Debug Enabled\"=dword:00000002\r\n\r\n");
  const RunResult r = RunProgram(RqTrace(), {"--settings", file, "check"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out,
            "Warning: Postoffice Connector Debug and Activity logging do not seem to be configured "
            "on this server. You need to enable both logging options to facilitate message "
            "tracking.\n"
            "Warning: SMTP Connector Debug and Activity logging do not seem to be configured on "
            "this server. You need to enable both logging options to facilitate message "
            "tracking.\n"
            "Warning: LS Connector Debug and Activity logging do not seem to be configured on this "
            "server. You need to enable both logging options to facilitate message tracking.\n");
}

TEST_F(RqtraceSettings, UnreadableSettingsGiveOneErrorAndStatusTwo) {
  const std::string bad = Write("bad.reg",
                                "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill]\r\n"
                                "\"Debug Enabled\"=dword:zz\r\n");
  const std::string missing = (temp.path() / "missing.reg").string();
  struct Case {
    std::vector<std::string> args;
    std::string mustName;
  };
  const std::vector<Case> cases = {
      {{"--settings", bad, "check"}, "bad.reg:4"},
      {{"--settings", bad, "trace", "--date", "261206", "4F2A0C11"}, "bad.reg:4"},
      {{"--settings", missing, "dates"}, "missing.reg"},
#ifndef _WIN32
      {{"check"}, "--settings"},  // no settings named at all (Windows reads its registry then)
#endif
  };
  for (const Case& c : cases) {
    const RunResult r = RunProgram(RqTrace(), c.args);
    EXPECT_EQ(r.status, 2) << c.mustName;
    EXPECT_EQ(r.out, "") << c.mustName;
    EXPECT_NE(r.err.find(c.mustName), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST_F(Rqtrace, BadUsageGivesStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"frobnicate"},
      {"trace", "4F2A0C11"},  // no --date
      {"split", "--days-back", "-1", "4F2A0C11"},
      {"search", "--date", today.LogDate(), "--sender"},
      // Date ranges: malformed, backwards, longer than 400 days.
      {"search", "--date", "2612..261207", "--sender", "a"},
      {"show", "--date", "261207..261301", "4F2A0C11"},
      {"show", "--date", "261207..261206", "4F2A0C11"},
      {"search", "--date", "250101..260205", "--sender", "a"},
      {},
  };
  for (const std::vector<std::string>& args : cases) {
    const RunResult r = s.Trace(args);
    EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args.front());
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace rq::e2e
