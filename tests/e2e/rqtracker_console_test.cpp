// rqtracker's command-line trace on the console: the question about earlier days on standard
// error, the answers on standard input, the report on standard output.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

class Console : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();

  RunResult Tracker(const std::vector<std::string>& commandLine, const std::string& input) const {
    std::vector<std::string> args = {"--console"};
    const std::vector<std::string> options = s.Options();
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), commandLine.begin(), commandLine.end());
    return RunProgram(RqTracker(), args, input);
  }

  static std::string Question(const Day& d) {
    return "Could not find the start point in the logs for this message for date " + d.CShort() +
           ". Do you wish to search the previous days logs? [Y/n] ";
  }

  // What rqtrace's split prints for the same message and day: the same report.
  std::string SplitReport(const std::string& id, const Day& d) const {
    const RunResult r = s.Trace({"split", "--date", d.LogDate(), id});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    return r.out;
  }
};

TEST_F(Console, FoundTodayAsksNothing) {
  // The sample's today is the real local date, which is where the console trace starts.
  ASSERT_EQ(s.today().LogDate(), Today().LogDate()) << "the date changed during the test";
  const RunResult r = Tracker({"x", "4F2A0C2E"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, SplitReport("4F2A0C2E", s.today()));
  EXPECT_EQ(r.out.rfind("Fork/Split: Message ID [4F2A0C2E] requeued/split into 3 messages", 0), 0u);
}

TEST_F(Console, FoundYesterdayAfterOneYes) {
  const std::string yesterday = SplitReport("D7A3F02B", s.today().Plus(-1));
  for (const std::string input : {"y\n", "YES\r\n", "\n"}) {
    const RunResult r = Tracker({"x", "D7A3F02B"}, input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, Question(s.today()));
    EXPECT_EQ(r.out, yesterday);
  }
}

TEST_F(Console, AnswersThatEndTheSearchPrintNothing) {
  struct Case {
    std::string input;
    std::string afterQuestion;  // the end of input also ends the question's line
  };
  for (const Case& c : {Case{"n\n", ""}, Case{"No\n", ""}, Case{"", "\n"}}) {
    const RunResult r = Tracker({"x", "D7A3F02B"}, c.input);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_EQ(r.out, "") << c.input;
    EXPECT_EQ(r.err, Question(s.today()) + c.afterQuestion) << c.input;
  }
}

// Each Yes goes one day further back; an answer it does not know asks again on the same day.
TEST_F(Console, EachYesGoesOneDayBack) {
  const RunResult r = Tracker({"x", "0BADC0DE99"}, "\nmaybe\nYES\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  const Day t = s.today();
  EXPECT_EQ(r.err, Question(t) + Question(t.Plus(-1)) + Question(t.Plus(-1)) +
                       Question(t.Plus(-2)) + "\n");
}

TEST_F(Console, FieldsAfterTheIdAreIgnored) {
  const RunResult r = Tracker({"x", "4F2A0C2E", "/BACKTRACE"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, SplitReport("4F2A0C2E", s.today()));
}

TEST_F(Console, OneFieldEndsSilently) {
  const RunResult r = Tracker({"4F2A0C2E"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(Console, EmptyCommandLineGivesUsage) {
  const RunResult r = Tracker({}, "");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Usage: rqtracker"), std::string::npos) << r.err;
}

TEST_F(Console, UnreadableSettingsGiveStatusTwo) {
  const RunResult r =
      RunProgram(RqTracker(), {"--console", "--settings", "no-such-file.reg", "x", "ID"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no-such-file.reg"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rq::e2e
