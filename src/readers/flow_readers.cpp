#include "readers/flow_readers.h"

#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#define RQ_FLOW_SSE2 1
#endif

#include "base/text.h"
#include "readers/log_line.h"

namespace rq {
namespace {

// A field's value, every '[' and ']' removed: a view into the line, or into `spare` in the rare
// case of a bracket inside the value.
std::string_view ValueOf(std::string_view field, std::string& spare) {
  if (field.size() >= 2 && field.front() == '[' && field.back() == ']') {
    field = field.substr(1, field.size() - 2);
  }
  if (field.find_first_of("[]") == std::string_view::npos) return field;
  spare = WithoutBrackets(field);
  return spare;
}

// The time of an activity line in ms after midnight: a stamp of the time alone, "HH:MM:SS";
// -1 for any other text.
int ClockOf(std::string_view time) {
  if (time.size() != 8) return -1;
  const LineStamp stamp = StampOf(time);
  if (stamp.day || stamp.time.size() != 8) return -1;
  return static_cast<int>(MsOfDay(stamp.time));
}

// The activity line [p, end) read once its separators are found (see ScanActivityLine): eight
// fields, a direction of ours and a real time, whose clock `clockOf` reads.
template <class ClockOfTime>
bool FinishActivityLine(const char* p, const char* end, const char* const (&tabs)[6],
                        std::size_t count, const char* last, ClockOfTime&& clockOf,
                        ActivityLine& out) {
  if (count != 6 || last == nullptr) return false;
  // The fields are views between the separators (no array of them to clear for every line).
  const auto between = [](const char* from, const char* to) {
    return std::string_view(from, static_cast<std::size_t>(to - from));
  };
  const std::string_view direction = between(tabs[0] + 1, tabs[1]);
  if (direction == "SMTP-IN") {
    out.inbound = true;
  } else if (direction == "SMTP-OU") {
    out.inbound = false;
  } else {
    return false;
  }
  out.clock = clockOf(between(p, tabs[0]));
  if (out.clock < 0) return false;
  out.id = between(tabs[1] + 1, tabs[2]);
  out.session = between(tabs[2] + 1, tabs[3]);
  out.peer = between(tabs[3] + 1, tabs[4]);
  out.verb = between(tabs[4] + 1, tabs[5]);
  // The argument is free text and may hold a TAB: the reply is what follows the last one.
  out.argument = between(tabs[5] + 1, last);
  out.reply = between(last + 1, end);
  return true;
}

// Goes on byte by byte from `q` in a line whose first TABs are in `tabs` (`count` of them) and
// whose last TAB after those is `last`: where the line ends (its CR, or `end`).
const char* ScanRestOfLine(const char* q, const char* end, const char* (&tabs)[6],
                           std::size_t& count, const char*& last) {
  for (; q != end; ++q) {
    if (*q == '\r') return q;
    if (*q != '\t') continue;
    if (count < 6) {
      tabs[count++] = q;
    } else {
      last = q;
    }
  }
  return end;
}

// Where the line that starts at `p` ends (its CR, or `end`), with its first six TABs in `tabs`
// (how many in `count`) and the last TAB after them in `last` (nullptr when there is none).
// Byte by byte: the single line's reading, and the rule the batch's reading keeps.
const char* ScanActivityLine(const char* p, const char* end, const char* (&tabs)[6],
                             std::size_t& count, const char*& last) {
  count = 0;
  last = nullptr;
  return ScanRestOfLine(p, end, tabs, count, last);
}

// The same, thirty-two bytes at a time: masks of the TABs and CRs among them; only the first six
// TABs are taken one by one, the last one before the CR is the mask's highest bit. Most lines
// take three steps.
const char* ScanActivityLineFast(const char* p, const char* end, const char* (&tabs)[6],
                                 std::size_t& count, const char*& last) {
  count = 0;
  last = nullptr;
  const char* q = p;
#ifdef RQ_FLOW_SSE2
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i cr = _mm_set1_epi8('\r');
  const auto maskOf = [](__m128i v, __m128i byte) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, byte)));
  };
  for (; end - q >= 32; q += 32) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16));
    std::uint32_t tabMask = maskOf(low, tab) | maskOf(high, tab) << 16;
    const std::uint32_t crMask = maskOf(low, cr) | maskOf(high, cr) << 16;
    if (crMask != 0) tabMask &= (crMask & (0 - crMask)) - 1;  // the TABs before the first CR
    for (; tabMask != 0 && count < 6; tabMask &= tabMask - 1) {
      tabs[count++] = q + __builtin_ctz(tabMask);
    }
    if (tabMask != 0) last = q + (31 - __builtin_clz(tabMask));
    if (crMask != 0) return q + __builtin_ctz(crMask);
  }
