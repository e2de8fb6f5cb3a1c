// The planted messages: a fixed set of messages, the same whatever the seed, whose traces take
// every road a trace can take. Background traffic is woven around them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sample_server.h"
#include "traffic.h"

namespace rq::sample {

// One planted message, written into the day's logs at `ms` (milliseconds after midnight).
struct PlantedEvent {
  int ms;
  std::function<bool(Traffic&, DayLogs&, std::string&)> write;
};

// The planted events of one day: `daysAgo` 0 is today (`day`), 1 yesterday. `split` is the number
// of copies of the benchmark message; `dir` the sample directory (for the inbound queue file).
std::vector<PlantedEvent> PlantedEvents(const Date& day, int daysAgo, unsigned split,
                                        const std::filesystem::path& dir);

// The messages worth tracing, for the summary; yesterday's only when that day is written.
std::vector<Pointer> PlantedPointers(const Date& today, bool withYesterday, unsigned split);

// Every planted message ID, the benchmark copies' included: background IDs must never contain
// one, or the readers would find background lines for it.
std::vector<std::string> PlantedIds(unsigned split);

// The ID of the benchmark message's n-th copy (from 0).
MessageId BenchCopyId(unsigned n);

}  // namespace rq::sample
