#include "settings/log_dates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

TEST(ListAvailableDates, AscendingNamesAndNothingRemoved) {
  const test::SampleServer sample;
  const std::string dir = sample.root() + "/Logs/Activity/SMTP/";
  for (const char* name :
       {"SMTP-Activity-260314.log", "SMTP-Activity-260313.old.log", "SMTP-Activity-260313.log",
        "SMTP-Activity-.log", "SMTP-Debug-260312.log", "SMTP-Activity-260311.log.bak",
        "smtp-activity-260310.log", "XSMTP-Activity-260309.log"}) {
    test::WriteFile(dir + name, "x\r\n");
  }
  std::filesystem::create_directories(dir + "SMTP-Activity-260401.log");  // a folder
  // Postoffice files begin with POC; a connector without a folder has no dates.
  test::WriteFile(sample.root() + "/Logs/Activity/SF/POC-Activity-260314.log", "");
  test::WriteFile(sample.root() + "/Logs/Activity/SF/SF-Activity-260313.log", "");
  EXPECT_EQ(ListAvailableDates(sample.server(), "SF"), std::vector<std::string>{"260314"});
  EXPECT_TRUE(ListAvailableDates(sample.server(), "LS").empty());
#ifdef _WIN32
  // Windows file names do not count letter case: the lower-case name is listed too.
  EXPECT_EQ(ListAvailableDates(sample.server(), "SMTP"),
            (std::vector<std::string>{"", "260313", "260313", "260314", "260310"}));
#else
  EXPECT_EQ(ListAvailableDates(sample.server(), "SMTP"),
            (std::vector<std::string>{"", "260313", "260313", "260314"}));
#endif
}

TEST(LogDateFromFileName, ThirdFieldBeforeItsFirstDot) {
  struct Case {
    const char* name;
    const char* date;
  };
  const std::vector<Case> cases = {{"SMTP-Activity-260314.log", "260314"},
                                   {"POC-Activity-260314.log", "260314"},
                                   {"SMTP-Activity-260314.old.log", "260314"},
                                   {"SMTP-Activity-.log", ""},
                                   {"SMTP-Activity", ""},
                                   {"A-B-C-D.log", "C"},
                                   {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(LogDateFromFileName(c.name), c.date) << c.name;
}

TEST(MatchesActivityLogPattern, PrefixAndEnding) {
  EXPECT_TRUE(MatchesActivityLogPattern("SMTP-Activity-.log", "SMTP", true));
  EXPECT_FALSE(MatchesActivityLogPattern("SMTP-Activity.log", "SMTP", true));
  EXPECT_FALSE(MatchesActivityLogPattern("SMTP-Activity-1.LOG", "SMTP", true));
  EXPECT_TRUE(MatchesActivityLogPattern("smtp-activity-1.LOG", "SMTP", false));
  EXPECT_FALSE(MatchesActivityLogPattern("SMTP-Activity-1.log.x", "SMTP", false));
}

}  // namespace
}  // namespace rq
