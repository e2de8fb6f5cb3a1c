#include "tracing/flow_report.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <tuple>
#include <utility>

#include "readers/flow_readers.h"
#include "readers/log_line.h"
#include "readers/parallel.h"
#include "readers/segmented_log.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

constexpr std::uint64_t kValueMask = (std::uint64_t{1} << 60) - 1;

// A message ID as 64 bits: up to 15 upper-case hex digits exactly (the count in the top four
// bits, never 0), any other ID as its FNV-1a hash with the top four bits cleared.
std::uint64_t KeyOf(std::string_view id) {
  if (id.size() <= 15) {
    std::uint64_t value = 0;
    bool hex = true;
    for (const char c : id) {
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) {
        hex = false;
        break;
      }
      value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    if (hex && !id.empty()) return static_cast<std::uint64_t>(id.size()) << 60 | value;
  }
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : id) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash & kValueMask;
}

bool Exact(std::uint64_t key) {
  return (key >> 60) != 0;
}

std::string IdOf(std::uint64_t key) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string id(key >> 60, '0');
  std::uint64_t value = key & kValueMask;
  for (std::size_t i = id.size(); i-- > 0; value >>= 4) id[i] = kDigits[value & 0xF];
  return id;
}

// Names looked up by view, allocated once per distinct name.
using Counts = std::map<std::string, long long, std::less<>>;

void Bump(Counts& counts, std::string_view name, long long by = 1) {
  const auto it = counts.find(name);
  if (it != counts.end()) {
    it->second += by;
  } else {
    counts.emplace(std::string(name), by);
  }
}

// Counts by name while the logs are read, a lookup per MAIL and RCPT line: an open table of a
// power of two slots, each the hash of a name and where its bytes lie in one buffer; a run of
// lines with one name (a message's recipients at one domain) goes to the slot found last.
class ScanCounts {
 public:
  void Bump(std::string_view name) {
    if (last_ == kNone || !Holds(slots_[last_], name)) last_ = SlotOf(name);
    ++slots_[last_].count;
  }
  // Calls f(name, count) for every name counted.
  template <class F>
  void ForEach(F&& f) const {
    for (const Slot& slot : slots_) {
      if (slot.count > 0) f(std::string_view(bytes_.data() + slot.at, slot.size), slot.count);
    }
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t at = 0;
    std::size_t size = 0;
    long long count = 0;  // 0: a free slot (a name is only placed to be counted)
  };
  static constexpr std::size_t kNone = ~std::size_t{0};

  // Eight bytes a step, where a byte-wise hash waits on a multiply per byte.
  static std::uint64_t Hash(std::string_view name) {
    std::uint64_t hash = name.size() * 0x9E3779B97F4A7C15ULL;
    for (std::size_t i = 0; i < name.size(); i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, name.data() + i, std::min<std::size_t>(8, name.size() - i));
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
      hash ^= hash >> 32;
    }
    // The slot is taken from the low bits, which a product leaves depending on the low bits of
    // the last word alone: mixed down from the high ones.
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ULL;
    return hash ^ hash >> 33;
  }
  bool Holds(const Slot& slot, std::string_view name) const {
    return slot.size == name.size() &&
           std::memcmp(bytes_.data() + slot.at, name.data(), name.size()) == 0;
  }
  std::size_t SlotOf(std::string_view name) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    const std::uint64_t hash = Hash(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.count == 0) {
        slot = {hash, bytes_.size(), name.size(), 0};
        bytes_.append(name);
        ++used_;
        return i;
      }
      if (slot.hash == hash && Holds(slot, name)) return i;
    }
  }
  void Grow() {
    std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.count == 0) continue;
      std::size_t i = slot.hash & mask;
      while (slots_[i].count != 0) i = (i + 1) & mask;
      slots_[i] = slot;
    }
    last_ = kNone;
  }

  std::vector<Slot> slots_;
  std::string bytes_;
  std::size_t used_ = 0;
  std::size_t last_ = kNone;
};

// The index of a name in a small table of distinct names.
class Names {
 public:
  std::uint32_t Index(std::string_view name) {
    const auto it = index_.find(name);
    if (it != index_.end()) return it->second;
    const auto i = static_cast<std::uint32_t>(names_.size());
    names_.emplace_back(name);
    index_.emplace(std::string(name), i);
    return i;
  }
  const std::vector<std::string>& names() const { return names_; }

 private:
  std::map<std::string, std::uint32_t, std::less<>> index_;
  std::vector<std::string> names_;
};

