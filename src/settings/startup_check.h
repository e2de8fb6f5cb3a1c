// The logging check made when the main window opens: tracing needs the activity and debug logs
// of the routing agent and of the postoffice, SMTP and list server connectors.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace rq {

// One warning text per service whose "Activity Log Enabled" or "Debug Enabled" is not exactly 1,
// in the order MTA, postoffice connector, SMTP connector, list server connector.
std::vector<std::string> StartUpCheck(const SettingsStore& settings);

}  // namespace rq
