// The days for which a connector has activity logs, as the date box lists them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/server.h"

namespace rq {

// The log dates of the connector's activity log files (prefix-Activity-*.log, ordinary files
// only) in its activity log directory, in ascending byte order of the file names. Nothing is
// validated or removed: a second file of a day adds that day again. Letter case counts in the
// match on systems whose file names are case-sensitive. Empty when the directory cannot be read.
std::vector<std::string> ListAvailableDates(const Server& server, std::string_view sConnector);

// The third "-"-separated field of the file name, cut before its first ".".
std::string LogDateFromFileName(std::string_view fileName);

// Whether the name matches prefix + "-Activity-*.log".
bool MatchesActivityLogPattern(std::string_view fileName, std::string_view prefix,
                               bool caseSensitive);

}  // namespace rq