// A domain as counted: lower case, from an address "...@domain>" or a bare domain; empty when
// there is none. Longer than any DNS name: "(overlong)".
std::string_view DomainOf(std::string_view text, char* buffer, std::size_t size) {
  const std::size_t at = text.rfind('@');
  if (at != std::string_view::npos) text.remove_prefix(at + 1);
  // One pass: lower case up to the first '>' or space.
  std::size_t n = 0;
  for (const char c : text) {
    if (c == '>' || c == ' ') break;
    if (n == size) return "(overlong)";
    buffer[n++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return {buffer, n};
}

// Activity log times are whole seconds: records of them hold seconds since the range's first
// midnight.
struct InRec {
  std::uint64_t key;
  std::uint32_t time;
  std::uint16_t day;
  std::uint8_t connector;  // 0 SMTP, 1 postoffice
};
struct RouteRec {
  std::uint64_t source;
  std::uint64_t target;
  long long time;
  std::uint16_t day;
  std::uint32_t connector;  // index into the connector names
};
struct SplitRec {
  std::uint64_t parent;
  std::uint64_t copy;
  long long time;
  std::uint16_t day;
  std::uint32_t domain;  // index into the domain names
  long long lastConversation = -1;
};
struct ConvRec {
  std::uint64_t key;
  std::uint64_t session;
  std::uint32_t start;
  std::uint16_t day;
};

// A day's activity records are held between the reading and the putting together of the days,
// when every day's are held at once: in a few bytes each. They are sorted by key, which leaves
// small steps from one key to the next, and each field is written as its step from the previous
// record's (IDs and sessions grow with the time on a server, so the steps of the times and the
// sessions stay small too), in 7-bit groups (the high bit: more follow).
void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t v) {
  for (; v >= 0x80; v >>= 7) out.push_back(static_cast<std::uint8_t>(v | 0x80));
  out.push_back(static_cast<std::uint8_t>(v));
}

std::uint64_t GetNumber(const std::uint8_t*& p) {
  std::uint64_t v = 0;
  for (unsigned shift = 0;; shift += 7) {
    const std::uint8_t byte = *p++;
    v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return v;
  }
}

// A step that may go either way as a number that is small when the step is: 0, -1, 1, -2, ...
// as 0, 1, 2, 3, ... (the arithmetic is modulo 2^64 both ways).
std::uint64_t Step(std::uint64_t from, std::uint64_t to) {
  const std::uint64_t d = to - from;
  return d << 1 ^ (0 - (d >> 63));
}
std::uint64_t Stepped(std::uint64_t from, std::uint64_t step) {
  return from + ((step >> 1) ^ (0 - (step & 1)));
}

// A run of a day's records, packed; `scratch` is where it is written before it is copied out at
// its size.
struct Run {
  std::uint16_t day = 0;
  std::vector<std::uint8_t> bytes;
};

// The first inbound line of each message in `in`: sorted by key, one record per key. Empties `in`.
Run PackInbound(std::vector<InRec>& in, std::uint16_t day, std::vector<std::uint8_t>& packed) {
  const std::uint32_t midnight = day * 86400u;
  std::sort(in.begin(), in.end(), [](const InRec& a, const InRec& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.time != b.time ? a.time < b.time : a.connector < b.connector;
  });
  packed.clear();
  std::uint64_t previous = 0;
  std::uint64_t time = midnight;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (i > 0 && in[i].key == in[i - 1].key) continue;
    PutNumber(packed, in[i].key - previous);
    PutNumber(packed, Step(time, in[i].time) << 1 | in[i].connector);
    previous = in[i].key;
    time = in[i].time;
  }
  in.clear();
  return {day, std::vector<std::uint8_t>(packed.begin(), packed.end())};
}

// The conversations in `conversations`: sorted by key and session, one record (the earliest) per
// conversation. Empties `conversations`.
Run PackConversations(std::vector<ConvRec>& conversations, std::uint16_t day,
                      std::vector<std::uint8_t>& packed) {
  const std::uint32_t midnight = day * 86400u;
  std::sort(conversations.begin(), conversations.end(), [](const ConvRec& a, const ConvRec& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.session != b.session ? a.session < b.session : a.start < b.start;
  });
  packed.clear();
  std::uint64_t previous = 0;
  std::uint64_t start = midnight;
  std::uint64_t session = 0;
  for (std::size_t i = 0; i < conversations.size(); ++i) {
    const ConvRec& c = conversations[i];
    if (i > 0 && c.key == conversations[i - 1].key && c.session == conversations[i - 1].session) {
      continue;
    }
    PutNumber(packed, c.key - previous);
    PutNumber(packed, Step(start, c.start));
    PutNumber(packed, Step(session, c.session));
    previous = c.key;
    start = c.start;
    session = c.session;
  }
  conversations.clear();
  return {day, std::vector<std::uint8_t>(packed.begin(), packed.end())};
}

