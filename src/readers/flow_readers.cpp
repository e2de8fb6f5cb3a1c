#include "readers/flow_readers.h"

#include <cstring>

namespace rq {
namespace {

// The unsigned number of exactly `width` digits at `at`; false when one is not a digit.
bool Digits(std::string_view text, std::size_t at, std::size_t width, int& value) {
  if (at + width > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "HH:MM:SS" at `at`, as ms after midnight.
bool ClockAt(std::string_view text, std::size_t at, int& ms) {
  int h = 0;
  int m = 0;
  int s = 0;
  if (!Digits(text, at, 2, h) || !Digits(text, at + 3, 2, m) || !Digits(text, at + 6, 2, s) ||
      text[at + 2] != ':' || text[at + 5] != ':' || h > 23 || m > 59 || s > 59) {
    return false;
  }
  ms = ((h * 60 + m) * 60 + s) * 1000;
  return true;
}

// The inside of "[...]"; the field as it is when it is not bracketed.
std::string_view Inside(std::string_view field) {
  if (field.size() >= 2 && field.front() == '[' && field.back() == ']') {
    return field.substr(1, field.size() - 2);
  }
  return field;
}

}  // namespace

bool ClockTime(std::string_view text, int& ms) {
  return text.size() == 8 && ClockAt(text, 0, ms);
}

bool StampTime(std::string_view text, long long& ms) {
  int year = 0;
  int month = 0;
  int day = 0;
  int clock = 0;
  if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) ||
      text[4] != '-' || text[7] != '-' || text.size() < 19 || text[10] != ' ' ||
      !ClockAt(text, 11, clock)) {
    return false;
  }
  const Date date{year, month, day};
  if (month < 1 || month > 12 || day < 1 ||
      CivilFromDays(DaysFromCivil(year, month, day)) != date) {
    return false;
  }
  int millis = 0;
  if (text.size() >= 23 && text[19] == '.' && Digits(text, 20, 3, millis)) clock += millis;
  ms = DaysFromCivil(year, month, day) * 86400000LL + clock;
  return true;
}

bool ParseRoutingLine(std::string_view line, RoutingLine& out) {
  // Blank-separated: date, time and TAB and tag, [source ID], from, [source], inbound, queue,
  // to, [target], queue, as, [target ID], ...
  std::string_view fields[12];
  std::size_t n = 0;
  std::size_t from = 0;
  while (n < 12) {
    const std::size_t blank = line.find(' ', from);
    fields[n++] = line.substr(from, blank == std::string_view::npos ? blank : blank - from);
    if (blank == std::string_view::npos) break;
    from = blank + 1;
  }
  if (n < 12 || fields[1].find(kRoutingLineTag) == std::string_view::npos ||
      !StampTime(line, out.time)) {
    return false;
  }
  out.sourceId = Inside(fields[2]);
  out.sourceConnector = Inside(fields[4]);
  out.targetConnector = Inside(fields[8]);
  out.targetId = Inside(fields[11]);
  return !out.sourceId.empty() && !out.targetId.empty();
}

// The parent, the copy and its domain by the one requeue-line rule every reader shares.
bool ParseFlowRequeue(std::string_view line, FlowRequeue& out) {
  RequeueLine requeue;
  if (!StampTime(line, out.time) || !ParseRequeueLine(line, requeue)) return false;
  out.parentId = requeue.parent;
  out.copyId = requeue.copy;
  out.domain = requeue.domain;
  // A copy without its target domain cannot be counted by domain: it is a skipped line.
  return !out.parentId.empty() && !out.copyId.empty() && !out.domain.empty();
}

bool ParseActivityLine(std::string_view line, ActivityLine& out) {
  // TAB-separated: time, direction, message ID, session, peer, verb, argument, reply.
  std::string_view fields[8];
  std::size_t from = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t tab = line.find('\t', from);
    if (tab == std::string_view::npos) return false;
    fields[i] = line.substr(from, tab - from);
    from = tab + 1;
  }
  // The argument is free text and may hold a TAB: the reply is what follows the last one.
  const std::size_t last = line.rfind('\t');
  if (last < from) return false;
  fields[6] = line.substr(from, last - from);
  fields[7] = line.substr(last + 1);
  if (fields[1] == "SMTP-IN") {
    out.inbound = true;
  } else if (fields[1] == "SMTP-OU") {
    out.inbound = false;
  } else {
    return false;
  }
  if (!ClockTime(fields[0], out.clock)) return false;
  out.id = fields[2];
  out.session = fields[3];
  out.peer = fields[4];
  out.verb = fields[5];
  out.argument = fields[6];
  out.reply = fields[7];
  return true;
}

}  // namespace rq
