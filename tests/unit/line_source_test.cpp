#include "readers/line_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/read_error.h"
#include "base/text.h"
#include "readers/multi_literal.h"
#include "readers/segmented_log.h"
#include "test_support.h"

namespace rq {
namespace {

using test::PlainContaining;
using test::PlainLines;

// Every line a source hands out; a null needle reads every line, else the lines holding it.
std::vector<std::string> Read(LineSource& source, const std::string_view* needle = nullptr) {
  std::vector<std::string> lines;
  auto take = [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  };
  if (needle == nullptr) {
    source.ForEachLine(take);
  } else {
    source.ForEachLineContaining(*needle, take);
  }
  return lines;
}

std::vector<std::string> ReadFile(const std::string& path, std::size_t chunk,
                                  const std::string_view* needle = nullptr,
                                  std::size_t longLine = LineSource::kLongLine) {
  LineSource source(path, chunk, longLine);
  EXPECT_TRUE(source.is_open());
  return Read(source, needle);
}

constexpr std::size_t kChunks[] = {1, 2, 3, 7, LineSource::kChunkSize};

TEST(LineSource, LinesAndNeedlesAtEveryChunkBoundary) {
  // A lone LF is ordinary, a LF after CR LF begins the next line, NUL and 0x1A are ordinary bytes.
  std::vector<std::string> files = {
      "",        "one\r\ntwo\r\nthree\r\n", "one\r\ntwo",   "a\rb\rc",
      "a\r",     "a\nb\r\nc\n\nd",          "a\r\n\nb\r\n", "\r\n\r\n\r\r\nx",
      "a\r\r\nb"};
  files.push_back(std::string("a\0b\x1A\x63\r\n\x1A\r\n\0", 12));
  files.push_back(std::string(50, 'x') + "\r\n" + std::string(33, 'y'));
  files.push_back(std::string("alpha ID7 one\r\nbeta\r\n\nID7 two\rID7\r\n\r\ngamma ID7\r\n") +
                  std::string(40, 'z') + "ID7" + std::string(5, '\0') + "\r\nlast ID7");
  // A needle holding a CR is in no line; letter case counts.
  std::vector<std::string> needles = {"ID7", "", "\nID7", "a\nb", "ID7\r", "ID8", "id7", "\r\nb"};
  needles.push_back(std::string("7\0\0", 3));
  needles.push_back(std::string(100, 'z'));
  test::TempDir dir;
  const std::string path = dir / "log.txt";
  for (const std::string& bytes : files) {
    test::WriteFile(path, bytes);
    for (std::size_t chunk : kChunks) {
      SCOPED_TRACE(testing::PrintToString(bytes) + ", chunk " + std::to_string(chunk));
      EXPECT_EQ(ReadFile(path, chunk), PlainLines(bytes));
      for (const std::string& n : needles) {
        const std::string_view needle = n;
        const std::vector<std::string> want = PlainContaining(bytes, needle);
        // Beyond the long-line limit a searching reader streams through a line, not holding it.
        for (const std::size_t longLine : {LineSource::kLongLine, std::size_t{2}, std::size_t{5}}) {
          EXPECT_EQ(ReadFile(path, chunk, &needle, longLine), want)
              << testing::PrintToString(n) << ", long line " << longLine;
        }
        // A reader stops at the first line when the caller says so.
        int calls = 0;
        LineSource(path, chunk).ForEachLineContaining(needle, [&](std::string_view) {
          return ++calls > 1;
        });
        EXPECT_EQ(calls, want.empty() ? 0 : 1);
      }
    }
    // The one substring rule of the readers that look at a line at a time.
    for (const std::string& line : PlainLines(bytes)) {
      for (const std::string& n : needles) {
        EXPECT_EQ(LineContains(line, n), test::PlainContains(line, n));
      }
    }
  }
}

std::vector<std::string> ReadSegments(const SegmentedLog& log, const std::string_view* needle) {
  std::vector<std::vector<std::string>> parts(log.segments());
  log.ReadAll([&](LineSource& part, std::size_t k) { parts[k] = Read(part, needle); });
  std::vector<std::string> got;
  for (const auto& part : parts) got.insert(got.end(), part.begin(), part.end());
  return got;
}

// Segments, on threads, give the lines of one reading wherever an edge falls near CR, LF, NUL.
TEST(SegmentedLog, EveryEdgeGivesTheLinesOfOneReading) {
  std::vector<std::string> cases = {"ab\r\ncd\r\nef", "a\rb\rc\r",       "\r\n\r\n\r\r\n\n",
                                    "x\n\ny\r\n\nz",  "a\r\r\nb\r\n",    "\r",
                                    "no break",       "ID7\r\nID7\rID7", "\nID7\r\nID7\n"};
  cases.push_back(std::string("a\0\r\n\x1A\0\rb", 8));
  cases.push_back(std::string("\x1A\r\n\0ID7\r", 8));
  for (const std::string& bytes : cases) {
    const MemoryBytes source(bytes);
    for (const std::string_view needle : {std::string_view(""), std::string_view("ID7")}) {
      const std::vector<std::string> want = PlainContaining(bytes, needle);
      for (long long b = 0; b <= static_cast<long long>(bytes.size()) + 1; ++b) {
        const long long cut = NextLineStart(source, b);
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, LineSource::kChunkSize}) {
          LineSource head(source, 0, cut, chunk, 4);
          LineSource tail(source, cut, -1, chunk, 4);
          std::vector<std::string> got = Read(head, &needle);
          for (std::string& line : Read(tail, &needle)) got.push_back(std::move(line));
          ASSERT_EQ(got, want) << testing::PrintToString(bytes) << " cut at " << b << ", chunk "
                               << chunk;
        }
      }
      for (std::size_t segments = 1; segments <= 6; ++segments) {
        EXPECT_EQ(ReadSegments(SegmentedLog(source, segments, segments, 2), &needle), want)
            << testing::PrintToString(bytes) << " in " << segments;
      }
    }
  }
  // Lines start at 0, 6 and 10; thirds of the 14 bytes end at 4 and 9, so the cuts go to the
  // next line start after each: the segments are real ones, not one reading of everything.
  const MemoryBytes three("aaaa\r\nbb\r\ncc\r\n");
  EXPECT_EQ(SegmentStarts(three, 14, 3), (std::vector<long long>{0, 6, 10}));
  EXPECT_EQ(SegmentStarts(three, 0, 3), std::vector<long long>{0});  // empty: one segment
}

