#include "readers/route_readers.h"

#include <array>

#include "base/file.h"
#include "base/text.h"
#include "readers/line_source.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

int FirstBracketedLine(const Server& server, std::string_view connectorCode, const Date& day,
                       std::string_view id, std::string& sresults) {
  LineSource source(GetLogFile(server, connectorCode, kDebug, day));
  if (!source.is_open()) return 0;
  std::string needle;
  needle.reserve(id.size() + 2);
  needle += '[';
  needle += id;
  needle += ']';
  int found = 0;
  source.ForEachLineContaining(needle, [&](std::string_view line) {
    sresults += line;
    sresults += "\r\n";
    found = 1;
    return false;
  });
  return found;
}

}  // namespace

bool ParseRouteLine(std::string_view line, RouteLine& route) {
  if (line.find(kMtaRouteTag) == std::string_view::npos) return false;
  std::array<std::string_view, 12> fields{};
  FieldCursor cursor(line, ' ');
  std::string_view field;
  for (std::size_t i = 0; i < fields.size() && cursor.Next(field); ++i) fields[i] = field;
  route.logDate = fields[0];
  route.logClock = fields[1].substr(0, fields[1].find('\t'));
  route.sourceId = fields[2];
  route.sourceCode = fields[4];
  route.targetCode = fields[8];
  route.targetId = fields[11];
  return true;
}

bool NamesQueueFile(std::string_view id) {
  constexpr std::string_view kNotInAName("\\/\0", 3);
  return id.find_first_of(kNotInAName) == std::string_view::npos && id != "." && id != "..";
}

bool WaitsInInboundQueue(const Server& server, std::string_view id) {
  return NamesQueueFile(id) &&
         IsOrdinaryFile(server.Join(GetConnectorPath(server, "SMTP", "Inbound"), id));
}

int GetRouteInformationFromMTALogs(const Server& server, const Date& day,
                                   std::string_view messageId, bool bBacktrace, RouteList& list) {
  LineSource source(GetLogFile(server, "MTA", kDebug, day));
  if (!source.is_open()) return 0;
  // The rarer of the two texts is looked for first; a line must hold both.
  const bool idFirst = !messageId.empty();
  const std::string_view first = idFirst ? messageId : kMtaRouteTag;
  const std::string_view second = idFirst ? kMtaRouteTag : messageId;
  source.ForEachLineContaining(first, [&](std::string_view line) {
    RouteLine route;
    if (!LineContains(line, second) || !ParseRouteLine(line, route)) return true;
    RouteEntry& entry = list.emplace_back();
    entry.LogTime = std::string(route.logDate) + ' ' + std::string(route.logClock);
    entry.ConnectorCode = WithoutBrackets(bBacktrace ? route.sourceCode : route.targetCode);
    entry.MessageID = WithoutBrackets(bBacktrace ? route.sourceId : route.targetId);
    return true;
  });
  return list.empty() ? 0 : 1;
}

int GetRouteInformationFromSFLogs(const Server& server, const Date& StartDate,
                                  std::string_view SourceMessageID, std::string& sresults) {
  return FirstBracketedLine(server, "SF", StartDate, SourceMessageID, sresults);
}

int GetRouteInformationFromLSLogs(const Server& server, const Date& StartDate,
                                  std::string_view SourceMessageID, std::string& sresults) {
  return FirstBracketedLine(server, "LS", StartDate, SourceMessageID, sresults);
}

}  // namespace rq
