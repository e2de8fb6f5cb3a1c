// The queue walker: follows one message through one routing step of one day and writes what it
// finds into the trace report.
#pragma once

#include <string_view>

#include "base/dates.h"
#include "settings/server.h"
#include "tracing/findings.h"

namespace rq {

// How a walk ended.
enum WalkResult : int {
  kWalkNothing = 0,    // nothing traced
  kWalkRouted = 1,     // the routing agent routed the message
  kWalkWaiting = 2,    // not routed; its file waits in the SMTP inbound queue
  kWalkNotRouted = 3,  // not routed; no such file
};

// Walks forward from the connector's inbound queue, or backward (bBacktrace) from its outbound
// queue, for the day written in `dateFormat` as SMTPTransactionDate, appending what it finds to
// `findings`. A message the routing agent logged is reported as routed whatever its last route
// entry; an ID that holds a path separator, or is "." or "..", names no file in the inbound
// queue. A date text that does not read back in `dateFormat` is taken as a log date (YYMMDD).
int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    Findings& findings, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace);

// The copies into which the SMTP connector split `parent` on the day, as one trace reports them:
// the split, then per copy its queue line (with `code`) and its SMTP activity lines, and with
// `debugLines` its SMTP debug lines too, each log read once for every copy. False, with nothing
// reported, when no requeue line names `parent`.
bool ReportCopies(const Server& server, const Date& day, std::string_view parent,
                  std::string_view code, bool debugLines, Findings& findings);

}  // namespace rq
