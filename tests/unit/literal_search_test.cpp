#include "readers/literal_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "readers/origin_search.h"
#include "test_support.h"

namespace rq {
namespace {

// Where the (folded) needle first stands in the (folded) text, as a pointer into `hay`.
const char* Plain(const std::string& hay, std::string_view needle, bool fold) {
  const std::size_t at =
      fold ? test::PlainFolded(hay).find(test::PlainFolded(needle)) : hay.find(needle);
  return at == std::string::npos ? nullptr : hay.data() + at;
}

// Every search the running processor can do, each through its own entry point, so that a fault
// in one of them is not hidden by the dispatch choosing another.
std::vector<const char*> AllLevels(const std::string& hay, std::string_view needle) {
  const char* b = hay.data();
  const char* e = b + hay.size();
  std::vector<const char*> hits = {LiteralSearcher(needle).Find(b, e), FindLiteral(b, e, needle)};
  // Any two distinct offsets are a valid choice of anchor bytes.
  for (std::size_t r2 = 1; r2 < needle.size(); r2 += 3) {
    hits.push_back(internal::FindLiteralPortable(b, e, needle, 0, r2));
    if (internal::SimdLevel() >= 1) hits.push_back(internal::FindLiteralSse2(b, e, needle, 0, r2));
    if (internal::SimdLevel() >= 2) hits.push_back(internal::FindLiteralAvx2(b, e, needle, 0, r2));
  }
  return hits;
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, std::size_t size) {
  std::string text(size, 'x');
  for (char& c : text) c = alphabet[rng() % alphabet.size()];
  return text;
}

TEST(LiteralSearch, EveryLevelAgreesWithPlainSearchOnRandomText) {
  std::mt19937 rng(7);
  const std::string alphabet = std::string("ab\r\n[]A\0\xE9", 9);
  for (int round = 0; round < 3000; ++round) {
    std::string hay = RandomText(rng, alphabet, rng() % 300);
    const std::string needle = RandomText(rng, alphabet, 1 + rng() % 6);
    if (rng() % 2 == 0 && hay.size() >= needle.size()) {
      // Plant it, often near the end where the vector loops hand over to the tail.
      const std::size_t at =
          rng() % 2 == 0 ? hay.size() - needle.size() : rng() % (hay.size() - needle.size() + 1);
      hay.replace(at, needle.size(), needle);
    }
    for (const char* got : AllLevels(hay, needle)) {
      ASSERT_EQ(got, Plain(hay, needle, false)) << "round " << round;
    }
  }
}

TEST(LiteralSearch, EdgeCases) {
  const std::string hay = "abc[ID]def";
  const char* b = hay.data();
  const char* e = b + hay.size();
  EXPECT_EQ(FindLiteral(b, e, ""), b);
  EXPECT_EQ(FindLiteral(b, b, "a"), nullptr);
  EXPECT_EQ(FindLiteral(b, e, "[ID]"), b + 3);
  EXPECT_EQ(FindLiteral(b, e, "abc[ID]defg"), nullptr);  // longer than the text
  EXPECT_EQ(FindLiteral(b, e, "f"), b + 9);
  EXPECT_EQ(FindLiteral(b + 1, e, "abc"), nullptr);  // before the range
  EXPECT_EQ(FindLiteral(b, e - 1, "def"), nullptr);  // runs past the range
}

// The folded searcher and the origin search's case test fold alike: capitals of every kind beside
// bytes 32 or 16 apart that are no letters (the multiplication sign, brackets, @ and `).
TEST(FoldedSearch, AgreesWithPlainFoldedSearchOnRandomText) {
  std::mt19937 rng(11);
  const std::string alphabet =
      "aAbBzZ@`[{.\xC0\xE0\xC9\xE9\xD7\xF7\x8A\x9A\x8C\x9C\x8E\x9E\x9F\xFF\xDF";
  for (int round = 0; round < 3000; ++round) {
    const std::string hay = RandomText(rng, alphabet, rng() % 200);
    const std::string needle = RandomText(rng, alphabet, 1 + rng() % 5);
    const char* want = Plain(hay, needle, true);
    ASSERT_EQ(FoldedLiteralSearcher(needle).Find(hay.data(), hay.data() + hay.size()), want)
        << "round " << round;
    ASSERT_EQ(ContainsIgnoringCase(hay, needle), want != nullptr) << "round " << round;
  }
  // Unlike a line search, an empty text is found even in an empty one.
  EXPECT_TRUE(ContainsIgnoringCase("", ""));
  EXPECT_FALSE(ContainsIgnoringCase("", "a"));
}

}  // namespace
}  // namespace rq
