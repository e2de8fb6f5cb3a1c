// The sample generator itself: the same seed gives the same bytes, the planted messages do not
// depend on the seed, logs are written the way Windows writes them, --size and --split do
// what they say, and bad usage is refused.
#include <gtest/gtest.h>

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

RunResult Generate(const fs::path& dir, std::vector<std::string> more) {
  std::vector<std::string> args = {dir.string(), "--today", "261206"};
  args.insert(args.end(), more.begin(), more.end());
  return RunProgram(RqSample(), args);
}

RunResult TraceIn(const fs::path& dir, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"--settings", (dir / "settings.reg").string(), "--map",
                                  "C:\\Program Files (x86)\\Raven Quill=" + dir.string()};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(RqTrace(), all);
}

TEST(Rqsample, SameSeedSameBytesAndPlantedMessagesWhateverTheSeed) {
  TempDir temp;
  const fs::path a = temp / "a", b = temp / "b", c = temp / "c";
  ASSERT_EQ(Generate(a, {"--seed", "42"}).status, 0);
  ASSERT_EQ(Generate(b, {"--seed", "42"}).status, 0);
  ASSERT_EQ(Generate(c, {"--seed", "43"}).status, 0);
  const auto filesA = Files(a);
  EXPECT_EQ(filesA.size(), 20u);  // settings, 3 days of 6 logs, the waiting message
  EXPECT_TRUE(filesA == Files(b));
  EXPECT_FALSE(filesA == Files(c));
  for (const char* id : {"4F2A0C11", "92E6B110", "E8B40A10"}) {
    const RunResult ra = TraceIn(a, {"trace", "--date", "261206", id});
    const RunResult rc = TraceIn(c, {"trace", "--date", "261206", id});
    EXPECT_EQ(ra.status, 0) << id;
    EXPECT_EQ(ra.out, rc.out) << id;
  }
}

TEST(Rqsample, WritesWhatTheRegistryEditorAndTheServerWrite) {
  TempDir temp;
  const fs::path dir = temp / "new/server";  // parents are created
  ASSERT_EQ(Generate(dir, {}).status, 0);
  const std::string reg = ReadFile(dir / "settings.reg");
  const std::string head("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0", 16);
  EXPECT_EQ(reg.substr(0, head.size()), head);
  EXPECT_NE(reg.find(std::string("\r\0\n\0", 4)), std::string::npos);
  for (const auto& [name, bytes] : Files(dir, true)) {
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name;
    for (std::size_t at = bytes.find('\n'); at != std::string::npos;
         at = bytes.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << name << " has a bare LF at " << at;
    }
  }
  EXPECT_TRUE(fs::is_regular_file(dir / "Connectors" / "SMTP" / "Inbound" / "B5081C44"));
}

TEST(Rqsample, SizeGrowsEveryLogAndKeepsThePlantedMessages) {
  TempDir temp;
  const fs::path dir = temp / "big";
  const std::uint64_t size = 3 << 20;
  ASSERT_EQ(Generate(dir, {"--days", "1", "--size", "3M", "--split", "10"}).status, 0);
  const auto logs = Files(dir, true);
  EXPECT_EQ(logs.size(), 6u);
  for (const auto& [name, bytes] : logs) {
    EXPECT_GE(bytes.size(), size) << name;
    EXPECT_LT(bytes.size(), size + size / 10) << name;
  }
  const RunResult split = TraceIn(dir, {"split", "--date", "261206", "9C4E1B7703"});
  EXPECT_EQ(split.status, 0) << split.err;
  EXPECT_EQ(split.out.rfind(SplitLine("9C4E1B7703", 10), 0), 0u);
  const RunResult trace = TraceIn(dir, {"trace", "--date", "261206", "6B81D204"});
  EXPECT_EQ(trace.status, 0);
  EXPECT_NE(trace.out.find("RQ-P0210: [6B81D219] delivered to mailbox [maya.lind]"),
            std::string::npos)
      << trace.out;
}

TEST(Rqsample, GrowOnlyTheNamedLogs) {
  TempDir temp;
  const fs::path dir = temp / "grow";
  ASSERT_EQ(Generate(dir, {"--days", "1", "--size", "2M", "--grow", "smtp-debug,mta"}).status, 0);
  for (const auto& [name, bytes] : Files(dir, true)) {
    const bool grown =
        name.find("SMTP-Debug") != std::string::npos || name.find("MTA-Debug") != std::string::npos;
    EXPECT_EQ(bytes.size() >= (2u << 20), grown) << name;
    EXPECT_EQ(bytes.size() < (1u << 20), !grown) << name;
  }
}

// One day only: the message split yesterday has no logs to be found in.
TEST(Rqsample, OneDayLeavesOutYesterdaysMessage) {
  TempDir temp;
  const fs::path dir = temp / "one";
  const RunResult r = Generate(dir, {"--days", "1"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("D7A3F02B"), std::string::npos);
  EXPECT_NE(r.out.find("trace --date 261206 4F2A0C11"), std::string::npos) << r.out;
  EXPECT_EQ(TraceIn(dir, {"dates"}).out, "261206\n");
}

TEST(Rqsample, RefusesBadUsage) {
  TempDir temp;
  const std::string dir = temp / "x";
  const std::vector<std::vector<std::string>> cases = {
      {},
      {dir, "--days", "0"},
      {dir, "--days"},
      {dir, "--seed", "-1"},
      {dir, "--size", "12Q"},
      {dir, "--split", "0"},
      {dir, "--grow", "smtp-debug,bogus"},
      {dir, "--today", "261332"},
      {dir, "--today", "26120"},
      {dir, "--colour"},
      {dir, dir + "2"},
  };
  for (const std::vector<std::string>& args : cases) {
    const RunResult r = RunProgram(RqSample(), args);
    EXPECT_EQ(r.status, 2) << (args.size() > 1 ? args[1] : "(no DIR)");
    EXPECT_NE(r.err.find("rqsample: "), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(dir));
}

TEST(Rqsample, ReportsAFileItCannotWrite) {
  TempDir temp;
  test::WriteFile(temp / "plain-file", "not a directory");
  const RunResult r = RunProgram(RqSample(), {temp / "plain-file"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rq::e2e
