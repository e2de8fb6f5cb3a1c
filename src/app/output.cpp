#include "app/output.h"

#include <array>

#include "app/program_support.h"
#include "base/codepage.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// The connector's name, or its code where it has none.
std::string QueueName(std::string_view code) {
  std::string name = GetConnectorFriendlyName(code);
  return name.empty() ? std::string(code) : name;
}

std::string Utf8(std::string_view bytes) {
  return ToUtf8Display(bytes);
}

// The log lines of a reader's result (each followed by CR LF) one by one.
template <class F>
void EachLine(std::string_view lines, F&& f) {
  for (std::size_t start = 0; start < lines.size();) {
    std::size_t end = lines.find(kCrLf, start);
    if (end == std::string_view::npos) end = lines.size();
    f(lines.substr(start, end - start));
    start = end + 2;
  }
}

nlohmann::json LinesJson(std::string_view lines) {
  nlohmann::json out = nlohmann::json::array();
  EachLine(lines, [&](std::string_view line) { out.push_back(Utf8(line)); });
  return out;
}

// The text with `prefix` before each of its lines; a line ends after each LF, so that a bare LF
// inside a log line starts a line that is led by its day too.
std::string Led(const std::string& prefix, std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t lf = text.find('\n', at);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    out += prefix;
    out.append(text.substr(at, end - at));
    at = end;
  }
  return out;
}

// Each report line is one write, as the windows have always received them.
class ReportPrinter {
 public:
  explicit ReportPrinter(ReportSink& out) : out_(out) {}
  void operator()(const found::Tracing& f) {
    Write("Trace: Tracing message with Message ID [", f.id, "] from the ", f.code,
          f.backtrace ? " Outbound Queue" : " Inbound Queue", kCrLf, kCrLf);
  }
  void operator()(const found::SplitFrom& f) {
    Write("Trace: Message ID [", f.id, "] was split from parent Message ID [", f.parent,
          "] at the ", f.code, " Outbound Queue", kCrLf, kCrLf);
  }
  void operator()(const found::Routed& f) {
    const std::string n = std::to_string(f.count);
    if (f.backtrace) {
      Write("Status: Message ID [", f.id, "] was routed by the MTA to the ", f.code,
            " Outbound Queue from ", n, " Originating queue(s)", kCrLf, kCrLf);
    } else {
      Write("Status: Message ID [", f.id, "] was routed by the MTA from the ", f.code,
            " Inbound Queue to ", n, " destination queue(s)", kCrLf, kCrLf);
    }
  }
  void operator()(const found::Route& f) {
    const RouteEntry& e = f.entry;
    const std::string fn = GetConnectorFriendlyName(e.ConnectorCode);
    if (f.backtrace) {
      Write(e.LogTime, " Queue Route: Message ID [", f.id, "] was routed by the MTA to the ",
            f.code, " Outbound Queue from the ", fn,
            " Inbound Queue with an originating Message ID of [", e.MessageID, "]", kCrLf, kCrLf);
    } else {
      Write(e.LogTime, " Queue Route: Message ID [", f.id, "] was routed by the MTA from the ",
            f.code, " Inbound Queue to the ", fn, " Outbound Queue with a Message ID of [",
            e.MessageID, "]", kCrLf, kCrLf);
    }
  }
  void operator()(const found::ConnectorLine& f) { Write(f.lines, kCrLf); }
  void operator()(const found::PostofficeSilent& f) {
    if (f.backtrace) {
      Write(f.entry.MessageID,
            " seems to have been generated at the postoffice connector inbound queue. The "
            "message was most likely sent by ZazUzez, ZIVERede or it is a system generated "
            "message initiated by the postoffice connector.",
            kCrLf);
    } else {
      Write(f.entry.MessageID,
            " seems to have been delivered to the postoffice connector, but there was no "
            "log entry on ",
            f.dateText, " to indicate that it was delivered to any mailbox.", kCrLf);
    }
  }
  void operator()(const found::Split& f) {
    Write("Fork/Split: Message ID [", f.parent, "] requeued/split into ", std::to_string(f.count),
          " messages for delivery to target domains.", kCrLf);
  }
  void operator()(const found::Queued& f) {
    Write(f.entry.LogTime, " Queued: Message ID [", f.parent,
          "] queued for delivery to the domain [", f.entry.Domain, "] at the ", f.code,
          " Outbound Queue with a new Message ID of [", f.entry.MessageID, "]", kCrLf, kCrLf);
  }
  void operator()(const found::Delivery& f) {
    Write("Status: SMTP Outbound Delivery details for Message ID [", f.entry.MessageID,
          "] to domain [", f.entry.Domain, "] follow below: ", kCrLf);
    Write(f.lines, kCrLf);
  }
  void operator()(const found::DebugDelivery& f) {
    Write(kCrLf, "Debug delivery information for Message ID [", f.parent, "] ", kCrLf);
    Write(f.lines, kCrLf);
  }
  void operator()(const found::Waiting& f) {
    Write("Result: [", f.id, "] is waiting in the ", f.code,
          " inbound message queue to be routed by the MTA Service. This most likely means "
          "that the MTA service has not had sufficient time to route the message or that "
          "there is a problem with the MTA Service.",
          kCrLf);
  }
  void operator()(const found::NotRouted& f) {
    Write("Result: [", f.id, "] was not routed from the ", f.code,
          " inbound message queue by the local MTA Service. This most likely means that the "
          "message was not completely recieved by the connector.",
          kCrLf);
  }
  void operator()(const found::NotThroughQueues& f) {
    Write("Important: Message ID [", f.id,
          "] does not seem to have been routed through Ravenquill queues (an error most "
          "likely occured when receiving this message).",
          kCrLf, kCrLf);
  }
  void operator()(const found::Inbound& f) {
    Write("Status: SMTP Inbound transaction details for Message ID [", f.id,
          "] follow below: ", kCrLf);
    Write(f.lines, kCrLf);
  }
  void operator()(const found::Transaction& f) {
    Write("Status: SMTP transaction details for Message ID [", f.id, "] follow below: ", kCrLf,
          kCrLf);
    if (!f.lines.empty()) Write(f.lines, kCrLf);
  }

