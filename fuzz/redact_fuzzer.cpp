// Redaction on any input: no address, host or IP that a plain recogniser of our own finds in the
// input is found in the output, except the kept values; every IP in the output is a valid one;
// and a story holding the text as a log line and a copy's domain prints as JSON that parses once
// redacted. Input: selector byte (which verb), then the kept token, NUL, the text.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/output.h"
#include "app/redact.h"
#include "fuzz_support.h"

namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}
bool IsLocalChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("._%+-").find(c) != std::string_view::npos;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> out(1);
  for (const char c : s) {
    if (c == sep) {
      out.emplace_back();
    } else {
      out.back().push_back(c);
    }
  }
  return out;
}

// An IPv4 address by the book: four parts of 1-3 digits, each at most 255.
bool Ipv4Shaped(const std::vector<std::string>& labels, bool checkRange) {
  if (labels.size() != 4) return false;
  for (const std::string& l : labels) {
    if (l.empty() || l.size() > 3 || l.find_first_not_of("0123456789") != std::string::npos)
      return false;
    if (checkRange && std::stoi(l) > 255) return false;
  }
  return true;
}

// Hosts (two labels or more, the last of letters), their parent names, IPv4 and IPv6 addresses
// and mailboxes, all in lower case.
std::set<std::string> Recognised(const std::string& text) {
  std::set<std::string> found;
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (std::size_t i = 0; i < lower.size();) {
    std::size_t j = i;
    while (j < lower.size() && IsNameChar(lower[j])) ++j;
    std::string run = lower.substr(i, j - i);
    while (!run.empty() && (run.back() == '.' || run.back() == '-')) run.pop_back();
    while (!run.empty() && (run.front() == '.' || run.front() == '-')) run.erase(0, 1);
    const std::vector<std::string> labels = Split(run, '.');
    const std::string& last = labels.back();
    if (Ipv4Shaped(labels, true)) {
      found.insert(run);
    } else if (labels.size() >= 2 && last.size() >= 2 &&
               std::all_of(last.begin(), last.end(),
                           [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }) &&
               std::none_of(labels.begin(), labels.end(),
                            [](const std::string& l) { return l.empty(); })) {
      found.insert(run);
      for (std::size_t dot = run.find('.'); dot != std::string::npos;
           dot = run.find('.', dot + 1)) {
        if (run.find('.', dot + 1) != std::string::npos) found.insert(run.substr(dot + 1));
      }
    }
    i = j == i ? i + 1 : j;
  }
  for (std::size_t i = 0; i < lower.size();) {
    std::size_t j = i;
    while (j < lower.size() &&
           (std::isxdigit(static_cast<unsigned char>(lower[j])) || lower[j] == ':'))
      ++j;
    const std::string run = lower.substr(i, j - i);
    const auto colons = std::count(run.begin(), run.end(), ':');
    if ((run.find("::") != std::string::npos || colons >= 7) &&
        run.find_first_not_of(':') != std::string::npos) {
      found.insert(run);
    }
    i = j == i ? i + 1 : j;
  }
  for (std::size_t at = lower.find('@'); at != std::string::npos; at = lower.find('@', at + 1)) {
    std::size_t a = at, b = at + 1;
    while (a > 0 && IsLocalChar(lower[a - 1])) --a;
    while (b < lower.size() && (std::isalnum(static_cast<unsigned char>(lower[b])) ||
                                lower[b] == '.' || lower[b] == '-'))
      ++b;
    while (b > at + 1 && (lower[b - 1] == '.' || lower[b - 1] == '-')) --b;
    if (a < at && lower.find('.', at) < b) found.insert(lower.substr(a, b - a));
  }
  return found;
}

// What the redactor itself writes: 192.0.2.x and the other reserved ranges, 2001:db8::..., the
// numbered names under .example.
bool PlaceholderShaped(const std::string& hit) {
  if (hit.ends_with(".example") || hit.starts_with("2001:db8:")) return true;
  for (const std::string_view net : {"192.0.2.", "198.51.100.", "203.0.113."}) {
    if (hit.starts_with(net) && Ipv4Shaped(Split(hit, '.'), true)) return true;
  }
  return false;
}

// A log's own name, which reports keep.
bool LogName(const std::string& hit) {
  const std::size_t dash = hit.find('-');
  return hit.ends_with(".log") && dash != std::string::npos &&
         (hit.find("-activity-") == dash || hit.find("-debug-") == dash ||
          hit.find("-w3c-") == dash);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 1, size - 1, 1);
  const std::string& kept = parts[0];
  const std::string& text = parts[1];
  rq::Redactor r;
  r.Keep(kept);
  std::string out;
  switch (data[0] % 6) {
    case 0:
      out = r.Line(text);
      break;
    case 1:
      out = r.Redact(text);
      break;
    case 2:
      out = r.Address(text);
      break;
    case 3:
      out = r.HostName(text);
      break;
    case 4:
      out = r.DomainName(text);
      break;
    default:
      out = r.IpAddress(text);
      break;
  }
  {
    rq::Story story;
    story.askedId = kept;
    story.originId = kept;
    story.hops.push_back(rq::StoryHop{rq::HopKind::kCopy,
                                      kept,
                                      "SMTP",
                                      text,
                                      kept,
                                      {rq::StoryEvent{{2026, 12, 6}, "10:00:00", "x.log", text}}});
    rq::Result result = rq::StoryReport{std::move(story), text};
    rq::Redactor redactor;
    rq::Redact(result, redactor);
    const std::string json = rq::Json(result).dump(2);
    RQ_FUZZ_CHECK(nlohmann::json::accept(json));
  }
  std::string keptLower = kept;
  for (char& c : keptLower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string textLower = text;
  for (char& c : textLower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::set<std::string> before = Recognised(text);
  for (const std::string& hit : Recognised(out)) {
    // Every IP the output holds is a valid one.
    RQ_FUZZ_CHECK(!Ipv4Shaped(Split(hit, '.'), false) || Ipv4Shaped(Split(hit, '.'), true));
    if (before.count(hit) == 0 || PlaceholderShaped(hit) || LogName(hit)) continue;
    if (!kept.empty() && keptLower.find(hit) != std::string::npos) continue;
    // An ID the line's layout gives (Q7.MAI) is kept: one dot, a digit, a short ending, and in
    // an ID position of the input (a bracket, the activity line's third field).
    const std::size_t dot = hit.find('.');
    const bool idShaped = dot != std::string::npos && hit.find('.', dot + 1) == std::string::npos &&
                          hit.size() - dot <= 5 && hit.find_first_of("0123456789") < dot;
    if (data[0] % 6 == 0 && idShaped &&
        (textLower.find("[" + hit + "]") != std::string::npos ||
         textLower.find("\t" + hit + "\t") != std::string::npos)) {
      continue;
    }
    std::fprintf(stderr, "survives: %s\n", hit.c_str());
    RQ_FUZZ_CHECK(false);
  }
  return 0;
}
