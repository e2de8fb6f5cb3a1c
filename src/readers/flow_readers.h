// Readers for the mail flow report: every routing line of the routing agent, every requeue line
// of the SMTP connector and every line of a connector's activity log, each handed out as views
// into the line with the time the line carries. Each log is read once, front to back, in chunks;
// nothing is allocated per line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/dates.h"
#include "readers/line_source.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/server.h"

namespace rq {

// A routing line: the message left `sourceConnector`'s inbound queue as `sourceId` and went into
// `targetConnector`'s queue as `targetId`.
struct RoutingLine {
  long long time = 0;  // ms since 1970-01-01
  std::string_view sourceId, sourceConnector, targetConnector, targetId;
  std::string spare[4];  // a value that had a bracket inside it
};

// A requeue line: the SMTP connector split `parentId` and made the copy `copyId` for `domain`.
struct FlowRequeue {
  long long time = 0;
  std::string_view parentId, copyId, domain;
};

// An activity log line of a conversation that has a message ID.
struct ActivityLine {
  int clock = 0;         // ms after midnight; the day is the log's
  bool inbound = false;  // SMTP-IN; false for SMTP-OU
  std::string_view id, session, peer, verb, argument, reply;
};

// The line parsed; false for a line that is not one of these (another message code, a header,
// a stamp that is no real time, a field missing or an empty ID).
bool ParseRoutingLine(std::string_view line, RoutingLine& out);
bool ParseFlowRequeue(std::string_view line, FlowRequeue& out);
bool ParseActivityLine(std::string_view line, ActivityLine& out);

// Activity lines parsed a batch at a time: every line of a day's activity passes through here.
struct ActivityBatch {
  static constexpr std::size_t kLines = 256;
  ActivityLine lines[kLines];
  std::size_t count = 0;  // lines with an ID, in file order
  long long skipped = 0;  // lines that do not have the activity layout (not headers or empty)
  // The last time read and what it came to (-1: no real time). Lines come many to a second, so
  // most lines' times are one compare of eight bytes; kept from one batch to the next.
  char timeText[8] = {};
  int timeClock = -1;
  // Lines of this many bytes or more are passed over (neither read nor skipped), whether or not
  // the line source happened to hand them out whole.
  std::size_t longLine = LineSource::kLongLine;
};

// Reads the lines of `block` (whole lines, as LineSource::NextBlock hands them out) from offset
// `from`, a line start, until the batch is full or the block ends; returns the offset of the
// first line not read. The same lines as ParseActivityLine over each line of the block reads.
std::size_t ParseActivityLines(std::string_view block, std::size_t from, ActivityBatch& batch);

// What one reading of a log came to.
struct FlowReadCount {
  bool opened = false;
  long long skipped = 0;  // lines with the tag that could not be read as such a line
};

// Calls f(parsed) for each line of the log holding `tag` that `parse` reads (a routing line of
// the MTA's debug log, a requeue line of the SMTP debug log), in file order; `skipped` counts
// the lines holding the tag that it cannot read.
template <class Parsed, class F>
FlowReadCount ReadTaggedLines(const std::string& path, std::string_view tag,
                              bool (*parse)(std::string_view, Parsed&), F&& f) {
  FlowReadCount count;
  LineSource source(path);
  count.opened = source.is_open();
  source.ForEachLineContaining(tag, [&](std::string_view line) {
    Parsed parsed;
    if (parse(line, parsed)) {
      f(parsed);
    } else {
      ++count.skipped;
    }
    return true;
  });
  return count;
}

// Calls f(ActivityLine) for each conversation line with a message ID that `source` hands out, in
// file order. Header lines (starting with '#'), lines without an ID and lines of the source's
// long-line limit or more are passed over; returns how many of the other lines do not have the
// activity layout.
template <class F>
long long ReadActivityLines(LineSource& source, F&& f) {
  long long skipped = 0;
  // No conversation line is megabytes long: a line longer than the line source's long-line limit
  // is streamed past rather than held, so that memory stays bounded whatever the log holds.
  LongLineFilter passOver;
  passOver.contains = [](const void*, const char*, const char*) { return false; };
  ActivityBatch batch;
  batch.longLine = source.long_line();
  for (std::string_view block = source.NextBlock(passOver); !block.empty();
       block = source.NextBlock(passOver)) {
    for (std::size_t at = 0; at < block.size();) {
      at = ParseActivityLines(block, at, batch);
      skipped += batch.skipped;
      for (std::size_t i = 0; i < batch.count; ++i) f(batch.lines[i]);
    }
  }
  return skipped;
}

}  // namespace rq
