// The main window's commands without the window: given what the window would read, each gives
// the message box to show or tells that the trace report (written to the sink) is to be shown.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/user_interface.h"
#include "base/dates.h"
#include "readers/origin_search.h"
#include "settings/server.h"
#include "tracing/command_line_trace.h"
#include "tracing/findings.h"
#include "tracing/report.h"

namespace rq {

struct SearchOutcome {
  std::optional<Message> message;          // shown after the busy pointer is reset
  std::optional<bool> enableTraceButtons;  // nullopt: the buttons keep their state
  bool focusSender = false;
};

// The Search command: empties `origins`, then searches the connector's activity log of the
// date box's day. The check box counts only for the SMTP connector. Read as the options allow.
SearchOutcome SearchOrigins(const Server& server, std::string_view dateText,
                            std::string_view connectorCode, std::string_view sender,
                            std::string_view recipient, bool backtraceTicked, OriginList& origins,
                            const ReadOptions& options = {});

struct CommandOutcome {
  std::optional<Message> message;  // a message box instead of the report
  bool showReport = false;         // the report of the findings is to be shown
  int walkResult = 0;              // the walker's answer, for Trace Message
  Findings findings;
};

// Trace Message: walks the selected origin's message from the SMTP queue of the date box's day
// (nullopt `selectedId`: no row selected).
CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace);
// The same for the window: clears the report and writes the findings into it.
CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace, ReportSink& report);

// Show Transaction: finds the selected message's SMTP activity lines. Read as the options allow.
CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId,
                               const ReadOptions& options = {});
// The same for the window: clears the report and writes the findings into it.
CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId, ReportSink& report);

inline constexpr long long kMaxRangeDays = 400;  // the longest range one search may span

// The days a date option's text names: one day as YYMMDD, a real calendar day; with `ranges`
// also FROM..TO (both such days, inclusive, FROM not after TO, at most kMaxRangeDays days).
// False with `error` naming the text for anything else.
bool ParseDays(std::string_view text, bool ranges, std::vector<Date>& days, std::string& error);

// The Search command on each day, the days' logs read at the same time: one origin list per
// day, in the order of `days`, each as SearchOrigins would fill it (one row per message ID and
// day; a day without a log gives an empty list). The outcome is that of the whole range.
SearchOutcome SearchOriginsOverDays(const Server& server, const std::vector<Date>& days,
                                    std::string_view connectorCode, std::string_view sender,
                                    std::string_view recipient, bool backtraceTicked,
                                    std::vector<OriginList>& origins, ReadMeter* meter = nullptr);

// Show Transaction on each day, the days' logs read at the same time: each day's outcome (for a
// day without the message's lines or without a log, showReport false), and a message when no day
// had a line.
struct RangeShowOutcome {
  std::vector<CommandOutcome> days;  // in the order of `days`
  std::optional<Message> message;
};
RangeShowOutcome ShowTransactionOverDays(const Server& server, const std::vector<Date>& days,
                                         std::string_view messageId, ReadMeter* meter = nullptr);

// The command-line trace of `messageId` from `today`: asks the user before each earlier day (a
// Yes/No question titled "Warning") and shows the report when the split was found. True then.
// A log that could not be read whole is told in a message box instead, and false returned.
bool RunCommandLineTrace(const Server& server, const DateFormat& format, std::string_view messageId,
                         const Date& today, UserInterface& ui, ReportSink& report);

}  // namespace rq
