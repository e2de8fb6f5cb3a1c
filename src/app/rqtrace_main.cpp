// rqtrace: the console program. Standard output carries only the result; messages go to
// standard error. Exit 0 when something was found and printed, 1 when nothing was found, 2 on
// bad usage or unreadable settings.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/command_line_trace.h"
#include "app/commands.h"
#include "app/program_support.h"
#include "base/codepage.h"
#include "settings/log_dates.h"
#include "settings/log_paths.h"
#include "settings/startup_check.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using namespace rq;

struct Options {
  std::string settings;
  std::vector<std::string> maps;
  std::string date;
  std::string connector = "SMTP";
  std::string sender;
  std::string recipient;
  std::string id;
  bool backtrace = false;
  bool json = false;
  long long daysBack = 0;
};

constexpr const char* kDateHelp =
    "The log date, YYMMDD, or the days FROM..TO (inclusive, at most 400): each line then starts "
    "with its day and a TAB";

void Print(std::string_view text) {
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
}

int Split(const Server& server, const DateFormat& format, const Options& o) {
  const Date start = o.date.empty() ? TodayLocal() : DateFromLogDate(o.date);
  long long left = o.daysBack;
  StringReport report;
  const SplitTraceResult result = TraceSplitMessage(
      server, o.id, start, [&](const Date&) { return left-- > 0; }, report);
  if (!result.found) {
    std::cerr << "Could not find the start point in the logs for this message for date "
              << format.Format(result.day) << ".\n";
    return kExitNothingFound;
  }
  Print(report.text());
  return kExitOk;
}

// The progress line of a command that reads the connector's activity logs of the days: the total
// is their size now (a day without a log adds nothing).
ProgressLine ShowProgress(const Server& server, std::string_view connector,
                          const std::vector<Date>& days, ReadMeter& meter) {
  long long total = 0;
  for (const Date& day : days) {
    std::error_code error;
    const auto size =
        std::filesystem::file_size(GetLogFile(server, connector, kActivity, day), error);
    if (!error) total += static_cast<long long>(size);
  }
  meter.SetTotal(total);
  if (days.size() == 1) meter.SetDay(std::stoll(LogDateOf(days.front())));
  return ProgressLine(meter, std::cerr, StandardErrorIsTerminal());
}

// The days of a --date FROM..TO; false when the text is one day. A malformed range is a usage
// error: `status` is set to the exit status then.
bool DayRange(const std::string& text, std::vector<Date>& days, int& status) {
  std::string error;
  if (ParseDayRange(text, days, error)) return true;
  if (!error.empty()) {
    std::cerr << "rqtrace: --date: " << error << '\n';
    status = kExitUsage;
  }
  return false;
}

nlohmann::json OriginJson(const Origin& origin) {
  return {{"time", ToUtf8Display(origin.LogTime)},
          {"messageId", ToUtf8Display(origin.MessageID)},
          {"data", ToUtf8Display(origin.sData)}};
}

std::string OriginRow(const Origin& origin) {
  return origin.LogTime + '\t' + origin.MessageID + '\t' + origin.sData + '\n';
}

// search --date FROM..TO: every day's rows in day order, each row led by its day.
int SearchRange(const Server& server, const Options& o, const std::vector<Date>& days) {
  std::vector<OriginList> perDay;
  ReadMeter meter;
  SearchOutcome outcome;
  {
    const ProgressLine progress = ShowProgress(server, o.connector, days, meter);
    outcome = SearchOriginsOverDays(server, days, o.connector, o.sender, o.recipient, o.backtrace,
                                    perDay, &meter);
  }
  if (outcome.focusSender) {
    std::cerr << outcome.message->text << '\n';
    return kExitUsage;
  }
  nlohmann::json rows = nlohmann::json::array();
  for (std::size_t d = 0; d < days.size(); ++d) {
    const std::string date = LogDateOf(days[d]);
    for (const Origin& origin : perDay[d].rows()) {
      if (o.json) {
        nlohmann::json row = OriginJson(origin);
        row["date"] = date;
        rows.push_back(std::move(row));
      } else {
        Print(date + '\t' + OriginRow(origin));
      }
    }
  }
  if (o.json) Print(rows.dump(2) + "\n");
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  return kExitOk;
}

// show --date FROM..TO: each day's report in day order, every line led by its day.
int ShowRange(const Server& server, const Options& o, const std::vector<Date>& days) {
  ReadMeter meter;
  RangeShowOutcome outcome;
  {
    const ProgressLine progress = ShowProgress(server, "SMTP", days, meter);
    outcome = ShowTransactionOverDays(server, days, o.id, &meter);
  }
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  for (std::size_t d = 0; d < days.size(); ++d) {
    const std::string prefix = LogDateOf(days[d]) + '\t';
    const std::string_view report = outcome.reports[d];
    // Log lines hold no CR, so the report's lines are exactly its CR LF pieces.
    for (std::size_t at = 0; at < report.size();) {
      const std::size_t next = report.find("\r\n", at);
      const std::size_t end = next == std::string_view::npos ? report.size() : next + 2;
      Print(prefix);
      Print(report.substr(at, end - at));
      at = end;
    }
  }
  return kExitOk;
}

