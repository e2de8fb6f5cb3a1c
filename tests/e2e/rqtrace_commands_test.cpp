// rqtrace's commands other than the trace itself, with their exit statuses: split, show,
// search (text and JSON), dates, check, and what bad settings or usage give.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

using nlohmann::json;

class Rqtrace : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();
  const std::string d = today.LogDate();

  std::string Lines(const std::filesystem::path& log, const std::string& id,
                    std::size_t expected) const {
    const std::vector<std::string> lines = LinesContaining(log, id);
    EXPECT_EQ(lines.size(), expected) << id << " in " << log;
    return CrLfLines(lines);
  }

  // The origin row the search makes of the first inbound line of the log containing the text:
  // time TAB ID TAB peer, blank, argument.
  std::string Inbound(const std::string& text, const std::filesystem::path& log) const {
    for (const std::string& line : LinesContaining(log, text)) {
      if (line.find("\tSMTP-IN\t") == std::string::npos) continue;
      const std::vector<std::string> f = Words(line, '\t');
      return f.at(0) + '\t' + f.at(2) + '\t' + f.at(4) + ' ' + f.at(6) + '\n';
    }
    ADD_FAILURE() << "no inbound line with " << text;
    return "";
  }
  std::string Inbound(const std::string& text) const {
    return Inbound(text, s.SmtpActivity(today));
  }

  // The words of `text`, "D" standing for today's log date.
  std::vector<std::string> Args(const std::string& text) const {
    std::vector<std::string> args = Words(text);
    for (std::string& a : args)
      a = a == "D" ? d : a.ends_with("..D") ? a.substr(0, a.size() - 1) + d : a;
    return args;
  }

  static std::string Debug(const std::string& id, const std::string& lines) {
    return "\r\nDebug delivery information for Message ID [" + id + "] \r\n" + lines + "\r\n";
  }
};

