// The flow report as one self-contained HTML page: inline style, inline SVG charts, no script and
// nothing fetched, so that it opens offline on the server and prints readably.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/report_command.h"
#include "base/codepage.h"

namespace rq {
namespace {

// Text from the logs or of ours, safe in HTML and SVG text and attributes.
std::string Esc(std::string_view bytes) {
  const std::string text = ToUtf8Display(bytes);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        // Control bytes from a log would make the page invalid or odd: shown as '?'.
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
  }
  return out;
}

std::string Fixed(double v) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// The smallest of 1, 2, 2.5 or 5 times a power of ten, times 4 (the grid lines), at or above n.
long long NiceCeiling(long long n) {
  for (long long power = 1;; power *= 10) {
    for (const long long step : {power, 2 * power, 5 * power / 2, 5 * power}) {
      if (step * 4 >= n && step > 0) return step * 4;
    }
  }
}

// A tick of the delay axis: 1s, 10s, 1m, 10m, 1h, 6h, 1d, 1w.
std::string TickLabel(long long ms) {
  if (ms < 60000) return std::to_string(ms / 1000) + "s";
  if (ms < 3600000) return std::to_string(ms / 60000) + "m";
  if (ms < 86400000) return std::to_string(ms / 3600000) + "h";
  if (ms < 604800000) return std::to_string(ms / 86400000) + "d";
  return std::to_string(ms / 604800000) + "w";
}

constexpr const char* kSeriesColours[kFlowSeries] = {"#2f6db5", "#59a14f", "#f28e2b", "#8c6bb1"};

constexpr const char* kStyle = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;color:#1d232b;
background:#f4f6f8;margin:0}
main{max-width:1040px;margin:0 auto;padding:24px 28px 40px}
h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:0 0 10px}
.sub{color:#5a6472;margin:0 0 18px}
section{background:#fff;border:1px solid #dde2e8;border-radius:6px;padding:16px 18px;
margin:0 0 16px;break-inside:avoid}
.cards{display:grid;grid-template-columns:repeat(4,1fr);gap:10px;margin:0 0 16px}
.card{background:#fff;border:1px solid #dde2e8;border-radius:6px;padding:10px 12px}
.card b{display:block;font-size:22px;font-variant-numeric:tabular-nums}
.card span{color:#5a6472;font-size:12px;text-transform:uppercase;letter-spacing:.04em}
.card.warn b{color:#b3261e}
table{border-collapse:collapse;width:100%;font-variant-numeric:tabular-nums}
th,td{padding:4px 8px;border-bottom:1px solid #e6e9ee;text-align:right;white-space:nowrap}
th{background:#eef1f5;font-weight:600}th:first-child,td:first-child{text-align:left}
td.l,th.l{text-align:left}code{font:12px ui-monospace,Consolas,monospace;background:#f1f3f6;
padding:1px 4px;border-radius:3px}
.grid{display:grid;grid-template-columns:1fr 1fr;gap:16px;margin:0 0 16px}
.grid section{margin:0}
.legend span{display:inline-block;margin-right:14px;font-size:12px}
.legend i{display:inline-block;width:10px;height:10px;margin-right:5px;border-radius:2px}
.note{color:#5a6472;font-size:12px;margin:6px 0 0}
svg{width:100%;height:auto;display:block}svg text{font:11px system-ui,Arial,sans-serif;fill:#3a4350}
@media print{body{background:#fff;font-size:11px}main{padding:0;max-width:none}
section,.card{border-color:#999;border-radius:0}th{background:#eee}
.grid{grid-template-columns:1fr 1fr}a{color:inherit}}
@media (max-width:720px){.grid,.cards{grid-template-columns:1fr 1fr}}
)";

void Card(std::ostream& out, const std::string& label, const std::string& value, bool warn) {
  out << "<div class=\"card" << (warn ? " warn" : "") << "\"><b>" << Esc(value) << "</b><span>"
      << Esc(label) << "</span></div>\n";
}

void HourChart(const FlowReport& r, std::ostream& out) {
  const FlowCounts& t = r.total;
  long long most = 1;
  for (std::size_t h = 0; h < 24; ++h) {
    long long sum = 0;
    for (std::size_t s = 0; s < kFlowSeries; ++s) sum += t.hours[s][h];
    most = std::max(most, sum);
  }
  most = NiceCeiling(most);
  const double left = 48, top = 10, width = 700, height = 200, slot = width / 24;
  out << "<svg viewBox=\"0 0 760 240\" role=\"img\" aria-label=\"Traffic per hour\">\n";
  for (int g = 0; g <= 4; ++g) {
    const double y = top + height - height * g / 4;
    out << "<line x1=\"" << left << "\" x2=\"" << left + width << "\" y1=\"" << Fixed(y)
        << "\" y2=\"" << Fixed(y) << "\" stroke=\"#e3e7ec\"/>"
        << "<text x=\"" << left - 6 << "\" y=\"" << Fixed(y + 4) << "\" text-anchor=\"end\">"
        << most * g / 4 << "</text>\n";
  }
  for (std::size_t h = 0; h < 24; ++h) {
    double y = top + height;
    for (std::size_t s = 0; s < kFlowSeries; ++s) {
      const long long n = t.hours[s][h];
      if (n == 0) continue;
      const double bar = height * static_cast<double>(n) / static_cast<double>(most);
      y -= bar;
      out << "<rect x=\"" << Fixed(left + slot * static_cast<double>(h) + 3) << "\" y=\""
          << Fixed(y) << "\" width=\"" << Fixed(slot - 6) << "\" height=\"" << Fixed(bar)
          << "\" fill=\"" << kSeriesColours[s] << "\"><title>" << h << ":00 " << kFlowSeriesNames[s]
          << ": " << n << "</title></rect>\n";
    }
    const std::string label = FlowTwoDigits(static_cast<long long>(h));
    out << "<text x=\"" << Fixed(left + slot * (static_cast<double>(h) + 0.5)) << "\" y=\""
        << top + height + 16 << "\" text-anchor=\"middle\">" << label << "</text>\n";
  }
  out << "</svg>\n<p class=\"legend\">";
  for (std::size_t s = 0; s < kFlowSeries; ++s) {
    out << "<span><i style=\"background:" << kSeriesColours[s] << "\"></i>" << kFlowSeriesNames[s]
        << "</span>";
  }
  out << "</p>\n";
}

// Delays on a logarithmic axis from 100 ms to the largest maximum (at least an hour).
void DelayChart(const FlowReport& r, std::ostream& out) {
  const auto& delays = r.total.delays;
  long long most = 3600000;
  for (const DelayStats& d : delays) most = std::max(most, d.max);
  const double low = 100, left = 150, width = 580, row = 30;
  const auto x = [&](long long ms) {
    const double v = std::max(static_cast<double>(ms), low);
    return left + width * std::log10(v / low) / std::log10(static_cast<double>(most) / low);
  };
  const double height = row * kFlowSteps + 30;
  out << "<svg viewBox=\"0 0 760 " << height << "\" role=\"img\" aria-label=\"Delays per step\">\n";
  const long long ticks[] = {1000, 10000, 60000, 600000, 3600000, 21600000, 86400000, 604800000};
  for (const long long t : ticks) {
    if (t > most) break;
    out << "<line x1=\"" << Fixed(x(t)) << "\" x2=\"" << Fixed(x(t)) << "\" y1=\"4\" y2=\""
        << row * kFlowSteps + 4 << "\" stroke=\"#e3e7ec\"/><text x=\"" << Fixed(x(t)) << "\" y=\""
        << row * kFlowSteps + 20 << "\" text-anchor=\"middle\">" << TickLabel(t) << "</text>\n";
  }
  const char* shades[3] = {"#c6d9ef", "#7fa8d8", "#2f6db5"};
  for (std::size_t s = 0; s < kFlowSteps; ++s) {
    const DelayStats& d = delays[s];
    const double y = 8 + row * static_cast<double>(s);
    out << "<text x=\"" << left - 8 << "\" y=\"" << Fixed(y + 15) << "\" text-anchor=\"end\">"
        << kFlowStepNames[s] << "</text>\n";
    if (d.count == 0) {
      out << "<text x=\"" << left + 4 << "\" y=\"" << Fixed(y + 15) << "\">no data</text>\n";
      continue;
    }
    const long long values[3] = {d.p99, d.p90, d.p50};
    const char* names[3] = {"p99", "p90", "p50"};
    for (int i = 0; i < 3; ++i) {
      out << "<rect x=\"" << left << "\" y=\"" << Fixed(y) << "\" width=\""
          << Fixed(std::max(1.0, x(values[i]) - left)) << "\" height=\"20\" fill=\"" << shades[i]
          << "\"><title>" << names[i] << " " << FlowDuration(values[i]) << "</title></rect>\n";
    }
    out << "<line x1=\"" << Fixed(x(d.max)) << "\" x2=\"" << Fixed(x(d.max)) << "\" y1=\""
        << Fixed(y - 2) << "\" y2=\"" << Fixed(y + 22)
        << "\" stroke=\"#b3261e\" stroke-width=\"2\">"
        << "<title>max " << FlowDuration(d.max) << "</title></line>\n";
  }
  out << "</svg>\n<p class=\"legend\"><span><i style=\"background:#2f6db5\"></i>p50</span>"
         "<span><i style=\"background:#7fa8d8\"></i>p90</span><span><i style=\"background:"
         "#c6d9ef\"></i>p99</span><span><i style=\"background:#b3261e\"></i>max</span>"
         " all days, logarithmic scale</p>\n";
}

// Bars of a top list, drawn `box` units wide (the section's width at 1 unit per pixel).
void TopChart(const char* title, const std::vector<TopEntry>& rows, std::ostream& out,
              double box = 480) {
  out << "<section><h2>" << Esc(title) << "</h2>\n";
  if (rows.empty()) {
    out << "<p class=\"note\">None in the range.</p></section>\n";
    return;
  }
  const long long most = std::max<long long>(1, rows.front().count);
  const double row = 22, labelWidth = 190,
               width = box - labelWidth - 150;  // room for the count after the bar
  out << "<svg viewBox=\"0 0 " << box << ' ' << row * static_cast<double>(rows.size()) + 4
      << "\" role=\"img\" aria-label=\"" << Esc(title) << "\">\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TopEntry& e = rows[i];
    const double y = 2 + row * static_cast<double>(i);
    std::string name = e.name.size() > 30 ? e.name.substr(0, 29) + "~" : e.name;
    const double bar = width * static_cast<double>(e.count) / static_cast<double>(most);
    out << "<text x=\"" << labelWidth - 6 << "\" y=\"" << Fixed(y + 14) << "\" text-anchor=\"end\">"
        << Esc(name) << "<title>" << Esc(e.name) << "</title></text><rect x=\"" << labelWidth
        << "\" y=\"" << Fixed(y + 3) << "\" width=\"" << Fixed(std::max(1.0, bar))
        << "\" height=\"14\" fill=\"#2f6db5\"/>"
        << "<text x=\"" << Fixed(labelWidth + bar + 6) << "\" y=\"" << Fixed(y + 14) << "\">"
        << e.count << (e.example.empty() ? "" : " (e.g. " + Esc(e.example) + ")") << "</text>\n";
  }
  out << "</svg></section>\n";
}

void DayTable(const FlowReport& r, std::ostream& out) {
  out << "<section><h2>Per day</h2><table><tr><th>day</th><th>received</th><th>routed</th>"
         "<th>never routed</th><th>split</th><th>copies</th><th>outbound</th></tr>\n";
  const auto row = [&](const std::string& label, const FlowCounts& c, bool judged) {
    out << "<tr><td>" << label << "</td><td>" << c.received << "</td><td>" << c.routed
        << "</td><td>" << (judged ? std::to_string(c.neverRouted) : "not judged") << "</td><td>"
        << c.split << "</td><td>" << c.copies << "</td><td>" << c.outbound << "</td></tr>\n";
  };
  for (const FlowDay& d : r.days) {
    if (!d.AnyLog()) {
      out << "<tr><td>" << LogDateOf(d.day)
          << "</td><td class=\"l\" colspan=\"6\">no logs</td></tr>\n";
      continue;
    }
    row(LogDateOf(d.day), d.counts, d.unroutedJudged);
  }
  if (r.days.size() > 1) row("<b>total</b>", r.total, true);
  out << "</table>\n<p class=\"note\">";
  for (const auto& [code, n] : r.total.receivedBy)
    out << "received via " << Esc(code) << ": " << n << " &middot; ";
  for (const auto& [code, n] : r.total.routedTo)
    out << "routed to " << Esc(code) << ": " << n << " &middot; ";
  out << "split into 1 / 2-5 / 6-20 / more copies: ";
  for (std::size_t i = 0; i < 4; ++i) out << (i > 0 ? " / " : "") << r.total.copiesPerMessage[i];
  out << "</p></section>\n";
}

void DelayTable(const FlowReport& r, std::ostream& out) {
  out << "<table><tr><th>day</th><th class=\"l\">step</th><th>count</th><th>p50</th><th>p90</th>"
         "<th>p99</th><th>max</th></tr>\n";
  const auto rows = [&](const std::string& label, const FlowCounts& c) {
    for (std::size_t s = 0; s < kFlowSteps; ++s) {
      const DelayStats& d = c.delays[s];
      out << "<tr><td>" << (s == 0 ? label : "") << "</td><td class=\"l\">" << kFlowStepNames[s]
          << "</td><td>" << d.count << "</td>";
      if (d.count > 0) {
        out << "<td>" << FlowDuration(d.p50) << "</td><td>" << FlowDuration(d.p90) << "</td><td>"
            << FlowDuration(d.p99) << "</td><td>" << FlowDuration(d.max) << "</td>";
      } else {
        out << "<td></td><td></td><td></td><td></td>";
      }
      out << "</tr>\n";
    }
  };
  for (const FlowDay& d : r.days) {
    if (d.AnyLog()) rows(LogDateOf(d.day), d.counts);
  }
  if (r.days.size() > 1) rows("all days", r.total);
  out << "</table>\n";
}

}  // namespace

void PrintFlowHtml(const FlowReport& r, std::ostream& out) {
  const std::string range = FlowRangeText(r);
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
         "<title>Mail flow "
      << range << "</title><style>" << kStyle << "</style></head><body><main>\n";
  out << "<h1>Mail flow " << range << "</h1><p class=\"sub\">" << r.days.size()
      << (r.days.size() == 1 ? " day" : " days")
      << " of the routing agent's and the SMTP and postoffice connectors' logs; times are the "
         "logs' own.</p>\n<div class=\"cards\">\n";
  const FlowCounts& t = r.total;
  Card(out, "received", std::to_string(t.received), false);
  Card(out, "routed", std::to_string(t.routed), false);
  Card(out, "never routed", std::to_string(t.neverRouted), t.neverRouted > 0);
  Card(out, "copies made", std::to_string(t.copies), false);
  Card(out, "outbound conversations", std::to_string(t.outbound), false);
  Card(out, "copies retried", std::to_string(r.retriedCopies), r.retriedCopies > 0);
  Card(out, "waiting in inbound now", r.waitingNow < 0 ? "?" : std::to_string(r.waitingNow),
       r.waitingNow > 0);
  Card(out, "end to end p90",
       t.delays[kStepEndToEnd].count > 0 ? FlowDuration(t.delays[kStepEndToEnd].p90) : "-", false);
  out << "</div>\n<section><h2>Traffic per hour" << (r.days.size() > 1 ? " (all days)" : "")
      << "</h2>\n";
  HourChart(r, out);
  out << "</section>\n";
  DayTable(r, out);
  out << "<section><h2>Delays</h2>\n";
  DelayChart(r, out);
  DelayTable(r, out);
  if (r.outOfOrder > 0) {
    out << "<p class=\"note\">" << r.outOfOrder
        << " delay(s) left out: the later step's line has an earlier time.</p>\n";
  }
  out << "</section>\n<section><h2>Slowest messages</h2>\n";
  if (r.slowest.empty()) {
    out << "<p class=\"note\">None delivered in the range.</p>\n";
  } else {
    out << "<table><tr><th>end to end</th><th class=\"l\">message ID</th><th>received</th>"
           "<th class=\"l\">story</th></tr>\n";
    for (const SlowMessage& m : r.slowest) {
      out << "<tr><td>" << FlowDuration(m.delay) << "</td><td class=\"l\"><code>" << Esc(m.id)
          << "</code></td><td>" << LogDateOf(m.received) << "</td><td class=\"l\"><code>"
          << Esc(FlowStoryCommand(m)) << "</code></td></tr>\n";
    }
    out << "</table>\n";
  }
  out << "</section>\n";
  if (t.neverRouted > 0) {
    out << "<section><h2>Never routed (" << t.neverRouted
        << ")</h2><table><tr>"
           "<th class=\"l\">message ID</th><th>received</th><th class=\"l\">now</th></tr>\n";
    for (const UnroutedMessage& m : r.unrouted) {
      out << "<tr><td><code>" << Esc(m.id) << "</code></td><td>" << LogDateOf(m.received)
          << "</td><td class=\"l\">" << (m.waiting ? "waiting in the inbound queue" : "")
          << "</td></tr>\n";
    }
    out << "</table></section>\n";
  }
  out << "<div class=\"grid\">\n";
  TopChart("Top sender domains", r.senderDomains, out);
  TopChart("Top recipient domains", r.recipientDomains, out);
  TopChart("Top remote addresses (inbound)", r.remoteAddresses, out);
  TopChart("Top copy target domains", r.copyDomains, out);
  out << "</div>\n";
  TopChart("Retried destinations: copies with more than one conversation or day", r.retriedDomains,
           out, 980);
  if (r.skippedLines > 0) {
    out << "<p class=\"note\">" << r.skippedLines
        << " tagged log line(s) could not be read and were left out.</p>\n";
  }
  out << "</main></body></html>\n";
}

}  // namespace rq
