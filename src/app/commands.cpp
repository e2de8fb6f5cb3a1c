#include "app/commands.h"

#include <algorithm>
#include <cctype>

#include "app/output.h"
#include "base/file.h"
#include "base/read_error.h"
#include "readers/parallel.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"
#include "tracing/queue_walker.h"

namespace rq {
namespace {

Message ToolMessage(std::string text) {
  return Message{kToolTitle, std::move(text), MessageIcon::kInformation};
}

Message NotFoundInLog(int code, const std::string& description) {
  return ToolMessage("Unable to locate message details in from selected origin. Error (" +
                     std::to_string(code) + ") " + description);
}

// A day written as exactly six digits that name a real calendar day.
bool ReadLogDate(std::string_view text, Date& day) {
  if (text.size() != 6) return false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  day = DateFromLogDate(text);
  return LogDateOf(day) == text;
}

// The reader threads split between days read at the same time and the segments of each day's
// log, so that together they stay within the limit.
struct ThreadShare {
  std::size_t tasks;
  std::size_t perTask;
};
ThreadShare ShareThreads(std::size_t days) {
  const std::size_t limit = ReaderThreadLimit();
  const std::size_t tasks = std::max<std::size_t>(1, std::min(limit, days));
  return ThreadShare{tasks, std::max<std::size_t>(1, limit / tasks)};
}

// The window's road: the report cleared, then the findings written into it.
CommandOutcome Printed(ReportSink& report, CommandOutcome outcome) {
  report.ClearTraceOutput();
  PrintReport(outcome.findings, report);
  return outcome;
}

Message NoSelection() {
  return ToolMessage("Unable to process selected origin. Error (" +
                     std::to_string(kNoSelectionCode) + ") " + kNoSelectionText);
}

}  // namespace

SearchOutcome SearchOrigins(const Server& server, std::string_view dateText,
                            std::string_view connectorCode, std::string_view sender,
                            std::string_view recipient, bool backtraceTicked, OriginList& origins,
                            const ReadOptions& options) {
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
    found = LocateOrigin(server, "SMTP", day, sender, recipient, backtraceTicked, origins, options);
  } else if (connectorCode == "SF" || connectorCode == "LS") {
    found = LocateOrigin(server, connectorCode, day, sender, recipient, false, origins, options);
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
                            bool backtrace) {
  CommandOutcome outcome;
  const Date day = DateFromLogDate(dateText);
  if (!selectedId) {
    outcome.message = NoSelection();
    return outcome;
  }
  const std::string& id = *selectedId;
  outcome.walkResult = SearchConnectorQueueByMessageID(server, dateFormat, outcome.findings, "SMTP",
                                                       dateFormat.Format(day), id, backtrace);
  if (outcome.walkResult == kWalkNothing) {
    outcome.message = ToolMessage(
        "Unable to trace message. Message does not seem to have been routed through Ravenquill "
        "queues.");
    return outcome;
  }
  if (outcome.walkResult == kWalkNotRouted) {
    outcome.findings.emplace_back(found::NotThroughQueues{id});
    std::string lines;
    if (GetSMTPTransactionDetails(server, day, id, lines) == 1) {
      outcome.findings.emplace_back(found::Inbound{id, std::move(lines)});
    }
  }
  outcome.showReport = true;
  return outcome;
}

CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace, ReportSink& report) {
  return Printed(report, TraceMessage(server, dateFormat, dateText, selectedId, backtrace));
}

CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId,
                               const ReadOptions& options) {
  CommandOutcome outcome;
  const Date day = DateFromLogDate(dateText);
  if (!selectedId) {
    outcome.message = NoSelection();
    return outcome;
  }
  const std::string& id = *selectedId;
  std::string lines;
  const bool found = GetSMTPTransactionDetails(server, day, id, lines, options) == 1;
  outcome.findings.emplace_back(found::Transaction{id, std::move(lines)});
  if (found) {
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
  outcome.message = NotFoundInLog(code, description);
  return outcome;
}

CommandOutcome ShowTransaction(const Server& server, std::string_view dateText,
                               const std::optional<std::string>& selectedId, ReportSink& report) {
  return Printed(report, ShowTransaction(server, dateText, selectedId));
}

bool ParseDays(std::string_view text, bool ranges, std::vector<Date>& days, std::string& error) {
  error.clear();
  days.clear();
  Date from;
  Date to;
  if (ReadLogDate(text, from)) {
    days.push_back(from);
    return true;
  }
  const std::size_t dots = text.find("..");
  if (dots == std::string_view::npos || !ReadLogDate(text.substr(0, dots), from) ||
      !ReadLogDate(text.substr(dots + 2), to)) {
    error = ranges ? "not a day as YYMMDD, nor a range FROM..TO of such days: "
                   : "not a day as YYMMDD: ";
    error += text;
    return false;
  }
  if (!ranges) {
    error = "takes one day as YYMMDD, not a range: " + std::string(text);
    return false;
  }
  const long long first = DaysFromCivil(from.year, from.month, from.day);
  const long long last = DaysFromCivil(to.year, to.month, to.day);
  if (first > last) {
    error = "the range " + std::string(text) + " ends before it starts";
    return false;
  }
  if (last - first + 1 > kMaxRangeDays) {
    error = "the range " + std::string(text) + " spans " + std::to_string(last - first + 1) +
            " days; at most " + std::to_string(kMaxRangeDays) + " are searched at once";
    return false;
  }
  for (long long d = first; d <= last; ++d) days.push_back(CivilFromDays(d));
  return true;
}

SearchOutcome SearchOriginsOverDays(const Server& server, const std::vector<Date>& days,
                                    std::string_view connectorCode, std::string_view sender,
                                    std::string_view recipient, bool backtraceTicked,
                                    std::vector<OriginList>& origins, ReadMeter* meter) {
  origins.assign(days.size(), OriginList{});
  std::vector<SearchOutcome> outcomes(days.size());
  const ThreadShare share = ShareThreads(days.size());
  ForEachTaskInParallel(days.size(), share.tasks, [&](std::size_t i) {
    if (meter != nullptr) meter->SetDay(std::stoll(LogDateOf(days[i])));
    outcomes[i] = SearchOrigins(server, LogDateOf(days[i]), connectorCode, sender, recipient,
                                backtraceTicked, origins[i], ReadOptions{share.perTask, meter});
  });
  for (const SearchOutcome& outcome : outcomes) {
    if (outcome.focusSender || !outcome.message) return outcome;
  }
  if (outcomes.empty()) {
    SearchOutcome none;
    none.message = ToolMessage("Could not find messages matching the criteria specified");
    return none;
  }
  return outcomes.front();  // nothing found on any day
}

RangeShowOutcome ShowTransactionOverDays(const Server& server, const std::vector<Date>& days,
                                         std::string_view messageId, ReadMeter* meter) {
  RangeShowOutcome outcome;
  outcome.days.resize(days.size());
  std::vector<char> logFound(days.size(), 0);
  const ThreadShare share = ShareThreads(days.size());
  ForEachTaskInParallel(days.size(), share.tasks, [&](std::size_t i) {
    if (meter != nullptr) meter->SetDay(std::stoll(LogDateOf(days[i])));
    outcome.days[i] = ShowTransaction(server, LogDateOf(days[i]), std::string(messageId),
                                      ReadOptions{share.perTask, meter});
    logFound[i] = IsOrdinaryFile(GetLogFile(server, "SMTP", kActivity, days[i])) ? 1 : 0;
  });
  if (std::any_of(outcome.days.begin(), outcome.days.end(),
                  [](const CommandOutcome& day) { return day.showReport; })) {
    return outcome;
  }
  // Nothing on any day: name the first day's log when no day had one.
  const bool anyLog = std::find(logFound.begin(), logFound.end(), 1) != logFound.end();
  outcome.message =
      anyLog || days.empty()
          ? NotFoundInLog(0, "")
          : NotFoundInLog(53, "File not found: " + GetLogFile(server, "SMTP", kActivity, days[0]));
  return outcome;
}

bool RunCommandLineTrace(const Server& server, const DateFormat& format, std::string_view messageId,
                         const Date& today, UserInterface& ui, ReportSink& report) {
  Findings findings;
  SplitTraceResult result;
  try {
    result = TraceSplitMessage(
        server, messageId, today,
        [&](const Date& day) {
          return ui.AskYesNo(
              Message{kWarningTitle, PreviousDayQuestion(format, day), MessageIcon::kExclamation});
        },
        findings);
  } catch (const ReadError& e) {
    ui.ShowMessage(ReadErrorMessage(e));  // a report with a hole in it is never shown
    return false;
  }
  if (!result.found) return false;
  PrintReport(findings, report);
  report.ShowTraceOutput();
  return true;
}

}  // namespace rq
