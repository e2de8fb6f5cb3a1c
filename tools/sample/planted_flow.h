// Planted traffic that makes the mail flow report worth reading: an hour with a burst, a
// destination that defers every copy for two hours, messages that were never routed, and a copy
// that failed in the evening and went out the next morning. It has a random stream of its own,
// so the other planted messages and the background keep their bytes.
#pragma once

#include <string>
#include <vector>

#include "planted.h"

namespace rq::sample {

// What the flow report must show, for rqsample's users and the tests that check the report.
inline constexpr int kBurstHour = 14;
inline constexpr unsigned kBurstMessages = 120;
inline constexpr const char* kDeferringDomain = "tarn.example";
inline constexpr unsigned kDeferredMessages = 4;
inline constexpr unsigned kDeferralAttempts = 5;  // four refused, the fifth two hours later
inline constexpr const char* kRetriedDomain = "fen.example";
inline constexpr const char* kRetriedCopy = "5D7E0E2C";  // refused yesterday, sent this morning

// The flow events of the day `daysAgo` days before today (0 today, 1 yesterday).
std::vector<PlantedEvent> FlowEvents(int daysAgo);

// Their message IDs, which background IDs must not contain.
std::vector<std::string> FlowIds();

// The IDs of the messages received today and never routed.
std::vector<std::string> NeverRoutedIds();

}  // namespace rq::sample