// Reads a packed day back, record by record.
struct InCursor {
  const std::uint8_t* p;
  const std::uint8_t* end;
  InRec rec{0, 0, 0, 0};  // the previous record; its time starts at the day's midnight
  bool Next() {
    if (p == end) return false;
    rec.key += GetNumber(p);
    const std::uint64_t time = GetNumber(p);
    rec.time = static_cast<std::uint32_t>(Stepped(rec.time, time >> 1));
    rec.connector = static_cast<std::uint8_t>(time & 1);
    return true;
  }
};
struct ConvCursor {
  const std::uint8_t* p;
  const std::uint8_t* end;
  ConvRec rec{0, 0, 0, 0};  // the previous record; its start at the day's midnight
  bool Next() {
    if (p == end) return false;
    rec.key += GetNumber(p);
    rec.start = static_cast<std::uint32_t>(Stepped(rec.start, GetNumber(p)));
    rec.session = Stepped(rec.session, GetNumber(p));
    return true;
  }
};

// Calls f(record) for the records of all cursors in the order of `less`.
template <class Cursor, class Less, class F>
void Merge(std::vector<Cursor>& cursors, Less less, F&& f) {
  std::vector<Cursor*> heap;
  for (Cursor& c : cursors) {
    if (c.Next()) heap.push_back(&c);
  }
  const auto later = [&](const Cursor* a, const Cursor* b) { return less(b->rec, a->rec); };
  std::make_heap(heap.begin(), heap.end(), later);
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), later);
    Cursor* c = heap.back();
    f(c->rec);
    if (c->Next()) {
      std::push_heap(heap.begin(), heap.end(), later);
    } else {
      heap.pop_back();
    }
  }
}

// What one day's logs hold, before the days are put together.
struct DayScan {
  FlowDay day;
  std::vector<InRec> in;
  std::vector<RouteRec> routes;
  std::vector<SplitRec> splits;
  std::vector<ConvRec> conversations;
  Names connectors;
  Names domains;
  ScanCounts senders, recipients, peers;
  std::map<std::uint64_t, std::string> names;  // IDs that are not held exactly
  long long skipped = 0;
  // The records are packed in runs of at most kRunRecords as they are read, so that what a day
  // holds unpacked is bounded; the runs are merged when the days are put together.
  static constexpr std::size_t kRunRecords = 1 << 16;
  std::uint16_t dayIndex = 0;
  std::vector<Run> inRuns, conversationRuns;
  std::vector<std::uint8_t> scratch;

  void AddIn(const InRec& r) {
    in.push_back(r);
    if (in.size() == kRunRecords) inRuns.push_back(PackInbound(in, dayIndex, scratch));
  }
  void AddConversation(const ConvRec& c) {
    conversations.push_back(c);
    if (conversations.size() == kRunRecords) {
      conversationRuns.push_back(PackConversations(conversations, dayIndex, scratch));
    }
  }
  void Flush() {
    if (!in.empty()) inRuns.push_back(PackInbound(in, dayIndex, scratch));
    if (!conversations.empty()) {
      conversationRuns.push_back(PackConversations(conversations, dayIndex, scratch));
    }
    in = {};
    conversations = {};
    scratch = {};
  }

  std::uint64_t Key(std::string_view id) {
    const std::uint64_t key = KeyOf(id);
    if (!Exact(key) && names.find(key) == names.end()) names.emplace(key, std::string(id));
    return key;
  }
};

// The key of the last ID or session read: a message's lines and a conversation's come in runs,
// so a text is turned into a key once per run, and compared inline (a call to memcmp for a few
// bytes on every line costs more than the compare).
class LastKey {
 public:
  template <class KeyOfText>
  std::uint64_t Of(std::string_view text, KeyOfText&& keyOf) {
    if (text.size() == size_ && Same(text)) return key_;
    key_ = keyOf(text);
    size_ = text.size() <= sizeof text_ ? text.size() : std::string_view::npos;
    if (size_ != std::string_view::npos) std::memcpy(text_, text.data(), size_);
    return key_;
  }

 private:
  bool Same(std::string_view text) const {
    for (std::size_t i = 0; i < size_; ++i) {
      if (text[i] != text_[i]) return false;
    }
    return true;
  }
  char text_[16] = {};
  std::size_t size_ = std::string_view::npos;  // npos: none held
  std::uint64_t key_ = 0;
};

