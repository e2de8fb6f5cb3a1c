#include "readers/flow_readers.h"

#include <optional>

#include "base/text.h"
#include "readers/log_line.h"

namespace rq {
namespace {

// A field's value, every '[' and ']' removed: a view into the line, or into `spare` in the rare
// case of a bracket inside the value.
std::string_view ValueOf(std::string_view field, std::string& spare) {
  if (field.size() >= 2 && field.front() == '[' && field.back() == ']') {
    field = field.substr(1, field.size() - 2);
  }
  if (field.find_first_of("[]") == std::string_view::npos) return field;
  spare = WithoutBrackets(field);
  return spare;
}

}  // namespace

bool ParseRoutingLine(std::string_view line, RoutingLine& out) {
  RouteLine route;
  const std::optional<long long> time = StampMs(line);
  if (!time || !ParseRouteLine(line, route)) return false;
  out.time = *time;
  out.sourceId = ValueOf(route.sourceId, out.spare[0]);
  out.sourceConnector = ValueOf(route.sourceCode, out.spare[1]);
  out.targetConnector = ValueOf(route.targetCode, out.spare[2]);
  out.targetId = ValueOf(route.targetId, out.spare[3]);
  return !out.sourceId.empty() && !out.targetId.empty();
}

// The parent, the copy and its domain by the one requeue-line rule every reader shares.
bool ParseFlowRequeue(std::string_view line, FlowRequeue& out) {
  RequeueLine requeue;
  const std::optional<long long> time = StampMs(line);
  if (!time || !ParseRequeueLine(line, requeue)) return false;
  out.time = *time;
  out.parentId = requeue.parent;
  out.copyId = requeue.copy;
  out.domain = requeue.domain;
  // A copy without its target domain cannot be counted by domain: it is a skipped line.
  return !out.parentId.empty() && !out.copyId.empty() && !out.domain.empty();
}

bool ParseActivityLine(std::string_view line, ActivityLine& out) {
  // TAB-separated: time, direction, message ID, session, peer, verb, argument, reply. Every line
  // of a day's activity is read here, so the fields are found by one walk over the bytes rather
  // than a library search per field: they are a few bytes each.
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  std::string_view fields[8];
  const char* from = begin;
  for (std::size_t i = 0; i < 6; ++i) {
    const char* tab = from;
    while (tab != end && *tab != '\t') ++tab;
    if (tab == end) return false;
    fields[i] = std::string_view(from, static_cast<std::size_t>(tab - from));
    from = tab + 1;
  }
  // The argument is free text and may hold a TAB: the reply is what follows the last one.
  const char* last = end;
  while (last != from && last[-1] != '\t') --last;
  if (last == from) return false;
  fields[6] = std::string_view(from, static_cast<std::size_t>(last - 1 - from));
  fields[7] = std::string_view(last, static_cast<std::size_t>(end - last));
  if (fields[1] == "SMTP-IN") {
    out.inbound = true;
  } else if (fields[1] == "SMTP-OU") {
    out.inbound = false;
  } else {
    return false;
  }
  if (fields[0].size() != 8) return false;
  const LineStamp stamp = StampOf(fields[0]);
  if (stamp.day || stamp.time.size() != 8) return false;
  out.clock = static_cast<int>(MsOfDay(stamp.time));
  out.id = fields[2];
  out.session = fields[3];
  out.peer = fields[4];
  out.verb = fields[5];
  out.argument = fields[6];
  out.reply = fields[7];
  return true;
}

}  // namespace rq
