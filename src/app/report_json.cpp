// The flow report as one JSON object; the schema is in the README. Fields that hold nothing are
// left out, never null.
#include <nlohmann/json.hpp>

#include "app/report_command.h"
#include "base/codepage.h"

namespace rq {
namespace {

using nlohmann::json;

json Named(const std::map<std::string, long long>& counts) {
  json object = json::object();
  for (const auto& [name, n] : counts) object[ToUtf8Display(name)] = n;
  return object;
}

json CountsJson(const FlowCounts& c) {
  json out = {{"received", c.received},       {"receivedBy", Named(c.receivedBy)},
              {"routed", c.routed},           {"routedTo", Named(c.routedTo)},
              {"neverRouted", c.neverRouted}, {"split", c.split},
              {"copies", c.copies},           {"outbound", c.outbound}};
  json buckets = json::object();
  for (std::size_t i = 0; i < 4; ++i) buckets[kCopyBuckets[i]] = c.copiesPerMessage[i];
  out["copiesPerMessage"] = buckets;
  json hours = json::object();
  for (std::size_t s = 0; s < kFlowSeries; ++s) hours[kFlowSeriesNames[s]] = c.hours[s];
  out["hours"] = hours;
  json delays = json::object();
  for (std::size_t s = 0; s < kFlowSteps; ++s) {
    const DelayStats& d = c.delays[s];
    if (d.count == 0) continue;
    delays[kFlowStepKeys[s]] = {
        {"count", d.count}, {"p50Ms", d.p50}, {"p90Ms", d.p90}, {"p99Ms", d.p99}, {"maxMs", d.max}};
  }
  out["delays"] = delays;
  return out;
}

json TopJson(const std::vector<TopEntry>& rows) {
  json list = json::array();
  for (const TopEntry& e : rows) {
    json row = {{"name", ToUtf8Display(e.name)}, {"count", e.count}};
    if (!e.example.empty()) row["example"] = ToUtf8Display(e.example);
    list.push_back(row);
  }
  return list;
}

}  // namespace

void PrintFlowJson(const FlowReport& r, std::size_t top, std::ostream& out) {
  json days = json::array();
  for (const FlowDay& d : r.days) {
    json day = CountsJson(d.counts);
    day["date"] = LogDateOf(d.day);
    day["neverRoutedJudged"] = d.unroutedJudged;
    day["logs"] = {{"mtaDebug", d.mtaLog},
                   {"smtpDebug", d.smtpDebugLog},
                   {"smtpActivity", d.smtpActivityLog},
                   {"postofficeActivity", d.pocActivityLog}};
    days.push_back(day);
  }
  json slowest = json::array();
  for (const SlowMessage& m : r.slowest) {
    slowest.push_back({{"messageId", ToUtf8Display(m.id)},
                       {"received", LogDateOf(m.received)},
                       {"delayMs", m.delay},
                       {"story", ToUtf8Display(FlowStoryCommand(m))}});
  }
  json unrouted = json::array();
  for (const UnroutedMessage& m : r.unrouted) {
    unrouted.push_back({{"messageId", ToUtf8Display(m.id)},
                        {"received", LogDateOf(m.received)},
                        {"waiting", m.waiting}});
  }
  json report = {{"from", LogDateOf(r.days.front().day)},
                 {"to", LogDateOf(r.days.back().day)},
                 {"limit", top},
                 {"days", days},
                 {"total", CountsJson(r.total)},
                 {"slowest", slowest},
                 {"neverRouted", unrouted},
                 {"top",
                  {{"senderDomains", TopJson(r.senderDomains)},
                   {"recipientDomains", TopJson(r.recipientDomains)},
                   {"remoteAddresses", TopJson(r.remoteAddresses)},
                   {"copyDomains", TopJson(r.copyDomains)},
                   {"retriedDomains", TopJson(r.retriedDomains)}}},
                 {"retriedCopies", r.retriedCopies},
                 {"copiesNeverSent", r.copiesWithoutConversation},
                 {"outOfOrderDelays", r.outOfOrder},
                 {"skippedLines", r.skippedLines}};
  if (r.waitingNow >= 0) report["waitingInInboundQueue"] = r.waitingNow;
  out << report.dump(2) << '\n';
}

}  // namespace rq
