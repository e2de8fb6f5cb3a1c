#include "app/program_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

#ifndef _WIN32
// The option wins over RQTRACKER_SETTINGS, and without either there is no settings store.
TEST(OpenSettings, FileOptionThenVariableThenNothing) {
  const char* was = std::getenv("RQTRACKER_SETTINGS");
  const std::string old = was != nullptr ? was : "";
  test::TempDir dir;
  const std::string good = dir / "good.reg";
  const std::string bad = dir / "bad.reg";
  test::WriteFile(good, test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"n\"=dword:7"}));
  test::WriteFile(bad, test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"n\"=dword:zz"}));
  std::string error;
  ::setenv("RQTRACKER_SETTINGS", bad.c_str(), 1);
  const auto store = OpenSettings(good, error);
  ASSERT_NE(store, nullptr) << error;
  EXPECT_EQ(store->GetRegistryNumber("SOFTWARE\\X", "n"), 7);
  EXPECT_EQ(OpenSettings("", error), nullptr);
  EXPECT_EQ(error, bad + ":4: dword data holds a character that is not a hex digit");
  ::unsetenv("RQTRACKER_SETTINGS");
  error.clear();
  EXPECT_EQ(OpenSettings("", error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(OpenSettings(dir.path(), error), nullptr) << "a folder is no settings file";
  EXPECT_NE(error.find(dir.path()), std::string::npos);
  if (was != nullptr) ::setenv("RQTRACKER_SETTINGS", old.c_str(), 1);
}
#endif

TEST(ParseMappings, EveryMappingOrOneError) {
  std::vector<PathMapping> mappings;
  std::string error;
  EXPECT_TRUE(ParseMappings({"C:\\RQ=/srv/rq", "D:\\=/mnt/d"}, mappings, error));
  ASSERT_EQ(mappings.size(), 2u);
  EXPECT_EQ(mappings[1].windowsPrefix, "D:");
  EXPECT_FALSE(ParseMappings({"C:\\RQ"}, mappings, error));
  EXPECT_EQ(error, "--map needs WINPATH=DIR, got 'C:\\RQ'");
}

// The progress line in the units a person reads: bytes whole, then one decimal up to TiB.
TEST(ProgressLine, TellsWhatWasReadInReadableUnits) {
  const struct {
    long long read, total;
    double seconds;
    long long day;
    std::string text;
  } rows[] = {
      {0, 0, 0, -1, "read 0 B"},
      {1023, 0, 0, -1, "read 1023 B"},
      {1536, 3LL << 30, 2, 261203, "read 1.5 KiB of 3.0 GiB, 768 B/s, day 261203"},
      {5LL << 40, 0, 0, 5, "read 5.0 TiB, day 000005"},
      {2048LL << 40, 0, 0, -1, "read 2048.0 TiB"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(ProgressLine::Text(r.read, r.total, r.seconds, r.day), r.text);
  }
}

}  // namespace
}  // namespace rq
