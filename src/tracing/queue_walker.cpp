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

class Walk {
 public:
  Walk(const Server& server, FindingSink& report, std::string_view code, std::string_view dateText,
       const Date& day, bool backtrace)
      : server_(server),
        report_(report),
        code_(code),
        dateText_(dateText),
        day_(day),
        backtrace_(backtrace) {}

  int Run(std::string_view targetId) {
    std::string tracedId(targetId);
    if (backtrace_ && EqualsIgnoringAsciiCase(code_, "SMTP")) {
      const std::string parent = GetSMTPRequeueParent(server_, day_, targetId);
      Say({.kind = FindingKind::kTracing, .id = targetId, .code = code_, .backtrace = true});
      Say({.kind = FindingKind::kSplitFrom, .id = targetId, .code = code_, .parent = parent});
      if (parent.empty()) return kWalkNothing;
      tracedId = parent;
    }
    Say({.kind = FindingKind::kTracing, .id = tracedId, .code = code_, .backtrace = backtrace_});

    RouteList routes;
    if (GetRouteInformationFromMTALogs(server_, day_, tracedId, backtrace_, routes) != 1) {
      return NotRouted(tracedId);
    }
    Say({.kind = FindingKind::kRouted,
         .id = tracedId,
         .code = code_,
         .backtrace = backtrace_,
         .count = static_cast<long long>(CountEntries(routes))});
    for (const RouteEntry& entry : routes) Route(tracedId, entry);
    // Whatever the last entry found, the routing agent did route the message.
    return kWalkRouted;
  }

 private:
  void Say(const Finding& finding) { report_.Report(finding); }

  void Route(std::string_view tracedId, const RouteEntry& entry) {
    Say({.kind = FindingKind::kRoute,
         .id = tracedId,
         .code = code_,
         .backtrace = backtrace_,
         .entry = &entry});
    if (entry.ConnectorCode == "SMTP") {
      Copies(entry);
    } else if (entry.ConnectorCode == "SF") {
      std::string found;
      if (GetRouteInformationFromSFLogs(server_, day_, entry.MessageID, found) == 1) {
        Say({.kind = FindingKind::kConnectorLine, .id = tracedId, .entry = &entry, .lines = found});
      } else {
        Say({.kind = FindingKind::kPostofficeSilent,
             .id = tracedId,
             .backtrace = backtrace_,
             .entry = &entry,
             .dateText = dateText_});
      }
    } else if (entry.ConnectorCode == "LS") {
      std::string found;
      if (GetRouteInformationFromLSLogs(server_, day_, entry.MessageID, found) == 1) {
        Say({.kind = FindingKind::kConnectorLine, .id = tracedId, .entry = &entry, .lines = found});
      }
    }
  }

  void Copies(const RouteEntry& entry) {
    // Each SMTP entry has copies of its own: a list filled by an earlier entry does not carry over.
    ReportCopies(server_, day_, entry.MessageID, code_, false, report_);
  }

  int NotRouted(std::string_view tracedId) {
    const bool waiting = WaitsInInboundQueue(server_, tracedId);
    Say({.kind = waiting ? FindingKind::kWaiting : FindingKind::kNotRouted,
         .id = tracedId,
         .code = code_});
    return waiting ? kWalkWaiting : kWalkNotRouted;
  }

  const Server& server_;
  FindingSink& report_;
  std::string_view code_;
  std::string_view dateText_;
  Date day_;
  bool backtrace_;
};

}  // namespace

bool ReportCopies(const Server& server, const Date& day, std::string_view parent,
                  std::string_view code, bool debugLines, FindingSink& findings) {
  RouteList copies;
  if (GetSMTPRequeueInformation(server, day, parent, copies) != 1) return false;
  findings.Report({.kind = FindingKind::kSplit,
                   .parent = parent,
                   .count = static_cast<long long>(CountEntries(copies))});
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
    findings.Report({.kind = FindingKind::kQueued, .code = code, .parent = parent, .entry = &copy});
    if (detailsFound[i] == 1) {
      findings.Report({.kind = FindingKind::kDelivery, .entry = &copy, .lines = details[i]});
    }
    if (debugFound[i] == 1) {
      findings.Report({.kind = FindingKind::kDebugDelivery,
                       .parent = parent,
                       .entry = &copy,
                       .lines = debug[i]});
    }
    std::string().swap(details[i]);  // written: give the memory back
    std::string().swap(debug[i]);
  }
  return true;
}

int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    FindingSink& report, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace) {
  const std::optional<Date> parsed = dateFormat.Parse(SMTPTransactionDate);
  const Date day = parsed ? *parsed : DateFromLogDate(SMTPTransactionDate);
  return Walk(server, report, ConnectorCode, SMTPTransactionDate, day, bBacktrace).Run(TargetMsgID);
}

}  // namespace rq

namespace rq {

int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    ReportSink& report, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace) {
  TextPrinter printer(report);
  return SearchConnectorQueueByMessageID(server, dateFormat, printer, ConnectorCode,
                                         SMTPTransactionDate, TargetMsgID, bBacktrace);
}

}  // namespace rq