// Reads the activity lines `source` hands out: a whole log of the day or one segment of it.
void ScanActivity(LineSource& source, std::uint8_t connector, std::uint32_t midnight,
                  std::uint16_t dayIndex, DayScan& scan) {
  std::uint64_t lastIn = 0;
  std::uint32_t lastInTime = 0;
  std::uint64_t lastOutKey = 0;
  std::uint64_t lastOutSession = 0;
  std::uint32_t lastOutTime = 0;
  LastKey id, session;
  char domain[256];
  scan.in.reserve(DayScan::kRunRecords);
  scan.conversations.reserve(DayScan::kRunRecords);
  scan.skipped += ReadActivityLines(source, [&](const ActivityLine& line) {
    const std::uint64_t key = id.Of(line.id, [&](std::string_view text) { return scan.Key(text); });
    const std::uint32_t time = midnight + static_cast<std::uint32_t>(line.clock / 1000);
    if (line.inbound) {
      // One record per run of lines of a message, and one more for a line of the run written
      // with an earlier time; the runs are put together later, keeping the earliest. So a
      // message's time is that of its earliest line wherever runs and segments begin.
      if (scan.in.empty() || key != lastIn || time < lastInTime) {
        scan.AddIn({key, time, dayIndex, connector});
        lastIn = key;
        lastInTime = time;
      }
      if (line.verb == "MAIL") {
        scan.senders.Bump(DomainOf(line.argument, domain, sizeof domain));
        scan.peers.Bump(line.peer.substr(0, 64));
      } else if (line.verb == "RCPT") {
        scan.recipients.Bump(DomainOf(line.argument, domain, sizeof domain));
      }
      return;
    }
    if (connector != 0) return;  // the postoffice's outbound lines are not the SMTP connector's
    const std::uint64_t conversation = session.Of(line.session, KeyOf);
    if (scan.conversations.empty() || key != lastOutKey || conversation != lastOutSession ||
        time < lastOutTime) {
      scan.AddConversation({key, conversation, time, dayIndex});
      lastOutKey = key;
      lastOutSession = conversation;
      lastOutTime = time;
    }
  });
  scan.Flush();
}

// The routing lines of the routing agent's debug log and the requeue lines of the SMTP
// connector's, of one day.
void ScanDebugLogs(const Server& server, const Date& date, std::uint16_t dayIndex, DayScan& scan) {
  FlowReadCount count = ReadTaggedLines(
      GetLogFile(server, "MTA", kDebug, date), kMtaRouteTag, ParseRoutingLine,
      [&](const RoutingLine& line) {
        scan.routes.push_back({scan.Key(line.sourceId), scan.Key(line.targetId), line.time,
                               dayIndex, scan.connectors.Index(line.targetConnector)});
      });
  scan.day.mtaLog = count.opened;
  scan.skipped += count.skipped;
  char domain[256];
  count = ReadTaggedLines(
      GetLogFile(server, "SMTP", kDebug, date), kRequeueParentTag, ParseFlowRequeue,
      [&](const FlowRequeue& line) {
        scan.splits.push_back({scan.Key(line.parentId), scan.Key(line.copyId), line.time, dayIndex,
                               scan.domains.Index(DomainOf(line.domain, domain, sizeof domain))});
      });
  scan.day.smtpDebugLog = count.opened;
  scan.skipped += count.skipped;
}

int HourOf(long long time) {
  const long long inDay = ((time % kMsPerDay) + kMsPerDay) % kMsPerDay;
  return static_cast<int>(inDay / 3600000);
}

// Nearest rank: the smallest value with at least p percent of the values at or below it.
DelayStats Stats(std::vector<long long>& values) {
  DelayStats s;
  s.count = static_cast<long long>(values.size());
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const auto rank = [&](long long p) {
    const long long r = (p * s.count + 99) / 100;  // ceil(p/100 * n), at least 1
    return values[static_cast<std::size_t>(std::max(1LL, r) - 1)];
  };
  s.p50 = rank(50);
  s.p90 = rank(90);
  s.p99 = rank(99);
  s.max = values.back();
  return s;
}

std::vector<TopEntry> Top(const Counts& counts, std::size_t top) {
  std::vector<TopEntry> rows;
  for (const auto& [name, count] : counts) {
    if (!name.empty()) rows.push_back({name, count, {}});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const TopEntry& a, const TopEntry& b) { return a.count > b.count; });
  if (rows.size() > top) rows.resize(top);
  return rows;
}

template <class T, class Key>
auto FindKey(const std::vector<T>& sorted, std::uint64_t key, Key keyOf) {
  const auto it = std::lower_bound(sorted.begin(), sorted.end(), key,
                                   [&](const T& r, std::uint64_t k) { return keyOf(r) < k; });
  return it != sorted.end() && keyOf(*it) == key ? it : sorted.end();
}

class Assembler {
 public:
  Assembler(const std::vector<Date>& dates, std::size_t top)
      : top_(top),
        base_(DaysFromCivil(dates.front().year, dates.front().month, dates.front().day) *
              kMsPerDay) {
    report_.days.resize(dates.size());
    for (std::size_t d = 0; d < dates.size(); ++d) report_.days[d].day = dates[d];
    delays_.resize(dates.size());
    receivedBy_.resize(dates.size());
  }

