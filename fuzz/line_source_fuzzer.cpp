// The line source against the plain per-line rule, at chunk sizes small enough that every line
// break, CR LF pair and needle in the input lands across a chunk boundary somewhere.
//
// Input: chunk-size byte, long-line byte, stop-after byte, needle, NUL, file contents. The long
// line limit is small too, so that a searching reader streams through lines without a match and
// reads lines with one again from their start.
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/line_source.h"

namespace {

using rq::fuzz::PlainContains;
using rq::fuzz::PlainLines;

// One in-memory file reused for every input; the line source opens it by its /proc name, which
// reopens the same ordinary file.
class MemoryFile {
 public:
  MemoryFile() : fd_(::memfd_create("rq-line-source", MFD_CLOEXEC)) {
    RQ_FUZZ_CHECK(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  void Set(const std::string& bytes) {
    RQ_FUZZ_CHECK(::ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      RQ_FUZZ_CHECK(n > 0);
      done += static_cast<std::size_t>(n);
    }
  }
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

std::size_t ChunkSizeFrom(unsigned char b) {
  if (b == 0xFF) return rq::LineSource::kChunkSize;
  if (b >= 0xF0) return 4096;
  return 1 + b % 48;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  if (size < 3) return 0;
  const std::size_t chunk = ChunkSizeFrom(data[0]);
  const std::size_t longLine = data[1] == 0xFF ? rq::LineSource::kLongLine : 1 + data[1] % 64;
  const std::size_t stopAfter = data[2];
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 3, size - 3, 1);
  const std::string& needle = parts[0];
  const std::string& content = parts[1];
  file.Set(content);

  const std::vector<std::string> expected = PlainLines(content);

  {
    rq::LineSource source(file.path(), chunk, longLine);
    RQ_FUZZ_CHECK(source.is_open());
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
    rq::LineSource source(file.path(), chunk, longLine);
    std::vector<std::string> got;
    source.ForEachLineContaining(needle, [&](std::string_view line) {
      got.emplace_back(line);
      return true;
    });
    RQ_FUZZ_CHECK(got == want);

    // Stopping early hands out exactly the first lines and nothing after the stop.
    rq::LineSource again(file.path(), chunk, longLine);
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
    rq::LineSource source(file.path(), chunk, longLine);
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
