// What the end-to-end tests share: running a program with its output captured, a sample server
// written once per test program, and the days and log lines the expected reports are built of.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace rq::e2e {

using test::TempDir;  // one temporary-directory fixture for unit and end-to-end tests

struct RunResult {
  int status = -1;  // the exit status; -1 when the program did not end normally
  std::string out;  // standard output, bytes as written
  std::string err;  // standard error
};

// Runs the program with the arguments, standard input fed from `input`, through the shell on
// POSIX systems and started directly on Windows. Runs with LC_ALL=C.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "");
// The same with the rest of the command line as one text, as written (no quoting of ours).
RunResult RunCommandLine(const std::string& program, const std::string& arguments,
                         const std::string& input = "");

std::string RqTrace();
std::string RqTracker();
std::string RqSample();

// A calendar day and its spellings.
struct Day {
  int year, month, day;
  static std::string Two(int n) { return {char('0' + n / 10 % 10), char('0' + n % 10)}; }
  std::string LogDate() const { return Two(year) + Two(month) + Two(day); }  // YYMMDD
  // YYYY-MM-DD, as the debug logs stamp their lines
  std::string Iso() const { return std::to_string(year) + "-" + Two(month) + "-" + Two(day); }
  // MM/DD/YY, the C locale's short date form
  std::string CShort() const { return Two(month) + "/" + Two(day) + "/" + Two(year); }
  Day Plus(int days) const;
};

// Today's local date.
Day Today();

// The sample server of this test program: written on first use with --today set to today's
// local date (the console trace starts from the real date), three days, seed 1.
// --settings FILE --map WINPATH=DIR for a server rqsample wrote into `dir`, and rqtrace run on it
// with those options and then the arguments.
std::vector<std::string> OptionsFor(const std::filesystem::path& dir);
RunResult TraceOn(const std::filesystem::path& dir, std::vector<std::string> args);

class Sample {
 public:
  static const Sample& Get();

  const std::filesystem::path& dir() const { return dir_; }
  Day today() const { return today_; }

  // --settings FILE --map WINPATH=DIR for this sample.
  std::vector<std::string> Options() const { return OptionsFor(dir_); }
  RunResult Trace(const std::vector<std::string>& args) const { return TraceOn(dir_, args); }

  // A day's log by its name's head and its folder below the server, e.g. ("SMTP-Activity",
  // "Logs/Activity/SMTP").
  std::filesystem::path Log(const std::string& head, const std::string& folder, const Day& d) const;
  std::filesystem::path SmtpActivity(const Day& d) const {
    return Log("SMTP-Activity", "Logs/Activity/SMTP", d);
  }
  std::filesystem::path SmtpDebug(const Day& d) const {
    return Log("SMTP-Debug", "Logs/Debug/SMTP", d);
  }

 private:
  Sample();
  TempDir temp_;
  std::filesystem::path dir_;
  Day today_;
};

// The text split at each separator, e.g. a table row's arguments on one line; "" gives none.
std::vector<std::string> Words(std::string_view text, char separator = ' ');

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

// The lines of a log (ended by CR LF or CR) that contain `needle`, in file order.
std::vector<std::string> LinesContaining(const std::filesystem::path& log, std::string_view needle);

// The lines joined, each followed by CR LF: what the readers hand to the report.
using test::CrLfLines;

// The parts of a split report that the trace and split commands both write: the split line, a
// copy's line and its delivery block.
inline std::string SplitLine(const std::string& queue, int copies) {
  return "Fork/Split: Message ID [" + queue + "] requeued/split into " + std::to_string(copies) +
         " messages for delivery to target domains.\r\n";
}
inline std::string Queued(const std::string& queue, const std::string& domain,
                          const std::string& copy) {
  return " Queued: Message ID [" + queue + "] queued for delivery to the domain [" + domain +
         "] at the SMTP Outbound Queue with a new Message ID of [" + copy + "]\r\n\r\n";
}
inline std::string Delivery(const std::string& copy, const std::string& domain,
                            const std::string& lines) {
  return "Status: SMTP Outbound Delivery details for Message ID [" + copy + "] to domain [" +
         domain + "] follow below: \r\n" + lines + "\r\n";
}

}  // namespace rq::e2e