 private:
  // One report line, its pieces joined with nothing between them, in one write.
  template <class... Pieces>
  void Write(const Pieces&... pieces) {
    std::string line;
    (line.append(std::string_view(pieces)), ...);
    out_.WriteTraceOutput(line);
  }
  ReportSink& out_;
};

// The findings as the fields of one object: direction, connector, tracedId, splitFrom, result,
// queues, routes [{time, connector, messageId, line, postoffice, copies}], copies [{time, domain,
// messageId, activity, debug}], inbound, messageId and lines.
class JsonBuilder {
 public:
  explicit JsonBuilder(nlohmann::json& out) : o_(out) {}
  void operator()(const found::Tracing& f) {
    o_["direction"] = f.backtrace ? "backward" : "forward";
    o_["connector"] = Utf8(f.code);
    o_["tracedId"] = Utf8(f.id);
  }
  void operator()(const found::SplitFrom& f) { o_["splitFrom"] = Utf8(f.parent); }
  void operator()(const found::Routed& f) {
    o_["result"] = "routed";
    o_["queues"] = f.count;
    o_["routes"] = nlohmann::json::array();
  }
  void operator()(const found::Route& f) {
    o_["routes"].push_back({{"time", Utf8(f.entry.LogTime)},
                            {"connector", Utf8(f.entry.ConnectorCode)},
                            {"messageId", Utf8(f.entry.MessageID)}});
  }
  void operator()(const found::ConnectorLine& f) {
    o_["routes"].back()["line"] = LinesJson(f.lines).at(0);
  }
  void operator()(const found::PostofficeSilent& f) {
    o_["routes"].back()["postoffice"] = f.backtrace ? "generated" : "unlogged";
  }
  void operator()(const found::Split&) { CopyHolder()["copies"] = nlohmann::json::array(); }
  void operator()(const found::Queued& f) {
    CopyHolder()["copies"].push_back({{"time", Utf8(f.entry.LogTime)},
                                      {"domain", Utf8(f.entry.Domain)},
                                      {"messageId", Utf8(f.entry.MessageID)}});
  }
  void operator()(const found::Delivery& f) {
    CopyHolder()["copies"].back()["activity"] = LinesJson(f.lines);
  }
  void operator()(const found::DebugDelivery& f) {
    CopyHolder()["copies"].back()["debug"] = LinesJson(f.lines);
  }
  void operator()(const found::Waiting&) { o_["result"] = "waiting"; }
  void operator()(const found::NotRouted&) { o_["result"] = "notRouted"; }
  void operator()(const found::NotThroughQueues&) {}  // the result already says so
  void operator()(const found::Inbound& f) { o_["inbound"] = LinesJson(f.lines); }
  void operator()(const found::Transaction& f) {
    o_["messageId"] = Utf8(f.id);
    o_["lines"] = LinesJson(f.lines);
  }

 private:
  // Where copies go: the last SMTP route's object in a trace, the top level in a split.
  nlohmann::json& CopyHolder() {
    const auto routes = o_.find("routes");
    if (routes != o_.end() && !routes->empty()) return routes->back();
    return o_;
  }
  nlohmann::json& o_;
};

