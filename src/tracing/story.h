// The whole story of a message: from the ID of any hop back to the message that came in, then
// forward through the routing agent, the queues, every per-domain copy and what the connectors
// logged about each, on the start day and the days after it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "settings/server.h"

namespace rq {

// One log line: the log day, the time the line begins with, the log's file name, the line.
struct StoryEvent {
  Date day;
  std::string time;
  std::string log;
  std::string line;
};

enum class HopKind { kInbound, kRouting, kQueue, kCopy };

struct StoryHop {
  HopKind kind = HopKind::kInbound;
  std::string messageId;
  std::string connector;  // the connector whose queue holds it
  std::string domain;     // a copy's target domain
  std::string parent;     // a copy's parent, a queue's message before routing
  std::vector<StoryEvent> events;
};

// kOriginEarlier: the hops read lead back to a queue or copy whose origin lies before the logs
// read, so whether it was routed is known, but not from where.
enum class StoryResult { kRouted, kWaiting, kNotRouted, kOriginEarlier };

inline constexpr long long kStoryDaysBack = 2;       // the walk back's look-back by default
inline constexpr long long kStoryFollowingDays = 2;  // the days after the start day, by default
inline constexpr long long kMaxStoryDaysBack = 400;

struct Story {
  std::string askedId;
  std::string splitFrom;  // the parent of the asked ID when it names a copy
  std::string originId;   // the message as it came in
  std::string originConnector;
  Date first, last;  // the days read
  StoryResult result = StoryResult::kNotRouted;
  std::vector<StoryHop> hops;  // inbound, routing, then each queue followed by its copies
  // The earliest day before `first` whose debug logs the walk back read, all naming nothing.
  std::optional<Date> readBackTo;
  // With kOriginEarlier: the earliest day whose logs name the message, and how far back to walk
  // when asking again from it, reaching only days that have logs; 0 when no earlier day has a log
  // the walk back reads, so that the origin is in no log kept.
  Date earliestSeen;
  long long askDaysBack = 0;
  // The following days to ask with, so that asking again still reads up to `last`.
  long long askDays = 0;
  // True when some log named the message or it waits in the inbound queue.
  bool Found() const;
};

// With kOriginEarlier and askDaysBack: the options that ask again from the earliest day seen,
// "--date YYMMDD --days-back N", with "--days K" when K is not the default.
std::string AskAgainOptions(const Story& story);

// The story of `id` from `start` through `days` following days, walking back at most `daysBack`
// earlier days to where the message came in. The same message gives the same story from any
// hop's ID and any start day within the days read.
Story TellStory(const Server& server, std::string_view id, const Date& start, long long days,
                long long daysBack = kStoryDaysBack);

}  // namespace rq
