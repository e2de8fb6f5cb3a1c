// rqtrace: the console program. Standard output carries only the result; messages go to
// standard error. Exit 0 when something was found and printed, 1 when nothing was found, 2 on
// bad usage or unreadable settings.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/command_line_trace.h"
#include "app/commands.h"
#include "app/json_printer.h"
#include "app/program_support.h"
#include "app/redact.h"
#include "app/report_command.h"
#include "base/codepage.h"
#include "base/text.h"
#include "settings/log_dates.h"
#include "settings/log_paths.h"
#include "settings/startup_check.h"
#include "tracing/story.h"

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
  bool redact = false;
  long long daysBack = 0;
  long long days = 2;
};

constexpr const char* kDateHelp =
    "The log date, YYMMDD, or the days FROM..TO (inclusive, at most 400): each line then starts "
    "with its day and a TAB";

// Connector codes are taken in any letter case: the core compares them as the server writes them
// (upper case), and on Linux the code is part of a log's file name.
void AddConnectorOption(CLI::App* command, std::string& connector) {
  command
      ->add_option("--connector", connector, "The connector code, any letter case (default: SMTP)")
      ->transform([](const std::string& code) { return AsciiUpper(code); });
}

void Print(std::string_view text) {
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void PrintJson(const nlohmann::json& value) {
  Print(value.dump(2) + "\n");
}

// --redact, on the commands that print log text.
void AddRedactFlag(CLI::App* command, bool& redact) {
  command->add_flag("--redact", redact,
                    "Replace e-mail addresses, host names and IP addresses by placeholders");
}

// --json: a structured result instead of the text.
void AddJsonFlag(CLI::App* command, bool& json) {
  command->add_flag("--json", json, "Print one JSON value (schema in the README)");
}

int Split(const Server& server, const DateFormat& format, const Options& o) {
  const Date start = o.date.empty() ? TodayLocal() : DateFromLogDate(o.date);
  long long left = o.daysBack;
  StringReport report;
  TextPrinter text(report);
  JsonPrinter json;
  FindingSink& findings = o.json ? static_cast<FindingSink&>(json) : text;
  const SplitTraceResult result = TraceSplitMessage(
      server, o.id, start, [&](const Date&) { return left-- > 0; }, findings);
  if (o.json) {
    nlohmann::json& out = json.object();
    out["messageId"] = ToUtf8Display(o.id);
    out["date"] = LogDateOf(result.day);
    out["found"] = result.found;
    if (!out.contains("copies")) out["copies"] = nlohmann::json::array();
    PrintJson(out);
  }
  if (!result.found) {
    std::cerr << "Could not find the start point in the logs for this message for date "
              << format.Format(result.day) << ".\n";
    return kExitNothingFound;
  }
  if (!o.json) Print(report.text());
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
  std::vector<JsonPrinter> printers(o.json ? days.size() : 0);
  std::vector<FindingSink*> sinks;
  for (JsonPrinter& printer : printers) sinks.push_back(&printer);
  RangeShowOutcome outcome;
  {
    const ProgressLine progress = ShowProgress(server, "SMTP", days, meter);
    outcome = ShowTransactionOverDays(server, days, o.id, &meter, sinks);
  }
  if (o.json) {
    // One object per day that had the message's lines, as one day gives it.
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t d = 0; d < days.size(); ++d) {
      if (!outcome.found[d]) continue;
      nlohmann::json& day = printers[d].object();
      day["messageId"] = ToUtf8Display(o.id);
      day["date"] = LogDateOf(days[d]);
      list.push_back(std::move(day));
    }
    PrintJson(list);
  }
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  if (o.json) return kExitOk;
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

// Prints the report, or its findings as JSON (with the message, when there is one, as "message").
int Report(const CommandOutcome& outcome, const StringReport& report, JsonPrinter* json,
           const Options& o) {
  if (json != nullptr) {
    nlohmann::json& out = json->object();
    out["messageId"] = ToUtf8Display(o.id);
    out["date"] = ToUtf8Display(o.date);
    if (outcome.message) out["message"] = ToUtf8Display(outcome.message->text);
    PrintJson(out);
  }
  if (outcome.message) {
    std::cerr << outcome.message->text << '\n';
    return kExitNothingFound;
  }
  if (json == nullptr) Print(report.text());
  return kExitOk;
}

int Trace(const Server& server, const DateFormat& format, const Options& o) {
  StringReport report;
  JsonPrinter json;
  const CommandOutcome outcome =
      TraceMessage(server, format, o.date, o.id, o.backtrace, report, o.json ? &json : nullptr);
  if (o.json && !json.object().contains("result")) json.object()["result"] = "nothing";
  return Report(outcome, report, o.json ? &json : nullptr, o);
}

int Show(const Server& server, const Options& o) {
  std::vector<Date> days;
  int status = kExitOk;
  if (DayRange(o.date, days, status)) return ShowRange(server, o, days);
  if (status != kExitOk) return status;
  StringReport report;
  JsonPrinter json;
  ReadMeter meter;
  CommandOutcome outcome;
  {
    const ProgressLine progress = ShowProgress(server, "SMTP", {DateFromLogDate(o.date)}, meter);
    outcome = ShowTransaction(server, o.date, o.id, report, o.json ? &json : nullptr,
                              ReadOptions{0, &meter});
  }
  return Report(outcome, report, o.json ? &json : nullptr, o);
}

int Dates(const Server& server, const Options& o) {
  const std::vector<std::string> dates = ListAvailableDates(server, o.connector);
  if (o.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const std::string& d : dates) list.push_back(ToUtf8Display(d));
    PrintJson({{"connector", ToUtf8Display(o.connector)}, {"dates", list}});
  } else {
    for (const std::string& d : dates) Print(d + "\n");
  }
  return dates.empty() ? kExitNothingFound : kExitOk;
}

