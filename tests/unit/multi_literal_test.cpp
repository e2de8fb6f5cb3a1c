#include "readers/multi_literal.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "readers/line_source.h"

namespace rq {
namespace {

// What one search per literal would give: for each literal, its lines in order.
std::vector<std::vector<std::string>> OneSearchPerLiteral(std::string_view block,
                                                          const std::vector<std::string>& ids) {
  std::vector<std::vector<std::string>> out(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ForEachLineContainingInBlock(block, std::string_view(ids[i]), [&](std::string_view line) {
      out[i].emplace_back(line);
      return true;
    });
  }
  return out;
}

std::vector<std::vector<std::string>> OnePass(std::string_view block,
                                              const std::vector<std::string>& ids) {
  std::vector<std::string_view> views(ids.begin(), ids.end());
  MultiLiteralMatcher matcher(views);
  std::vector<std::vector<std::string>> out(ids.size());
  matcher.ForEachMatchingLine(block, [&](std::string_view line, const std::vector<std::size_t>& m) {
    EXPECT_FALSE(m.empty());
    for (std::size_t k = 1; k < m.size(); ++k) EXPECT_LT(m[k - 1], m[k]);
    for (const std::size_t i : m) out[i].emplace_back(line);
    return true;
  });
  return out;
}

TEST(MultiLiteralMatcher, AgreesWithOneSearchPerLiteral) {
  std::mt19937 rng(3);
  const std::string alphabet = "0123AB.\r\n \t";
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> ids;
    const std::size_t count = 1 + rng() % 12;
    for (std::size_t i = 0; i < count; ++i) {
      std::string id(1 + rng() % 9, 'x');
      for (char& c : id) c = "0123AB."[rng() % 7];
      if (!ids.empty() && rng() % 3 == 0) id = ids[rng() % ids.size()] + id.substr(0, 2);
      if (rng() % 25 == 0) id.clear();                       // the empty ID: every non-empty line
      if (rng() % 25 == 0) id += "\r";                       // never in a line
      if (!ids.empty() && rng() % 10 == 0) id = ids.back();  // duplicates
      ids.push_back(id);
    }
    std::string block(rng() % 600, 'x');
    for (char& c : block) c = alphabet[rng() % alphabet.size()];
    for (int k = 0; k < 5 && !block.empty(); ++k) {  // plant some of them
      const std::string& id = ids[rng() % ids.size()];
      block.insert(rng() % block.size(), id);
    }
    ASSERT_EQ(OnePass(block, ids), OneSearchPerLiteral(block, ids)) << "round " << round;
  }
}

TEST(MultiLiteralMatcher, PrefixIdsAndLineRules) {
  const std::vector<std::string> ids = {"7A3F.1", "7A3F.10", "7A3F.100", "\n7A3F.2", "7A3F.2"};
  // CR LF ends a line; a lone LF does not; an ID may start with a LF inside a line but not on
  // the LF of a CR LF.
  const std::string block =
      "a 7A3F.100 b\r\n"
      "x 7A3F.10\r\n7A3F.2 z\r\n"
      "q\n7A3F.2\r"
      "7A3F.1";
  const auto got = OnePass(block, ids);
  EXPECT_EQ(got, OneSearchPerLiteral(block, ids));
  EXPECT_EQ(got[0], (std::vector<std::string>{"a 7A3F.100 b", "x 7A3F.10", "7A3F.1"}));
  EXPECT_EQ(got[1], (std::vector<std::string>{"a 7A3F.100 b", "x 7A3F.10"}));
  EXPECT_EQ(got[2], (std::vector<std::string>{"a 7A3F.100 b"}));
  EXPECT_EQ(got[3], (std::vector<std::string>{"q\n7A3F.2"}));
  EXPECT_EQ(got[4], (std::vector<std::string>{"7A3F.2 z", "q\n7A3F.2"}));
}

TEST(MultiLiteralMatcher, ContainsAnyNeedsAWholeLiteral) {
  const std::vector<std::string_view> ids = {"ABCDEFGH", "XYZXYZXYZ"};
  const MultiLiteralMatcher matcher(ids);
  const std::string text = "..ABCDEFGH..";
  EXPECT_TRUE(matcher.ContainsAny(text.data(), text.data() + text.size()));
  EXPECT_FALSE(matcher.ContainsAny(text.data(), text.data() + 9));  // cut short
  EXPECT_FALSE(matcher.ContainsAny(text.data() + 3, text.data() + text.size()));
  const MultiLiteralMatcher withEmpty(std::vector<std::string_view>{"", "Q"});
  EXPECT_TRUE(withEmpty.ContainsAny(text.data(), text.data() + 1));
  EXPECT_EQ(matcher.Filter().overlap, 8u);
}

}  // namespace
}  // namespace rq