  // What one reading found: a day's debug logs, or all or part of one of its activity logs.
  void Add(DayScan& scan, std::size_t d) {
    FlowDay& day = report_.days[d];
    day.mtaLog = day.mtaLog || scan.day.mtaLog;
    day.smtpDebugLog = day.smtpDebugLog || scan.day.smtpDebugLog;
    day.smtpActivityLog = day.smtpActivityLog || scan.day.smtpActivityLog;
    day.pocActivityLog = day.pocActivityLog || scan.day.pocActivityLog;
    report_.skippedLines += scan.skipped;
    for (const auto& [key, name] : scan.names) names_.emplace(key, name);
    for (RouteRec r : scan.routes) {
      r.connector = connectors_.Index(scan.connectors.names()[r.connector]);
      routes_.push_back(r);
    }
    for (SplitRec s : scan.splits) {
      s.domain = domains_.Index(scan.domains.names()[s.domain]);
      splits_.push_back(s);
    }
    for (Run& run : scan.inRuns) inRuns_.push_back(std::move(run));
    for (Run& run : scan.conversationRuns) conversationRuns_.push_back(std::move(run));
    scan.senders.ForEach([&](std::string_view n, long long c) { Bump(senders_, n, c); });
    scan.recipients.ForEach([&](std::string_view n, long long c) { Bump(recipients_, n, c); });
    scan.peers.ForEach([&](std::string_view n, long long c) { Bump(peers_, n, c); });
    scan = DayScan{};  // the day's records are held once only
  }

  FlowReport Finish(const std::string& inboundQueue) {
    bool later = true;  // every later day has the routing agent's log
    for (std::size_t d = report_.days.size(); d-- > 0;) {
      later = later && report_.days[d].mtaLog;
      report_.days[d].unroutedJudged = later;
    }
    Routed();
    Split();
    Conversations();
    Ends();
    Inbound();
    Queue(inboundQueue);
    Totals();
    report_.senderDomains = Top(senders_, top_);
    report_.recipientDomains = Top(recipients_, top_);
    report_.remoteAddresses = Top(peers_, top_);
    return std::move(report_);
  }

 private:
  FlowCounts& Day(std::uint16_t d) { return report_.days[d].counts; }
  static std::uint32_t Midnight(std::size_t day) {
    return static_cast<std::uint32_t>(day) * 86400u;
  }
  // An activity record's time in ms since 1970-01-01.
  long long Ms(std::uint32_t seconds) const { return base_ + seconds * 1000LL; }
  std::string Name(std::uint64_t key) const {
    if (Exact(key)) return IdOf(key);
    const auto it = names_.find(key);
    return it != names_.end() ? it->second : std::string();
  }
  // Activity logs write whole seconds: a step from a debug line (milliseconds) to an activity
  // line may come out up to a second short, and is then taken as 0 rather than left out.
  void Delay(std::uint16_t day, FlowStep step, long long delay) {
    if (delay < 0 && delay > -1000 && step == kStepFirstAttempt) delay = 0;
    if (delay < 0) {
      ++report_.outOfOrder;
      return;
    }
    delays_[day][step].push_back(delay);
  }

  void Routed() {
    // Ties (the same line in two days' logs) go to the earlier day, whatever order the days
    // were read in.
    std::sort(routes_.begin(), routes_.end(), [](const RouteRec& a, const RouteRec& b) {
      return std::tie(a.source, a.time, a.day) < std::tie(b.source, b.time, b.day);
    });
    for (std::size_t i = 0; i < routes_.size(); ++i) {
      const RouteRec& r = routes_[i];
      ++Day(r.day).routedTo[connectors_.names()[r.connector]];
      if (i > 0 && routes_[i - 1].source == r.source) continue;
      FlowCounts& c = Day(r.day);
      ++c.routed;
      ++c.hours[kSeriesRouted][static_cast<std::size_t>(HourOf(r.time))];
      firstRoutes_.emplace_back(r.source, r.time);
    }
    // From here on the routes are looked up by the message's ID in its destination queue.
    std::sort(routes_.begin(), routes_.end(), [](const RouteRec& a, const RouteRec& b) {
      return std::tie(a.target, a.time, a.day) < std::tie(b.target, b.time, b.day);
    });
  }

  void Split() {
    // One copy is one copy, however many requeue lines name it.
    std::sort(splits_.begin(), splits_.end(), [](const SplitRec& a, const SplitRec& b) {
      return std::tie(a.copy, a.time, a.day) < std::tie(b.copy, b.time, b.day);
    });
    splits_.erase(
        std::unique(splits_.begin(), splits_.end(),
                    [](const SplitRec& a, const SplitRec& b) { return a.copy == b.copy; }),
        splits_.end());
    Counts copyDomains;
    for (const SplitRec& s : splits_) {
      FlowCounts& c = Day(s.day);
      ++c.copies;
      ++c.hours[kSeriesCopies][static_cast<std::size_t>(HourOf(s.time))];
      Bump(copyDomains, domains_.names()[s.domain]);
    }
    report_.copyDomains = Top(copyDomains, top_);
    byParent_.resize(splits_.size());
    for (std::size_t i = 0; i < byParent_.size(); ++i) byParent_[i] = i;
    std::sort(byParent_.begin(), byParent_.end(), [&](std::size_t a, std::size_t b) {
      const SplitRec& x = splits_[a];
      const SplitRec& y = splits_[b];
      return std::tie(x.parent, x.time, x.day) < std::tie(y.parent, y.time, y.day);
    });
    ForEachParent([&](std::size_t from, std::size_t to) {
      const SplitRec& first = splits_[byParent_[from]];
      FlowCounts& c = Day(first.day);
      ++c.split;
      const std::size_t n = to - from;
      ++c.copiesPerMessage[n == 1 ? 0 : n <= 5 ? 1 : n <= 20 ? 2 : 3];
      const auto route = FindKey(routes_, first.parent, [](const RouteRec& r) { return r.target; });
      if (route != routes_.end()) Delay(route->day, kStepSplit, first.time - route->time);
    });
  }

