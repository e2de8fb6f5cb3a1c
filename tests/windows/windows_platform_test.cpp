// What the program takes from Windows itself: the log-date listing through the system's wildcard
// listing and the user's short date form.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dates.h"
#include "settings/log_dates.h"
#include "settings/reg_file_store.h"
#include "settings/server.h"
#include "test_support.h"

namespace rq {
namespace {

using test::TempDir;
using test::WriteFile;

// A REGEDIT4 export naming `dir` as the SMTP and postoffice connectors' log directories.
std::string SettingsFor(const std::string& dir) {
  std::string escaped;
  for (const char c : dir) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  std::string text = "REGEDIT4\r\n\r\n";
  for (const char* code : {"SMTP", "SF"}) {
    text += std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors\\") +
            code + "]\r\n\"Activity Log Directory\"=\"" + escaped +
            "\"\r\n\"Debug Log File Directory\"=\"" + escaped + "\"\r\n\r\n";
  }
  return text;
}

TEST(ListAvailableDates, OrdinaryFilesOnlyAndLetterCaseDoesNotCount) {
  const TempDir dir;
  for (const char* name :
       {"SMTP-Activity-240102.log", "smtp-activity-240101.LOG", "SMTP-Activity-240107.old.log",
        "SMTP-Activity-240106.log.old", "SMTP-Activity-240104.log", "SMTP-Activity-240105.log",
        "SMTP-Debug-240108.log", "POC-Activity-240109.log", "SMTP-Activity-.log",
        "XSMTP-Activity-240110.log"}) {
    WriteFile(dir / name, "x\r\n");
  }
  SetFileAttributesA((dir / "SMTP-Activity-240104.log").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA((dir / "SMTP-Activity-240105.log").c_str(), FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryA((dir / "SMTP-Activity-240103.log").c_str(), nullptr);

  const RegFileStore settings = RegFileStore::FromBytes(SettingsFor(dir.path()), "s.reg");
  const Server server(settings);
  // Ascending byte order of the names: upper-case letters sort before lower-case ones.
  EXPECT_EQ(ListAvailableDates(server, "SMTP"),
            (std::vector<std::string>{"", "240102", "240107", "240101"}));
  EXPECT_EQ(ListAvailableDates(server, "smtp"),
            (std::vector<std::string>{"", "240102", "240107", "240101"}));
  EXPECT_EQ(ListAvailableDates(server, "SF"), (std::vector<std::string>{"240109"}));
  EXPECT_TRUE(ListAvailableDates(server, "LS").empty());  // no directory set: none listed
  const RegFileStore missing = RegFileStore::FromBytes(SettingsFor(dir / "not there"), "m.reg");
  EXPECT_TRUE(ListAvailableDates(Server(missing), "SMTP").empty());
}

// The date form made from the user's locale writes a day as the system itself does (the picture's
// translation is a table of the conventions test).
TEST(DateFormat, FromUserLocaleWritesTheDayAsTheSystemDoes) {
  const SYSTEMTIME st{2024, 3, 0, 7, 0, 0, 0, 0};  // year, month, weekday, day
  char text[128] = {};
  ASSERT_GT(GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text),
            0);
  EXPECT_EQ(DateFormat::FromUserLocale().Format(Date{2024, 3, 7}), text);
}

}  // namespace
}  // namespace rq
