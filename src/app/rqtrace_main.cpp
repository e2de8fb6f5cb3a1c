// rqtrace: the console program. Standard output carries only the result; messages go to
// standard error. Exit 0 when something was found and printed, 1 when nothing was found, 2 on
// bad usage or unreadable settings.
#include <CLI/CLI.hpp>

#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/command_line_trace.h"
#include "app/commands.h"
#include "app/json_printer.h"
#include "app/program_support.h"
#include "app/redact.h"
#include "base/codepage.h"
#include "base/text.h"
#include "settings/log_dates.h"
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
  StringReport report;
  JsonPrinter json;
  const CommandOutcome outcome =
      ShowTransaction(server, o.date, o.id, report, o.json ? &json : nullptr);
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
  search->add_option("--date", o.date, "The log date, YYMMDD")->required();
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
  show->add_option("--date", o.date, "The log date, YYMMDD")->required();
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
    return kExitUsage;
  };
  if (!o.redact) return run();
  // Redaction sees the whole output, so that one value keeps one placeholder throughout it.
  std::ostringstream output;
  std::streambuf* const stdoutBuffer = std::cout.rdbuf(output.rdbuf());
  const int status = run();
  std::cout.rdbuf(stdoutBuffer);
  Print(Redactor().Redact(output.str()));
  return status;
}
