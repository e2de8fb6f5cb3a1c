// Writes a complete sample server: settings, several days of logs and the SMTP inbound queue.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/dates.h"

namespace rq::sample {

// The day logs, as bits of SampleOptions::grow, in this order; names as --grow takes them.
inline constexpr const char* kLogNames[] = {"mta",          "smtp-activity", "smtp-debug",
                                            "poc-activity", "poc-debug",     "ls-debug"};
inline constexpr unsigned kAllLogs = (1u << 6) - 1;

struct SampleOptions {
  std::filesystem::path dir;
  int days = 3;              // the days ending `today`
  std::uint64_t seed = 1;    // background traffic
  std::uint64_t size = 0;    // 0: a modest day; otherwise each day log grows to about this
  unsigned split = 4;        // copies of the planted benchmark message
  unsigned grow = kAllLogs;  // which logs --size grows (bits in the order of kLogNames)
  Date today;
};

// A message worth tracing, for the closing summary.
struct Pointer {
  std::string id;
  std::string logDate;  // YYMMDD of the day its logs hold it
  std::string what;     // what a trace of it shows
  std::string command;  // the rqtrace sub-command and options, e.g. "trace --backtrace"
};

// Where the sample server's files lie below the sample directory (as --map makes of the
// settings).
struct Layout {
  static std::filesystem::path SmtpActivity(const std::filesystem::path& dir);
  static std::filesystem::path SmtpDebug(const std::filesystem::path& dir);
  static std::filesystem::path MtaDebug(const std::filesystem::path& dir);
  static std::filesystem::path PocActivity(const std::filesystem::path& dir);
  static std::filesystem::path PocDebug(const std::filesystem::path& dir);
  static std::filesystem::path LsDebug(const std::filesystem::path& dir);
  static std::filesystem::path SmtpInbound(const std::filesystem::path& dir);
};

// Writes the sample server into options.dir (created when missing; files of the same names are
// replaced, nothing else is touched). False with `error` set when a file cannot be written.
bool WriteSample(const SampleOptions& options, std::vector<Pointer>& pointers, std::string& error);

}  // namespace rq::sample
