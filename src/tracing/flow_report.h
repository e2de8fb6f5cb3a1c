// The mail flow over a range of days, from the logs alone: how many messages came in, were routed,
// split into copies and sent out, hour by hour; how long each step took by the logs' own times;
// who sent and received the most; which destinations needed more than one attempt.
//
// Every count is exact. A message is known by its ID: IDs of up to 15 upper-case hexadecimal
// digits (what the server writes) are held exactly in 64 bits, any other ID as a 64-bit hash of
// its bytes, so two such IDs are taken for one only with a chance of about 2^-64 per pair.
// Percentiles are exact (nearest rank over every delay of the day or range).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/dates.h"
#include "readers/parallel.h"
#include "settings/server.h"

namespace rq {

// The steps of a message's way, each timed from the previous one's line: its first inbound line,
// its routing line, the requeue line of each copy, each copy's first outbound conversation and its
// last one (a conversation is timed by its first line); end to end from the first inbound line
// to the last conversation of the message's last copy. "First" is the earliest by the logs'
// times, whatever order the lines were written in.
enum FlowStep : std::size_t {
  kStepRouting,
  kStepSplit,
  kStepFirstAttempt,
  kStepLastAttempt,
  kStepEndToEnd,
};
inline constexpr std::size_t kFlowSteps = 5;

// The hour-by-hour series.
enum FlowSeries : std::size_t { kSeriesReceived, kSeriesRouted, kSeriesCopies, kSeriesOutbound };
inline constexpr std::size_t kFlowSeries = 4;

// Delays in milliseconds; all 0 when count is 0.
struct DelayStats {
  long long count = 0;
  long long p50 = 0;
  long long p90 = 0;
  long long p99 = 0;
  long long max = 0;
};

// The counts of one day or of the whole range. A message is counted on the day of its first
// inbound line, a routing on the day of the message's first routing line, a copy on the day of
// its requeue line, a conversation on the day of its first line.
struct FlowCounts {
  long long received = 0;                       // messages with an inbound conversation
  std::map<std::string, long long> receivedBy;  // by the connector they came in through
  long long routed = 0;                         // messages with a routing line
  std::map<std::string, long long> routedTo;    // routing lines by destination connector
  long long split = 0;                          // messages the SMTP connector split
  long long copies = 0;                         // per-domain copies made
  std::array<long long, 4> copiesPerMessage{};  // split messages with 1, 2-5, 6-20, more copies
  long long outbound = 0;                       // outbound conversations
  long long neverRouted = 0;                    // received, no routing line in the range
  std::array<std::array<long long, 24>, kFlowSeries> hours{};
  std::array<DelayStats, kFlowSteps> delays{};
};

struct FlowDay {
  Date day;
  // Which of the day's logs could be read.
  bool mtaLog = false;
  bool smtpDebugLog = false;
  bool smtpActivityLog = false;
  bool pocActivityLog = false;
  // Whether the day's messages are judged never routed: only when the routing agent's log of the
  // day and of every later day of the range could be read, as the routing may lie in any of them.
  bool unroutedJudged = false;
  FlowCounts counts;
  bool AnyLog() const { return mtaLog || smtpDebugLog || smtpActivityLog || pocActivityLog; }
};

// One row of a top list; `example` names a retried copy in the list of retried destinations.
struct TopEntry {
  std::string name;
  long long count = 0;
  std::string example;
};

struct SlowMessage {
  std::string id;     // as it came in
  Date received;      // the day of its first inbound line
  long long delay;    // end to end, ms
  long long lastDay;  // days from `received` to the day of its last conversation
};

struct UnroutedMessage {
  std::string id;
  Date received;
  bool waiting = false;  // its file lies in the SMTP inbound queue now
};

struct FlowReport {
  std::vector<FlowDay> days;  // in order
  FlowCounts total;
  long long waitingNow = -1;         // files in the SMTP inbound queue; -1 when it cannot be listed
  std::vector<SlowMessage> slowest;  // the slowest first, at most `top`
  std::vector<UnroutedMessage> unrouted;   // at most `top`, earliest first
  std::vector<TopEntry> senderDomains;     // per inbound MAIL command
  std::vector<TopEntry> recipientDomains;  // per inbound RCPT command
  std::vector<TopEntry> remoteAddresses;   // per inbound MAIL command, its peer
  std::vector<TopEntry> copyDomains;       // per copy
  std::vector<TopEntry> retriedDomains;    // copies with more than one conversation or day
  long long retriedCopies = 0;
  long long copiesWithoutConversation = 0;  // made in the range, never sent in it
  long long outOfOrder = 0;    // delays left out: the later step's line has the earlier time
  long long skippedLines = 0;  // tagged lines that could not be read as such
  bool AnyLog() const;
};

// Reads the routing agent's debug log, the SMTP connector's debug and activity logs and the
// postoffice connector's activity log of each day, each once, the days at the same time, and
// lists the SMTP inbound queue. Top lists hold at most `top` rows each. A large activity log is
// read in segments, as SegmentedLog cuts it with `options` (whose meter counts the activity logs'
// reads); the report is the same however the logs are cut. May throw ReadError.
FlowReport BuildFlowReport(const Server& server, const std::vector<Date>& days, std::size_t top,
                           const ReadOptions& options = {});

}  // namespace rq
