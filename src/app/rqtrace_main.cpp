// rqtrace: the console program. Standard output carries only the result; messages go to
// standard error. Exit 0 when something was found and printed, 1 when nothing was found, 2 on
// bad usage or unreadable settings.
#include <CLI/CLI.hpp>

#include <iostream>
#include <nlohmann/json.hpp>

#include "app/command_line_trace.h"
#include "app/commands.h"
#include "app/program_support.h"
#include "base/codepage.h"
#include "settings/log_dates.h"
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

int Search(const Server& server, const Options& o) {
  OriginList origins;
  const SearchOutcome outcome =
      SearchOrigins(server, o.date, o.connector, o.sender, o.recipient, o.backtrace, origins);
  if (outcome.focusSender) {
    std::cerr << outcome.message->text << '\n';
    return kExitUsage;
  }
  if (o.json) {
    nlohmann::json rows = nlohmann::json::array();
    for (const Origin& origin : origins.rows()) {
      rows.push_back({{"time", ToUtf8Display(origin.LogTime)},
                      {"messageId", ToUtf8Display(origin.MessageID)},
                      {"data", ToUtf8Display(origin.sData)}});
    }
    Print(rows.dump(2));
    Print("\n");
  } else {
    for (const Origin& origin : origins.rows()) {
      std::string row = origin.LogTime + '\t' + origin.MessageID + '\t' + origin.sData + '\n';
      Print(row);
    }
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
  search->add_option("--date", o.date, "The log date, YYMMDD")->required();
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
  show->add_option("--date", o.date, "The log date, YYMMDD")->required();
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
  if (*show) {
    StringReport report;
    return Report(ShowTransaction(server, o.date, o.id, report), report);
  }
  if (*dates) return Dates(server, o);
  if (*check) return Check(*settings);
  return kExitUsage;
}
