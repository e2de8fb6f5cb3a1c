#include "tracing/queue_walker.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "readers/parallel.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"
#include "tracing/findings.h"

namespace rq {

namespace {

struct Walk {
  const Server& server;
  Findings& report;
  std::string code;
  std::string dateText;
  Date day;
  bool backtrace;

  int Run(std::string_view targetId) {
    std::string tracedId(targetId);
    if (backtrace && EqualsIgnoringAsciiCase(code, "SMTP")) {
      const std::string parent = GetSMTPRequeueParent(server, day, targetId);
      Say(found::Tracing{std::string(targetId), code, true});
      Say(found::SplitFrom{std::string(targetId), code, parent});
      if (parent.empty()) return kWalkNothing;
      tracedId = parent;
    }
    Say(found::Tracing{tracedId, code, backtrace});

    RouteList routes;
    if (GetRouteInformationFromMTALogs(server, day, tracedId, backtrace, routes) != 1) {
      return NotRouted(tracedId);
    }
    Say(found::Routed{tracedId, code, backtrace, static_cast<long long>(routes.size())});
    for (const RouteEntry& entry : routes) Route(tracedId, entry);
    // Whatever the last entry found, the routing agent did route the message.
    return kWalkRouted;
  }

  void Say(Finding finding) { report.push_back(std::move(finding)); }

  void Route(std::string_view tracedId, const RouteEntry& entry) {
    Say(found::Route{std::string(tracedId), code, backtrace, entry});
    const bool sf = entry.ConnectorCode == "SF";
    if (entry.ConnectorCode == "SMTP") {
      // Each SMTP entry has copies of its own.
      ReportCopies(server, day, entry.MessageID, code, false, report);
    } else if (sf || entry.ConnectorCode == "LS") {
      std::string line;
      const auto read = sf ? GetRouteInformationFromSFLogs : GetRouteInformationFromLSLogs;
      if (read(server, day, entry.MessageID, line) == 1) {
        Say(found::ConnectorLine{std::move(line)});
      } else if (sf) {  // the list server's silence is not told
        Say(found::PostofficeSilent{entry, dateText, backtrace});
      }
    }
  }

  int NotRouted(std::string_view tracedId) {
    if (WaitsInInboundQueue(server, tracedId)) {
      Say(found::Waiting{std::string(tracedId), code});
      return kWalkWaiting;
    }
    Say(found::NotRouted{std::string(tracedId), code});
    return kWalkNotRouted;
  }
};

}  // namespace

bool ReportCopies(const Server& server, const Date& day, std::string_view parent,
                  std::string_view code, bool debugLines, Findings& findings) {
  RouteList copies;
  if (GetSMTPRequeueInformation(server, day, parent, copies) != 1) return false;
  findings.push_back(found::Split{std::string(parent), static_cast<long long>(copies.size())});
  const std::vector<std::string_view> ids = MessageIdsOf(copies);
  std::vector<std::string> details(copies.size());
  std::vector<std::string> debug(copies.size());
  std::vector<int> detailsFound;
  std::vector<int> debugFound(copies.size(), 0);
  // The activity and the debug log are read at the same time, each by its own reader.
  ForEachTaskInParallel(debugLines ? 2 : 1, ReaderThreadLimit(), [&](std::size_t log) {
    if (log == 0) {
      detailsFound = GetSMTPTransactionDetailsForEach(server, day, ids, details);
    } else {
      debugFound = GetSMTPDebugDeliveryForEach(server, day, ids, debug);
    }
  });
  for (std::size_t i = 0; i < copies.size(); ++i) {
    const RouteEntry& copy = copies[i];
    findings.push_back(found::Queued{std::string(code), std::string(parent), copy});
    if (detailsFound[i] == 1) findings.push_back(found::Delivery{copy, std::move(details[i])});
    if (debugFound[i] == 1) {
      findings.push_back(found::DebugDelivery{std::string(parent), std::move(debug[i])});
    }
  }
  return true;
}

int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    Findings& report, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace) {
  const std::optional<Date> parsed = dateFormat.Parse(SMTPTransactionDate);
  const Date day = parsed ? *parsed : DateFromLogDate(SMTPTransactionDate);
  Walk walk{server, report,    std::string(ConnectorCode), std::string(SMTPTransactionDate),
            day,    bBacktrace};
  return walk.Run(TargetMsgID);
}

}  // namespace rq
