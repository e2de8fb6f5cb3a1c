#include "tracing/command_line_trace.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/output.h"
#include "app/program_support.h"
#include "test_support.h"

namespace rq {
namespace {

using test::CrLfLines;

const Date kToday{2026, 3, 14};
const Date kYesterday{2026, 3, 13};

std::string Requeue(const std::string& parent, const std::string& copy, const std::string& domain) {
  return "RQ-I0018: [" + parent + "] requeued as [" + copy + "] target domain [" + domain + "]";
}

struct Traced {
  SplitTraceResult result;
  std::string report;
  int writes = 0;
  std::vector<Date> asked;  // the days the question was asked about
};

// Answers the question from a script, No when it runs out.
Traced Trace(const test::SampleServer& sample, std::string_view id, std::vector<bool> answers,
             const Date& start = kToday) {
  Traced t;
  StringReport report;
  const auto ask = [&](const Date& d) {
    t.asked.push_back(d);
    return t.asked.size() <= answers.size() && answers[t.asked.size() - 1];
  };
  Findings findings;
  t.result = TraceSplitMessage(sample.server(), id, start, ask, findings);
  PrintReport(findings, report);
  t.report = report.text();
  t.writes = report.writes();
  return t;
}

// Pairs of a command line and its fields, each led by '|'; only the blank separates.
TEST(SplitCommandLine, FieldsAtEverySingleBlank) {
  const std::vector<std::string> cases = {
      "",    "|",    "word",  "|word",  "x ID",       "|x|ID",       "x  ID", "|x||ID",
      " ID", "||ID", "x ID ", "|x|ID|", "x ID third", "|x|ID|third", "x\tID", "|x\tID"};
  for (std::size_t i = 0; i < cases.size(); i += 2) {
    std::string fields;
    for (const auto& field : SplitCommandLine(cases[i])) fields += "|" + std::string(field);
    EXPECT_EQ(fields, cases[i + 1]) << cases[i];
  }
}

// The C locale's form is pinned by the console's end-to-end test.
TEST(PreviousDayQuestion, NamesTheDayInTheShortDateForm) {
  EXPECT_EQ(PreviousDayQuestion(DateFormat("%d.%m.%Y"), kToday),
            "Could not find the start point in the logs for this message for date 14.03.2026. Do "
            "you wish to search the previous days logs?");
}

TEST(TraceSplitMessage, GoesBackOneDayForEachYes) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kYesterday, CrLfLines({Requeue("M1", "C1", "a")}));
  sample.WriteLog("SMTP", "Activity", kToday, CrLfLines({"today C1"}));
  sample.WriteLog("SMTP", "Activity", kYesterday, CrLfLines({"yesterday C1"}));

  const Traced yes = Trace(sample, "M1", {true});
  EXPECT_EQ(yes.asked, std::vector<Date>{kToday});
  EXPECT_TRUE(yes.result.found);
  EXPECT_EQ(yes.result.day, kYesterday);
  EXPECT_NE(yes.report.find("yesterday C1\r\n"), std::string::npos);
  EXPECT_EQ(yes.report.find("today C1"), std::string::npos);

  const Traced no = Trace(sample, "M1", {false});
  EXPECT_EQ(no.asked, std::vector<Date>{kToday});
  EXPECT_FALSE(no.result.found);
  EXPECT_EQ(no.report, "");
  EXPECT_EQ(no.writes, 0);

  // Across a month's end, and every day asked about once.
  const Traced far = Trace(sample, "NONE", {true, true}, Date{2026, 3, 1});
  EXPECT_EQ(far.asked, (std::vector<Date>{{2026, 3, 1}, {2026, 2, 28}, {2026, 2, 27}}));
  EXPECT_FALSE(far.result.found);
}

TEST(TraceSplitMessage, EmptyIdFromTwoBlanks) {
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", kToday, CrLfLines({"RQ-I0018: [] requeued as [E1]"}));
  const auto fields = SplitCommandLine("rq  ");
  ASSERT_EQ(fields.size(), 3u);
  const Traced t = Trace(sample, fields[1], {});
  EXPECT_TRUE(t.result.found);
  EXPECT_EQ(t.report.rfind("Fork/Split: Message ID [] requeued/split into 1 messages", 0), 0u);
}

TEST(ConsoleUserInterface, AnswersFromALine) {
  struct Case {
    const char* input;
    bool answer;
    int questions;
  };
  const std::vector<Case> cases = {
      {"\n", true, 1},      {"y\n", true, 1},   {"YES\n", true, 1}, {"Yes\r\n", true, 1},
      {"n\n", false, 1},    {"No\n", false, 1}, {"", false, 1},     {"maybe\nn\n", false, 2},
      {"yep\n\n", true, 2}, {"y", true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    std::ostringstream err;
    ConsoleUserInterface ui(in, err);
    EXPECT_EQ(ui.AskYesNo(Message{"Warning", "Go back?", MessageIcon::kExclamation}), c.answer);
    std::string expected;
    for (int i = 0; i < c.questions; ++i) expected += "Go back? [Y/n] ";
    EXPECT_EQ(err.str().substr(0, expected.size()), expected);
    EXPECT_EQ(err.str().find("Go back? [Y/n] ", expected.size()), std::string::npos);
  }
}

}  // namespace
}  // namespace rq