int StoryCommand(const Server& server, const Options& o) {
  const Date start = o.date.empty() ? TodayLocal() : DateFromLogDate(o.date);
  const Story story = TellStory(server, o.id, start, o.days);
  if (o.json) {
    PrintJson(StoryJson(story));
  } else {
    Print(StoryText(story));
  }
  if (!story.Found()) {
    std::cerr << "Nothing in the logs of " + LogDateOf(story.first) + " to " +
                     LogDateOf(story.last) + " names message " + o.id + ".\n";
    return kExitNothingFound;
  }
  return kExitOk;
}

void AddStory(CLI::App& app, Options& o, CLI::App*& story) {
  story = app.add_subcommand(
      "story", "Everything the logs tell of a message and its copies, from any hop's ID");
  story->add_option("ID", o.id, "The message ID at any hop")->required();
  story->add_option("--date", o.date, "The first day, as YYMMDD (default: today)");
  story->add_option("--days", o.days, "How many following days to read too (default: 2)")
      ->check(CLI::Range(0LL, 400LL));
  AddJsonFlag(story, o.json);
  AddRedactFlag(story, o.redact);
}

int Check(const SettingsStore& settings, const Options& o) {
  const std::vector<std::string> warnings = StartUpCheck(settings);
  if (o.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const std::string& w : warnings) list.push_back(ToUtf8Display(w));
    PrintJson({{"warnings", list}});
  } else {
    for (const std::string& w : warnings) Print(w + "\n");
  }
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
  AddJsonFlag(split, o.json);
  AddRedactFlag(split, o.redact);

  CLI::App* search = app.add_subcommand("search", "Find origins by sender or recipient text");
  search->add_option("--date", o.date, kDateHelp)->required();
  AddConnectorOption(search, o.connector);
  search->add_option("--sender", o.sender, "Text the sender contains (any letter case)");
  search->add_option("--recipient", o.recipient, "Text a recipient contains (any letter case)");
  search->add_flag("--backtrace", o.backtrace, "Search outbound instead of inbound transactions");
  AddJsonFlag(search, o.json);
  AddRedactFlag(search, o.redact);

  CLI::App* trace = app.add_subcommand("trace", "Trace an origin through the server's queues");
  trace->add_option("--date", o.date, "The log date, YYMMDD")->required();
  trace->add_flag("--backtrace", o.backtrace, "Trace backwards from the SMTP outbound queue");
  trace->add_option("ID", o.id, "The message ID")->required();
  AddJsonFlag(trace, o.json);
  AddRedactFlag(trace, o.redact);

  CLI::App* show = app.add_subcommand("show", "Show an origin's SMTP transaction lines");
  show->add_option("--date", o.date, kDateHelp)->required();
  show->add_option("ID", o.id, "The message ID")->required();
  AddJsonFlag(show, o.json);
  AddRedactFlag(show, o.redact);

  CLI::App* dates = app.add_subcommand("dates", "List the days that have activity logs");
  AddConnectorOption(dates, o.connector);
  AddJsonFlag(dates, o.json);

  CLI::App* check = app.add_subcommand("check", "Warn about logging switched off on the server");
  AddJsonFlag(check, o.json);

  CLI::App* story = nullptr;
  AddStory(app, o, story);

  ReportOptions reportOptions;
  CLI::App* report = app.add_subcommand(
      "report", "The mail flow at a glance: totals, traffic per hour, delays, top lists");
  report->add_option("--date", reportOptions.date,
                     "The day YYMMDD or the days FROM..TO (at most 400; default: today)");
  report->add_option("--top", reportOptions.top, "Rows of each top list (default: 10)")
      ->check(CLI::Range(1, 1000));
  report->add_flag("--json", reportOptions.json, "Print one JSON value (schema in the README)");
  report->add_flag("--html", reportOptions.html, "Print a self-contained HTML page");
  report->add_flag("--redact", reportOptions.redact,
                   "Replace e-mail addresses, host names and IP addresses by placeholders");

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

  const auto run = [&]() {
    if (*split) return Split(server, format, o);
    if (*search) return Search(server, o);
    if (*trace) return Trace(server, format, o);
    if (*show) return Show(server, o);
    if (*dates) return Dates(server, o);
    if (*check) return Check(*settings, o);
    if (*story) return StoryCommand(server, o);
    if (*report) return RunReport(server, reportOptions, std::cout, std::cerr);
    return kExitUsage;
  };
  // The report redacts its typed result itself.
  if (!o.redact || *report) return run();
  // Redaction sees the whole output, so that one value keeps one placeholder throughout it.
  std::ostringstream output;
  std::streambuf* const stdoutBuffer = std::cout.rdbuf(output.rdbuf());
  const int status = run();
  std::cout.rdbuf(stdoutBuffer);
  Print(Redactor().Redact(output.str()));
  return status;
}
