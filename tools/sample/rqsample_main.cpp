// rqsample: writes a sample server (settings export, day logs, inbound queue) for demos, tests
// and benchmarks, and tells which of its messages are worth tracing.
#include <charconv>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "base/version.h"
#include "planted_flow.h"
#include "sample_server.h"
#include "settings_export.h"

namespace {

using rq::sample::Pointer;
using rq::sample::SampleOptions;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: rqsample DIR [OPTION]...\n"
    "Writes a sample mail server into DIR: its settings as a registry export (settings.reg),\n"
    "the day logs of its routing agent and of its SMTP, postoffice and list server connectors,\n"
    "and messages waiting in its SMTP inbound queue. DIR is created when missing; files of the\n"
    "same names in it are replaced, nothing else is touched. Read it with\n"
    "  --settings DIR/settings.reg --map \"C:\\Program Files (x86)\\Raven Quill=DIR\"\n"
    "\n"
    "  --days N        days of logs, ending today (default 3; 2 or more to get the message\n"
    "                  whose copies are found only in yesterday's logs)\n"
    "  --seed S        seed of the background traffic (default 1); the same seed gives the\n"
    "                  same bytes, dates aside. The planted messages never change.\n"
    "  --size BYTES    grow each day log to about BYTES with background traffic (suffixes\n"
    "                  K, M, G for KiB, MiB, GiB); default: a modest day of 150 messages\n"
    "  --grow LOGS     with --size: grow only these logs, comma-separated from mta,\n"
    "                  smtp-activity, smtp-debug, poc-activity, poc-debug, ls-debug (default:\n"
    "                  all); the others stay small\n"
    "  --split K       copies of the benchmark message 9C4E1B7703 (default 4; 1 to 100000)\n"
    "  --today YYMMDD  the last day (default: today's local date)\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be written, 2 bad usage.\n";

int Usage(const std::string& problem) {
  std::cerr << "rqsample: " << problem << "\nTry 'rqsample --help'.\n";
  return kExitUsage;
}

bool ParseUnsigned(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseSize(std::string_view text, std::uint64_t& value) {
  int shift = 0;
  if (!text.empty()) {
    switch (text.back()) {
      case 'k':
      case 'K':
        shift = 10;
        break;
      case 'm':
      case 'M':
        shift = 20;
        break;
      case 'g':
      case 'G':
        shift = 30;
        break;
      default:
        break;
    }
    if (shift != 0) text.remove_suffix(1);
  }
  if (!ParseUnsigned(text, value)) return false;
  if (value > (std::uint64_t{1} << 40 >> shift)) return false;  // at most 1 TiB
  value <<= shift;
  return true;
}

bool ParseLogNames(std::string_view text, unsigned& mask) {
  mask = 0;
  for (;;) {
    const std::size_t comma = text.find(',');
    const std::string_view name = text.substr(0, comma);
    bool known = false;
    for (unsigned i = 0; i < std::size(rq::sample::kLogNames); ++i) {
      if (name == rq::sample::kLogNames[i]) {
        mask |= 1u << i;
        known = true;
      }
    }
    if (!known) return false;
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

bool ParseLogDate(std::string_view text, rq::Date& date) {
  if (text.size() != 6) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  date = rq::DateFromLogDate(text);
  // Rolled-over days (month 13, day 32) would not read back the same: refuse them.
  return rq::LogDateOf(date) == text;
}

void PrintSummary(const SampleOptions& o, const std::vector<Pointer>& pointers) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::absolute(o.dir, ec);
  if (ec) dir = o.dir;
  const std::string d = rq::LogDateOf(o.today);
  const std::string settings = (dir / "settings.reg").string();
  const std::string common = "--settings \"" + settings + "\" --map \"" +
                             std::string(rq::sample::kInstallDir) + "=" + dir.string() + "\"";
  const std::string rqtrace = "rqtrace " + common + " ";
  std::cout << "Sample server written to " << dir.string() << ": " << o.days
            << " day(s) of logs ending " << d << ", seed " << o.seed << ".\n\n"
            << "Messages worth tracing (log date " << d << "):\n";
  for (const Pointer& p : pointers) {
    std::cout << "  " << p.id << "  " << p.what << "\n    " << rqtrace << p.command << " --date "
              << p.logDate << ' ' << p.id << "\n";
  }
  std::cout << "\nSearches and more:\n"
            << "  " << rqtrace << "search --date " << d << " --sender ines.moreau\n"
            << "  " << rqtrace << "search --date " << d << " --recipient fjord --backtrace --json\n"
            << "  " << rqtrace << "show --date " << d << " 4F2A0C11\n"
            << "  " << rqtrace << "dates\n"
            << "  " << rqtrace << "check\n"
            << "\nThe command-line trace of the program itself (it starts from the real date):\n"
            << "  rqtracker --console " << common << " x 4F2A0C2E\n";
  if (o.days >= 2) {
    std::cout << "  rqtracker --console " << common
              << " x D7A3F02B   (asks before it reads yesterday's logs)\n";
  }
  const std::string first = rq::LogDateOf(rq::AddDays(o.today, 1 - o.days));
  const std::string range = o.days > 1 ? first + ".." + d : d;
  std::cout << "\nThe mail flow of these days (a burst at " << rq::sample::kBurstHour
            << ":00 today, " << rq::sample::kDeferringDomain
            << " deferring for two hours, messages never routed"
            << (o.days > 1 ? ", a copy retried the next morning" : "") << "):\n"
            << "  " << rqtrace << "report --date " << range << "\n"
            << "  " << rqtrace << "report --date " << range << " --html > flow.html\n";
}

}  // namespace

int main(int argc, char** argv) {
  SampleOptions o;
  bool haveDir = false;
  bool haveToday = false;
  std::uint64_t number = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << rq::kLicenceLine << '\n';
      return kExitOk;
    }
    if (arg == "--version") {
      std::cout << rq::VersionText("rqsample") << '\n';
      return kExitOk;
    }
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      if (arg == "--") {
        if (++i >= argc) return Usage("'--' must be followed by DIR");
        arg = argv[i];
      }
      if (haveDir) return Usage("more than one DIR given: '" + arg + "'");
      o.dir = arg;
      haveDir = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else {
      if (name != "--days" && name != "--seed" && name != "--size" && name != "--split" &&
          name != "--today" && name != "--grow") {
        return Usage("unknown option '" + arg + "'");
      }
      if (i + 1 >= argc) return Usage(name + " needs a value");
      value = argv[++i];
    }
    if (name == "--days") {
      if (!ParseUnsigned(value, number) || number < 1 || number > 3660) {
        return Usage("--days needs a whole number from 1 to 3660, got '" + value + "'");
      }
      o.days = static_cast<int>(number);
    } else if (name == "--seed") {
      if (!ParseUnsigned(value, o.seed)) {
        return Usage("--seed needs a whole number, got '" + value + "'");
      }
    } else if (name == "--size") {
      if (!ParseSize(value, o.size)) {
        return Usage(
            "--size needs a byte count such as 1048576, 512M or 4G (at most 1 TiB), got '" + value +
            "'");
      }
    } else if (name == "--split") {
      if (!ParseUnsigned(value, number) || number < 1 || number > 100000) {
        return Usage("--split needs a whole number from 1 to 100000, got '" + value + "'");
      }
      o.split = static_cast<unsigned>(number);
    } else if (name == "--grow") {
      if (!ParseLogNames(value, o.grow)) {
        return Usage(
            "--grow needs log names from mta, smtp-activity, smtp-debug, poc-activity, "
            "poc-debug, ls-debug, got '" +
            value + "'");
      }
    } else if (name == "--today") {
      if (!ParseLogDate(value, o.today)) {
        return Usage("--today needs a real day written YYMMDD, got '" + value + "'");
      }
      haveToday = true;
    } else {
      return Usage("unknown option '" + name + "'");
    }
  }
  if (!haveDir) return Usage("no DIR given");
  if (o.dir.empty()) return Usage("DIR must not be empty");
  if (!haveToday) o.today = rq::TodayLocal();

  std::vector<Pointer> pointers;
  std::string error;
  if (!rq::sample::WriteSample(o, pointers, error)) {
    std::cerr << "rqsample: " << error << '\n';
    return kExitFailed;
  }
  PrintSummary(o, pointers);
  return kExitOk;
}
