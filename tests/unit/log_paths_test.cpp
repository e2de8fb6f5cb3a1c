#include "settings/log_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::RegText;

constexpr std::string_view kServerWide = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]";
constexpr std::string_view kSmtpKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors\\SMTP]";
constexpr std::string_view kTracker =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Applications\\RQTracker]";

struct Fixture {
  explicit Fixture(std::vector<std::string> lines, char separator = '\\')
      : store(RegFileStore::FromBytes(RegText(lines), "t.reg")), server(store, {}, separator) {}
  RegFileStore store;
  Server server;
};

TEST(GetServiceKey, AgentKeyForMtaInAnyCaseOtherwiseConnectorKeyAsGiven) {
  EXPECT_EQ(GetServiceKey("MTA"), "SOFTWARE\\Raven Quill\\Raven Quill\\Agents\\MTA");
  EXPECT_EQ(GetServiceKey("mTa"), "SOFTWARE\\Raven Quill\\Raven Quill\\Agents\\MTA");
  EXPECT_EQ(GetServiceKey("smtp"), "SOFTWARE\\Raven Quill\\Raven Quill\\Connectors\\smtp");
  EXPECT_EQ(GetServiceKey(""), "SOFTWARE\\Raven Quill\\Raven Quill\\Connectors\\");
}

TEST(GetLogDirectory, ForceLogLocationsDecidesWhichSettingCounts) {
  struct Case {
    std::string tracker;  // a line under the program's own key
    std::string own;      // the connector's own "Debug Log File Directory", as stored
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", R"(E:\\Own\\Debug\\)", "E:\\Own\\Debug\\"},
      {"\"Force Log Locations\"=dword:00000000", R"(E:\\Own)", "E:\\Own"},
      {"\"Force Log Locations\"=dword:00000001", R"(E:\\Own)", "D:\\Logs\\SMTP"},
      {"\"Force Log Locations\"=dword:ffffffff", R"(E:\\Own)", "D:\\Logs\\SMTP"},
      {"\"Force Log Locations\"=\"1\"", R"(E:\\Own)", "E:\\Own"},  // stored as text
      {"", "", "D:\\Logs\\SMTP"},                                  // own setting empty
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tracker + " " + c.own);
    const Fixture f({std::string(kServerWide), "\"Debug Log File Directory\"=\"D:\\\\Logs\"",
                     std::string(kTracker), c.tracker, std::string(kSmtpKey),
                     "\"Debug Log File Directory\"=\"" + c.own + "\""});
    EXPECT_EQ(GetLogDirectory(f.server, "SMTP", "Debug"), c.expected);
  }
}

