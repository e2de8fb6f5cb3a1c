// What the program takes from Windows itself: the log-date listing through the system's wildcard
// listing, the user's short date form, and rqtracker's command line as one text.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_support.h"
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

// Under Wine the build machine's paths are reached through drive Z:.
std::string ProgramPath(std::string path) {
  if (!path.empty() && path.front() == '/') path.insert(0, "Z:");
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// Runs rqtracker with the command line exactly as given (no argument quoting of our own), with
// no input, and returns what it wrote to standard output.
std::string RunTracker(const std::string& arguments, const TempDir& dir) {
  const std::string outPath = dir / "stdout.txt";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string commandLine = "\"" + ProgramPath(RQ_TRACKER_EXE) + "\" " + arguments;
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &si, &pi);
  CloseHandle(in);
  CloseHandle(out);
  if (!started) return "(could not start " + commandLine + ")";
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::ostringstream text;
  text << std::ifstream(outPath, std::ios::binary).rdbuf();
  return text.str();
}

TEST(RqtrackerCommandLine, FieldsAreCutFromTheTextAsWritten) {
  const TempDir dir;
  WriteFile(dir / "settings.reg", SettingsFor(dir.path()));
  WriteFile(dir / ("SMTP-Debug-" + LogDateOf(TodayLocal()) + ".log"),
            "10:00:00 RQ-I0018: [ABC] requeued as [C1] target domain [one.example]\r\n"
            "10:00:01 RQ-I0018: [] requeued as [E1] target domain [empty.example]\r\n");
  const std::string settings = "--console --settings \"" + (dir / "settings.reg") + "\" ";

  const auto traces = [&](const std::string& arguments, const char* id) {
    return RunTracker(arguments, dir)
               .find("Message ID [" + std::string(id) + "] requeued/split into 1 ") !=
           std::string::npos;
  };
  // One blank: the ID is ABC. Two blanks: the second field is empty, and the empty ID is traced.
  EXPECT_TRUE(traces(settings + "x ABC", "ABC"));
  EXPECT_TRUE(traces(settings + "x  ABC", ""));
  // A quoted ID is taken with its quotes, as written; it names no message.
  EXPECT_EQ(RunTracker(settings + "x \"ABC\"", dir), "");
  // Output to a file asks for the console without --console: no window opens, the report is
  // written there.
  EXPECT_TRUE(traces(settings.substr(std::string("--console ").size()) + "x ABC", "ABC"));
}

}  // namespace
}  // namespace rq