std::string ReportText(const DayReport& r) {
  if (r.message) return "";
  StringReport report;
  PrintReport(r.findings, report);
  return report.text();
}

nlohmann::json DayJson(const DayReport& r) {
  nlohmann::json out = nlohmann::json::object();
  JsonBuilder builder(out);
  for (const Finding& f : r.findings) std::visit(builder, f);
  out["messageId"] = Utf8(r.messageId);
  out["date"] = LogDateOf(r.day);
  if (r.message) out["message"] = Utf8(*r.message);
  return out;
}

// f(day, origin) for every row of every day, in order.
template <class F>
void EachRow(const SearchResult& r, F&& f) {
  for (std::size_t d = 0; d < r.days.size(); ++d) {
    for (const Origin& origin : r.rows[d]) f(r.days[d], origin);
  }
}

std::string OriginRow(const Origin& origin) {
  return origin.LogTime + '\t' + origin.MessageID + '\t' + origin.sData + '\n';
}

std::string HopHeading(const StoryHop& hop) {
  switch (hop.kind) {
    case HopKind::kInbound:
      return "Inbound: Message ID [" + hop.messageId + "] at the " + QueueName(hop.connector);
    case HopKind::kRouting:
      return "Routing: Message ID [" + hop.messageId + "] by the MTA";
    case HopKind::kQueue:
      return "Queue: Message ID [" + hop.messageId + "] in the " + QueueName(hop.connector) +
             " Outbound Queue";
    case HopKind::kCopy:
      // A copy split before the logs read has neither a known domain nor a known parent.
      return "Copy: Message ID [" + hop.messageId + "]" +
             (hop.domain.empty() ? "" : " for domain [" + hop.domain + "]") +
             (hop.parent.empty() ? ", split before the logs read"
                                 : ", split from [" + hop.parent + "]");
  }
  return "";
}

// The story, one hop after another with its events, LF line ends.
std::string StoryText(const Story& story) {
  std::string out = "Story of Message ID [" + story.askedId + "], logs of " +
                    LogDateOf(story.first) + " to " + LogDateOf(story.last) + "\n";
  if (story.readBackTo) {
    out += "Also read: the debug logs back to " + LogDateOf(*story.readBackTo) +
           ", which name none of its IDs\n";
  }
  if (!story.splitFrom.empty()) {
    out += "[" + story.askedId + "] is a copy split from [" + story.splitFrom + "]\n";
  }
  if (story.result == StoryResult::kOriginEarlier) {
    const std::string earliest = LogDateOf(story.earliestSeen);
    out += "Result: the origin of [" + story.hops.front().messageId + "] ";
    out += story.askDaysBack > 0
               ? "lies before the logs read, which name it from " + earliest + " on: ask with " +
                     AskAgainOptions(story) + "\n"
               : "is in no log kept: the logs name it from " + earliest +
                     " on, and no earlier day has a debug log of the MTA or the SMTP connector\n";
  } else {
    if (story.originId != story.askedId) {
      out += "It came in as Message ID [" + story.originId + "] at the " +
             QueueName(story.originConnector) + "\n";
    }
    // By StoryResult; kOriginEarlier is told above, with the day to ask from.
    static constexpr std::array<const char*, 3> kResults = {
        "routed by the MTA", "not routed; waiting in the SMTP inbound message queue",
        "not routed, and not in the SMTP inbound message queue"};
    out += "Result: [" + story.originId + "] was " +
           kResults.at(static_cast<std::size_t>(story.result)) + "\n";
  }
  for (const StoryHop& hop : story.hops) {
    out += "\n" + HopHeading(hop) + "\n";
    if (hop.events.empty()) out += "  (no log lines)\n";
    // A bare LF inside a log line ends an output line too: its rest is led like an event of its
    // own, so that text a client sent cannot pass for an event line of another log or time.
    for (const StoryEvent& e : hop.events) {
      out += Led("  " + LogDateOf(e.day) + " " + e.time + "  " + e.log + "  ", e.line + "\n");
    }
  }
  return out;
}