// A log grown or shrunk after the segments were planned is read as it is then, no line twice.
TEST(SegmentedLog, AFileChangedWhileReadIsReadToItsRealEnd) {
  std::string bytes;
  for (int i = 0; i < 400; ++i) bytes += "line " + std::to_string(i) + (i % 3 ? "\r\n" : "\r");
  test::TempDir dir;
  const std::string path = dir / "log";
  for (const std::size_t size : {bytes.size() + 777, bytes.size() / 2 + 3, std::size_t{5}}) {
    test::WriteFile(path, bytes);
    const FileBytes file(path);
    const SegmentedLog log(file, 4, 4, 16);
    std::string now = bytes.substr(0, std::min(size, bytes.size()));
    while (now.size() < size) now += "more\r\n";
    test::WriteFile(path, now);
    EXPECT_EQ(ReadSegments(log, nullptr), PlainLines(now)) << "size " << size;
  }
}

// Bytes with an unreadable stretch [from, to), as on a failing disk: a read that starts before
// it stops short there, one that starts in it fails.
struct FailingBytes final : ByteSource {
  FailingBytes(std::string_view bytes, long long from, long long to)
      : bytes(bytes), from(from), to(to) {}
  long long ReadAt(long long offset, char* data, std::size_t size) const override {
    if (offset >= from && offset < to) return -1;
    const long long most = offset < from ? from - offset : static_cast<long long>(size);
    return bytes.ReadAt(offset, data, std::min(size, static_cast<std::size_t>(most)));
  }
  long long Size() const override { return bytes.Size(); }
  std::string Name() const override { return "failing.log"; }
  MemoryBytes bytes;
  long long from, to;
};

