#include "settings/startup_check.h"

#include <array>

#include "settings/log_paths.h"

namespace rq {

std::vector<std::string> StartUpCheck(const SettingsStore& settings) {
  struct Row {
    const char* code;
    const char* warning;
  };
  static constexpr std::array<Row, 4> kRows = {{
      {"MTA",
       "Warning: MTA Debug and Activity logging does not seem to be configured on this server. "
       "You need to enable both logging options to facilitate message tracking."},
      {"SF",
       "Warning: Postoffice Connector Debug and Activity logging do not seem to be configured on "
       "this server. You need to enable both logging options to facilitate message tracking."},
      {"SMTP",
       "Warning: SMTP Connector Debug and Activity logging do not seem to be configured on this "
       "server. You need to enable both logging options to facilitate message tracking."},
      {"LS",
       "Warning: LS Connector Debug and Activity logging do not seem to be configured on this "
       "server. You need to enable both logging options to facilitate message tracking."},
  }};
  std::vector<std::string> warnings;
  for (const Row& row : kRows) {
    const std::string key = GetServiceKey(row.code);
    const bool activity = settings.GetRegistryNumber(key, "Activity Log Enabled") == 1;
    const bool debug = settings.GetRegistryNumber(key, "Debug Enabled") == 1;
    if (!activity || !debug) warnings.emplace_back(row.warning);
  }
  return warnings;
}

}  // namespace rq
