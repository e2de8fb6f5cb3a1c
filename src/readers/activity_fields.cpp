#include "readers/activity_fields.h"

#include <array>

namespace rq {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsTimeOfDay(std::string_view t) {
  const std::size_t hour = t.size() > 1 && IsDigit(t[1]) ? 2 : 1;
  if (t.size() < hour + 6 || !IsDigit(t[0])) return false;
  for (const std::size_t at : {hour, hour + 3}) {
    if (t[at] != ':' || !IsDigit(t[at + 1]) || !IsDigit(t[at + 2])) return false;
  }
  const std::string_view fraction = t.substr(hour + 6);
  if (fraction.empty()) return true;
  if (fraction.size() < 2 || fraction[0] != '.') return false;
  for (const char c : fraction.substr(1)) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool IsDirectionTag(std::string_view t) {
  if (t.empty()) return false;
  for (const char c : t) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-')) return false;
  }
  return true;
}

}  // namespace

std::optional<ActivityFields> ActivityFieldsOf(std::string_view line) {
  std::array<std::string_view, 7> f;
  std::size_t start = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos && i < f.size() - 1) return std::nullopt;
    f[i] = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
    start = tab == std::string_view::npos ? line.size() + 1 : tab + 1;
  }
  if (!IsTimeOfDay(f[0]) || !IsDirectionTag(f[1])) return std::nullopt;
  ActivityFields out{f[0], f[1], f[2], f[3], f[4], f[5], f[6], std::nullopt};
  if (start <= line.size()) out.rest = line.substr(start);
  return out;
}

}  // namespace rq