nlohmann::json StoryJson(const Story& story) {
  static constexpr std::array<const char*, 4> kKinds = {"inbound", "routing", "queue", "copy"};
  static constexpr std::array<const char*, 4> kResults = {"routed", "waiting", "notRouted",
                                                          "originEarlier"};
  nlohmann::json hops = nlohmann::json::array();
  for (const StoryHop& hop : story.hops) {
    nlohmann::json events = nlohmann::json::array();
    for (const StoryEvent& e : hop.events) {
      events.push_back({{"day", LogDateOf(e.day)},
                        {"time", Utf8(e.time)},
                        {"log", Utf8(e.log)},
                        {"line", Utf8(e.line)}});
    }
    nlohmann::json h = {{"kind", kKinds.at(static_cast<std::size_t>(hop.kind))},
                        {"messageId", Utf8(hop.messageId)},
                        {"connector", Utf8(hop.connector)},
                        {"events", std::move(events)}};
    if (hop.kind == HopKind::kCopy) h["domain"] = Utf8(hop.domain);
    if (!hop.parent.empty()) h["parent"] = Utf8(hop.parent);
    hops.push_back(std::move(h));
  }
  nlohmann::json out = {
      {"messageId", Utf8(story.askedId)},
      {"origin", {{"messageId", Utf8(story.originId)}, {"connector", Utf8(story.originConnector)}}},
      {"firstDay", LogDateOf(story.first)},
      {"lastDay", LogDateOf(story.last)},
      {"result", kResults.at(static_cast<std::size_t>(story.result))},
      {"hops", std::move(hops)}};
  if (!story.splitFrom.empty()) out["splitFrom"] = Utf8(story.splitFrom);
  if (story.result == StoryResult::kOriginEarlier) {
    out["earliestDay"] = LogDateOf(story.earliestSeen);
    if (story.askDaysBack > 0) {
      out["askDaysBack"] = story.askDaysBack;
      out["askDays"] = story.askDays;
    }
  }
  return out;
}

nlohmann::json Strings(const std::vector<std::string>& texts) {
  nlohmann::json list = nlohmann::json::array();
  for (const std::string& t : texts) list.push_back(Utf8(t));
  return list;
}

std::string Lines(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& t : texts) out += t + "\n";
  return out;
}

// Each log line of a reader's result redacted as a line.
std::string RedactLines(Redactor& r, std::string_view lines) {
  std::string out;
  EachLine(lines, [&](std::string_view line) { out += r.Line(line) + std::string(kCrLf); });
  return out;
}

void RedactEntry(Redactor& r, RouteEntry& e) {
  r.Keep(e.MessageID);
  e.Domain = r.DomainName(e.Domain);
}

void RedactFindings(Redactor& r, Findings& findings) {
  for (Finding& finding : findings) {
    std::visit(Overloaded{[&](found::Tracing& f) { r.Keep(f.id); },
                          [&](found::SplitFrom& f) { r.Keep(f.id), r.Keep(f.parent); },
                          [&](found::Routed& f) { r.Keep(f.id); },
                          [&](found::Route& f) { RedactEntry(r, f.entry); },
                          [&](found::ConnectorLine& f) { f.lines = RedactLines(r, f.lines); },
                          [&](found::PostofficeSilent& f) { RedactEntry(r, f.entry); },
                          [&](found::Split& f) { r.Keep(f.parent); },
                          [&](found::Queued& f) { RedactEntry(r, f.entry); },
                          [&](found::Delivery& f) {
                            RedactEntry(r, f.entry);
                            f.lines = RedactLines(r, f.lines);
                          },
                          [&](found::DebugDelivery& f) { f.lines = RedactLines(r, f.lines); },
                          [&](found::Waiting& f) { r.Keep(f.id); },
                          [&](found::NotRouted& f) { r.Keep(f.id); },
                          [&](found::NotThroughQueues& f) { r.Keep(f.id); },
                          [&](found::Inbound& f) { f.lines = RedactLines(r, f.lines); },
                          [&](found::Transaction& f) { f.lines = RedactLines(r, f.lines); }},
               finding);
  }
}

void RedactMessage(Redactor& r, std::optional<std::string>& message) {
  if (message) message = r.Redact(*message);
}

void RedactDay(Redactor& r, DayReport& day) {
  r.Keep(day.messageId);
  RedactFindings(r, day.findings);
  RedactMessage(r, day.message);
}

}  // namespace

void PrintReport(const Findings& findings, ReportSink& report) {
  ReportPrinter printer(report);
  for (const Finding& f : findings) std::visit(printer, f);
}

std::string Text(const Result& result) {
  return std::visit(
      Overloaded{
          [](const TraceResult& r) { return ReportText(r.report); },
          [](const SplitResult& r) { return ReportText(r.report); },
          [](const ShowResult& r) {
            std::string out;
            if (r.message) return out;
            for (const DayReport& day : r.days) {
              out += r.range ? Led(LogDateOf(day.day) + '\t', ReportText(day)) : ReportText(day);
            }
            return out;
          },
          [](const SearchResult& r) {
            std::string out;
            EachRow(r, [&](const Date& day, const Origin& origin) {
              out += r.range ? Led(LogDateOf(day) + '\t', OriginRow(origin)) : OriginRow(origin);
            });
            return out;
          },
          [](const StoryReport& r) { return r.message ? std::string() : StoryText(r.story); },
          [](const DatesResult& r) { return Lines(r.dates); },
          [](const CheckResult& r) { return Lines(r.warnings); }},
      result);
}