TEST(GetLogDirectory, KindsCodesAndMissingSettings) {
  const Fixture f(
      {std::string(kServerWide), R"("Activity Log Directory"="D:\\Act")",
       R"("Debug Log File Directory"="D:\\Dbg")", R"("W3C Logging Directory"="D:\\W3C")",
       R"([HKEY_LOCAL_MACHINE\SOFTWARE\Raven Quill\Raven Quill\Agents\MTA])",
       R"("Activity Log Directory"="F:\\MtaAct")",
       R"([HKEY_LOCAL_MACHINE\SOFTWARE\Raven Quill\Raven Quill\Connectors])",
       R"("Connector Root Directory"="C:\\RQ\\Connectors\\")"},
      '/');
  // The agent's key is read for "mta" too, and the fallback keeps the caller's letters.
  EXPECT_EQ(GetLogDirectory(f.server, "mta", "Activity"), "F:\\MtaAct");
  EXPECT_EQ(GetLogDirectory(f.server, "MTA", "Debug"), "D:\\Dbg/MTA");
  EXPECT_EQ(GetLogDirectory(f.server, "mta", "Debug"), "D:\\Dbg/mta");
  EXPECT_EQ(GetLogDirectory(f.server, "LS", "W3C"), "D:\\W3C/LS");
  // The directory part uses the code itself, never the file prefix.
  EXPECT_EQ(GetLogDirectory(f.server, "SF", "Activity"), "D:\\Act/SF");
  EXPECT_EQ(GetLogFile(f.server, "SF", "Debug", Date{2026, 5, 6}),
            "D:\\Dbg/SF/POC-Debug-260506.log");
  for (const char* kind : {"debug", "ACTIVITY", "w3c", "Trace", ""}) {
    EXPECT_EQ(GetLogDirectory(f.server, "SMTP", kind), "") << kind;
  }
  EXPECT_EQ(GetConnectorRootDirectory(f.server), "C:\\RQ\\Connectors\\");
  EXPECT_EQ(GetConnectorPath(f.server, "SMTP", "Inbound"), "C:\\RQ\\Connectors\\/SMTP/Inbound");
  const Fixture empty({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere]"});
  EXPECT_EQ(GetLogDirectory(empty.server, "SMTP", "Debug"), "\\SMTP");
  EXPECT_EQ(GetConnectorPath(empty.server, "SMTP", "Inbound"), "\\SMTP\\Inbound");
}

TEST(GetLogFilePath, PrefixKindAndZeroPaddedDay) {
  struct Case {
    const char* code;
    const char* kind;
    Date day;
    const char* expected;
  };
  const std::vector<Case> cases = {{"SMTP", "Debug", {2026, 3, 4}, "SMTP-Debug-260304.log"},
                                   {"SF", "Activity", {2026, 12, 31}, "POC-Activity-261231.log"},
                                   {"sf", "Activity", {2026, 12, 31}, "sf-Activity-261231.log"},
                                   {"MTA", "Debug", {2000, 1, 1}, "MTA-Debug-000101.log"},
                                   {"LS", "W3C", {2100, 7, 9}, "LS-W3C-1000709.log"},
                                   {"x", "any", {2009, 10, 10}, "x-any-091010.log"}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetLogFilePath(c.code, c.kind, c.day), c.expected) << c.code;
  }
  // Unlike the file name, the prefix of a listing takes the postoffice code in any case.
  for (const auto& [code, prefix] : std::vector<std::pair<const char*, const char*>>{
           {"SF", "POC"}, {"sf", "POC"}, {"Smtp", "Smtp"}, {"SFX", "SFX"}}) {
    EXPECT_EQ(GetLogPrefixFromConnectorCode(code), prefix);
  }
  // The known names appear in the queue walker's report texts; codes match exactly.
  for (const char* unknown : {"MTA", "smtp", "Sf", "", "SMTP "}) {
    EXPECT_EQ(GetConnectorFriendlyName(unknown), "") << unknown;
  }
}

TEST(Server, MapDirectoryReplacesAMatchingPrefix) {
  RegFileStore store = RegFileStore::FromBytes(RegText({}), "t.reg");
  std::vector<PathMapping> maps(2);
  ASSERT_TRUE(ParsePathMapping("C:\\Program Files\\Raven Quill\\=/srv/rq", maps[0]));
  ASSERT_TRUE(ParsePathMapping("D:\\=/mnt/d", maps[1]));
  const Server server(store, maps, '/');
  struct Case {
    const char* stored;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Program Files\\Raven Quill\\Logs\\Debug", "/srv/rq/Logs/Debug"},
      {"c:\\program files\\RAVEN QUILL\\Logs", "/srv/rq/Logs"},
      {"C:\\Program Files\\Raven Quill", "/srv/rq"},
      {"C:\\Program Files\\Raven Quill\\", "/srv/rq/"},
      // Only a whole folder name counts as the prefix.
      {"C:\\Program Files\\Raven Quill2\\Logs", "C:\\Program Files\\Raven Quill2\\Logs"},
      {"C:\\Program Files", "C:\\Program Files"},
      {"D:\\Logs\\SMTP", "/mnt/d/Logs/SMTP"},
      {"E:\\Logs", "E:\\Logs"},
      {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(server.MapDirectory(c.stored), c.expected);
  }
  EXPECT_EQ(server.Join("/a", "b"), "/a/b");
  PathMapping m;
  EXPECT_FALSE(ParsePathMapping("C:\\RQ", m));
  EXPECT_FALSE(ParsePathMapping("=/srv", m));
  EXPECT_FALSE(ParsePathMapping("C:\\RQ=", m));
  ASSERT_TRUE(ParsePathMapping("C:\\A=B=/x=y", m));
  EXPECT_EQ(m.windowsPrefix, "C:\\A");
  EXPECT_EQ(m.localDir, "B=/x=y");
}

}  // namespace
}  // namespace rq
