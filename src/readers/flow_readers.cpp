#include "readers/flow_readers.h"

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

// The activity line [p, end) read once its separators are found (see ScanActivityLine): eight
// fields, a direction of ours and a stamp of the time alone.
bool FinishActivityLine(const char* p, const char* end, const char* const (&tabs)[6],
                        std::size_t count, const char* last, ActivityLine& out) {
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
  const std::string_view time = between(p, tabs[0]);
  if (time.size() != 8) return false;
  const LineStamp stamp = StampOf(time);
  if (stamp.day || stamp.time.size() != 8) return false;
  out.clock = static_cast<int>(MsOfDay(stamp.time));
  out.id = between(tabs[1] + 1, tabs[2]);
  out.session = between(tabs[2] + 1, tabs[3]);
  out.peer = between(tabs[3] + 1, tabs[4]);
  out.verb = between(tabs[4] + 1, tabs[5]);
  // The argument is free text and may hold a TAB: the reply is what follows the last one.
  out.argument = between(tabs[5] + 1, last);
  out.reply = between(last + 1, end);
  return true;
}

// Where the line that starts at `p` ends (its CR, or `end`), with its first six TABs in `tabs`
// (how many in `count`) and the last TAB after them in `last` (nullptr when there is none).
const char* ScanActivityLine(const char* p, const char* end, const char* (&tabs)[6],
                             std::size_t& count, const char*& last) {
  count = 0;
  last = nullptr;
  const char* q = p;
#ifdef RQ_FLOW_SSE2
  // Sixteen bytes at a time: a mask of the TABs and CRs among them, taken bit by bit.
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; end - q >= 16; q += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, cr))));
    for (; mask != 0; mask &= mask - 1) {
      const char* at = q + __builtin_ctz(mask);
      if (*at == '\r') return at;
      if (count < 6) {
        tabs[count++] = at;
      } else {
        last = at;
      }
    }
  }
#endif
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

}  // namespace

std::size_t ParseActivityLines(std::string_view block, std::size_t from, ActivityBatch& batch) {
  batch.count = 0;
  batch.skipped = 0;
  const char* const begin = block.data();
  const char* const end = begin + block.size();
  const char* p = begin + from;
  while (p < end && batch.count < ActivityBatch::kLines) {
    const char* tabs[6];
    std::size_t count = 0;
    const char* last = nullptr;
    const char* const lineEnd = ScanActivityLine(p, end, tabs, count, last);
    if (lineEnd != p) {
      ActivityLine& out = batch.lines[batch.count];
      if (FinishActivityLine(p, lineEnd, tabs, count, last, out)) {
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
         FinishActivityLine(line.data(), end, tabs, count, last, out);
}

}  // namespace rq
