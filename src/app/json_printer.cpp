#include "app/json_printer.h"

#include <array>

#include "base/codepage.h"

namespace rq {

nlohmann::json LinesJson(std::string_view lines) {
  nlohmann::json out = nlohmann::json::array();
  // A line holds no CR, so every CR LF ends one.
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find("\r\n", start);
    if (end == std::string_view::npos) end = lines.size();
    out.push_back(ToUtf8Display(lines.substr(start, end - start)));
    start = end + 2;
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
                        {"time", ToUtf8Display(e.time)},
                        {"log", ToUtf8Display(e.log)},
                        {"line", ToUtf8Display(e.line)}});
    }
    nlohmann::json h = {{"kind", kKinds.at(static_cast<std::size_t>(hop.kind))},
                        {"messageId", ToUtf8Display(hop.messageId)},
                        {"connector", ToUtf8Display(hop.connector)},
                        {"events", std::move(events)}};
    if (hop.kind == HopKind::kCopy) h["domain"] = ToUtf8Display(hop.domain);
    if (!hop.parent.empty()) h["parent"] = ToUtf8Display(hop.parent);
    hops.push_back(std::move(h));
  }
  nlohmann::json out = {{"messageId", ToUtf8Display(story.askedId)},
                        {"origin",
                         {{"messageId", ToUtf8Display(story.originId)},
                          {"connector", ToUtf8Display(story.originConnector)}}},
                        {"firstDay", LogDateOf(story.first)},
                        {"lastDay", LogDateOf(story.last)},
                        {"result", kResults.at(static_cast<std::size_t>(story.result))},
                        {"hops", std::move(hops)}};
  if (!story.splitFrom.empty()) out["splitFrom"] = ToUtf8Display(story.splitFrom);
  if (story.result == StoryResult::kOriginEarlier) {
    out["earliestDay"] = LogDateOf(story.earliestSeen);
    out["askDaysBack"] = story.askDaysBack;
  }
  return out;
}

nlohmann::json& JsonPrinter::CopyHolder() {
  nlohmann::json& routes = object_["routes"];
  if (routes.is_array() && !routes.empty()) return routes.back();
  return object_;
}

void JsonPrinter::Report(const Finding& f) {
  const auto text = [](std::string_view bytes) { return ToUtf8Display(bytes); };
  switch (f.kind) {
    case FindingKind::kTracing:
      object_["direction"] = f.backtrace ? "backward" : "forward";
      object_["connector"] = text(f.code);
      object_["tracedId"] = text(f.id);
      break;
    case FindingKind::kSplitFrom:
      object_["splitFrom"] = text(f.parent);
      break;
    case FindingKind::kRouted:
      object_["result"] = "routed";
      object_["queues"] = f.count;
      object_["routes"] = nlohmann::json::array();
      break;
    case FindingKind::kRoute:
      object_["routes"].push_back({{"time", text(f.entry->LogTime)},
                                   {"connector", text(f.entry->ConnectorCode)},
                                   {"messageId", text(f.entry->MessageID)}});
      break;
    case FindingKind::kConnectorLine:
      object_["routes"].back()["line"] = LinesJson(f.lines).at(0);
      break;
    case FindingKind::kPostofficeSilent:
      object_["routes"].back()["postoffice"] = f.backtrace ? "generated" : "unlogged";
      break;
    case FindingKind::kSplit:
      CopyHolder()["copies"] = nlohmann::json::array();
      break;
    case FindingKind::kQueued:
      CopyHolder()["copies"].push_back({{"time", text(f.entry->LogTime)},
                                        {"domain", text(f.entry->Domain)},
                                        {"messageId", text(f.entry->MessageID)}});
      break;
    case FindingKind::kDelivery:
      CopyHolder()["copies"].back()["activity"] = LinesJson(f.lines);
      break;
    case FindingKind::kDebugDelivery:
      CopyHolder()["copies"].back()["debug"] = LinesJson(f.lines);
      break;
    case FindingKind::kWaiting:
      object_["result"] = "waiting";
      break;
    case FindingKind::kNotRouted:
      object_["result"] = "notRouted";
      break;
    case FindingKind::kNotThroughQueues:
      break;  // the result already says so
    case FindingKind::kInbound:
      object_["inbound"] = LinesJson(f.lines);
      break;
    case FindingKind::kTransaction:
      object_["messageId"] = text(f.id);
      object_["lines"] = LinesJson(f.lines);
      break;
  }
}

}  // namespace rq
