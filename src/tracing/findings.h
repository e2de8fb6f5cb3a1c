// What a trace finds, in the order found: the walker, the command-line trace and the commands
// each give a list of these, and the output module prints the list as the report or as JSON.
// `lines` are log lines as the readers give them, each followed by CR LF.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "readers/route_entry.h"

namespace rq::found {

// A trace of `id` starts at `code`'s inbound queue (its outbound queue when `backtrace`).
struct Tracing {
  std::string id, code;
  bool backtrace = false;
};
// The copy `id` was split from `parent` ("" when none was found) at `code`'s outbound queue.
struct SplitFrom {
  std::string id, code, parent;
};
// The routing agent routed `id` to (from) `count` queues.
struct Routed {
  std::string id, code;
  bool backtrace = false;
  long long count = 0;
};
// One routing line of `id`.
struct Route {
  std::string id, code;
  bool backtrace = false;
  RouteEntry entry;
};
// The postoffice's or list server's line for the route before it.
struct ConnectorLine {
  std::string lines;
};
// No postoffice line for `entry` on the day `dateText`.
struct PostofficeSilent {
  RouteEntry entry;
  std::string dateText;
  bool backtrace = false;
};
// `parent` was split into `count` copies.
struct Split {
  std::string parent;
  long long count = 0;
};
// The copy `entry` of `parent`, queued at `code`'s outbound queue.
struct Queued {
  std::string code, parent;
  RouteEntry entry;
};
// The copy `entry`'s activity lines.
struct Delivery {
  RouteEntry entry;
  std::string lines;
};
// A copy of `parent`: its debug lines.
struct DebugDelivery {
  std::string parent, lines;
};
// `id` was not routed and waits in `code`'s inbound queue.
struct Waiting {
  std::string id, code;
};
// `id` was not routed and is not in the inbound queue.
struct NotRouted {
  std::string id, code;
};
// The Trace command's note that `id` was not routed through the queues.
struct NotThroughQueues {
  std::string id;
};
// `id`'s inbound activity lines.
struct Inbound {
  std::string id, lines;
};
// `id`'s activity lines (empty when none were found).
struct Transaction {
  std::string id, lines;
};

}  // namespace rq::found

namespace rq {

using Finding =
    std::variant<found::Tracing, found::SplitFrom, found::Routed, found::Route,
                 found::ConnectorLine, found::PostofficeSilent, found::Split, found::Queued,
                 found::Delivery, found::DebugDelivery, found::Waiting, found::NotRouted,
                 found::NotThroughQueues, found::Inbound, found::Transaction>;
using Findings = std::vector<Finding>;

}  // namespace rq
