#include "readers/smtp_readers.h"

#include "base/text.h"
#include "readers/line_source.h"
#include "readers/multi_literal.h"
#include "readers/parallel.h"
#include "readers/segmented_log.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

std::string Bracketed(std::string_view prefix, std::string_view id) {
  std::string s;
  s.reserve(prefix.size() + id.size() + 2);
  s += prefix;
  s += id;
  s += ']';
  return s;
}

// Appends every line containing the ID to `results`; the number of lines selected, -1 when the
// log cannot be read. A large log is read in segments as the options allow.
long long CollectLines(const Server& server, const Date& day, std::string_view kind,
                       std::string_view messageId, std::string& results,
                       const ReadOptions& options) {
  const SegmentedLog log(GetLogFile(server, "SMTP", kind, day), options);
  if (!log.is_open()) return -1;
  // The first segment appends to the results directly; the others to texts of their own.
  std::vector<long long> selected(log.segments(), 0);
  const std::vector<std::string> later =
      log.ReadEach(results, [&](LineSource& source, std::size_t k, std::string& out) {
        source.ForEachLineContaining(messageId, [&](std::string_view line) {
          out += line;
          out += "\r\n";
          ++selected[k];
          return true;
        });
      });
  for (const std::string& text : later) results += text;
  long long total = 0;
  for (const long long n : selected) total += n;
  return total;
}

// The lines of every ID from one reading of the log: selected[i] counts the lines appended to
// results[i]. False when the log cannot be read (nothing appended then).
bool CollectLinesForEach(const Server& server, const Date& day, std::string_view kind,
                         const std::vector<std::string_view>& ids,
                         std::vector<std::string>& results, std::vector<long long>& selected) {
  selected.assign(ids.size(), 0);
  LineSource source(GetLogFile(server, "SMTP", kind, day));
  if (!source.is_open()) return false;
  ForEachLineHoldingAny(source, ids,
                        [&](std::string_view line, const std::vector<std::size_t>& matched) {
                          for (const std::size_t i : matched) {
                            results[i] += line;
                            results[i] += "\r\n";
                            ++selected[i];
                          }
                          return true;
                        });
  return true;
}

}  // namespace

bool TaggedValue(std::string_view line, std::string_view tag, std::string_view& value) {
  const std::size_t at = line.find(tag);
  if (at == std::string_view::npos || at == 0) return false;
  value = SplitField(line.substr(at + tag.size()), "]", 1);
  return true;
}

bool ParseRequeueLine(std::string_view line, RequeueLine& requeue) {
  if (line.find(kRequeueCode) == std::string_view::npos) return false;
  requeue = RequeueLine{};
  const std::size_t p = line.find(kRequeueParentTag);
  if (p != std::string_view::npos && p != 0) {
    const std::size_t s = p + kRequeueParentTag.size();
    // The closing bracket is looked for from the character after the first one of the ID.
    const std::size_t q = line.find(']', s + 1);
    if (q != std::string_view::npos) requeue.parent = line.substr(s, q - s);
  }
  TaggedValue(line, kRequeuedAsTag, requeue.copy);
  TaggedValue(line, kTargetDomainTag, requeue.domain);
  return true;
}

int GetSMTPRequeueInformation(const Server& server, const Date& day, std::string_view parentId,
                              RouteList& copies) {
  LineSource source(GetLogFile(server, "SMTP", kDebug, day));
  if (!source.is_open()) return 0;
  const std::string needle = Bracketed("[", parentId);
  std::size_t k = 0;
  source.ForEachLineContaining(needle, [&](std::string_view line) {
    RequeueLine requeue;
    if (!ParseRequeueLine(line, requeue)) return true;
    ++k;
    copies.resize(k);
    // A record holds only what its own line gives.
    copies[k - 1] = RouteEntry{std::string(requeue.copy), {}, std::string(requeue.domain), {}};
    return true;
  });
  return k > 0 ? 1 : 0;
}

std::string GetSMTPRequeueParent(const Server& server, const Date& day, std::string_view copyId) {
  LineSource source(GetLogFile(server, "SMTP", kDebug, day));
  if (!source.is_open()) return {};
  const std::string needle = Bracketed(kRequeuedAsTag, copyId);
  std::string parent;
  source.ForEachLineContaining(needle, [&](std::string_view line) {
    RequeueLine requeue;
    if (!ParseRequeueLine(line, requeue) || requeue.parent.empty()) return true;
    parent = std::string(requeue.parent);
    return false;
  });
  return parent;
}

int GetSMTPTransactionDetails(const Server& server, const Date& day, std::string_view messageId,
                              std::string& results, const ReadOptions& options) {
  if (CollectLines(server, day, kActivity, messageId, results, options) < 0) {
    return 0;
  }
  return results.empty() ? 0 : 1;
}

int GetSMTPDebugDelivery(const Server& server, const Date& day, std::string_view messageId,
                         std::string& results) {
  return CollectLines(server, day, kDebug, messageId, results, ReadOptions{1, nullptr}) > 0 ? 1 : 0;
}

std::vector<int> GetSMTPTransactionDetailsForEach(const Server& server, const Date& day,
                                                  const std::vector<std::string_view>& ids,
                                                  std::vector<std::string>& results) {
  std::vector<long long> selected;
  const bool read = CollectLinesForEach(server, day, kActivity, ids, results, selected);
  std::vector<int> answers(ids.size(), 0);
  for (std::size_t i = 0; i < ids.size(); ++i) answers[i] = read && !results[i].empty() ? 1 : 0;
  return answers;
}

std::vector<int> GetSMTPDebugDeliveryForEach(const Server& server, const Date& day,
                                             const std::vector<std::string_view>& ids,
                                             std::vector<std::string>& results) {
  std::vector<long long> selected;
  const bool read = CollectLinesForEach(server, day, kDebug, ids, results, selected);
  std::vector<int> answers(ids.size(), 0);
  for (std::size_t i = 0; i < ids.size(); ++i) answers[i] = read && selected[i] > 0 ? 1 : 0;
  return answers;
}

}  // namespace rq
