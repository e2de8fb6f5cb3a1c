// The searching readers' path through lines longer than the long-line limit: such a line is left
// out when it holds no match, handed out whole when it does, and memory stays bounded.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "readers/line_source.h"
#include "readers/multi_literal.h"
#include "test_support.h"

namespace rq {
namespace {

std::vector<std::string> NaiveContaining(std::string_view bytes, std::string_view needle) {
  std::vector<std::string> out;
  std::string current;
  auto take = [&] {
    if (needle.empty() ? !current.empty() : current.find(needle) != std::string::npos)
      out.push_back(current);
    current.clear();
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      take();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
    }
  }
  if (!current.empty()) take();
  return out;
}

std::vector<std::string> Searched(const std::string& path, std::size_t chunk, std::size_t longLine,
                                  std::string_view needle) {
  std::vector<std::string> lines;
  LineSource source(path, chunk, longLine);
  source.ForEachLineContaining(needle, [&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

TEST(LineSourceStreaming, LongLinesWithAndWithoutTheNeedle) {
  test::TempDir dir;
  const std::string path = dir / "log";
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const int lines = 1 + static_cast<int>(rng() % 8);
    for (int l = 0; l < lines; ++l) {
      std::string line(rng() % 3 == 0 ? 40 + rng() % 200 : rng() % 12, 'x');
      for (char& c : line) c = "ab\nN"[rng() % 4];
      if (rng() % 3 == 0) line.insert(rng() % (line.size() + 1), "NEEDLE");
      bytes += line;
      bytes += rng() % 2 == 0 ? "\r\n" : "\r";
    }
    if (rng() % 2 == 0) bytes.resize(bytes.size() - 1);  // no break at the end, or CR alone
    test::WriteFile(path, bytes);
    for (const std::string needle : {"NEEDLE", "N", "aN"}) {
      for (const std::size_t chunk : {3u, 7u, 64u}) {
        ASSERT_EQ(Searched(path, chunk, 16, needle), NaiveContaining(bytes, needle))
            << "round " << round << " needle " << needle << " chunk " << chunk;
      }
    }
  }
}

TEST(LineSourceStreaming, MemoryStaysBoundedThroughAHugeLineWithoutAMatch) {
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
  const std::vector<std::string> held = Searched(path, chunk, longLine, "ID7");
  ASSERT_EQ(held.size(), 3u);
  EXPECT_EQ(held[1].size(), (3u << 20) + 3);
  EXPECT_EQ(held[2], "last ID7");
}

TEST(LineSourceStreaming, ManyLiteralsThroughLongLines) {
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

}  // namespace
}  // namespace rq
