#include "readers/multi_literal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

// For each literal, the lines holding it in order: by the plain rule, and by one matcher pass
// (which must name each line's literals in ascending order, at least one).
std::vector<std::vector<std::string>> Plain(std::string_view block,
                                            const std::vector<std::string>& ids) {
  std::vector<std::vector<std::string>> out;
  for (const std::string& id : ids) out.push_back(test::PlainContaining(block, id));
  return out;
}

std::vector<std::vector<std::string>> OnePass(std::string_view block,
                                              const std::vector<std::string>& ids) {
  MultiLiteralMatcher matcher(std::vector<std::string_view>(ids.begin(), ids.end()));
  std::vector<std::vector<std::string>> out(ids.size());
  matcher.ForEachMatchingLine(block, [&](std::string_view line, const std::vector<std::size_t>& m) {
    EXPECT_FALSE(m.empty());
    EXPECT_TRUE(std::is_sorted(m.begin(), m.end()) &&
                std::adjacent_find(m.begin(), m.end()) == m.end());
    for (const std::size_t i : m) out[i].emplace_back(line);
    return true;
  });
  return out;
}

TEST(MultiLiteralMatcher, AgreesWithThePlainRuleForEachLiteral) {
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
      block.insert(rng() % block.size(), ids[rng() % ids.size()]);
    }
    ASSERT_EQ(OnePass(block, ids), Plain(block, ids)) << "round " << round;
  }
  // IDs that are prefixes of one another; an ID may start with a LF inside a line but not on
  // the LF of a CR LF.
  const std::vector<std::string> ids = {"7A3F.1", "7A3F.10", "7A3F.100", "\n7A3F.2", "7A3F.2"};
  const std::string block = "a 7A3F.100 b\r\nx 7A3F.10\r\n7A3F.2 z\r\nq\n7A3F.2\r7A3F.1";
  EXPECT_EQ(OnePass(block, ids), Plain(block, ids));
}

}  // namespace
}  // namespace rq
