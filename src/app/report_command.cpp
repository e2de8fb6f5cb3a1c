#include "app/report_command.h"

#include "app/commands.h"
#include "app/program_support.h"

namespace rq {
namespace {

void RedactTop(std::vector<TopEntry>& rows, Redactor& r,
               std::string (Redactor::*verb)(std::string_view)) {
  for (TopEntry& e : rows) e.name = (r.*verb)(e.name);
}

}  // namespace

std::string FlowTwoDigits(long long n) {
  return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

// Built from std::to_string rather than printf formats, which differ between C libraries.
std::string FlowDuration(long long ms) {
  const auto n = [](long long v) { return std::to_string(v); };
  if (ms < 1000) return n(ms) + "ms";
  if (ms < 60000) return n(ms / 1000) + "." + n(ms % 1000 / 100) + "s";
  if (ms < 3600000) return n(ms / 60000) + "m" + FlowTwoDigits(ms / 1000 % 60) + "s";
  if (ms < 86400000) return n(ms / 3600000) + "h" + FlowTwoDigits(ms / 60000 % 60) + "m";
  return n(ms / 86400000) + "d" + FlowTwoDigits(ms / 3600000 % 24) + "h";
}

std::string FlowRangeText(const FlowReport& report) {
  const std::string first = LogDateOf(report.days.front().day);
  const std::string last = LogDateOf(report.days.back().day);
  return first == last ? first : first + ".." + last;
}

std::string FlowStoryCommand(const SlowMessage& message) {
  return "rqtrace story " + message.id + " --date " + LogDateOf(message.received) + " --days " +
         std::to_string(message.lastDay);
}

void RedactFlowReport(FlowReport& report, Redactor& redactor) {
  for (const SlowMessage& m : report.slowest) redactor.Keep(m.id);
  for (const UnroutedMessage& m : report.unrouted) redactor.Keep(m.id);
  for (const TopEntry& e : report.retriedDomains) redactor.Keep(e.example);
  RedactTop(report.senderDomains, redactor, &Redactor::DomainName);
  RedactTop(report.recipientDomains, redactor, &Redactor::DomainName);
  RedactTop(report.copyDomains, redactor, &Redactor::DomainName);
  RedactTop(report.retriedDomains, redactor, &Redactor::DomainName);
  RedactTop(report.remoteAddresses, redactor, &Redactor::IpAddress);
}

int RunReport(const Server& server, const std::vector<Date>& days, const ReportOptions& options,
              std::ostream& out, std::ostream& err) {
  if (options.json && options.html) {
    err << "rqtrace: report: --json and --html exclude each other\n";
    return kExitUsage;
  }
  FlowReport report = BuildFlowReport(server, days, options.top);
  if (!report.AnyLog()) {
    err << "No log of the routing agent or the SMTP or postoffice connector for "
        << FlowRangeText(report) << ".\n";
    return kExitNothingFound;
  }
  if (options.redact) {
    Redactor redactor;
    RedactFlowReport(report, redactor);
  }
  if (options.json) {
    PrintFlowJson(report, options.top, out);
  } else if (options.html) {
    PrintFlowHtml(report, out);
  } else {
    PrintFlowText(report, out);
  }
  return kExitOk;
}

}  // namespace rq
