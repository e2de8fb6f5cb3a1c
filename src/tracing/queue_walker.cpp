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
  Walk(const Server& server, Findings& report, std::string_view code, std::string_view dateText,
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
      Say(found::Tracing{std::string(targetId), code_, true});
      Say(found::SplitFrom{std::string(targetId), code_, parent});
      if (parent.empty()) return kWalkNothing;
      tracedId = parent;
    }
    Say(found::Tracing{tracedId, code_, backtrace_});

    RouteList routes;
    if (GetRouteInformationFromMTALogs(server_, day_, tracedId, backtrace_, routes) != 1) {
      return NotRouted(tracedId);
    }
    Say(found::Routed{tracedId, code_, backtrace_, static_cast<long long>(routes.size())});
    for (const RouteEntry& entry : routes) Route(tracedId, entry);
    // Whatever the last entry found, the routing agent did route the message.
    return kWalkRouted;
  }

 private:
  void Say(Finding finding) { report_.push_back(std::move(finding)); }

  void Route(std::string_view tracedId, const RouteEntry& entry) {
    Say(found::Route{std::string(tracedId), code_, backtrace_, entry});
    if (entry.ConnectorCode == "SMTP") {
      Copies(entry);
    } else if (entry.ConnectorCode == "SF") {
      std::string line;
      if (GetRouteInformationFromSFLogs(server_, day_, entry.MessageID, line) == 1) {
        Say(found::ConnectorLine{std::move(line)});
      } else {
        Say(found::PostofficeSilent{entry, dateText_, backtrace_});
      }
    } else if (entry.ConnectorCode == "LS") {
      std::string line;
      if (GetRouteInformationFromLSLogs(server_, day_, entry.MessageID, line) == 1) {
        Say(found::ConnectorLine{std::move(line)});
      }
    }
  }

  void Copies(const RouteEntry& entry) {
    // Each SMTP entry has copies of its own: a list filled by an earlier entry does not carry over.
    ReportCopies(server_, day_, entry.MessageID, code_, false, report_);
  }

  int NotRouted(std::string_view tracedId) {
    const bool waiting = WaitsInInboundQueue(server_, tracedId);
    if (waiting) {
      Say(found::Waiting{std::string(tracedId), code_});
    } else {
      Say(found::NotRouted{std::string(tracedId), code_});
    }
    return waiting ? kWalkWaiting : kWalkNotRouted;
  }

  const Server& server_;
  Findings& report_;
  std::string code_;
  std::string dateText_;
  Date day_;
  bool backtrace_;
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
  return Walk(server, report, ConnectorCode, SMTPTransactionDate, day, bBacktrace).Run(TargetMsgID);
}

}  // namespace rq