// Each row is one run: its exit status and both outputs, compared whole (or, where only the
// start is worth pinning, as a prefix).
TEST_F(Rqtrace, CommandsPrintTheirResults) {
  struct Row {
    std::string args;
    int status;
    std::string out, err;
    bool prefix = false;
  };
  const Day y = today.Plus(-1);
  const auto act = [&](const Day& day, const std::string& id, std::size_t n) {
    return Lines(s.SmtpActivity(day), id, n);
  };
  const auto dbg = [&](const Day& day, const std::string& id, std::size_t n) {
    return Lines(s.SmtpDebug(day), id, n);
  };
  const std::string notFound = "Could not find messages matching the criteria specified\n";
  const std::string days = today.Plus(-2).LogDate() + "\n" + y.LogDate() + "\n" + d + "\n";
  // The second copy of D7A3F02B went out after midnight: today's logs hold its conversation,
  // which the report of yesterday must not show.
  ASSERT_EQ(LinesContaining(s.SmtpActivity(today), "D7A3F04E").size(), 5u);
  const std::vector<Row> rows = {
      {"split --date D 4F2A0C2E", 0,
       SplitLine("4F2A0C2E", 3) + Queued("4F2A0C2E", "bluefin.example", "4F2A0C3A") +
           Delivery("4F2A0C3A", "bluefin.example", act(today, "4F2A0C3A", 6)) +
           Debug("4F2A0C2E", dbg(today, "4F2A0C3A", 3)) +
           Queued("4F2A0C2E", "oakridge.example", "4F2A0C3B") +
           Delivery("4F2A0C3B", "oakridge.example", act(today, "4F2A0C3B", 5)) +
           Debug("4F2A0C2E", dbg(today, "4F2A0C3B", 3)) +
           // No SMTP conversation for the deferred copy: its debug block follows the copy line.
           Queued("4F2A0C2E", "quarry.example", "4F2A0C3C") +
           Debug("4F2A0C2E", dbg(today, "4F2A0C3C", 3)),
       ""},
      {"split --date D D7A3F02B", 1, "",
       "Could not find the start point in the logs for this message for date " + today.CShort() +
           ".\n"},
      {"split --date D --days-back 1 D7A3F02B", 0,
       SplitLine("D7A3F02B", 2) + Queued("D7A3F02B", "sable.example", "D7A3F04D") +
           Delivery("D7A3F04D", "sable.example", act(y, "D7A3F04D", 5)) +
           Debug("D7A3F02B", dbg(y, "D7A3F04D", 3)) +
           Queued("D7A3F02B", "osprey.example", "D7A3F04E") +
           Debug("D7A3F02B", dbg(y, "D7A3F04E", 3)),
       ""},
      {"split --date D 9C4E1B7703", 0, SplitLine("9C4E1B7703", 4), "", true},
      {"show --date D 4F2A0C11", 0,
       "Status: SMTP transaction details for Message ID [4F2A0C11] follow below: \r\n\r\n" +
           act(today, "4F2A0C11", 8) + "\r\n",
       ""},
      {"show --date D 0BADC0DE99", 1, "",
       "Unable to locate message details in from selected origin. Error (0) \n"},
      {"show --date 200101 4F2A0C11", 1, "",
       "Unable to locate message details in from selected origin. Error (53) File not found: ",
       true},
      // Redacted, the message keeps no directory of the log's path, in the JSON as on stderr.
      {"show --date 200101 4F2A0C11 --json --redact", 1,
       "{\n  \"date\": \"200101\",\n  \"lines\": [],\n  \"message\": \"Unable to locate message "
       "details in from selected origin. Error (53) File not found: path1",
       "Unable to locate message details in from selected origin. Error (53) File not found: path1",
       true},
      // Letter case does not count; one row per message, from its first matching line; sender
      // or recipient in log order; the postoffice connector's search reads its own log.
      {"search --date D --sender INES.Moreau", 0, Inbound("\tMAIL\tFROM:<ines.moreau@"), ""},
      {"search --date D --recipient @bluefin.example", 0,
       Inbound("TO:<tom.weller@bluefin.example>"), ""},
      {"search --date D --sender ines.moreau --recipient maya.lind", 0,
       Inbound("FROM:<ines.moreau@") + Inbound("TO:<maya.lind@"), ""},
      {"search --date D --connector sf --sender ruth.berg", 0,
       Inbound("\tMAIL\tFROM:<ruth.berg@", s.Log("POC-Activity", "Logs/Activity/SF", today)), ""},
      {"search --date D --sender nobody.here", 1, "", notFound},
      {"search --date D --sender nobody.here --json", 1, "[]\n", notFound},
      {"search --date 200101 --recipient maya", 1, "", notFound},
      // The list server's activity has no origins to offer.
      {"search --date D --connector LS --sender a", 1, "", notFound},
      {"trace --date D --backtrace C6192E5A", 1, "",
       "Unable to trace message. Message does not seem to have been routed through Ravenquill "
       "queues.\n"},
      {"search --date D", 2, "",
       "You must enter either a sender or recipient in order to track a message.\n"},
      {"dates", 0, days, ""},
      {"dates --connector Sf", 0, days, ""},
      {"dates --connector LS", 1, "", ""},
      {"check", 0, "", ""},
      // A story no log tells prints nothing; the message says which days were read.
      {"story --date D 0BADC0DE99", 1, "", "Nothing in the logs of " + d + " to ", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const RunResult r = s.Trace(Args(row.args));
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(row.prefix ? r.out.substr(0, row.out.size()) : r.out, row.out);
    EXPECT_EQ(row.prefix ? r.err.substr(0, row.err.size()) : r.err, row.err);
  }
}

// A range reads every day that has a log (days without one are skipped without a word): each
// day's rows or report lines, in day order, led by the day and a TAB.
TEST_F(Rqtrace, RangesLeadEveryLineWithItsDay) {
  const auto led = [](const std::string& day, const std::string& text, const std::string& brk) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find(brk, at) + brk.size();
      out += day + '\t' + text.substr(at, end - at);
      at = end;
    }
    return out;
  };
  const std::string range = today.Plus(-5).LogDate() + ".." + today.Plus(2).LogDate();
  std::string want;
  for (int back = 2; back >= 0; --back) {
    const std::string day = today.Plus(-back).LogDate();
    const RunResult one = s.Trace({"search", "--date", day, "--sender", "harbourview"});
    ASSERT_EQ(one.status, 0) << day;
    want += led(day, one.out, "\n");
  }
  const RunResult all = s.Trace({"search", "--date", range, "--sender", "harbourview"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(all.out, want);

  // The JSON form lists exactly the rows of the text form, each with its day.
  const RunResult js = s.Trace({"search", "--date", range, "--sender", "harbourview", "--json"});
  std::string rebuilt;
  for (const json& row : json::parse(js.out)) {
    for (const char* field : {"date", "time", "messageId"})
      rebuilt += row.at(field).get<std::string>() + '\t';
    rebuilt += row.at("data").get<std::string>() + '\n';
  }
  EXPECT_EQ(rebuilt, want);

  const RunResult show = s.Trace({"show", "--date", range, "4F2A0C11"});
  EXPECT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out, led(d, s.Trace({"show", "--date", d, "4F2A0C11"}).out, "\r\n"));

  // A bare LF inside a log line is no line end there, but it does end an output line: the
  // line's rest is led by its day too.
  const TempDir temp;
  const std::string dir = temp / "lf";
  ASSERT_EQ(RunProgram(RqSample(), Words(dir + " --today 261206 --days 1")).status, 0);
  {
    std::ofstream log(dir + "/Logs/Activity/SMTP/SMTP-Activity-261206.log",
                      std::ios::binary | std::ios::app);
    log << "12:00:00\tSMTP-IN\tBARE0LF\t1\t10.0.0.1\tMAIL\tFROM:<x@lf.example>\nrest\r\n";
  }
  const std::string lf = "261206\t12:00:00\tBARE0LF\t10.0.0.1 FROM:<x@lf.example>\n261206\trest\n";
  EXPECT_EQ(TraceOn(dir, Words("search --date 261205..261206 --sender x@lf")).out, lf);
  EXPECT_EQ(TraceOn(dir, Words("show --date 261206..261207 BARE0LF")).out,
            "261206\tStatus: SMTP transaction details for Message ID [BARE0LF] follow below: \r\n"
            "261206\t\r\n"
            "261206\t12:00:00\tSMTP-IN\tBARE0LF\t1\t10.0.0.1\tMAIL\tFROM:<x@lf.example>\n"
            "261206\trest\r\n"
            "261206\t\r\n");
  // So does a story's event line: the rest carries the event's day, time and log again.
  EXPECT_NE(
      TraceOn(dir, Words("story --date 261206 --days 0 BARE0LF"))
          .out.find("FROM:<x@lf.example>\n  261206 12:00:00  SMTP-Activity-261206.log  rest\n"),
      std::string::npos);

  // No log in the range (400 days, the most allowed): nothing found, not bad usage.
  const RunResult none = s.Trace({"show", "--date", "200101..210203", "4F2A0C11"});
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_EQ(none.out, "");
}