  template <class F>
  void ForEachParent(F&& f) {
    for (std::size_t from = 0; from < byParent_.size();) {
      std::size_t to = from + 1;
      while (to < byParent_.size() &&
             splits_[byParent_[to]].parent == splits_[byParent_[from]].parent) {
        ++to;
      }
      f(from, to);
      from = to;
    }
  }

  void Conversations() {
    std::vector<ConvCursor> cursors;
    for (const Run& run : conversationRuns_) {
      cursors.push_back({run.bytes.data(), run.bytes.data() + run.bytes.size(),
                         ConvRec{0, 0, Midnight(run.day), run.day}});
    }
    Counts retried;
    std::map<std::string, std::pair<long long, std::string>, std::less<>> example;
    // One message's conversations, each once (the runs of one conversation, across midnight too,
    // are one conversation), by their start.
    std::vector<ConvRec> group;
    const auto finish = [&] {
      std::sort(group.begin(), group.end(),
                [](const ConvRec& a, const ConvRec& b) { return a.start < b.start; });
      long long days = 0;
      for (std::size_t i = 0; i < group.size(); ++i) {
        const ConvRec& c = group[i];
        if (i == 0 || c.day != group[i - 1].day) ++days;
        FlowCounts& counts = Day(c.day);
        ++counts.outbound;
        ++counts.hours[kSeriesOutbound][static_cast<std::size_t>(HourOf(Ms(c.start)))];
      }
      const ConvRec& first = group.front();
      const ConvRec& last = group.back();
      const auto split = FindKey(splits_, first.key, [](const SplitRec& s) { return s.copy; });
      if (split != splits_.end()) {
        SplitRec& s = splits_[static_cast<std::size_t>(split - splits_.begin())];
        s.lastConversation = Ms(last.start);
        Delay(s.day, kStepFirstAttempt, Ms(first.start) - s.time);
        Delay(first.day, kStepLastAttempt, Ms(last.start) - Ms(first.start));
        const auto n = static_cast<long long>(group.size());
        if (n > 1 || days > 1) {
          ++report_.retriedCopies;
          const std::string& domain = domains_.names()[s.domain];
          Bump(retried, domain);
          auto& [most, id] = example[domain];
          if (n > most) {
            most = n;
            id = Name(first.key);
          }
        }
      }
      group.clear();
    };
    Merge(
        cursors,
        [](const ConvRec& a, const ConvRec& b) {
          if (a.key != b.key) return a.key < b.key;
          return a.session != b.session ? a.session < b.session : a.start < b.start;
        },
        [&](const ConvRec& c) {
          if (!group.empty() && group.back().key != c.key) finish();
          // A conversation seen on two days counts on the first.
          if (group.empty() || group.back().session != c.session) group.push_back(c);
        });
    if (!group.empty()) finish();
    for (const SplitRec& s : splits_) {
      if (s.lastConversation < 0) ++report_.copiesWithoutConversation;
    }
    report_.retriedDomains = Top(retried, top_);
    for (TopEntry& e : report_.retriedDomains) e.example = example[e.name].second;
    conversationRuns_ = {};
  }

