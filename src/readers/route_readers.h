// Readers of the routing agent's and the connectors' debug logs: where a message went.
#pragma once

#include <string>
#include <string_view>

#include "base/dates.h"
#include "readers/route_entry.h"
#include "settings/server.h"

namespace rq {

inline constexpr std::string_view kMtaRouteTag = "RQ-MTA-ROUTE";

// A routing line's fields, views into the line split at single blanks (fields from 0); a field
// the line lacks is empty. The fields keep their brackets: every '[' and ']' in a field is no
// part of its value (WithoutBrackets), which a reader strips only when it keeps the value.
struct RouteLine {
  std::string_view logDate;     // field 0; the log time is it, a blank and logClock
  std::string_view logClock;    // field 1 up to its first TAB
  std::string_view sourceId;    // field 2: the message's ID in the inbound queue it left
  std::string_view sourceCode;  // field 4: the connector of that inbound queue
  std::string_view targetCode;  // field 8: the connector whose outbound queue took it
  std::string_view targetId;    // field 11: the message's ID in that outbound queue
};

// The fields of a line holding "RQ-MTA-ROUTE" anywhere; false (and `route` untouched) for any
// other line.
bool ParseRouteLine(std::string_view line, RouteLine& route);

// A message ID is a file name in the inbound queue only when it cannot step out of that folder,
// and only when the system would test that very name: a NUL would cut it short.
bool NamesQueueFile(std::string_view id);

// True when an ordinary file named by the ID waits in the SMTP connector's inbound queue.
bool WaitsInInboundQueue(const Server& server, std::string_view id);

// Appends one RouteEntry per line of the day's MTA debug log that contains both the ID (anywhere,
// case-sensitive) and "RQ-MTA-ROUTE", in file order. Fields are the line split at single blanks,
// from 0: LogTime is field 0, a blank and field 1 up to its first TAB; forward, ConnectorCode is
// field 8 and MessageID field 11, backward fields 4 and 2, every '[' and ']' removed; a field the
// line lacks stays empty. 1 when the list then holds at least one record; 0 when it holds none or
// the log cannot be read (the list then unchanged).
int GetRouteInformationFromMTALogs(const Server& server, const Date& day,
                                   std::string_view messageId, bool bBacktrace, RouteList& list);

// Appends the first line of the day's postoffice connector debug log that holds "[" + ID + "]",
// followed by CR LF, to `sresults`; 1 when found, 0 otherwise (`sresults` unchanged).
int GetRouteInformationFromSFLogs(const Server& server, const Date& StartDate,
                                  std::string_view SourceMessageID, std::string& sresults);

// The same for the list server connector's debug log.
int GetRouteInformationFromLSLogs(const Server& server, const Date& StartDate,
                                  std::string_view SourceMessageID, std::string& sresults);

}  // namespace rq
