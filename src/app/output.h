// What the commands print: each command's result as a value, and for each result one text
// printer and one JSON printer. The windows' report comes from the same text printer. Log lines
// go into JSON decoded for display (valid UTF-8 kept, anything else read as Windows-1252); a
// field that holds nothing is left out.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/redact.h"
#include "base/dates.h"
#include "readers/origin_search.h"
#include "tracing/findings.h"
#include "tracing/report.h"
#include "tracing/story.h"

namespace rq {

// Writes the findings into the report as its text, each report line one write.
void PrintReport(const Findings& findings, ReportSink& report);

// One day's report of a trace, a transaction or a split. `message` says why there is nothing to
// show; the text is then empty.
struct DayReport {
  std::string messageId;
  Date day;
  Findings findings;
  std::optional<std::string> message;
};

struct TraceResult {
  DayReport report;
};
struct SplitResult {
  DayReport report;
};
// One day, or the days of a range that had the message's lines.
struct ShowResult {
  bool range = false;
  std::vector<DayReport> days;
  std::optional<std::string> message;
};
// The origin rows of each day.
struct SearchResult {
  bool range = false;
  std::vector<Date> days;
  std::vector<std::vector<Origin>> rows;  // one list per day
  std::optional<std::string> message;
  bool usage = false;  // neither a sender nor a recipient was given
};
struct StoryReport {
  Story story;
  std::optional<std::string> message;
};
struct DatesResult {
  std::string connector;
  std::vector<std::string> dates;
};
struct CheckResult {
  std::vector<std::string> warnings;
};

using Result = std::variant<TraceResult, SplitResult, ShowResult, SearchResult, StoryReport,
                            DatesResult, CheckResult>;

// What goes to standard output: the text, or one JSON value.
std::string Text(const Result& result);
nlohmann::json Json(const Result& result);

// Replaces every field's addresses and names by placeholders, each field as what it is; message
// IDs are kept.
void Redact(Result& result, Redactor& redactor);

// The message for standard error, if any.
std::optional<std::string> MessageOf(const Result& result);

// 0 found, 1 nothing found, 2 bad usage.
int ExitStatusOf(const Result& result);

}  // namespace rq