  // Each message whose copies were all sent, with its last conversation, by its ID.
  void Ends() {
    ForEachParent([&](std::size_t from, std::size_t to) {
      long long last = -1;
      for (std::size_t i = from; i < to; ++i) {
        const SplitRec& s = splits_[byParent_[i]];
        if (s.lastConversation < 0) return;  // a copy not sent yet: no end
        last = std::max(last, s.lastConversation);
      }
      const std::uint64_t parent = splits_[byParent_[from]].parent;
      const auto route = FindKey(routes_, parent, [](const RouteRec& r) { return r.target; });
      if (route != routes_.end()) ends_.emplace_back(route->source, last);
    });
    std::sort(ends_.begin(), ends_.end());
    // A message split in two SMTP queues ends with the later of them.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ends_.size(); ++i) {
      if (i + 1 < ends_.size() && ends_[i + 1].first == ends_[i].first) continue;
      ends_[kept++] = ends_[i];
    }
    ends_.resize(kept);
  }

  // Every message's first inbound line, in the order of the IDs, once: a message seen on two days
  // counts on the first. Its routing, its end and whether it was never routed are looked up by
  // walking the routes and ends (sorted by the same IDs) alongside.
  void Inbound() {
    std::vector<InCursor> cursors;
    for (const Run& run : inRuns_) {
      cursors.push_back({run.bytes.data(), run.bytes.data() + run.bytes.size(),
                         InRec{0, Midnight(run.day), run.day, 0}});
    }
    std::sort(firstRoutes_.begin(), firstRoutes_.end());
    std::size_t route = 0;
    std::size_t end = 0;
    std::vector<SlowMessage> slow;
    // A max-heap of (time, key, day).
    std::vector<std::tuple<long long, std::uint64_t, std::uint16_t>> earliest;
    bool any = false;
    std::uint64_t previous = 0;
    Merge(
        cursors,
        [](const InRec& a, const InRec& b) {
          if (a.key != b.key) return a.key < b.key;
          return a.time != b.time ? a.time < b.time : a.connector < b.connector;
        },
        [&](const InRec& r) {
          if (any && r.key == previous) return;
          any = true;
          previous = r.key;
          FlowCounts& c = Day(r.day);
          ++c.received;
          ++receivedBy_[r.day][r.connector];
          ++c.hours[kSeriesReceived][static_cast<std::size_t>(HourOf(Ms(r.time)))];
          while (route < firstRoutes_.size() && firstRoutes_[route].first < r.key) ++route;
          const bool routed = route < firstRoutes_.size() && firstRoutes_[route].first == r.key;
          if (routed) Delay(r.day, kStepRouting, firstRoutes_[route].second - Ms(r.time));
          while (end < ends_.size() && ends_[end].first < r.key) ++end;
          if (end < ends_.size() && ends_[end].first == r.key) {
            const long long delay = ends_[end].second - Ms(r.time);
            Delay(r.day, kStepEndToEnd, delay);
            if (delay >= 0) {
              const long long inDay = Ms(r.time) / kMsPerDay;
              slow.push_back({Name(r.key), report_.days[r.day].day, delay,
                              ends_[end].second / kMsPerDay - inDay});
            }
          }
          if (routed || !report_.days[r.day].unroutedJudged) return;
          // Every message never routed is counted, but only the `top` earliest are named, chosen
          // with a bounded heap.
          ++c.neverRouted;
          if (top_ == 0) return;
          const std::tuple<long long, std::uint64_t, std::uint16_t> entry(r.time, r.key, r.day);
          if (earliest.size() < top_) {
            earliest.push_back(entry);
            std::push_heap(earliest.begin(), earliest.end());
          } else if (entry < earliest.front()) {
            std::pop_heap(earliest.begin(), earliest.end());
            earliest.back() = entry;
            std::push_heap(earliest.begin(), earliest.end());
          }
        });
    inRuns_ = {};
    for (std::size_t d = 0; d < receivedBy_.size(); ++d) {
      static constexpr const char* kConnectors[] = {"SMTP", "SF"};
      for (std::size_t connector = 0; connector < 2; ++connector) {
        if (receivedBy_[d][connector] > 0) {
          report_.days[d].counts.receivedBy[kConnectors[connector]] = receivedBy_[d][connector];
        }
      }
    }
    std::stable_sort(slow.begin(), slow.end(), [](const SlowMessage& a, const SlowMessage& b) {
      return a.delay != b.delay ? a.delay > b.delay : a.id < b.id;
    });
    if (slow.size() > top_) slow.resize(top_);
    report_.slowest = std::move(slow);
    std::sort_heap(earliest.begin(), earliest.end());
    for (const auto& [time, key, day] : earliest) {
      report_.unrouted.push_back({Name(key), report_.days[day].day, false});
    }
  }

  // Whether each message named as never routed waits in the SMTP inbound queue, and how many
  // files wait there.
  void Queue(const std::string& inboundQueue) {
    for (UnroutedMessage& m : report_.unrouted) {
      std::error_code error;
      const bool plain =
          m.id.find_first_of("/\\") == std::string::npos && m.id != "." && m.id != "..";
      m.waiting = plain && std::filesystem::is_regular_file(
                               std::filesystem::path(inboundQueue) / m.id, error);
    }
    std::error_code error;
    long long files = 0;
    for (std::filesystem::directory_iterator it(inboundQueue, error), end; !error && it != end;
         it.increment(error)) {
      std::error_code kind;
      if (it->is_regular_file(kind)) ++files;
    }
    report_.waitingNow = error || inboundQueue.empty() ? -1 : files;
  }

  void Totals() {
    FlowCounts& t = report_.total;
    std::array<std::vector<long long>, kFlowSteps> all;
    for (std::size_t d = 0; d < report_.days.size(); ++d) {
      FlowCounts& c = report_.days[d].counts;
      for (std::size_t s = 0; s < kFlowSteps; ++s) {
        all[s].insert(all[s].end(), delays_[d][s].begin(), delays_[d][s].end());
        c.delays[s] = Stats(delays_[d][s]);
        delays_[d][s] = {};
      }
      t.received += c.received;
      t.routed += c.routed;
      t.split += c.split;
      t.copies += c.copies;
      t.outbound += c.outbound;
      t.neverRouted += c.neverRouted;
      for (const auto& [n, v] : c.receivedBy) t.receivedBy[n] += v;
      for (const auto& [n, v] : c.routedTo) t.routedTo[n] += v;
      for (std::size_t i = 0; i < 4; ++i) t.copiesPerMessage[i] += c.copiesPerMessage[i];
      for (std::size_t s = 0; s < kFlowSeries; ++s) {
        for (std::size_t h = 0; h < 24; ++h) t.hours[s][h] += c.hours[s][h];
      }
    }
    for (std::size_t s = 0; s < kFlowSteps; ++s) t.delays[s] = Stats(all[s]);
  }

  std::size_t top_;
  long long base_;  // the range's first midnight, ms since 1970-01-01
  FlowReport report_;
  std::vector<std::array<std::vector<long long>, kFlowSteps>> delays_;
  // Each day's first inbound lines and conversations, packed; freed once put together.
  std::vector<Run> inRuns_, conversationRuns_;
  std::vector<std::array<long long, 2>> receivedBy_;  // per day: via SMTP, via the postoffice
  std::vector<std::pair<std::uint64_t, long long>> firstRoutes_;  // message, its routing line
  std::vector<std::pair<std::uint64_t, long long>> ends_;         // message, its last conversation
  std::vector<RouteRec> routes_;
  std::vector<SplitRec> splits_;
  std::vector<std::size_t> byParent_;
  Names connectors_, domains_;
  std::map<std::uint64_t, std::string> names_;
  Counts senders_, recipients_, peers_;
};

}  // namespace

