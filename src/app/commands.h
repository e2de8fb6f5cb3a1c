// The main window's commands without the window: given what the window would read, each gives
// the message box to show or tells that the trace report (written to the sink) is to be shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/user_interface.h"
#include "base/dates.h"
#include "readers/origin_search.h"
#include "settings/server.h"
#include "tracing/report.h"

namespace rq {

// The failure met when no origin is selected (the code and description of the "Error (" texts).
inline constexpr int kNoSelectionCode = 91;
inline constexpr const char* kNoSelectionText = "No message is selected in the list of origins.";

struct SearchOutcome {
  std::optional<Message> message;          // shown after the busy pointer is reset
  std::optional<bool> enableTraceButtons;  // nullopt: the buttons keep their state
  bool focusSender = false;
};

// The Search command: empties `origins`, then searches the connector's activity log of the
// date box's day. The check box counts only for the SMTP connector.
SearchOutcome SearchOrigins(const Server& server, std::string_view dateText,
                            std::string_view connectorCode, std::string_view sender,
                            std::string_view recipient, bool backtraceTicked, OriginList& origins);

struct CommandOutcome {
  std::optional<Message> message;  // a message box instead of the report
  bool showReport = false;         // the report written to the sink is to be shown
  int walkResult = 0;              // the walker's answer, for Trace Message
};

// Trace Message: clears the report and walks the selected origin's message from the SMTP queue
// of the date box's day (nullopt `selectedId`: no row selected).
CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace, ReportSink& report);

// Show Transaction: clears the report and writes the selected message's SMTP activity lines.
CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId, ReportSink& report);

}  // namespace rq
