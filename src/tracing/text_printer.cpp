#include <string>

#include "settings/log_paths.h"
#include "tracing/findings.h"

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

std::string_view QueueSide(bool backtrace) {
  return backtrace ? " Outbound Queue" : " Inbound Queue";
}

}  // namespace

// Each report line is one write, as the windows and the tests have always received them.
void TextPrinter::Report(const Finding& f) {
  const auto write = [this](const std::string& text) { out_.WriteTraceOutput(text); };
  const RouteEntry empty;
  const RouteEntry& e = f.entry != nullptr ? *f.entry : empty;
  switch (f.kind) {
    case FindingKind::kTracing:
      write(Line("Trace: Tracing message with Message ID [", f.id, "] from the ", f.code,
                 QueueSide(f.backtrace), kCrLf, kCrLf));
      break;
    case FindingKind::kSplitFrom:
      write(Line("Trace: Message ID [", f.id, "] was split from parent Message ID [", f.parent,
                 "] at the ", f.code, " Outbound Queue", kCrLf, kCrLf));
      break;
    case FindingKind::kRouted: {
      const std::string n = std::to_string(f.count);
      if (f.backtrace) {
        write(Line("Status: Message ID [", f.id, "] was routed by the MTA to the ", f.code,
                   " Outbound Queue from ", n, " Originating queue(s)", kCrLf, kCrLf));
      } else {
        write(Line("Status: Message ID [", f.id, "] was routed by the MTA from the ", f.code,
                   " Inbound Queue to ", n, " destination queue(s)", kCrLf, kCrLf));
      }
      break;
    }
    case FindingKind::kRoute: {
      const std::string fn = GetConnectorFriendlyName(e.ConnectorCode);
      if (f.backtrace) {
        write(Line(e.LogTime, " Queue Route: Message ID [", f.id, "] was routed by the MTA to the ",
                   f.code, " Outbound Queue from the ", fn,
                   " Inbound Queue with an originating Message ID of [", e.MessageID, "]", kCrLf,
                   kCrLf));
      } else {
        write(Line(e.LogTime, " Queue Route: Message ID [", f.id,
                   "] was routed by the MTA from the ", f.code, " Inbound Queue to the ", fn,
                   " Outbound Queue with a Message ID of [", e.MessageID, "]", kCrLf, kCrLf));
      }
      break;
    }
    case FindingKind::kConnectorLine:
      write(Line(f.lines, kCrLf));
      break;
    case FindingKind::kPostofficeSilent:
      if (f.backtrace) {
        write(Line(e.MessageID,
                   " seems to have been generated at the postoffice connector inbound queue. The "
                   "message was most likely sent by ZazUzez, ZIVERede or it is a system generated "
                   "message initiated by the postoffice connector.",
                   kCrLf));
      } else {
        write(Line(e.MessageID,
                   " seems to have been delivered to the postoffice connector, but there was no "
                   "log entry on ",
                   f.dateText, " to indicate that it was delivered to any mailbox.", kCrLf));
      }
      break;
    case FindingKind::kSplit:
      write(Line("Fork/Split: Message ID [", f.parent, "] requeued/split into ",
                 std::to_string(f.count), " messages for delivery to target domains.", kCrLf));
      break;
    case FindingKind::kQueued:
      write(Line(e.LogTime, " Queued: Message ID [", f.parent,
                 "] queued for delivery to the domain [", e.Domain, "] at the ", f.code,
                 " Outbound Queue with a new Message ID of [", e.MessageID, "]", kCrLf, kCrLf));
      break;
    case FindingKind::kDelivery:
      write(Line("Status: SMTP Outbound Delivery details for Message ID [", e.MessageID,
                 "] to domain [", e.Domain, "] follow below: ", kCrLf));
      write(Line(f.lines, kCrLf));
      break;
    case FindingKind::kDebugDelivery:
      write(Line(kCrLf, "Debug delivery information for Message ID [", f.parent, "] ", kCrLf));
      write(Line(f.lines, kCrLf));
      break;
    case FindingKind::kWaiting:
      write(Line("Result: [", f.id, "] is waiting in the ", f.code,
                 " inbound message queue to be routed by the MTA Service. This most likely means "
                 "that the MTA service has not had sufficient time to route the message or that "
                 "there is a problem with the MTA Service.",
                 kCrLf));
      break;
    case FindingKind::kNotRouted:
      write(Line("Result: [", f.id, "] was not routed from the ", f.code,
                 " inbound message queue by the local MTA Service. This most likely means that the "
                 "message was not completely recieved by the connector.",
                 kCrLf));
      break;
    case FindingKind::kNotThroughQueues:
      write(Line("Important: Message ID [", f.id,
                 "] does not seem to have been routed through Ravenquill queues (an error most "
                 "likely occured when receiving this message).",
                 kCrLf, kCrLf));
      break;
    case FindingKind::kInbound:
      write(Line("Status: SMTP Inbound transaction details for Message ID [", f.id,
                 "] follow below: ", kCrLf));
      write(Line(f.lines, kCrLf));
      break;
    case FindingKind::kTransaction:
      write(Line("Status: SMTP transaction details for Message ID [", f.id,
                 "] follow below: ", kCrLf, kCrLf));
      if (!f.lines.empty()) write(Line(f.lines, kCrLf));
      break;
  }
}

}  // namespace rq