// A read that fails is never the end: one reader or segments on threads, the reading throws on
// the calling thread unless every byte was read, and then gives the lines of one reading.
TEST(SegmentedLog, AFailedReadFailsTheReadingOnTheCallingThread) {
  std::string bytes;
  for (int i = 0; i < 40; ++i) bytes += "line ID7 " + std::to_string(i) + "\r\n";
  const long long n = static_cast<long long>(bytes.size());
  const std::string_view needle = "ID7";
  const std::pair<long long, long long> unreadable[] = {
      {0, n},     {n / 3, n}, {3 * n / 8, 3 * n / 8 + 1}, {5 * n / 8, 5 * n / 8 + 1},
      {n - 1, n}, {n, n}};
  for (const auto& [from, to] : unreadable) {
    for (const std::size_t segments : {std::size_t{1}, std::size_t{4}}) {
      SCOPED_TRACE(std::to_string(from) + " in " + std::to_string(segments));
      try {
        const FailingBytes source(bytes, from, to);
        const SegmentedLog log(source, segments, segments, 16, 8);
        EXPECT_EQ(ReadSegments(log, nullptr), PlainLines(bytes));
        EXPECT_EQ(ReadSegments(log, &needle), PlainLines(bytes));
        EXPECT_EQ(from, to);
      } catch (const ReadError& e) {
        EXPECT_TRUE(from < to && e.path() == "failing.log") << e.what();
      }
    }
  }
}

TEST(LineSource, CrLfAndNeedleAcrossTheDefaultChunk) {
  constexpr std::size_t n = LineSource::kChunkSize;
  test::TempDir dir;
  const std::string path = dir / "big.txt";
  // A CR LF split by the first chunk boundary, a needle across the second.
  std::string bytes(n - 1, 'a');
  bytes += "\r\nb";
  bytes += std::string(n - bytes.size() % n - 2, 'c');
  bytes += "NEEDLE\r\n";
  test::WriteFile(path, bytes);
  const std::vector<std::string> lines = ReadFile(path, n);
  ASSERT_EQ(lines, PlainLines(bytes));
  const std::string_view needle = "NEEDLE";
  EXPECT_EQ(ReadFile(path, n, &needle), std::vector<std::string>{lines[1]});
}

TEST(LineSource, ReadsAChunkAtATimeInMemoryBoundedThroughAHugeLine) {
  test::TempDir dir;
  const std::string path = dir / "log";
  const std::string bytes = "first ID7\r\n" + std::string(3 << 20, 'z') + "\r\nlast ID7";
  test::WriteFile(path, bytes);
  const std::string_view needle = "ID7";
  const std::size_t chunk = 4096;
  const std::size_t longLine = 8192;
  LineSource source(path, chunk, longLine);
  EXPECT_EQ(Read(source, &needle), (std::vector<std::string>{"first ID7", "last ID7"}));
  EXPECT_LE(source.capacity(), 4 * (chunk + longLine));
  // Short lines are read a chunk at a time too, not a line or a byte at a time.
  std::string shortLines;
  for (int i = 0; i < 20000; ++i) shortLines += "line " + std::to_string(i) + "\r\n";
  struct Counted final : ByteSource {
    explicit Counted(std::string_view text) : bytes(text) {}
    long long ReadAt(long long offset, char* data, std::size_t size) const override {
      ++reads;
      return bytes.ReadAt(offset, data, size);
    }
    long long Size() const override { return bytes.Size(); }
    std::string Name() const override { return "counted.log"; }
    MemoryBytes bytes;
    mutable std::size_t reads = 0;
  } counted(shortLines);
  LineSource fromMemory(counted, 0, -1, chunk, longLine);
  EXPECT_EQ(Read(fromMemory).size(), 20000U);
  EXPECT_LE(counted.reads, 2 * shortLines.size() / chunk + 2);
}

TEST(LineSource, ManyLiteralsThroughLongLines) {
  test::TempDir dir;
  const std::string path = dir / "log";
  test::WriteFile(path, "K1 short\r\n" + std::string(5000, 'q') + "K22\r\n" +
                            std::string(5000, 'r') + "\r\nK2 tail");
  const std::vector<std::string_view> ids = {"K2", "K22", "K1"};
  MultiLiteralMatcher matcher(ids);
  LineSource source(path, 100, 300);
  std::vector<std::pair<std::size_t, std::vector<std::size_t>>> seen;
  ForEachLineMatching(source, matcher,
                      [&](std::string_view line, const std::vector<std::size_t>& matched) {
                        seen.emplace_back(line.size(), matched);
                        return true;
                      });
  EXPECT_EQ(seen, (std::vector<std::pair<std::size_t, std::vector<std::size_t>>>{
                      {8, {2}}, {5003, {0, 1}}, {7, {0}}}));
}

}  // namespace
}  // namespace rq
