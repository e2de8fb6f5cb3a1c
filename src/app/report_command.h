// rqtrace report: the mail flow over one day or a range of days, as text, JSON or an HTML page.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "app/redact.h"
#include "settings/server.h"
#include "tracing/flow_report.h"

namespace rq {

struct ReportOptions {
  std::size_t top = 10;  // rows of each top list
  bool json = false;
  bool html = false;
  bool redact = false;
};

// Builds the report of the days and prints it to `out`, messages to `err`. Exit status: 0
// printed, 1 no log on any day, 2 bad usage; a log that could not be read whole is a ReadError.
int RunReport(const Server& server, const std::vector<Date>& days, const ReportOptions& options,
              std::ostream& out, std::ostream& err);

// Every address and name in the report replaced through the redactor; IDs kept.
void RedactFlowReport(FlowReport& report, Redactor& redactor);

// The three printers of one report.
void PrintFlowText(const FlowReport& report, std::ostream& out);
void PrintFlowJson(const FlowReport& report, std::size_t top, std::ostream& out);
void PrintFlowHtml(const FlowReport& report, std::ostream& out);

// What the printers share: a delay as text ("850ms", "12.4s", "4m05s", "2h03m", "3d04h"), the
// range's days, the story command of a slow message.
std::string FlowDuration(long long ms);
std::string FlowTwoDigits(long long n);  // 0 to 99, zero-filled
std::string FlowRangeText(const FlowReport& report);
std::string FlowStoryCommand(const SlowMessage& message);
inline constexpr const char* kFlowStepNames[kFlowSteps] = {"inbound to routing", "routing to split",
                                                           "split to first attempt",
                                                           "first to last attempt", "end to end"};
inline constexpr const char* kFlowStepKeys[kFlowSteps] = {"routing", "split", "firstAttempt",
                                                          "lastAttempt", "endToEnd"};
inline constexpr const char* kFlowSeriesNames[kFlowSeries] = {"received", "routed", "copies",
                                                              "outbound"};
inline constexpr const char* kCopyBuckets[4] = {"1", "2-5", "6-20", "more"};

}  // namespace rq
