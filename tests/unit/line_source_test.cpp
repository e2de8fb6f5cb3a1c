#include "readers/line_source.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "readers/multi_literal.h"
#include "test_support.h"

namespace rq {
namespace {

// The reference: a line ends at CR or CR LF; the last line counts when bytes follow the last
// break.
std::vector<std::string> NaiveLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      lines.push_back(current);
      current.clear();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::vector<std::string> ReadLines(const std::string& path, std::size_t chunk) {
  std::vector<std::string> lines;
  LineSource source(path, chunk);
  EXPECT_TRUE(source.is_open());
  source.ForEachLine([&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::vector<std::string> ReadContaining(const std::string& path, std::size_t chunk,
                                        std::string_view needle,
                                        std::size_t longLine = LineSource::kLongLine) {
  std::vector<std::string> lines;
  LineSource source(path, chunk, longLine);
  source.ForEachLineContaining(needle, [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::vector<std::string> NaiveContaining(std::string_view bytes, std::string_view needle) {
  std::vector<std::string> out;
  for (const std::string& line : NaiveLines(bytes)) {
    if (LineContains(line, needle)) out.push_back(line);
  }
  return out;
}

constexpr std::size_t kChunks[] = {1, 2, 3, 7, LineSource::kChunkSize};

TEST(LineSource, LinesAtEveryChunkBoundary) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"empty file", ""},
      {"crlf lines", "one\r\ntwo\r\nthree\r\n"},
      {"last line without break", "one\r\ntwo"},
      {"lone cr", "a\rb\rc"},
      {"file ends in cr", "a\r"},
      {"lone lf is ordinary", "a\nb\r\nc\n\nd"},
      {"lf after crlf begins the next line", "a\r\n\nb\r\n"},
      {"empty lines", "\r\n\r\n\r\r\nx"},
      {"cr cr lf", "a\r\r\nb"},
      {"nul and ctrl-z are ordinary", std::string("a\0b\x1A"
                                                  "c\r\n\x1A\r\n\0",
                                                  12)},
      {"long line", std::string(50, 'x') + "\r\n" + std::string(33, 'y')},
      {"only breaks", "\r\n\r\n"},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir / "log.txt";
    test::WriteFile(path, c.bytes);
    for (std::size_t chunk : kChunks) {
      SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
      EXPECT_EQ(ReadLines(path, chunk), NaiveLines(c.bytes));
    }
  }
}

TEST(LineSource, NeedleSearchAtEveryChunkBoundary) {
  const std::string bytes = std::string("alpha ID7 one\r\nbeta\r\n\nID7 two\rID7\r\n\r\ngamma ID") +
                            "7\r\n" + std::string(40, 'z') + "ID7" + std::string(5, '\0') +
                            "\r\nlast ID7";
  struct Case {
    const char* name;
    std::string needle;
  };
  const std::vector<Case> cases = {
      {"plain", "ID7"},
      {"empty needle: every non-empty line", ""},
      {"needle starting with lf", "\nID7"},
      {"needle with lf inside", "a\nb"},
      {"needle with cr is in no line", "ID7\r"},
      {"needle with nul", std::string("7\0\0", 3)},
      {"needle absent", "ID8"},
      {"needle longer than any line", std::string(100, 'z')},
  };
  test::TempDir dir;
  const std::string path = dir / "log.txt";
  test::WriteFile(path, bytes);
  for (const Case& c : cases) {
    for (std::size_t chunk : kChunks) {
      SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
      EXPECT_EQ(ReadContaining(path, chunk, c.needle), NaiveContaining(bytes, c.needle));
    }
  }
}

TEST(LineSource, RandomFilesAgreeWithTheReference) {
  // Short files over a tiny alphabet hit every arrangement of CR, LF and needle bytes; every
  // other round, breaks are rare and most lines are longer than the long-line limit.
  std::mt19937 random(20261206);
  const std::string dense = std::string("ab\r\n\r\nx\0\x1A", 9);
  const std::string sparse = std::string(20, 'a') + std::string(20, 'b') + "\r\n\nx";
  const std::vector<std::string> needles = {
      "ab", "\na", "b\nx", "", "a", "xabab", std::string("\x1A\0", 2)};
  test::TempDir dir;
  const std::string path = dir / "random.txt";
  for (int round = 0; round < 400; ++round) {
    const std::string& alphabet = round % 2 == 0 ? dense : sparse;
    std::string bytes(random() % (round % 2 == 0 ? 60 : 240), ' ');
    for (char& c : bytes) c = alphabet[random() % alphabet.size()];
    test::WriteFile(path, bytes);
    const std::size_t chunk = 1 + random() % 9;
    // Lines longer than this are streamed through rather than held, when a text is looked for.
    const std::size_t longLine = 1 + random() % 12;
    SCOPED_TRACE("round " + std::to_string(round) + ", chunk " + std::to_string(chunk) +
                 ", long line " + std::to_string(longLine));
    ASSERT_EQ(ReadLines(path, chunk), NaiveLines(bytes));
    for (const std::string& needle : needles) {
      ASSERT_EQ(ReadContaining(path, chunk, needle, longLine), NaiveContaining(bytes, needle))
          << "needle of " << needle.size() << " bytes";
    }
  }
}

TEST(LineSource, CrLfAndNeedleAcrossTheDefaultChunk) {
  constexpr std::size_t n = LineSource::kChunkSize;
  test::TempDir dir;
  const std::string path = dir / "big.txt";
  // The CR is the last byte of the first read, its LF the first of the second, and a needle
  // straddles the next boundary.
  std::string bytes(n - 1, 'a');
  bytes += "\r\nb";
  bytes += std::string(n - bytes.size() % n - 2, 'c');
  bytes += "NEEDLE";
  bytes += "\r\n";
  test::WriteFile(path, bytes);
  const auto lines = ReadLines(path, n);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), n - 1);
  EXPECT_EQ(lines[1].substr(0, 1), "b");
  const auto hits = ReadContaining(path, n, "NEEDLE");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0], lines[1]);
}

TEST(LineSource, MemoryStaysBoundedThroughAHugeLineWithoutAMatch) {
  test::TempDir dir;
  const std::string path = dir / "log";
  std::string bytes = "first ID7\r\n";
  bytes += std::string(3 << 20, 'z');  // one line of 3 MiB without a break
  bytes += "\r\nlast ID7";
  test::WriteFile(path, bytes);

  const std::size_t chunk = 4096;
  const std::size_t longLine = 8192;
  LineSource source(path, chunk, longLine);
  std::vector<std::string> lines;
  source.ForEachLineContaining("ID7", [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"first ID7", "last ID7"}));
  EXPECT_LE(source.capacity(), 4 * (chunk + longLine));

