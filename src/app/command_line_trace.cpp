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
                                   ReportSink& report) {
  SplitTraceResult result;
  for (long long offset = 0;; --offset) {
    // The day goes through its log date, so its year is always 2000 + YY.
    const Date day = DateFromLogDate(LogDateOf(AddDays(start, offset)));
    result.day = day;
    RouteList copies;
    if (GetSMTPRequeueInformation(server, day, messageId, copies) == 1) {
      report.WriteTraceOutput("Fork/Split: Message ID [" + std::string(messageId) +
                              "] requeued/split into " + std::to_string(CountEntries(copies)) +
                              " messages for delivery to target domains.\r\n");
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
        report.WriteTraceOutput(copy.LogTime + " Queued: Message ID [" + std::string(messageId) +
                                "] queued for delivery to the domain [" + copy.Domain +
                                "] at the SMTP Outbound Queue with a new Message ID of [" +
                                copy.MessageID + "]\r\n\r\n");
        if (detailsFound[i] == 1) {
          report.WriteTraceOutput("Status: SMTP Outbound Delivery details for Message ID [" +
                                  copy.MessageID + "] to domain [" + copy.Domain +
                                  "] follow below: \r\n");
          report.WriteTraceOutput(details[i] + "\r\n");
        }
        if (debugFound[i] == 1) {
          report.WriteTraceOutput("\r\nDebug delivery information for Message ID [" +
                                  std::string(messageId) + "] \r\n");
          report.WriteTraceOutput(debug[i] + "\r\n");
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

bool RunCommandLineTrace(const Server& server, const DateFormat& format, std::string_view messageId,
                         const Date& today, UserInterface& ui, ReportSink& report) {
  const SplitTraceResult result = TraceSplitMessage(
      server, messageId, today,
      [&](const Date& day) {
        return ui.AskYesNo(
            Message{kWarningTitle, PreviousDayQuestion(format, day), MessageIcon::kExclamation});
      },
      report);
  if (result.found) report.ShowTraceOutput();
  return result.found;
}

}  // namespace rq
