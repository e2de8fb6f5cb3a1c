#include "tracing/queue_walker.h"

#include <string>
#include <vector>

#include "base/file.h"
#include "base/text.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Joins the pieces of one report line with nothing between them.
template <class... Pieces>
std::string Line(const Pieces&... pieces) {
  std::string out;
  (out.append(std::string_view(pieces)), ...);
  return out;
}

// A traced ID is a file name in the inbound queue only when it cannot step out of that folder,
// and only when the system would test that very name: a NUL would cut it short.
bool NamesQueueFile(std::string_view id) {
  constexpr std::string_view kNotInAName("\\/\0", 3);
  return id.find_first_of(kNotInAName) == std::string_view::npos && id != "." && id != "..";
}

class Walk {
 public:
  Walk(const Server& server, ReportSink& report, std::string_view code, std::string_view dateText,
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
      Write(Line("Trace: ", "Tracing message with Message ID [", targetId, "] from the ", code_,
                 " Outbound Queue", kCrLf, kCrLf));
      Write(Line("Trace: ", "Message ID [", targetId, "] was split from parent Message ID [",
                 parent, "] at the ", code_, " Outbound Queue", kCrLf, kCrLf));
      if (parent.empty()) return kWalkNothing;
      tracedId = parent;
    }
    Write(Line("Trace: ", "Tracing message with Message ID [", tracedId, "] from the ", code_,
               backtrace_ ? " Outbound Queue" : " Inbound Queue", kCrLf, kCrLf));

    RouteList routes;
    if (GetRouteInformationFromMTALogs(server_, day_, tracedId, backtrace_, routes) != 1) {
      return NotRouted(tracedId);
    }
    const std::string n = std::to_string(CountEntries(routes));
    if (backtrace_) {
      Write(Line("Status: ", "Message ID [", tracedId, "] was routed by the MTA to the ", code_,
                 " Outbound Queue from ", n, " Originating queue(s)", kCrLf, kCrLf));
    } else {
      Write(Line("Status: ", "Message ID [", tracedId, "] was routed by the MTA from the ", code_,
                 " Inbound Queue to ", n, " destination queue(s)", kCrLf, kCrLf));
    }
    for (const RouteEntry& entry : routes) Route(tracedId, entry);
    // Whatever the last entry found, the routing agent did route the message.
    return kWalkRouted;
  }

 private:
  void Write(const std::string& text) { report_.WriteTraceOutput(text); }

  void Route(std::string_view tracedId, const RouteEntry& entry) {
    const std::string fn = GetConnectorFriendlyName(entry.ConnectorCode);
    if (backtrace_) {
      Write(Line(entry.LogTime, " Queue Route: ", "Message ID [", tracedId,
                 "] was routed by the MTA to the ", code_, " Outbound Queue from the ", fn,
                 " Inbound Queue with an originating Message ID of [", entry.MessageID, "]", kCrLf,
                 kCrLf));
    } else {
      Write(Line(entry.LogTime, " Queue Route: ", "Message ID [", tracedId,
                 "] was routed by the MTA from the ", code_, " Inbound Queue to the ", fn,
                 " Outbound Queue with a Message ID of [", entry.MessageID, "]", kCrLf, kCrLf));
    }
    if (entry.ConnectorCode == "SMTP") {
      Copies(entry);
    } else if (entry.ConnectorCode == "SF") {
      std::string found;
      if (GetRouteInformationFromSFLogs(server_, day_, entry.MessageID, found) == 1) {
        Write(Line(found, kCrLf));
      } else if (backtrace_) {
        Write(Line(entry.MessageID,
                   " seems to have been generated at the postoffice connector inbound queue. The "
                   "message was most likely sent by ZazUzez, ZIVERede or it is a system generated "
                   "message initiated by the postoffice connector.",
                   kCrLf));
      } else {
        Write(Line(entry.MessageID,
                   " seems to have been delivered to the postoffice connector, but there was no "
                   "log entry on ",
                   dateText_, " to indicate that it was delivered to any mailbox.", kCrLf));
      }
    } else if (entry.ConnectorCode == "LS") {
      std::string found;
      if (GetRouteInformationFromLSLogs(server_, day_, entry.MessageID, found) == 1) {
        Write(Line(found, kCrLf));
      }
    }
  }

  void Copies(const RouteEntry& entry) {
    // Each SMTP entry has copies of its own: a list filled by an earlier entry does not carry over.
    RouteList copies;
    if (GetSMTPRequeueInformation(server_, day_, entry.MessageID, copies) != 1) return;
    Write(Line("Fork/Split: ", "Message ID [", entry.MessageID, "] requeued/split into ",
               std::to_string(CountEntries(copies)), " messages for delivery to target domains.",
               kCrLf));
    // One reading of the activity log serves every copy.
    const std::vector<std::string_view> ids = MessageIdsOf(copies);
    std::vector<std::string> found(copies.size());
    const std::vector<int> answers = GetSMTPTransactionDetailsForEach(server_, day_, ids, found);
    for (std::size_t i = 0; i < copies.size(); ++i) {
      const RouteEntry& copy = copies[i];
      Write(Line(copy.LogTime, " Queued: ", "Message ID [", entry.MessageID,
                 "] queued for delivery to the domain [", copy.Domain, "] at the ", code_,
                 " Outbound Queue with a new Message ID of [", copy.MessageID, "]", kCrLf, kCrLf));
      if (answers[i] == 1) {
        Write(Line("Status: ", "SMTP Outbound Delivery details for Message ID [", copy.MessageID,
                   "] to domain [", copy.Domain, "] follow below: ", kCrLf));
        Write(Line(found[i], kCrLf));
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
    if (waiting) {
      Write(Line("Result: ", "[", tracedId, "] is waiting in the ", code_,
                 " inbound message queue to be routed by the MTA Service. This most likely means "
                 "that the MTA service has not had sufficient time to route the message or that "
                 "there is a problem with the MTA Service.",
                 kCrLf));
      return kWalkWaiting;
    }
    Write(Line("Result: ", "[", tracedId, "] was not routed from the ", code_,
               " inbound message queue by the local MTA Service. This most likely means that the "
               "message was not completely recieved by the connector.",
               kCrLf));
    return kWalkNotRouted;
  }

  const Server& server_;
  ReportSink& report_;
  std::string_view code_;
  std::string_view dateText_;
  Date day_;
  bool backtrace_;
};

}  // namespace

int SearchConnectorQueueByMessageID(const Server& server, const DateFormat& dateFormat,
                                    ReportSink& report, std::string_view ConnectorCode,
                                    std::string_view SMTPTransactionDate,
                                    std::string_view TargetMsgID, bool bBacktrace) {
  const std::optional<Date> parsed = dateFormat.Parse(SMTPTransactionDate);
  const Date day = parsed ? *parsed : DateFromLogDate(SMTPTransactionDate);
  return Walk(server, report, ConnectorCode, SMTPTransactionDate, day, bBacktrace).Run(TargetMsgID);
}

}  // namespace rq