// The JSON of every command parses and holds the fields the README documents: each row checks
// values at JSON pointers, "<array>" / "<string>" only the kind of value, "<absent>" that a field
// holding nothing is left out.
TEST_F(Rqtrace, JsonOfEveryCommandFollowsItsSchema) {
  // fields: {pointer: value}; "D" stands for today's log date, "<line>" for the copy's first line.
  struct Case {
    std::string args;
    int status;
    const char* fields;
  };
  const std::string firstCopyLine = LinesContaining(s.SmtpActivity(today), "4F2A0C3A").at(0);
  const std::vector<Case> cases = {
      {"trace --date D 4F2A0C11", 0,
       R"({"/messageId": "4F2A0C11", "/date": "D", "/direction": "forward", "/connector": "SMTP",
           "/tracedId": "4F2A0C11", "/result": "routed", "/queues": 1, "/routes/0/connector": "SMTP",
           "/routes/0/messageId": "4F2A0C2E", "/routes/0/time": "<string>",
           "/routes/0/copies/0/domain": "bluefin.example", "/routes/0/copies/0/messageId": "4F2A0C3A",
           "/routes/0/copies/0/activity/0": "<line>", "/routes/0/copies/2/messageId": "4F2A0C3C",
           "/message": "<absent>", "/inbound": "<absent>", "/splitFrom": "<absent>"})"},
      {"trace --date D 6B81D204", 0,
       R"({"/routes/0/connector": "SF", "/routes/0/line": "<string>"})"},
      {"trace --date D 6B81D3A0", 0, R"({"/routes/0/postoffice": "unlogged"})"},
      {"trace --date D --backtrace 4F2A0C3A", 0,
       R"({"/direction": "backward", "/splitFrom": "4F2A0C2E", "/tracedId": "4F2A0C2E",
           "/routes/0/messageId": "4F2A0C11"})"},
      {"trace --date D B5081C44", 0, R"({"/result": "waiting"})"},
      {"trace --date D B5081D07", 0, R"({"/result": "notRouted", "/inbound": "<array>"})"},
      {"trace --date D --backtrace C6192E5A", 1,
       R"({"/result": "nothing", "/splitFrom": "", "/message": "<string>"})"},
      {"split --date D 4F2A0C2E", 0,
       R"({"/found": true, "/date": "D", "/copies/0/activity/0": "<line>", "/copies/2/debug": "<array>",
           "/routes": "<absent>", "/result": "<absent>", "/message": "<absent>"})"},
      {"split --date D D7A3F02B", 1, R"({"/found": false, "/copies": [], "/message": "<string>"})"},
      {"show --date D 4F2A0C11", 0, R"({"/messageId": "4F2A0C11", "/lines/0": "<string>"})"},
      {"show --date D 0BADC0DE99", 1, R"({"/lines": [], "/message": "<string>"})"},
      {"show --date " + today.Plus(-5).LogDate() + "..D 4F2A0C11", 0, R"({"/0/date": "D"})"},
      {"search --date D --recipient fjord --backtrace", 0,
       R"({"/0/messageId": "71C0E44D", "/0/data": "203.0.113.82 TO:<jon.aasen@fjord.example>",
           "/0/time": "<string>"})"},
      {"dates", 0, R"({"/connector": "SMTP", "/dates/2": "D"})"},
      {"check", 0, R"({"/warnings": []})"},
      {"story --date D 0BADC0DE99", 1,
       R"({"/message": "<string>", "/result": "nothing", "/origin": "<absent>", "/hops": "<absent>",
           "/lastDay": "<string>"})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const RunResult r = s.Trace(Args(c.args + " --json"));
    EXPECT_EQ(r.status, c.status) << r.err;
    const json out = json::parse(r.out);
    const json fields = json::parse(c.fields);
    for (const auto& [pointer, value] : fields.items()) {
      const json::json_pointer at(pointer);
      const json expected = value == "D"        ? json(d)
                            : value == "<line>" ? json(firstCopyLine)
                                                : value;
      ASSERT_EQ(out.contains(at), expected != "<absent>") << pointer << " in " << r.out;
      if (expected == "<absent>") continue;
      if (expected == "<string>") {
        EXPECT_TRUE(out.at(at).is_string()) << pointer;
      } else if (expected == "<array>") {
        EXPECT_TRUE(out.at(at).is_array() && !out.at(at).empty()) << pointer;
      } else {
        EXPECT_EQ(out.at(at), expected) << pointer;
      }
    }
  }
}

