#include "app/rqtrace.h"

#include <CLI/CLI.hpp>

#include <array>
#include <filesystem>

#include "app/commands.h"
#include "app/output.h"
#include "app/program_support.h"
#include "app/redact.h"
#include "app/report_command.h"
#include "base/read_error.h"
#include "base/text.h"
#include "base/version.h"
#include "settings/log_dates.h"
#include "settings/log_paths.h"
#include "settings/startup_check.h"
#include "tracing/command_line_trace.h"
#include "tracing/story.h"

namespace rq {
namespace {

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
  long long days = kStoryFollowingDays;
  long long storyDaysBack = kStoryDaysBack;
  std::size_t top = 10;
  bool html = false;
};

// What a command runs with: the settings, the server, and the days its --date names (today when
// it has no --date or the option was left out).
struct Context {
  const SettingsStore& settings;
  const Server& server;
  const DateFormat& format;
  const Options& o;
  std::vector<Date> days;
  bool range = false;
  std::ostream& err;  // for the progress line
};

// One command: its name and help, whether its --date takes FROM..TO, its options and its run.
struct Command {
  const char* name;
  const char* help;
  bool ranges;
  void (*options)(CLI::App&, Options&);
  Result (*run)(const Context&);
  // A command whose result has printers of its own (the report's HTML page) runs here instead.
  int (*print)(const Context&, std::ostream& out, std::ostream& err) = nullptr;
};

constexpr const char* kRangeHelp =
    "The log date, YYMMDD, or the days FROM..TO (inclusive, at most 400): each line then starts "
    "with its day and a TAB";

void Id(CLI::App& c, Options& o, const char* help = "The message ID") {
  // Every log line holds the empty text: an empty or blank ID would print whole logs as the
  // message's lines and report them found.
  c.add_option("ID", o.id, help)->required()->check([](const std::string& id) {
    return id.find_first_not_of(" \t") == std::string::npos
               ? "a message ID cannot be empty or blank"
               : std::string();
  });
}
// --json and --redact, on the commands that print log text.
void JsonAndRedact(CLI::App& c, Options& o) {
  c.add_flag("--json", o.json, "Print one JSON value (schema in the README)");
  c.add_flag("--redact", o.redact,
             "Replace e-mail addresses, host names and IP addresses by placeholders");
}
// Connector codes are taken in any letter case: the core compares them as the server writes them
// (upper case), and on Linux the code is part of a log's file name.
void Connector(CLI::App& c, Options& o) {
  c.add_option("--connector", o.connector, "The connector code, any letter case (default: SMTP)")
      ->transform([](const std::string& code) { return AsciiUpper(code); });
}

std::optional<std::string> TextOf(const std::optional<Message>& message) {
  if (!message) return std::nullopt;
  return message->text;
}

DayReport Day(const Context& c, const Date& day, CommandOutcome outcome) {
  return DayReport{c.o.id, day, std::move(outcome.findings), TextOf(outcome.message)};
}

// The progress line of a command that reads the connector's activity logs of the days: the total
// is their size now (a day without a log adds nothing).
ProgressLine ShowProgress(const Context& c, std::string_view connector, ReadMeter& meter) {
  long long total = 0;
  for (const Date& day : c.days) {
    std::error_code error;
    const auto size =
        std::filesystem::file_size(GetLogFile(c.server, connector, kActivity, day), error);
    if (!error) total += static_cast<long long>(size);
  }
  meter.SetTotal(total);
  if (c.days.size() == 1) meter.SetDay(std::stoll(LogDateOf(c.days.front())));
  return ProgressLine(meter, c.err, StandardErrorIsTerminal());
}

Result Split(const Context& c) {
  long long left = c.o.daysBack;
  DayReport report{c.o.id, c.days[0], {}, std::nullopt};
  const SplitTraceResult result = TraceSplitMessage(
      c.server, c.o.id, c.days[0], [&](const Date&) { return left-- > 0; }, report.findings);
  report.day = result.day;
  if (!result.found) {
    report.message = "Could not find the start point in the logs for this message for date " +
                     c.format.Format(result.day) + ".";
  }
  return SplitResult{std::move(report)};
}

Result Search(const Context& c) {
  SearchResult result{c.range, c.days, {}, std::nullopt, false};
  std::vector<OriginList> lists;
  ReadMeter meter;
  const ProgressLine progress = ShowProgress(c, c.o.connector, meter);
  const SearchOutcome outcome = SearchOriginsOverDays(c.server, c.days, c.o.connector, c.o.sender,
                                                      c.o.recipient, c.o.backtrace, lists, &meter);
  for (const OriginList& list : lists) result.rows.push_back(list.rows());
  result.message = TextOf(outcome.message);
  result.usage = outcome.focusSender;
  return result;
}

Result Trace(const Context& c) {
  return TraceResult{Day(
      c, c.days[0], TraceMessage(c.server, c.format, LogDateOf(c.days[0]), c.o.id, c.o.backtrace))};
}

// One day's object even without the message's lines; of a range, the days that have them.
Result Show(const Context& c) {
  ShowResult result{c.range, {}, std::nullopt};
  ReadMeter meter;
  const ProgressLine progress = ShowProgress(c, "SMTP", meter);
  RangeShowOutcome outcome = ShowTransactionOverDays(c.server, c.days, c.o.id, &meter);
  for (std::size_t d = 0; d < c.days.size(); ++d) {
    if (outcome.days[d].showReport || !c.range) {
      result.days.push_back(Day(c, c.days[d], std::move(outcome.days[d])));
    }
  }
  result.message = TextOf(outcome.message);
  return result;
}

Result Dates(const Context& c) {
  return DatesResult{c.o.connector, ListAvailableDates(c.server, c.o.connector)};
}

Result Check(const Context& c) {
  return CheckResult{StartUpCheck(c.settings)};
}

Result Story(const Context& c) {
  StoryReport result{TellStory(c.server, c.o.id, c.days[0], c.o.days, c.o.storyDaysBack),
                     std::nullopt};
  if (!result.story.Found()) {
    result.message = "Nothing in the logs of " + LogDateOf(result.story.first) + " to " +
                     LogDateOf(result.story.last) + " names message " + c.o.id + ".";
  }
  return result;
}

int Report(const Context& c, std::ostream& out, std::ostream& err) {
  return RunReport(c.server, c.days, ReportOptions{c.o.top, c.o.json, c.o.html, c.o.redact}, out,
                   err);
}

constexpr std::array<Command, 8> kCommands = {{
    {"split", "List the per-domain copies of a message and their delivery lines", false,
     [](CLI::App& c, Options& o) {
       Id(c, o);
       c.add_option("--date", o.date, "The first day to search, as YYMMDD (default: today)");
       c.add_option("--days-back", o.daysBack, "How many earlier days to search at most")
           ->check(CLI::NonNegativeNumber);
       JsonAndRedact(c, o);
     },
     Split},
    {"search", "Find origins by sender or recipient text", true,
     [](CLI::App& c, Options& o) {
       c.add_option("--date", o.date, kRangeHelp)->required();
       Connector(c, o);
       c.add_option("--sender", o.sender, "Text the sender contains (any letter case)");
       c.add_option("--recipient", o.recipient, "Text a recipient contains (any letter case)");
       c.add_flag("--backtrace", o.backtrace, "Search outbound instead of inbound transactions");
       JsonAndRedact(c, o);
     },
     Search},
    {"trace", "Trace an origin through the server's queues", false,
     [](CLI::App& c, Options& o) {
       c.add_option("--date", o.date, "The log date, YYMMDD")->required();
       c.add_flag("--backtrace", o.backtrace, "Trace backwards from the SMTP outbound queue");
       Id(c, o);
       JsonAndRedact(c, o);
     },
     Trace},
    {"show", "Show an origin's SMTP transaction lines", true,
     [](CLI::App& c, Options& o) {
       c.add_option("--date", o.date, kRangeHelp)->required();
       Id(c, o);
       JsonAndRedact(c, o);
     },
     Show},
    {"dates", "List the days that have activity logs", false,
     [](CLI::App& c, Options& o) {
       Connector(c, o);
       c.add_flag("--json", o.json, "Print one JSON value (schema in the README)");
     },
     Dates},
    {"check", "Warn about logging switched off on the server", false,
     [](CLI::App& c, Options& o) {
       c.add_flag("--json", o.json, "Print one JSON value (schema in the README)");
     },
     Check},
    {"story", "Everything the logs tell of a message and its copies, from any hop's ID", false,
     [](CLI::App& c, Options& o) {
       Id(c, o, "The message ID at any hop");
       c.add_option("--date", o.date, "The first day, as YYMMDD (default: today)");
       c.add_option("--days", o.days, "How many following days to read too (default: 2)")
           ->check(CLI::Range(0LL, 400LL));
       c.add_option("--days-back", o.storyDaysBack,
                    "How many earlier days the walk back may read (default: 2, at most 400)")
           ->check(CLI::Range(0LL, kMaxStoryDaysBack));
       JsonAndRedact(c, o);
     },
     Story},
    {"report", "The mail flow at a glance: totals, traffic per hour, delays, top lists", true,
     [](CLI::App& c, Options& o) {
       c.add_option("--date", o.date,
                    "The day YYMMDD or the days FROM..TO (at most 400; default: today)");
       c.add_option("--top", o.top, "Rows of each top list (default: 10)")
           ->check(CLI::Range(1, 1000));
       c.add_flag("--html", o.html, "Print a self-contained HTML page");
       JsonAndRedact(c, o);
     },
     nullptr, Report},
}};

// The command once its options are read: the settings opened, the dates checked, the result
// redacted when asked and printed.
int Run(const Command& command, const CLI::App& sub, const Options& o, std::ostream& out,
        std::ostream& err) {
  std::string error;
  const auto usage = [&](std::string_view what) {
    err << "rqtrace: " << what << error << '\n';
    return kExitUsage;
  };
  std::vector<PathMapping> mappings;
  if (!ParseMappings(o.maps, mappings, error)) return usage("");
  const std::unique_ptr<SettingsStore> settings = OpenSettings(o.settings, error);
  if (!settings) return usage("");
  const Server server(*settings, std::move(mappings));
  const DateFormat format = DateFormat::FromUserLocale();
  Context context{*settings, server, format, o, {TodayLocal()}, false, err};
  const CLI::Option* date = sub.get_option_no_throw("--date");
  if (date != nullptr && date->count() > 0) {
    if (!ParseDays(o.date, command.ranges, context.days, error)) return usage("--date: ");
    context.range = o.date.find("..") != std::string::npos;
  }
  Redactor redactor;
  try {
    if (command.print != nullptr) return command.print(context, out, err);
    Result result = command.run(context);
    // Redacted field by field before printing, so that one value keeps one placeholder
    // throughout and the JSON stays JSON.
    if (o.redact) Redact(result, redactor);
    const int status = ExitStatusOf(result);
    if (status != kExitUsage) out << (o.json ? Json(result).dump(2) + "\n" : Text(result));
    if (const std::optional<std::string> message = MessageOf(result)) err << *message << '\n';
    return status;
  } catch (const ReadError& e) {
    const std::string text =
        std::string("rqtrace: a log could not be read to its end: ") + e.what();
    err << (o.redact ? redactor.Redact(text) : text) << '\n';
    return kExitReadError;
  }
}

int Parse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  CLI::App app{
      "Traces messages through the queues of a Ravenquill mail server from its settings "
      "and logs.",
      "rqtrace"};
  app.set_version_flag("--version", VersionText("rqtrace"));
  // Set before the commands are added: each command's help inherits it.
  app.footer(std::string(kLicenceLine));
  app.add_option("--settings", o.settings,
                 "The server's settings: a .reg file exported from its registry "
                 "(default: $RQTRACKER_SETTINGS)");
  app.add_option("--map", o.maps, "WINPATH=DIR: read directories under WINPATH from DIR")
      ->take_all();
  app.require_subcommand(1);
  std::array<CLI::App*, kCommands.size()> subs{};
  for (std::size_t i = 0; i < kCommands.size(); ++i) {
    subs[i] = app.add_subcommand(kCommands[i].name, kCommands[i].help);
    kCommands[i].options(*subs[i], o);
  }
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? kExitOk : kExitUsage;
  }
  for (std::size_t i = 0; i < kCommands.size(); ++i) {
    if (*subs[i]) return Run(kCommands[i], *subs[i], o, out, err);
  }
  return kExitUsage;
}

}  // namespace

// Nothing escapes: any other failure is the command's error.
int RunRqtrace(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return Parse(args, out, err);
  } catch (const std::exception& e) {
    err << "rqtrace: " << e.what() << '\n';
    return kExitUsage;
  }
}

}  // namespace rq
