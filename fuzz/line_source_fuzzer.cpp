// The line source, its segments (each on a thread) and the one-pass search for many IDs against
// the plain per-line rule, with chunks and a long-line limit small enough to cut every line.
// Input: chunk-size byte (also 2 to 5 segments), long-line byte, count byte (1 to 8 needles from
// its top bits), the needles each ended by NUL, file contents.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/byte_source.h"
#include "readers/line_source.h"
#include "readers/multi_literal.h"
#include "readers/segmented_log.h"

namespace {

std::size_t ChunkSizeFrom(unsigned char b) {
  if (b == 0xFF) return rq::LineSource::kChunkSize;
  if (b >= 0xF0) return 4096;
  return 1 + b % 48;
}

// A callback that keeps every line it is handed.
auto Into(std::vector<std::string>& lines) {
  return [&lines](std::string_view line) {
    lines.emplace_back(line);
    return true;
  };
}

using Hit = std::pair<std::string, std::vector<std::size_t>>;  // a line and the needles in it

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t chunk = ChunkSizeFrom(data[0]);
  const std::size_t longLine = data[1] == 0xFF ? rq::LineSource::kLongLine : 1 + data[1] % 64;
  const std::size_t count = 1 + (data[2] >> 5);
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 3, size - 3, count);
  const std::string& needle = parts[0];
  const std::string& content = parts.back();
  const rq::MemoryBytes file(content);
  auto source = [&] { return rq::LineSource(file, 0, -1, chunk, longLine); };

  const std::vector<std::string> lines = rq::fuzz::PlainLines(content);
  const std::vector<std::string> want = rq::fuzz::PlainContaining(content, needle);
  std::vector<std::string> all, with, joined, got;
  source().ForEachLine(Into(all));
  RQ_FUZZ_CHECK(all == lines);
  source().ForEachLineContaining(needle, Into(with));
  RQ_FUZZ_CHECK(with == want);

  const std::size_t segments = 2 + data[0] % 4;
  const rq::SegmentedLog log(file, segments, segments, chunk, longLine);
  std::vector<std::vector<std::string>> pieces(log.segments());
  log.ReadAll([&](rq::LineSource& part, std::size_t k) {
    part.ForEachLineContaining(needle, Into(pieces[k]));
  });
  for (const auto& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
  RQ_FUZZ_CHECK(joined == want);

  // Every block but the last ends just after a line break, and the blocks' lines are the file's.
  // A block's view dies with the next call: keep only its last two bytes.
  rq::LineSource blocks = source();
  std::string tail;
  for (std::string_view block = blocks.NextBlock(); !block.empty(); block = blocks.NextBlock()) {
    RQ_FUZZ_CHECK(tail.empty() || tail.back() == '\r' || tail == "\r\n");
    rq::ForEachLineInBlock(block, Into(got));
    tail = block.substr(block.size() - std::min<std::size_t>(2, block.size()));
  }
  RQ_FUZZ_CHECK(got == lines);

  // Every needle at once, in one pass, against one plain search per needle.
  const std::vector<std::string> ids(parts.begin(), parts.end() - 1);
  const std::vector<std::string_view> views(ids.begin(), ids.end());
  rq::MultiLiteralMatcher matcher(views);
  const rq::LongLineFilter filter = rq::FilterFor(matcher);  // how a held long line is tested
  std::vector<Hit> hits;
  for (const std::string& line : lines) {
    Hit hit{line, {}};
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (rq::fuzz::PlainContains(line, ids[i])) hit.second.push_back(i);
    }
    if (!hit.second.empty()) hits.push_back(hit);
    // Unlike a line, a bare range holds the empty needle whatever it is.
    const bool any = std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
      return line.find(id) != std::string::npos;
    });
    RQ_FUZZ_CHECK(filter.contains(filter.context, line.data(), line.data() + line.size()) == any);
  }
  rq::LineSource multi = source();
  std::vector<Hit> found;
  rq::ForEachLineMatching(multi, matcher,
                          [&](std::string_view line, const std::vector<std::size_t>& matched) {
                            found.push_back(Hit{std::string(line), matched});
                            return true;
                          });
  RQ_FUZZ_CHECK(found == hits);
  return 0;
}