int Search(const Server& server, const Options& o) {
  std::vector<Date> days;
  int status = kExitOk;
  if (DayRange(o.date, days, status)) return SearchRange(server, o, days);
  if (status != kExitOk) return status;
  OriginList origins;
  ReadMeter meter;
  SearchOutcome outcome;
  {
    const ProgressLine progress =
        ShowProgress(server, o.connector, {DateFromLogDate(o.date)}, meter);
    outcome = SearchOrigins(server, o.date, o.connector, o.sender, o.recipient, o.backtrace,
                            origins, ReadOptions{0, &meter});
  }
  if (outcome.focusSender) {
    std::cerr << outcome.message->text << '\n';
    return kExitUsage;
  }
  if (o.json) {
    nlohmann::json rows = nlohmann::json::array();
    for (const Origin& origin : origins.rows()) rows.push_back(OriginJson(origin));
    Print(rows.dump(2));
    Print("\n");
  } else {
    for (const Origin& origin : origins.rows()) Print(OriginRow(origin));
  }
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  return kExitOk;
}

int Report(const CommandOutcome& outcome, const StringReport& report) {
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  Print(report.text());
  return kExitOk;
}

int Show(const Server& server, const Options& o) {
  std::vector<Date> days;
  int status = kExitOk;
  if (DayRange(o.date, days, status)) return ShowRange(server, o, days);
  if (status != kExitOk) return status;
  StringReport report;
  ReadMeter meter;
  CommandOutcome outcome;
  {
    const ProgressLine progress = ShowProgress(server, "SMTP", {DateFromLogDate(o.date)}, meter);
    outcome = ShowTransaction(server, o.date, o.id, report, ReadOptions{0, &meter});
  }
  return Report(outcome, report);
}

int Dates(const Server& server, const Options& o) {
  const std::vector<std::string> dates = ListAvailableDates(server, o.connector);
  for (const std::string& d : dates) Print(d + "\n");
  return dates.empty() ? kExitNothingFound : kExitOk;
}

int Check(const SettingsStore& settings) {
  const std::vector<std::string> warnings = StartUpCheck(settings);
  for (const std::string& w : warnings) Print(w + "\n");
  return warnings.empty() ? kExitOk : kExitNothingFound;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on every other system: no LF turned into CR LF behind our back, neither in
  // the report nor in the messages.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  Options o;
  CLI::App app{
      "Traces messages through the queues of a Ravenquill mail server from its settings "
      "and logs.",
      "rqtrace"};
  app.set_version_flag("--version", "rqtrace " RQ_VERSION);
  app.add_option("--settings", o.settings,
                 "The server's settings: a .reg file exported from its registry "
                 "(default: $RQTRACKER_SETTINGS)");
  app.add_option("--map", o.maps, "WINPATH=DIR: read directories under WINPATH from DIR")
      ->take_all();
  app.require_subcommand(1);

  CLI::App* split = app.add_subcommand(
      "split", "List the per-domain copies of a message and their delivery lines");
  split->add_option("ID", o.id, "The message ID")->required();
  split->add_option("--date", o.date, "The first day to search, as YYMMDD (default: today)");
  split->add_option("--days-back", o.daysBack, "How many earlier days to search at most")
      ->check(CLI::NonNegativeNumber);

  CLI::App* search = app.add_subcommand("search", "Find origins by sender or recipient text");
  search->add_option("--date", o.date, kDateHelp)->required();
  search->add_option("--connector", o.connector, "The connector code (default: SMTP)");
  search->add_option("--sender", o.sender, "Text the sender contains (any letter case)");
  search->add_option("--recipient", o.recipient, "Text a recipient contains (any letter case)");
  search->add_flag("--backtrace", o.backtrace, "Search outbound instead of inbound transactions");
  search->add_flag("--json", o.json, "Print one JSON array of {time, messageId, data}");

  CLI::App* trace = app.add_subcommand("trace", "Trace an origin through the server's queues");
  trace->add_option("--date", o.date, "The log date, YYMMDD")->required();
  trace->add_flag("--backtrace", o.backtrace, "Trace backwards from the SMTP outbound queue");
  trace->add_option("ID", o.id, "The message ID")->required();

  CLI::App* show = app.add_subcommand("show", "Show an origin's SMTP transaction lines");
  show->add_option("--date", o.date, kDateHelp)->required();
  show->add_option("ID", o.id, "The message ID")->required();

  CLI::App* dates = app.add_subcommand("dates", "List the days that have activity logs");
  dates->add_option("--connector", o.connector, "The connector code (default: SMTP)");

  CLI::App* check = app.add_subcommand("check", "Warn about logging switched off on the server");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  std::string error;
  std::vector<PathMapping> mappings;
  if (!ParseMappings(o.maps, mappings, error)) {
    std::cerr << "rqtrace: " << error << '\n';
    return kExitUsage;
  }
  const std::unique_ptr<SettingsStore> settings = OpenSettings(o.settings, error);
  if (!settings) {
    std::cerr << "rqtrace: " << error << '\n';
    return kExitUsage;
  }
  const Server server(*settings, std::move(mappings));
  const DateFormat format = DateFormat::FromUserLocale();

  if (*split) return Split(server, format, o);
  if (*search) return Search(server, o);
  if (*trace) {
    StringReport report;
    return Report(TraceMessage(server, format, o.date, o.id, o.backtrace, report), report);
  }
  if (*show) return Show(server, o);
  if (*dates) return Dates(server, o);
  if (*check) return Check(*settings);
  return kExitUsage;
}
