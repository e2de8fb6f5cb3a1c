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
  const auto digit = [](unsigned char c) { return std::isdigit(c) != 0; };
  if (text.size() != 6 || !std::all_of(text.begin(), text.end(), digit)) return false;
  day = DateFromLogDate(text);
  return LogDateOf(day) == text;
}

// f(i, options) for each day, the days read at the same time: the reader threads split between
// the days and the segments of each day's log, so that together they stay within the limit.
template <class F>
void ForEachDayInParallel(const std::vector<Date>& days, ReadMeter* meter, F&& f) {
  const std::size_t limit = ReaderThreadLimit();
  const std::size_t tasks = std::max<std::size_t>(1, std::min(limit, days.size()));
  const ReadOptions options{std::max<std::size_t>(1, limit / tasks), meter};
  ForEachTaskInParallel(days.size(), tasks, [&](std::size_t i) {
    if (meter != nullptr) meter->SetDay(std::stoll(LogDateOf(days[i])));
    f(i, options);
  });
}

// The window's road: the report cleared, then the findings written into it.
CommandOutcome Printed(ReportSink& report, CommandOutcome outcome) {
  report.ClearTraceOutput();
  PrintReport(outcome.findings, report);
  return outcome;
}

CommandOutcome NoSelection() {
  CommandOutcome outcome;
  outcome.message = ToolMessage(
      "Unable to process selected origin. Error (91) No message is selected in the list of "
      "origins.");
  return outcome;
}

Message NothingMatched() {
  return ToolMessage("Could not find messages matching the criteria specified");
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
  const bool smtp = connectorCode == "SMTP";  // the check box counts only there
  const bool found = (smtp || connectorCode == "SF" || connectorCode == "LS") &&
                     LocateOrigin(server, connectorCode, day, sender, recipient,
                                  smtp && backtraceTicked, origins, options) != 0;
  outcome.enableTraceButtons = found;
  if (!found) outcome.message = NothingMatched();
  return outcome;
}

CommandOutcome TraceMessage(const Server& server, const DateFormat& dateFormat,
                            std::string_view dateText, const std::optional<std::string>& selectedId,
                            bool backtrace) {
  if (!selectedId) return NoSelection();
  CommandOutcome outcome;
  const Date day = DateFromLogDate(dateText);
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
  if (!selectedId) return NoSelection();
  CommandOutcome outcome;
  const Date day = DateFromLogDate(dateText);
  const std::string& id = *selectedId;
  std::string lines;
  const bool found = GetSMTPTransactionDetails(server, day, id, lines, options) == 1;
  outcome.findings.emplace_back(found::Transaction{id, std::move(lines)});
  if (found) {
    outcome.showReport = true;
    return outcome;
  }
  // Say which log could not be read; a log without the ID leaves the note empty (code 0).
  const std::string log = GetLogFile(server, "SMTP", kActivity, day);
  outcome.message =
      IsOrdinaryFile(log) ? NotFoundInLog(0, "") : NotFoundInLog(53, "File not found: " + log);
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
  ForEachDayInParallel(days, meter, [&](std::size_t i, const ReadOptions& options) {
    outcomes[i] = SearchOrigins(server, LogDateOf(days[i]), connectorCode, sender, recipient,
                                backtraceTicked, origins[i], options);
  });
  for (const SearchOutcome& outcome : outcomes) {
    if (outcome.focusSender || !outcome.message) return outcome;
  }
  if (!outcomes.empty()) return outcomes.front();  // nothing found on any day
  SearchOutcome none;
  none.message = NothingMatched();
  return none;
}

RangeShowOutcome ShowTransactionOverDays(const Server& server, const std::vector<Date>& days,
                                         std::string_view messageId, ReadMeter* meter) {
  RangeShowOutcome outcome;
  outcome.days.resize(days.size());
  ForEachDayInParallel(days, meter, [&](std::size_t i, const ReadOptions& options) {
    outcome.days[i] = ShowTransaction(server, LogDateOf(days[i]), std::string(messageId), options);
  });
  if (std::any_of(outcome.days.begin(), outcome.days.end(),
                  [](const CommandOutcome& day) { return day.showReport; })) {
    return outcome;
  }
  // Nothing on any day: each day's note names its log when it had none; the first day's note is
  // given when no day had one, the empty note otherwise.
  const Message noted = NotFoundInLog(0, "");
  const bool anyLog = std::any_of(outcome.days.begin(), outcome.days.end(),
                                  [&](const CommandOutcome& day) { return day.message == noted; });
  outcome.message = anyLog || days.empty() ? noted : *outcome.days[0].message;
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
