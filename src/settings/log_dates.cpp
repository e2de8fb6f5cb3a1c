#include "settings/log_dates.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "settings/log_paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rq {
namespace {

bool EqualBytes(std::string_view a, std::string_view b, bool caseSensitive) {
  return caseSensitive ? a == b : EqualsIgnoringAsciiCase(a, b);
}

#ifdef _WIN32
constexpr bool kNamesCaseSensitive = false;
#else
constexpr bool kNamesCaseSensitive = true;
#endif

}  // namespace

bool MatchesActivityLogPattern(std::string_view fileName, std::string_view prefix,
                               bool caseSensitive) {
  const std::string head = std::string(prefix) + "-Activity-";
  constexpr std::string_view tail = ".log";
  if (fileName.size() < head.size() + tail.size()) return false;
  return EqualBytes(fileName.substr(0, head.size()), head, caseSensitive) &&
         EqualBytes(fileName.substr(fileName.size() - tail.size()), tail, caseSensitive);
}

std::string LogDateFromFileName(std::string_view fileName) {
  return std::string(SplitField(SplitField(fileName, "-", 3), ".", 1));
}

#ifdef _WIN32

namespace {

// The names of ordinary files that match prefix-Activity-*.log in `dir`, through the system's own
// wildcard listing, in the 8-bit code page. The listing also matches the short 8.3 names and
// compares without regard to case, so every name is checked again against the pattern itself.
void ListMatchingFiles(const std::string& dir, char separator, const std::string& prefix,
                       std::vector<std::string>& names) {
  const std::string pattern = dir + separator + prefix + "-Activity-*.log";
  WIN32_FIND_DATAA found;
  HANDLE h =
      FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return;
  constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
  do {
    if ((found.dwFileAttributes & kNotOrdinary) != 0) continue;
    std::string name = found.cFileName;
    if (MatchesActivityLogPattern(name, prefix, kNamesCaseSensitive)) {
      names.push_back(std::move(name));
    }
  } while (FindNextFileA(h, &found));
  FindClose(h);
}

}  // namespace

#endif

std::vector<std::string> ListAvailableDates(const Server& server, std::string_view sConnector) {
  const std::string dir = GetLogDirectory(server, sConnector, kActivity);
  const std::string prefix = GetLogPrefixFromConnectorCode(sConnector);
  std::vector<std::string> names;
  if (dir.empty()) return {};
#ifdef _WIN32
  ListMatchingFiles(dir, server.separator(), prefix, names);
#else
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(fs::path(dir), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc) || typeEc) continue;
    std::string name = it->path().filename().string();
    if (MatchesActivityLogPattern(name, prefix, kNamesCaseSensitive)) {
      names.push_back(std::move(name));
    }
  }
#endif
  std::sort(names.begin(), names.end());
  std::vector<std::string> dates;
  dates.reserve(names.size());
  for (const std::string& name : names) dates.push_back(LogDateFromFileName(name));
  return dates;
}

}  // namespace rq
