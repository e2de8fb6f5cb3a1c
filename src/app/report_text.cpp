// The flow report as plain text, aligned in columns, in the manner of a daily mail summary.
#include <algorithm>
#include <string>

#include "app/report_command.h"

namespace rq {
namespace {

// A name from a log, safe on a terminal: control bytes become '?'.
std::string Shown(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) c = '?';
  }
  return out;
}

std::string Right(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Left(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Num(long long n) {
  return std::to_string(n);
}

const char* kWeekdays[7] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};

std::string DayLabel(const Date& d) {
  const long long n = DaysFromCivil(d.year, d.month, d.day);
  return LogDateOf(d) + " " + kWeekdays[((n % 7) + 7) % 7];
}

void Totals(const FlowReport& r, std::ostream& out) {
  out << "Totals\n";
  const std::string head = Left("  day", 14) + Right("received", 10) + Right("routed", 9) +
                           Right("unrouted", 10) + Right("split", 8) + Right("copies", 9) +
                           Right("outbound", 10);
  out << head << '\n';
  const auto row = [&](const std::string& label, const FlowCounts& c) {
    out << Left("  " + label, 14) << Right(Num(c.received), 10) << Right(Num(c.routed), 9)
        << Right(Num(c.neverRouted), 10) << Right(Num(c.split), 8) << Right(Num(c.copies), 9)
        << Right(Num(c.outbound), 10) << '\n';
  };
  for (const FlowDay& d : r.days) {
    if (!d.AnyLog()) {
      out << Left("  " + DayLabel(d.day), 14) << "  no logs\n";
      continue;
    }
    row(DayLabel(d.day), d.counts);
    if (!d.unroutedJudged) {
      out << "                (a routing log from this day on is missing: unrouted not judged)\n";
    }
  }
  if (r.days.size() > 1) row("total", r.total);
  const FlowCounts& t = r.total;
  out << '\n';
  for (const auto& [code, n] : t.receivedBy) {
    out << "  " << Left("received via " + Shown(code), 30) << Right(Num(n), 10) << '\n';
  }
  for (const auto& [code, n] : t.routedTo) {
    out << "  " << Left("routed to " + Shown(code), 30) << Right(Num(n), 10) << '\n';
  }
  for (std::size_t i = 0; i < 4; ++i) {
    out << "  " << Left(std::string("split into ") + kCopyBuckets[i] + " copies", 30)
        << Right(Num(t.copiesPerMessage[i]), 10) << '\n';
  }
  out << "  " << Left("copies retried", 30) << Right(Num(r.retriedCopies), 10) << '\n';
  out << "  " << Left("copies never sent", 30) << Right(Num(r.copiesWithoutConversation), 10)
      << '\n';
  out << "  " << Left("waiting in SMTP inbound now", 30)
      << Right(r.waitingNow < 0 ? "unknown" : Num(r.waitingNow), 10) << "\n\n";
}

void Hours(const FlowReport& r, std::ostream& out) {
  out << "Per hour" << (r.days.size() > 1 ? " (all days)" : "") << '\n';
  out << Left("  hour", 8);
  for (const char* name : kFlowSeriesNames) out << Right(name, 10);
  out << '\n';
  long long most = 1;
  for (std::size_t h = 0; h < 24; ++h) most = std::max(most, r.total.hours[kSeriesReceived][h]);
  for (std::size_t h = 0; h < 24; ++h) {
    out << Left("  " + FlowTwoDigits(static_cast<long long>(h)), 8);
    for (std::size_t s = 0; s < kFlowSeries; ++s) out << Right(Num(r.total.hours[s][h]), 10);
    const long long n = r.total.hours[kSeriesReceived][h];
    out << "  " << std::string(static_cast<std::size_t>((n * 30 + most - 1) / most), '#') << '\n';
  }
  out << '\n';
}

void DelayRows(const std::array<DelayStats, kFlowSteps>& delays, std::ostream& out) {
  for (std::size_t s = 0; s < kFlowSteps; ++s) {
    const DelayStats& d = delays[s];
    out << "    " << Left(kFlowStepNames[s], 24) << Right(Num(d.count), 8);
    if (d.count > 0) {
      out << Right(FlowDuration(d.p50), 9) << Right(FlowDuration(d.p90), 9)
          << Right(FlowDuration(d.p99), 9) << Right(FlowDuration(d.max), 9);
    }
    out << '\n';
  }
}

void Delays(const FlowReport& r, std::ostream& out) {
  out << "Delays (by the logs' times)\n";
  out << "    " << Left("step", 24) << Right("count", 8) << Right("p50", 9) << Right("p90", 9)
      << Right("p99", 9) << Right("max", 9) << '\n';
  for (const FlowDay& d : r.days) {
    if (!d.AnyLog()) continue;
    out << "  " << DayLabel(d.day) << '\n';
    DelayRows(d.counts.delays, out);
  }
  if (r.days.size() > 1) {
    out << "  all days\n";
    DelayRows(r.total.delays, out);
  }
  if (r.outOfOrder > 0) {
    out << "  " << r.outOfOrder
        << " delay(s) left out: the later step's line has an earlier time\n";
  }
  out << '\n';
}

void Slowest(const FlowReport& r, std::ostream& out) {
  out << "Slowest messages\n";
  if (r.slowest.empty()) out << "  none delivered in the range\n";
  for (const SlowMessage& m : r.slowest) {
    out << "  " << Right(FlowDuration(m.delay), 7) << "  " << Left(Shown(m.id), 14) << "  "
        << FlowStoryCommand(m) << '\n';
  }
  out << '\n';
  if (r.total.neverRouted > 0) {
    out << "Never routed (" << r.total.neverRouted << ")\n";
    for (const UnroutedMessage& m : r.unrouted) {
      out << "  " << Left(Shown(m.id), 14) << "  received " << LogDateOf(m.received)
          << (m.waiting ? "  waiting in the inbound queue" : "") << '\n';
    }
    out << '\n';
  }
}

void TopList(const char* title, const std::vector<TopEntry>& rows, std::ostream& out) {
  out << title << '\n';
  if (rows.empty()) out << "  none\n";
  for (const TopEntry& e : rows) {
    out << "  " << Right(Num(e.count), 8) << "  " << Shown(e.name);
    if (!e.example.empty()) out << "  (e.g. " << Shown(e.example) << ')';
    out << '\n';
  }
  out << '\n';
}

}  // namespace

void PrintFlowText(const FlowReport& r, std::ostream& out) {
  out << "Mail flow report " << FlowRangeText(r) << " (" << r.days.size()
      << (r.days.size() == 1 ? " day" : " days") << ")\n\n";
  Totals(r, out);
  Hours(r, out);
  Delays(r, out);
  Slowest(r, out);
  TopList("Top sender domains", r.senderDomains, out);
  TopList("Top recipient domains", r.recipientDomains, out);
  TopList("Top remote addresses (inbound)", r.remoteAddresses, out);
  TopList("Top copy target domains", r.copyDomains, out);
  TopList("Retried destinations (copies with more than one conversation or day)", r.retriedDomains,
          out);
  if (r.skippedLines > 0) {
    out << r.skippedLines << " tagged log line(s) could not be read and were left out.\n";
  }
}

}  // namespace rq
