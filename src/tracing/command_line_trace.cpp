#include "tracing/command_line_trace.h"

#include "tracing/queue_walker.h"

namespace rq {

std::vector<std::string_view> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t blank = commandLine.find(' ', start);
    fields.push_back(commandLine.substr(start, blank - start));  // to the end when no blank
    if (blank == std::string_view::npos) return fields;
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
                                   Findings& findings) {
  SplitTraceResult result;
  for (long long offset = 0;; --offset) {
    // The day goes through its log date, so its year is always 2000 + YY.
    const Date day = DateFromLogDate(LogDateOf(AddDays(start, offset)));
    result.day = day;
    if (ReportCopies(server, day, messageId, "SMTP", true, findings)) {
      result.found = true;
      return result;
    }
    if (!askPrevious(day)) return result;
  }
}

}  // namespace rq
