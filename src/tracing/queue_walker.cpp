#include "tracing/queue_walker.h"

#include <string>
#include <vector>

#include "base/file.h"
#include "base/text.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"
#include "tracing/findings.h"

namespace rq {

bool NamesQueueFile(std::string_view id) {
  constexpr std::string_view kNotInAName("\\/\0", 3);
  return id.find_first_of(kNotInAName) == std::string_view::npos && id != "." && id != "..";
}

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
    RouteList copies;
    if (GetSMTPRequeueInformation(server_, day_, entry.MessageID, copies) != 1) return;
    Say({.kind = FindingKind::kSplit,
         .parent = entry.MessageID,
         .count = static_cast<long long>(CountEntries(copies))});
    // One reading of the activity log serves every copy.
    const std::vector<std::string_view> ids = MessageIdsOf(copies);
    std::vector<std::string> found(copies.size());
    const std::vector<int> answers = GetSMTPTransactionDetailsForEach(server_, day_, ids, found);
    for (std::size_t i = 0; i < copies.size(); ++i) {
      Say({.kind = FindingKind::kQueued,
           .code = code_,
           .parent = entry.MessageID,
           .entry = &copies[i]});
      if (answers[i] == 1) {
        Say({.kind = FindingKind::kDelivery, .entry = &copies[i], .lines = found[i]});
      }
      std::string().swap(found[i]);  // written: give its memory back
    }
  }

  int NotRouted(std::string_view tracedId) {
    bool waiting = false;
    if (NamesQueueFile(tracedId)) {
      waiting =
          IsOrdinaryFile(server_.Join(GetConnectorPath(server_, "SMTP", "Inbound"), tracedId));
    }
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
