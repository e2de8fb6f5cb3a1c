// Where the server keeps its logs and queues, and how a log file of a day is named.
//
// Every call reads the settings afresh; nothing is cached, and nothing here reports an error:
// a missing setting gives empty text or 0.
#pragma once

#include <string>
#include <string_view>

#include "base/dates.h"
#include "settings/server.h"

namespace rq {

inline constexpr std::string_view kServerKey = "SOFTWARE\\Raven Quill\\Raven Quill";
inline constexpr std::string_view kConnectorsKey = "SOFTWARE\\Raven Quill\\Raven Quill\\Connectors";
inline constexpr std::string_view kMtaKey = "SOFTWARE\\Raven Quill\\Raven Quill\\Agents\\MTA";
inline constexpr std::string_view kTrackerKey =
    "SOFTWARE\\Raven Quill\\Raven Quill\\Applications\\RQTracker";

inline constexpr std::string_view kActivity = "Activity";
inline constexpr std::string_view kDebug = "Debug";
inline constexpr std::string_view kW3C = "W3C";

// The registry key of a connector or agent: the MTA agent's key for "MTA" in any letter case,
// otherwise the Connectors key followed by the code exactly as given.
std::string GetServiceKey(std::string_view connectorCode);

// The directory of that log kind of that service, as this machine reaches it. With the program's
// "Force Log Locations" off (0), the service's own setting wins when it is not empty; otherwise
// the server-wide directory of the kind, the separator and the code in the caller's letters.
// Empty text for a kind other than "Activity", "Debug" or "W3C" (exact case).
std::string GetLogDirectory(const Server& server, std::string_view connectorCode,
                            std::string_view logKind);

// width - length characters "0"; empty when length is not below width.
std::string ZeroPad(int width, std::size_t length);

// The log file name: prefix-kind-YYMMDD.log, "POC" standing for the code "SF" (exact case).
std::string GetLogFilePath(std::string_view connectorCode, std::string_view logKind,
                           const Date& day);

// The full path of a log: GetLogDirectory, the separator, GetLogFilePath.
std::string GetLogFile(const Server& server, std::string_view connectorCode,
                       std::string_view logKind, const Date& day);

// "Connector Root Directory" under the Connectors key, as this machine reaches it.
std::string GetConnectorRootDirectory(const Server& server);

// Root directory, separator, connector, separator, sub-path; no other separator added or removed.
std::string GetConnectorPath(const Server& server, std::string_view connector,
                             std::string_view subPath);

// The friendly name of SMTP, SF, LS or POP (exact case); empty text for any other code.
std::string GetConnectorFriendlyName(std::string_view connectorCode);

// "POC" for SF in any letter case, otherwise the code in the caller's letters.
std::string GetLogPrefixFromConnectorCode(std::string_view connectorCode);

}  // namespace rq
