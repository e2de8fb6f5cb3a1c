// rqtracker's command-line trace on the console: the question on stderr, answers on stdin, the
// report on stdout; what each answer means is the console user interface's unit test.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

TEST(Console, CommandLineTrace) {
  const Sample& s = Sample::Get();
  const Day t = s.today();
  // The sample's today is the real local date, which is where the console trace starts.
  ASSERT_EQ(t.LogDate(), Today().LogDate()) << "the date changed during the test";
  const auto question = [](const Day& d) {
    return "Could not find the start point in the logs for this message for date " + d.CShort() +
           ". Do you wish to search the previous days logs? [Y/n] ";
  };
  // What rqtrace's split prints for the same message and day: the same report.
  const auto split = [&](const std::string& id, const Day& d) {
    const RunResult r = s.Trace({"split", "--date", d.LogDate(), id});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    return r.out;
  };
  struct Row {
    std::vector<std::string> commandLine;
    std::string input;
    std::string out, err;
  };
  const std::vector<Row> rows = {
      {{"x", "4F2A0C2E"}, "", split("4F2A0C2E", t), ""},                // found today: no question
      {{"x", "4F2A0C2E", "/BACKTRACE"}, "", split("4F2A0C2E", t), ""},  // later fields ignored
      {{"x", "D7A3F02B"}, "YES\r\n", split("D7A3F02B", t.Plus(-1)), question(t)},
      {{"x", "D7A3F02B"}, "n\n", "", question(t)},
      // The end of input answers No and ends the question's line.
      {{"x", "D7A3F02B"}, "", "", question(t) + "\n"},
      // Each Yes goes one day further back; an answer it does not know asks again on that day.
      {{"x", "0BADC0DE99"},
       "\nmaybe\nYES\n",
       "",
       question(t) + question(t.Plus(-1)) + question(t.Plus(-1)) + question(t.Plus(-2)) + "\n"},
      {{"4F2A0C2E"}, "", "", ""},  // one field ends silently
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.commandLine) + " " + row.input);
    std::vector<std::string> args = s.Options();
    args.insert(args.begin(), "--console");
    args.insert(args.end(), row.commandLine.begin(), row.commandLine.end());
    const RunResult r = RunProgram(RqTracker(), args, row.input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, row.err);
  }
}

#ifdef _WIN32
// Windows hands a program its command line as one text: the fields are cut from it as written.
TEST(Console, FieldsAreCutFromTheCommandLineAsWritten) {
  const std::vector<std::string> o = Sample::Get().Options();
  const std::string options = "--settings \"" + o[1] + "\" --map \"" + o[3] + "\" ";
  const std::string report = "Message ID [4F2A0C2E] requeued/split into ";
  EXPECT_NE(RunCommandLine(RqTracker(), "--console " + options + "x 4F2A0C2E").out.find(report),
            std::string::npos);
  // Two blanks: the second field is empty, and the empty ID is traced; a quoted ID keeps its
  // quotes. Neither names a message of today.
  for (const char* fields : {"x  4F2A0C2E", "x \"4F2A0C2E\""}) {
    EXPECT_EQ(RunCommandLine(RqTracker(), "--console " + options + fields).out, "") << fields;
  }
  // Output to a file asks for the console without --console: no window opens.
  EXPECT_NE(RunCommandLine(RqTracker(), options + "x 4F2A0C2E").out.find(report),
            std::string::npos);
}
#endif

TEST(Console, UsageAndSettingsErrorsGiveStatusTwo) {
  const std::vector<std::string> opts = Sample::Get().Options();
  RunResult r = RunProgram(RqTracker(), {"--console", opts[0], opts[1], opts[2], opts[3]});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Usage: rqtracker"), std::string::npos) << r.err;
  r = RunProgram(RqTracker(), {"--console", "--settings", "no-such-file.reg", "x", "ID"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("no-such-file.reg"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rq::e2e
