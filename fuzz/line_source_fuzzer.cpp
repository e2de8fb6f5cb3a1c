// The line source against the plain per-line rule, at chunk sizes small enough that every line
// break, CR LF pair and needle in the input lands across a chunk boundary somewhere.
//
// Input: chunk-size byte, long-line byte, stop-after byte, needle, NUL, file contents. The long
// line limit is small too, so that a searching reader streams through lines without a match and
// reads lines with one again from their start. The same lines must come out of the contents read
// in segments (2 to 5, from the chunk-size byte), each on its own thread.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/byte_source.h"
#include "readers/line_source.h"
#include "readers/segmented_log.h"

namespace {

using rq::fuzz::PlainContains;
using rq::fuzz::PlainLines;

std::size_t ChunkSizeFrom(unsigned char b) {
  if (b == 0xFF) return rq::LineSource::kChunkSize;
  if (b >= 0xF0) return 4096;
  return 1 + b % 48;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t chunk = ChunkSizeFrom(data[0]);
  const std::size_t longLine = data[1] == 0xFF ? rq::LineSource::kLongLine : 1 + data[1] % 64;
  const std::size_t stopAfter = data[2];
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 3, size - 3, 1);
  const std::string& needle = parts[0];
  const std::string& content = parts[1];
  const rq::MemoryBytes file(content);

  const std::vector<std::string> expected = PlainLines(content);

  {
    rq::LineSource source(file, 0, -1, chunk, longLine);
    std::vector<std::string> got;
    source.ForEachLine([&](std::string_view line) {
      got.emplace_back(line);
      return true;
    });
    RQ_FUZZ_CHECK(got == expected);
  }
  {
    std::vector<std::string> want;
    for (const std::string& line : expected) {
      if (PlainContains(line, needle)) want.push_back(line);
    }
    rq::LineSource source(file, 0, -1, chunk, longLine);
    std::vector<std::string> got;
    source.ForEachLineContaining(needle, [&](std::string_view line) {
      got.emplace_back(line);
      return true;
    });
    RQ_FUZZ_CHECK(got == want);

    const std::size_t segments = 2 + data[0] % 4;
    const rq::SegmentedLog log(file, segments, segments, chunk, longLine);
    std::vector<std::vector<std::string>> parts(log.segments());
    log.ReadAll([&](rq::LineSource& part, std::size_t k) {
      part.ForEachLineContaining(needle, [&](std::string_view line) {
        parts[k].emplace_back(line);
        return true;
      });
    });
    std::vector<std::string> joined;
    for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    RQ_FUZZ_CHECK(joined == want);

    // Stopping early hands out exactly the first lines and nothing after the stop.
    rq::LineSource again(file, 0, -1, chunk, longLine);
    std::vector<std::string> head;
    again.ForEachLineContaining(needle, [&](std::string_view line) {
      head.emplace_back(line);
      return head.size() <= stopAfter;
    });
    const std::size_t n = std::min(want.size(), stopAfter + 1);
    RQ_FUZZ_CHECK(head.size() == n);
    RQ_FUZZ_CHECK(std::equal(head.begin(), head.end(), want.begin()));
  }
  {
    // Every block but the last ends just after a line break, and the lines of the blocks, one
    // block at a time, are the lines of the file.
    rq::LineSource source(file, 0, -1, chunk, longLine);
    std::vector<std::string> got;
    // A block's view dies with the next call: keep only its last two bytes.
    bool first = true;
    char last = 0;
    char beforeLast = 0;
    for (std::string_view block = source.NextBlock(); !block.empty(); block = source.NextBlock()) {
      if (!first) RQ_FUZZ_CHECK(last == '\r' || (last == '\n' && beforeLast == '\r'));
      rq::ForEachLineInBlock(block, [&](std::string_view line) {
        got.emplace_back(line);
        return true;
      });
      first = false;
      last = block.back();
      beforeLast = block.size() >= 2 ? block[block.size() - 2] : 0;
    }
    RQ_FUZZ_CHECK(got == expected);
  }
  return 0;
}
