// The command-line trace: from a message ID to the per-domain copies into which the SMTP
// connector split it, with each copy's delivery lines, starting today and going back a day at a
// time while the user asks for it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/user_interface.h"
#include "base/dates.h"
#include "settings/server.h"
#include "tracing/findings.h"
#include "tracing/report.h"

namespace rq {

// The command line split at every single blank (fields from 0; adjacent blanks give empty fields).
std::vector<std::string_view> SplitCommandLine(std::string_view commandLine);

// The question asked when a day holds no requeue record for the message.
std::string PreviousDayQuestion(const DateFormat& format, const Date& searchDay);

struct SplitTraceResult {
  bool found = false;  // requeue records were found, and the report written
  Date day;            // the last day searched
};

// Traces `messageId` from `start` backwards: for each day without requeue records,
// askPrevious(day) decides whether to search the day before. Writes the split summary, and per
// copy its line, its SMTP activity lines and its SMTP debug lines into `report`.
SplitTraceResult TraceSplitMessage(const Server& server, std::string_view messageId,
                                   const Date& start,
                                   const std::function<bool(const Date&)>& askPrevious,
                                   ReportSink& report);

// The same trace, its findings pushed to `findings` instead of being written as report text.
SplitTraceResult TraceSplitMessage(const Server& server, std::string_view messageId,
                                   const Date& start,
                                   const std::function<bool(const Date&)>& askPrevious,
                                   FindingSink& findings);

// The command-line trace of `messageId` from `today`: asks the user before each earlier day (a
// Yes/No question titled "Warning") and shows the report when the split was found. True then.
// A log that could not be read whole is told in a message box instead, and false returned.
bool RunCommandLineTrace(const Server& server, const DateFormat& format, std::string_view messageId,
                         const Date& today, UserInterface& ui, ReportSink& report);

}  // namespace rq
