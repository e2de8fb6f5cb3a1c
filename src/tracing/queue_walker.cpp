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
    Say(found::Routed{tracedId, code_, backtrace_, static_cast<long long>(CountEntries(routes))});
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
    RouteList copies;
    if (GetSMTPRequeueInformation(server_, day_, entry.MessageID, copies) != 1) return;
    Say(found::Split{entry.MessageID, static_cast<long long>(CountEntries(copies))});
    // One reading of the activity log serves every copy.
    const std::vector<std::string_view> ids = MessageIdsOf(copies);
    std::vector<std::string> lines(copies.size());
    const std::vector<int> answers = GetSMTPTransactionDetailsForEach(server_, day_, ids, lines);
    for (std::size_t i = 0; i < copies.size(); ++i) {
      Say(found::Queued{code_, entry.MessageID, copies[i]});
      if (answers[i] == 1) Say(found::Delivery{copies[i], std::move(lines[i])});
    }
  }

  int NotRouted(std::string_view tracedId) {
    bool waiting = false;
    if (NamesQueueFile(tracedId)) {
      waiting =
          IsOrdinaryFile(server_.Join(GetConnectorPath(server_, "SMTP", "Inbound"), tracedId));
    }
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

int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    Findings& report, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace) {
  const std::optional<Date> parsed = dateFormat.Parse(SMTPTransactionDate);
  const Date day = parsed ? *parsed : DateFromLogDate(SMTPTransactionDate);
  return Walk(server, report, ConnectorCode, SMTPTransactionDate, day, bBacktrace).Run(TargetMsgID);
}

}  // namespace rq
