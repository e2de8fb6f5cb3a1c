// The sample generator: same seed same bytes, planted messages whatever the seed, Windows line
// ends, --size, --split and --grow, and bad usage refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

namespace fs = std::filesystem;

// Every file (or every log) below the directory, by its relative path.
std::vector<std::pair<std::string, std::string>> Files(const fs::path& dir, bool logs = false) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file() && (!logs || e.path().extension() == ".log")) {
      files.emplace_back(fs::relative(e.path(), dir).generic_string(), ReadFile(e.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

RunResult Generate(const fs::path& dir, const std::string& more) {
  std::vector<std::string> args = Words(more);
  args.insert(args.begin(), {dir.string(), "--today", "261206"});
  return RunProgram(RqSample(), args);
}

RunResult TraceIn(const fs::path& dir, const std::string& args) {
  return TraceOn(dir, Words(args));
}

// Also: settings as the registry editor writes them, logs with Windows line ends.
TEST(Rqsample, SameSeedSameBytesAndPlantedMessagesWhateverTheSeed) {
  TempDir temp;
  const fs::path a = temp / "new/a", b = temp / "b", c = temp / "c";  // parents are created
  for (const auto& [dir, seed] : {std::pair(a, "42"), std::pair(b, "42"), std::pair(c, "43")}) {
    ASSERT_EQ(Generate(dir, std::string("--seed ") + seed).status, 0);
  }
  const auto filesA = Files(a);
  EXPECT_EQ(filesA.size(), 20u);  // settings, 3 days of 6 logs, the waiting message
  EXPECT_TRUE(filesA == Files(b));
  EXPECT_FALSE(filesA == Files(c));
  for (const char* id : {"4F2A0C11", "92E6B110", "E8B40A10"}) {
    const RunResult ra = TraceIn(a, std::string("trace --date 261206 ") + id);
    EXPECT_EQ(ra.status, 0) << id;
    EXPECT_EQ(ra.out, TraceIn(c, std::string("trace --date 261206 ") + id).out) << id;
  }
  const std::string reg = ReadFile(a / "settings.reg");
  EXPECT_EQ(reg.substr(0, 16), std::string("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0", 16));
  EXPECT_NE(reg.find(std::string("\r\0\n\0", 4)), std::string::npos);
  for (const auto& [name, bytes] : Files(a, true)) {
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name;
    const auto bareLf = [](char x, char y) { return x != '\r' && y == '\n'; };
    EXPECT_TRUE(bytes[0] != '\n' &&
                std::adjacent_find(bytes.begin(), bytes.end(), bareLf) == bytes.end())
        << name;
  }
  EXPECT_TRUE(fs::is_regular_file(a / "Connectors" / "SMTP" / "Inbound" / "B5081C44"));
}

TEST(Rqsample, SizeGrowsEveryLogOrTheNamedOnesAndKeepsThePlantedMessages) {
  TempDir temp;
  const fs::path dir = temp / "big", grow = temp / "grow";
  const std::uint64_t size = 3 << 20;
  const RunResult r = Generate(dir, "--days 1 --size 3M --split 10");
  ASSERT_EQ(r.status, 0);
  // One day only: the message split yesterday has no logs to be found in.
  EXPECT_EQ(r.out.find("D7A3F02B"), std::string::npos);
  EXPECT_NE(r.out.find("trace --date 261206 4F2A0C11"), std::string::npos) << r.out;
  EXPECT_EQ(TraceIn(dir, "dates").out, "261206\n");
  const auto logs = Files(dir, true);
  EXPECT_EQ(logs.size(), 6u);
  for (const auto& [name, bytes] : logs) {
    EXPECT_GE(bytes.size(), size) << name;
    EXPECT_LT(bytes.size(), size + size / 10) << name;
  }
  EXPECT_EQ(
      TraceIn(dir, "split --date 261206 9C4E1B7703").out.rfind(SplitLine("9C4E1B7703", 10), 0), 0u);
  EXPECT_NE(TraceIn(dir, "trace --date 261206 6B81D204")
                .out.find("RQ-P0210: [6B81D219] delivered to mailbox [maya.lind]"),
            std::string::npos);
  ASSERT_EQ(Generate(grow, "--days 1 --size 2M --grow smtp-debug,mta").status, 0);
  for (const auto& [name, bytes] : Files(grow, true)) {
    const bool grown =
        name.find("SMTP-Debug") != std::string::npos || name.find("MTA-Debug") != std::string::npos;
    EXPECT_EQ(bytes.size() >= (2u << 20), grown) << name;
    EXPECT_EQ(bytes.size() < (1u << 20), !grown) << name;
  }
}

TEST(Rqsample, RefusesBadUsageAndReportsAFileItCannotWrite) {
  TempDir temp;
  const std::string dir = temp / "x";
  std::vector<std::vector<std::string>> cases = {{}, {dir, dir + "2"}};
  for (const char* more : {"--days 0", "--days", "--seed -1", "--size 12Q", "--split 0", "--colour",
                           "--grow smtp-debug,bogus", "--today 261332", "--today 26120"}) {
    cases.push_back(Words(more));
    cases.back().insert(cases.back().begin(), dir);
  }
  for (const std::vector<std::string>& args : cases) {
    const RunResult r = RunProgram(RqSample(), args);
    EXPECT_EQ(r.status, 2) << (args.size() > 1 ? args[1] : "(no DIR)");
    EXPECT_NE(r.err.find("rqsample: "), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(dir));
  test::WriteFile(temp / "plain-file", "not a directory");
  const RunResult r = RunProgram(RqSample(), {temp / "plain-file"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rq::e2e
