#include "app/command_line_trace.h"

#include "readers/parallel.h"
#include "readers/smtp_readers.h"

namespace rq {

std::vector<std::string_view> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t blank = commandLine.find(' ', start);
    if (blank == std::string_view::npos) {
      fields.push_back(commandLine.substr(start));
      return fields;
    }
    fields.push_back(commandLine.substr(start, blank - start));
    start = blank + 1;
  }
}

std::string PreviousDayQuestion(const DateFormat& format, const Date& searchDay) {
  return "Could not find the start point in the logs for this message for date " +
         format.Format(searchDay) + ". Do you wish to search the previous days logs?";
}

SplitTraceResult TraceSplitMessage(const Server& server, std::string_view messageId,
                                   const Date& start,
                                   const std::function<bool(const Date&)>& askPrevious,
                                   FindingSink& findings) {
  SplitTraceResult result;
  for (long long offset = 0;; --offset) {
    // The day goes through its log date, so its year is always 2000 + YY.
    const Date day = DateFromLogDate(LogDateOf(AddDays(start, offset)));
    result.day = day;
    RouteList copies;
    if (GetSMTPRequeueInformation(server, day, messageId, copies) == 1) {
      findings.Report({.kind = FindingKind::kSplit,
                       .parent = messageId,
                       .count = static_cast<long long>(CountEntries(copies))});
      // One reading of each log serves every copy.
      const std::vector<std::string_view> ids = MessageIdsOf(copies);
      std::vector<std::string> details(copies.size());
      std::vector<std::string> debug(copies.size());
      // The activity and the debug log are read at the same time, each by its own reader.
      std::vector<int> detailsFound;
      std::vector<int> debugFound;
      ForEachTaskInParallel(2, ReaderThreadLimit(), [&](std::size_t log) {
        if (log == 0) {
          detailsFound = GetSMTPTransactionDetailsForEach(server, day, ids, details);
        } else {
          debugFound = GetSMTPDebugDeliveryForEach(server, day, ids, debug);
        }
      });
      for (std::size_t i = 0; i < copies.size(); ++i) {
        const RouteEntry& copy = copies[i];
        findings.Report(
            {.kind = FindingKind::kQueued, .code = "SMTP", .parent = messageId, .entry = &copy});
        if (detailsFound[i] == 1) {
          findings.Report({.kind = FindingKind::kDelivery, .entry = &copy, .lines = details[i]});
        }
        if (debugFound[i] == 1) {
          findings.Report({.kind = FindingKind::kDebugDelivery,
                           .parent = messageId,
                           .entry = &copy,
                           .lines = debug[i]});
        }
        std::string().swap(details[i]);  // written: give the memory back
        std::string().swap(debug[i]);
      }
      result.found = true;
      return result;
    }
    if (!askPrevious(day)) return result;
  }
}

SplitTraceResult TraceSplitMessage(const Server& server, std::string_view messageId,
                                   const Date& start,
                                   const std::function<bool(const Date&)>& askPrevious,
                                   ReportSink& report) {
  TextPrinter printer(report);
  return TraceSplitMessage(server, messageId, start, askPrevious, printer);
}

bool RunCommandLineTrace(const Server& server, const DateFormat& format, std::string_view messageId,
                         const Date& today, UserInterface& ui, ReportSink& report) {
  SplitTraceResult result;
  try {
    result = TraceSplitMessage(
        server, messageId, today,
        [&](const Date& day) {
          return ui.AskYesNo(
              Message{kWarningTitle, PreviousDayQuestion(format, day), MessageIcon::kExclamation});
        },
        report);
  } catch (const ReadError& e) {
    ui.ShowMessage(ReadErrorMessage(e));  // a report with a hole in it is never shown
    return false;
  }
  if (result.found) report.ShowTraceOutput();
  return result.found;
}

}  // namespace rq
