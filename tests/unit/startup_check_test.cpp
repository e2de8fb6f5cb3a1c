#include "settings/startup_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/reg_file_store.h"
#include "test_support.h"

namespace rq {
namespace {

std::string Warning(const std::string& service, const std::string& seem) {
  return "Warning: " + service + " Debug and Activity logging " + seem +
         " to be configured on this server. You need to enable both logging options to facilitate "
         "message tracking.";
}
const std::string kMta = Warning("MTA", "does not seem"),
                  kSf = Warning("Postoffice Connector", "do not seem"),
                  kSmtp = Warning("SMTP Connector", "do not seem"),
                  kLs = Warning("LS Connector", "do not seem");

std::vector<std::string> Service(const std::string& key, const std::string& activity,
                                 const std::string& debug) {
  std::vector<std::string> lines = {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\" +
                                    key + "]"};
  if (!activity.empty()) lines.push_back("\"Activity Log Enabled\"=" + activity);
  if (!debug.empty()) lines.push_back("\"Debug Enabled\"=" + debug);
  return lines;
}

TEST(StartUpCheck, OneWarningPerServiceInOrder) {
  const std::string on = "dword:00000001";
  struct Case {
    const char* name;
    std::vector<std::vector<std::string>> services;
    std::vector<std::string> warnings;
  };
  const std::vector<Case> cases = {
      {"all on",
       {Service("Agents\\MTA", on, on), Service("Connectors\\SF", on, on),
        Service("Connectors\\SMTP", on, on), Service("Connectors\\LS", on, on)},
       {}},
      {"nothing installed", {}, {kMta, kSf, kSmtp, kLs}},
      {"only 1 counts as on",
       {Service("Agents\\MTA", on, on), Service("Connectors\\SF", on, on),
        Service("Connectors\\SMTP", on, "dword:00000002"), Service("Connectors\\LS", on, on)},
       {kSmtp}},
      {"list server key missing",
       {Service("Agents\\MTA", on, on), Service("Connectors\\SF", on, on),
        Service("Connectors\\SMTP", on, on)},
       {kLs}},
      {"stored as text or off",
       {Service("Agents\\MTA", "\"1\"", on), Service("Connectors\\SF", on, "dword:00000000"),
        Service("Connectors\\SMTP", on, on), Service("Connectors\\LS", "", on)},
       {kMta, kSf, kLs}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere]"};
    for (const auto& s : c.services) lines.insert(lines.end(), s.begin(), s.end());
    const RegFileStore store = RegFileStore::FromBytes(test::RegText(lines), "t.reg");
    EXPECT_EQ(StartUpCheck(store), c.warnings);
  }
}

}  // namespace
}  // namespace rq
