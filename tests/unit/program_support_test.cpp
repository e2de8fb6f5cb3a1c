#include "app/program_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

#ifndef _WIN32
// Sets or clears RQTRACKER_SETTINGS for one test and puts the old value back afterwards.
class SettingsVariable {
 public:
  explicit SettingsVariable(const char* value) {
    if (const char* old = std::getenv("RQTRACKER_SETTINGS")) old_ = old, had_ = true;
    if (value != nullptr) {
      ::setenv("RQTRACKER_SETTINGS", value, 1);
    } else {
      ::unsetenv("RQTRACKER_SETTINGS");
    }
  }
  ~SettingsVariable() {
    if (had_) {
      ::setenv("RQTRACKER_SETTINGS", old_.c_str(), 1);
    } else {
      ::unsetenv("RQTRACKER_SETTINGS");
    }
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(OpenSettings, FileOptionThenVariableThenNothing) {
  test::TempDir dir;
  const std::string good = dir / "good.reg";
  const std::string bad = dir / "bad.reg";
  test::WriteFile(good, test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"n\"=dword:7"}));
  test::WriteFile(bad, test::RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"n\"=dword:zz"}));
  std::string error;
  {
    const SettingsVariable variable(bad.c_str());
    const auto store = OpenSettings(good, error);  // the option wins over the variable
    ASSERT_NE(store, nullptr) << error;
    EXPECT_EQ(store->GetRegistryNumber("SOFTWARE\\X", "n"), 7);
    EXPECT_EQ(OpenSettings("", error), nullptr);
    EXPECT_EQ(error, bad + ":4: dword data holds a character that is not a hex digit");
  }
  {
    const SettingsVariable variable(nullptr);
    error.clear();
    EXPECT_EQ(OpenSettings("", error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(OpenSettings(dir / "missing.reg", error), nullptr);
    EXPECT_NE(error.find("missing.reg"), std::string::npos);
    EXPECT_EQ(OpenSettings(dir.path(), error), nullptr) << "a folder is no settings file";
    EXPECT_NE(error.find(dir.path()), std::string::npos);
  }
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

}  // namespace
}  // namespace rq