// The README's examples led by "$ rqtrace --settings server.reg": the lines under the command, up
// to the end of its block, are its output (CR LF shown as LF) on the server they were made on.
TEST(Readme, ExamplesPrintWhatTheyShow) {
  const TempDir temp;
  const std::string dir = temp / "server";
  ASSERT_EQ(RunProgram(RqSample(), Words(dir + " --today 261206")).status, 0);
  const std::string readme = ReadFile(RQ_E2E_README);
  const std::string head = "\n$ rqtrace --settings server.reg ";
  int examples = 0;
  for (std::size_t at = readme.find(head); at != std::string::npos;
       at = readme.find(head, at + 1), ++examples) {
    const std::size_t line = readme.find('\n', at + 1);
    const std::string command = readme.substr(at + head.size(), line - at - head.size());
    const std::string shown = readme.substr(line + 1, readme.find("\n```", line) - line);
    std::string out = TraceOn(dir, Words(command)).out;
    std::erase(out, '\r');
    EXPECT_EQ(out, shown) << command;
  }
  EXPECT_GE(examples, 3);
}

TEST(RqtraceSettings, UnreadableSettingsGiveStatusTwoLoggingOffStatusOne) {
  const TempDir temp;
  const std::string bad = temp / "bad.reg";
  test::WriteFile(bad, test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill]",
                                      "\"Debug Enabled\"=dword:zz"}));
  struct Case {
    std::vector<std::string> args;
    std::string mustName;
  };
  const std::vector<Case> cases = {
      {{"--settings", bad, "check"}, "bad.reg:4"},
      {{"--settings", bad, "trace", "--date", "261206", "4F2A0C11"}, "bad.reg:4"},
      {{"--settings", temp / "missing.reg", "dates"}, "missing.reg"},
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
  // With every logging switch off (the warnings' texts are the logging check's own test): one
  // line per warning, and status 1.
  test::WriteFile(temp / "none.reg", test::RegText({}));
  const RunResult r = RunProgram(RqTrace(), {"--settings", temp / "none.reg", "check"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
  EXPECT_EQ(r.out.rfind("Warning: MTA Debug and Activity logging", 0), 0u) << r.out;
}

#ifndef _WIN32
// A log of over twice the smallest segment is read in segments on threads: the rows of one reading.
TEST(RqtraceLargeLog, SegmentsGiveTheRowsOfOneReading) {
  const TempDir temp;
  const std::string dir = temp / "big";
  ASSERT_EQ(RunProgram(RqSample(), Words(dir + " --today 261206 --days 1 --size 70M --grow "
                                               "smtp-activity"))
                .status,
            0);
  const std::vector<std::string> search = Words("search --date 261206 --recipient example.net");
  setenv("RQ_THREADS", "2", 1);
  std::string out[2];
  for (const char* segments : {"1", "2"}) {
    setenv("RQ_SEGMENTS", segments, 1);
    out[*segments - '1'] = TraceOn(dir, search).out;
  }
  unsetenv("RQ_SEGMENTS");
  unsetenv("RQ_THREADS");
  EXPECT_GT(std::count(out[0].begin(), out[0].end(), '\n'), 500);
  EXPECT_EQ(out[1], out[0]);
}
#endif

// A --date that is no calendar day, or a range where the command takes one day, is named in the
// message.
TEST_F(Rqtrace, BadUsageGivesStatusTwo) {
  for (const char* args :
       {"", "frobnicate", "trace 4F2A0C11", "split --days-back -1 4F2A0C11",
        "search --date D --sender", "search --date 2612..261207 --sender a",
        "show --date 261207..261301 4F2A0C11", "show --date 261207..261206 4F2A0C11",
        "search --date 250101..260205 --sender a", "search --date 2612 --sender a",
        "show --date 261232 4F2A0C11", "show --date 260229 4F2A0C11", "trace --date foo 4F2A0C11",
        "trace --date 261210..D 4F2A0C11", "split --date D..D 4F2A0C2E",
        "story --date 2612066 4F2A0C2E", "story --date D..D 4F2A0C2E", "show  --date D",
        "story  --date D"}) {
    const RunResult r = s.Trace(Args(args));
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> words = Args(args);
    const auto date = std::find(words.begin(), words.end(), "--date");
    if (date != words.end() && *(date + 1) != d) {
      EXPECT_NE(r.err.find("--date: "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(*(date + 1)), std::string::npos) << r.err;
    }
  }
  // 2025 has 365 days, and 260101..260205 adds 36.
  EXPECT_NE(s.Trace(Args("search --date 250101..260205 --sender a")).err.find("spans 401 days"),
            std::string::npos);
}

}  // namespace
}  // namespace rq::e2e