nlohmann::json Json(const Result& result) {
  return std::visit(
      Overloaded{
          [](const TraceResult& r) {
            nlohmann::json out = DayJson(r.report);
            if (!out.contains("result")) out["result"] = "nothing";
            return out;
          },
          [](const SplitResult& r) {
            nlohmann::json out = DayJson(r.report);
            out["found"] = !r.report.message;
            if (!out.contains("copies")) out["copies"] = nlohmann::json::array();
            return out;
          },
          [](const ShowResult& r) {
            if (!r.range) return DayJson(r.days.at(0));
            nlohmann::json list = nlohmann::json::array();
            for (const DayReport& day : r.days) list.push_back(DayJson(day));
            return list;
          },
          [](const SearchResult& r) {
            nlohmann::json rows = nlohmann::json::array();
            EachRow(r, [&](const Date& day, const Origin& origin) {
              nlohmann::json row = {{"time", Utf8(origin.LogTime)},
                                    {"messageId", Utf8(origin.MessageID)},
                                    {"data", Utf8(origin.sData)}};
              if (r.range) row["date"] = LogDateOf(day);
              rows.push_back(std::move(row));
            });
            return rows;
          },
          [](const StoryReport& r) {
            // No log names the message: an origin, hops and "notRouted" would claim a message
            // came in that nothing shows, so only the days read and the message are given.
            if (r.message) {
              return nlohmann::json{{"messageId", Utf8(r.story.askedId)},
                                    {"firstDay", LogDateOf(r.story.first)},
                                    {"lastDay", LogDateOf(r.story.last)},
                                    {"result", "nothing"},
                                    {"message", Utf8(*r.message)}};
            }
            return StoryJson(r.story);
          },
          [](const DatesResult& r) {
            return nlohmann::json{{"connector", Utf8(r.connector)}, {"dates", Strings(r.dates)}};
          },
          [](const CheckResult& r) {
            return nlohmann::json{{"warnings", Strings(r.warnings)}};
          }},
      result);
}

void Redact(Result& result, Redactor& r) {
  std::visit(Overloaded{[&](TraceResult& t) { RedactDay(r, t.report); },
                        [&](SplitResult& s) { RedactDay(r, s.report); },
                        [&](ShowResult& s) {
                          for (DayReport& day : s.days) RedactDay(r, day);
                          RedactMessage(r, s.message);
                        },
                        [&](SearchResult& s) {
                          for (std::vector<Origin>& rows : s.rows) {
                            for (Origin& origin : rows) r.Keep(origin.MessageID);
                          }
                          for (std::vector<Origin>& rows : s.rows) {
                            for (Origin& origin : rows) origin.sData = r.Line(origin.sData);
                          }
                          RedactMessage(r, s.message);
                        },
                        [&](StoryReport& s) {
                          Story& story = s.story;
                          r.Keep(story.askedId), r.Keep(story.splitFrom), r.Keep(story.originId);
                          for (StoryHop& hop : story.hops)
                            r.Keep(hop.messageId), r.Keep(hop.parent);
                          for (StoryHop& hop : story.hops) {
                            hop.domain = r.DomainName(hop.domain);
                            for (StoryEvent& e : hop.events) e.line = r.Line(e.line);
                          }
                          RedactMessage(r, s.message);
                        },
                        [](DatesResult&) {}, [](CheckResult&) {}},
             result);
}

std::optional<std::string> MessageOf(const Result& result) {
  return std::visit(
      [](const auto& r) -> std::optional<std::string> {
        if constexpr (requires { r.report; }) return r.report.message;
        if constexpr (requires { r.message; }) return r.message;
        return std::nullopt;  // dates and check tell nothing on standard error
      },
      result);
}

int ExitStatusOf(const Result& result) {
  return std::visit(
      Overloaded{
          [](const SearchResult& r) {
            return r.usage ? kExitUsage : r.message ? kExitNothingFound : kExitOk;
          },
          [](const DatesResult& r) { return r.dates.empty() ? kExitNothingFound : kExitOk; },
          [](const CheckResult& r) { return r.warnings.empty() ? kExitOk : kExitNothingFound; },
          [&](const auto&) { return MessageOf(result) ? kExitNothingFound : kExitOk; }},
      result);
}

}  // namespace rq