bool FlowReport::AnyLog() const {
  return std::any_of(days.begin(), days.end(), [](const FlowDay& d) { return d.AnyLog(); });
}

FlowReport BuildFlowReport(const Server& server, const std::vector<Date>& days, std::size_t top,
                           const ReadOptions& options) {
  Assembler assembler(days, top);
  const std::size_t threads = options.threads != 0 ? options.threads : ReaderThreadLimit();
  // The readings: each day's two debug logs together, and each segment of each activity log on
  // its own, so that a range of a few days keeps every core busy to its end, and one day too.
  struct Reading {
    std::size_t day;
    const SegmentedLog* activity;  // nullptr: the day's debug logs
    std::uint8_t connector;        // of the activity log: 0 SMTP, 1 postoffice
    std::size_t segment;
  };
  // A few days at a time, so that a long range does not hold every day's logs open at once: a
  // log that could not be opened for want of file handles would read as a day without logs.
  constexpr std::size_t kDaysOpen = 8;
  std::mutex assembling;
  std::exception_ptr error;
  for (std::size_t first = 0; first < days.size() && !error; first += kDaysOpen) {
    std::vector<std::unique_ptr<SegmentedLog>> activityLogs;
    std::vector<Reading> readings;
    for (std::size_t d = first; d < std::min(days.size(), first + kDaysOpen); ++d) {
      readings.push_back({d, nullptr, 0, 0});
      for (const std::uint8_t connector : {std::uint8_t{0}, std::uint8_t{1}}) {
        auto log = std::make_unique<SegmentedLog>(
            GetLogFile(server, connector == 0 ? "SMTP" : "SF", kActivity, days[d]),
            ReadOptions{threads, options.meter, options.minSegment});
        if (!log->is_open()) continue;
        for (std::size_t k = 0; k < log->segments(); ++k) {
          readings.push_back({d, log.get(), connector, k});
        }
        activityLogs.push_back(std::move(log));
      }
    }
    ForEachTaskInParallel(readings.size(), threads, [&](std::size_t i) {
      // An exception must not leave a reader's thread; the first is thrown again below.
      try {
        const Reading& r = readings[i];
        const auto dayIndex = static_cast<std::uint16_t>(r.day);
        DayScan scan;
        scan.dayIndex = dayIndex;
        if (r.activity == nullptr) {
          ScanDebugLogs(server, days[r.day], dayIndex, scan);
        } else {
          (r.connector == 0 ? scan.day.smtpActivityLog : scan.day.pocActivityLog) = true;
          r.activity->ReadSegment(r.segment, [&](LineSource& lines) {
            ScanActivity(lines, r.connector, static_cast<std::uint32_t>(dayIndex) * 86400u,
                         dayIndex, scan);
          });
        }
        // Each reading's records join the range's as soon as it is done, so that no more than
        // one reading per thread is held twice.
        const std::lock_guard<std::mutex> lock(assembling);
        assembler.Add(scan, r.day);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(assembling);
        if (!error) error = std::current_exception();
      }
    });
  }
  if (error) std::rethrow_exception(error);
  return assembler.Finish(GetConnectorPath(server, "SMTP", "Inbound"));
}

}  // namespace rq