#endif
  // The last bytes of the block (or every byte, without SSE2), going on from what was found.
  return ScanRestOfLine(q, end, tabs, count, last);
}

}  // namespace

std::size_t ParseActivityLines(std::string_view block, std::size_t from, ActivityBatch& batch) {
  batch.count = 0;
  batch.skipped = 0;
  const char* const begin = block.data();
  const char* const end = begin + block.size();
  const char* p = begin + from;
  const auto clock = [&batch](std::string_view time) {
    if (time.size() != sizeof batch.timeText) return -1;
    if (std::memcmp(time.data(), batch.timeText, sizeof batch.timeText) != 0) {
      batch.timeClock = ClockOf(time);
      std::memcpy(batch.timeText, time.data(), sizeof batch.timeText);
    }
    return batch.timeClock;
  };
  while (p < end && batch.count < ActivityBatch::kLines) {
    const char* tabs[6];
    std::size_t count = 0;
    const char* last = nullptr;
    const char* const lineEnd = ScanActivityLineFast(p, end, tabs, count, last);
    // A line as long as the line source may stream past is passed over here too: whether the
    // source held it depends on where its reads fell, and a report must not.
    if (lineEnd != p && static_cast<std::size_t>(lineEnd - p) < batch.longLine) {
      ActivityLine& out = batch.lines[batch.count];
      if (FinishActivityLine(p, lineEnd, tabs, count, last, clock, out)) {
        if (!out.id.empty()) ++batch.count;
      } else if (*p != '#') {
        ++batch.skipped;
      }
    }
    if (lineEnd == end) return block.size();
    p = lineEnd + 1;
    if (p < end && *p == '\n') ++p;
  }
  return static_cast<std::size_t>(p - begin);
}

bool ParseRoutingLine(std::string_view line, RoutingLine& out) {
  RouteLine route;
  const std::optional<long long> time = StampMs(line);
  if (!time || !ParseRouteLine(line, route)) return false;
  out.time = *time;
  out.sourceId = ValueOf(route.sourceId, out.spare[0]);
  out.sourceConnector = ValueOf(route.sourceCode, out.spare[1]);
  out.targetConnector = ValueOf(route.targetCode, out.spare[2]);
  out.targetId = ValueOf(route.targetId, out.spare[3]);
  return !out.sourceId.empty() && !out.targetId.empty();
}

// The parent, the copy and its domain by the one requeue-line rule every reader shares.
bool ParseFlowRequeue(std::string_view line, FlowRequeue& out) {
  RequeueLine requeue;
  const std::optional<long long> time = StampMs(line);
  if (!time || !ParseRequeueLine(line, requeue)) return false;
  out.time = *time;
  out.parentId = requeue.parent;
  out.copyId = requeue.copy;
  out.domain = requeue.domain;
  // A copy without its target domain cannot be counted by domain: it is a skipped line.
  return !out.parentId.empty() && !out.copyId.empty() && !out.domain.empty();
}

bool ParseActivityLine(std::string_view line, ActivityLine& out) {
  // TAB-separated: time, direction, message ID, session, peer, verb, argument, reply.
  const char* tabs[6];
  std::size_t count = 0;
  const char* last = nullptr;
  const char* const end = line.data() + line.size();
  return ScanActivityLine(line.data(), end, tabs, count, last) == end &&
         FinishActivityLine(line.data(), end, tabs, count, last, ClockOf, out);
}

}  // namespace rq
