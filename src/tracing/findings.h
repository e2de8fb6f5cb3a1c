// What a trace finds, pushed to a sink as it is found: the walker, the command-line trace and the
// commands report findings, and printers turn them into the report text or into JSON.
#pragma once

#include <string_view>

#include "readers/route_entry.h"
#include "tracing/report.h"

namespace rq {

enum class FindingKind {
  kTracing,           // a trace of `id` starts at `code`'s inbound queue (outbound: backtrace)
  kSplitFrom,         // the copy `id` was split from `parent` ("" when none was found)
  kRouted,            // the routing agent routed `id` to (from) `count` queues
  kRoute,             // one routing line of `id`: `entry`
  kConnectorLine,     // the postoffice's or list server's line for `entry`: `lines`
  kPostofficeSilent,  // no postoffice line for `entry` on the day `dateText`
  kSplit,             // `parent` was split into `count` copies
  kQueued,            // the copy `entry` of `parent`
  kDelivery,          // the copy `entry`'s activity lines: `lines`
  kDebugDelivery,     // the copy `entry` (of `parent`)'s debug lines: `lines`
  kWaiting,           // `id` was not routed and waits in the inbound queue
  kNotRouted,         // `id` was not routed and is not in the inbound queue
  kNotThroughQueues,  // the Trace command's note that `id` was not routed
  kInbound,           // `id`'s inbound activity lines: `lines`
  kTransaction,       // `id`'s activity lines (`lines`, empty when none were found)
};

// One finding. Texts are views valid for the call only; `lines` are log lines as the readers
// give them, each followed by CR LF.
struct Finding {
  FindingKind kind{};
  std::string_view id{};
  std::string_view code{};  // the connector of the traced queue
  bool backtrace = false;
  std::string_view parent{};
  const RouteEntry* entry = nullptr;
  long long count = 0;
  std::string_view lines{};
  std::string_view dateText{};
};

class FindingSink {
 public:
  virtual ~FindingSink() = default;
  virtual void Report(const Finding& finding) = 0;
};

// Renders findings as the trace report's text, line by line, into a report sink.
class TextPrinter final : public FindingSink {
 public:
  explicit TextPrinter(ReportSink& out) : out_(out) {}
  void Report(const Finding& f) override;

 private:
  ReportSink& out_;
};

}  // namespace rq
