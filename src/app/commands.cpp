#include "app/commands.h"

#include "base/file.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"
#include "tracing/queue_walker.h"

namespace rq {
namespace {

Message ToolMessage(std::string text) {
  return Message{kToolTitle, std::move(text), MessageIcon::kInformation};
}

Message NoSelection() {
  return ToolMessage("Unable to process selected origin. Error (" +
                     std::to_string(kNoSelectionCode) + ") " + kNoSelectionText);
}

}  // namespace

SearchOutcome SearchOrigins(const Server& server, std::string_view dateText,
                            std::string_view connectorCode, std::string_view sender,
                            std::string_view recipient, bool backtraceTicked, OriginList& origins) {
  SearchOutcome outcome;
  const Date day = DateFromLogDate(dateText);
  origins.Clear();
  if (sender.empty() && recipient.empty()) {
    outcome.message = Message{
        kWarningTitle, "You must enter either a sender or recipient in order to track a message.",
        MessageIcon::kExclamation};
    outcome.focusSender = true;
    return outcome;
  }
  int found = 0;
  if (connectorCode == "SMTP") {
    found = LocateOrigin(server, "SMTP", day, sender, recipient, backtraceTicked, origins);
  } else if (connectorCode == "SF" || connectorCode == "LS") {
    found = LocateOrigin(server, connectorCode, day, sender, recipient, false, origins);
  }
  if (found == 0) {
    outcome.message = ToolMessage("Could not find messages matching the criteria specified");
    outcome.enableTraceButtons = false;
    return outcome;
  }
  outcome.enableTraceButtons = true;
  return outcome;
}

CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace, ReportSink& report) {
  CommandOutcome outcome;
  report.ClearTraceOutput();
  const Date day = DateFromLogDate(dateText);
  if (!selectedId) {
    outcome.message = NoSelection();
    return outcome;
  }
  const std::string& id = *selectedId;
  outcome.walkResult = SearchConnectorQueueByMessageID(server, dateFormat, report, "SMTP",
                                                       dateFormat.Format(day), id, backtrace);
  if (outcome.walkResult == kWalkNothing) {
    outcome.message = ToolMessage(
        "Unable to trace message. Message does not seem to have been routed through Ravenquill "
        "queues.");
    return outcome;
  }
  if (outcome.walkResult == kWalkNotRouted) {
    report.WriteTraceOutput("Important: Message ID [" + id +
                            "] does not seem to have been routed through Ravenquill queues (an "
                            "error most likely occured when receiving this message).\r\n\r\n");
    std::string lines;
    if (GetSMTPTransactionDetails(server, day, id, lines) == 1) {
      report.WriteTraceOutput("Status: SMTP Inbound transaction details for Message ID [" + id +
                              "] follow below: \r\n");
      report.WriteTraceOutput(lines + "\r\n");
    }
  }
  outcome.showReport = true;
  return outcome;
}

CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId, ReportSink& report) {
  CommandOutcome outcome;
  report.ClearTraceOutput();
  const Date day = DateFromLogDate(dateText);
  if (!selectedId) {
    outcome.message = NoSelection();
    return outcome;
  }
  const std::string& id = *selectedId;
  report.WriteTraceOutput("Status: SMTP transaction details for Message ID [" + id +
                          "] follow below: \r\n\r\n");
  std::string lines;
  if (GetSMTPTransactionDetails(server, day, id, lines) == 1) {
    report.WriteTraceOutput(lines + "\r\n");
    outcome.showReport = true;
    return outcome;
  }
  // Say which log could not be read; a log without the ID leaves the note empty (code 0).
  int code = 0;
  std::string description;
  const std::string log = GetLogFile(server, "SMTP", kActivity, day);
  if (!IsOrdinaryFile(log)) {
    code = 53;
    description = "File not found: " + log;
  }
  outcome.message =
      ToolMessage("Unable to locate message details in from selected origin. Error (" +
                  std::to_string(code) + ") " + description);
  return outcome;
}

}  // namespace rq