  // The same line with the needle at its very end is handed out whole.
  bytes.insert(bytes.find("\r\nlast"), "ID7");
  test::WriteFile(path, bytes);
  const std::vector<std::string> held = ReadContaining(path, chunk, "ID7", longLine);
  ASSERT_EQ(held.size(), 3u);
  EXPECT_EQ(held[1].size(), (3u << 20) + 3);
  EXPECT_EQ(held[2], "last ID7");
}

TEST(LineSource, ManyLiteralsThroughLongLines) {
  test::TempDir dir;
  const std::string path = dir / "log";
  const std::string bytes =
      "K1 short\r\n" + std::string(5000, 'q') + "K22\r\n" + std::string(5000, 'r') + "\r\nK2 tail";
  test::WriteFile(path, bytes);
  const std::vector<std::string_view> ids = {"K2", "K22", "K1"};
  MultiLiteralMatcher matcher(ids);
  LineSource source(path, 100, 300);
  std::vector<std::vector<std::size_t>> seen;
  std::vector<std::size_t> sizes;
  ForEachLineMatching(source, matcher,
                      [&](std::string_view line, const std::vector<std::size_t>& matched) {
                        seen.push_back(matched);
                        sizes.push_back(line.size());
                        return true;
                      });
  EXPECT_EQ(seen, (std::vector<std::vector<std::size_t>>{{2}, {0, 1}, {0}}));
  EXPECT_EQ(sizes, (std::vector<std::size_t>{8, 5003, 7}));
}

TEST(LineSource, StopsWhenTheCallerSaysSo) {
  test::TempDir dir;
  const std::string path = dir / "log.txt";
  test::WriteFile(path, "x1\r\nx2\r\nx3\r\n");
  for (std::size_t chunk : kChunks) {
    int calls = 0;
    LineSource source(path, chunk);
    source.ForEachLineContaining("x", [&](std::string_view) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
  }
}

TEST(LineSource, WhatIsNoOrdinaryFileIsNotOpen) {
  test::TempDir dir;
  EXPECT_FALSE(LineSource(dir / "missing.log").is_open());
  EXPECT_FALSE(LineSource(dir.path()).is_open());
  EXPECT_FALSE(LineSource("").is_open());
#ifndef _WIN32
  // A FIFO of a log's name must neither block nor be read.
  const std::string fifo = dir / "fifo.log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  LineSource source(fifo);
  EXPECT_FALSE(source.is_open());
  int lines = 0;
  source.ForEachLine([&](std::string_view) { return ++lines > 0; });
  EXPECT_EQ(lines, 0);
#endif
}

}  // namespace
}  // namespace rq
