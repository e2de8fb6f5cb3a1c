#include "readers/literal_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace rq {
namespace {

const char* Naive(const std::string& hay, std::string_view needle) {
  const std::size_t at = hay.find(needle);
  return at == std::string::npos ? nullptr : hay.data() + at;
}

const char* NaiveFolded(const std::string& hay, std::string_view needle) {
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t j = 0;
    while (j < needle.size() && FoldByte(static_cast<unsigned char>(hay[i + j])) ==
                                    FoldByte(static_cast<unsigned char>(needle[j])))
      ++j;
    if (j == needle.size()) return hay.data() + i;
  }
  return nullptr;
}

// Every search the running processor can do, each through its own entry point, so that a fault
// in one of them is not hidden by the dispatch choosing another.
std::vector<const char*> AllLevels(const std::string& hay, std::string_view needle) {
  std::vector<const char*> hits;
  const char* b = hay.data();
  const char* e = b + hay.size();
  hits.push_back(LiteralSearcher(needle).Find(b, e));
  hits.push_back(FindLiteral(b, e, needle));
  if (needle.size() >= 2) {
    // Any two distinct offsets are a valid choice of anchor bytes.
    for (std::size_t r2 = 1; r2 < needle.size(); r2 += 3) {
      hits.push_back(internal::FindLiteralPortable(b, e, needle, 0, r2));
      if (internal::SimdLevel() >= 1)
        hits.push_back(internal::FindLiteralSse2(b, e, needle, 0, r2));
      if (internal::SimdLevel() >= 2)
        hits.push_back(internal::FindLiteralAvx2(b, e, needle, 0, r2));
    }
  }
  return hits;
}

TEST(LiteralSearch, EveryLevelAgreesWithPlainSearchOnRandomText) {
  std::mt19937 rng(7);
  const std::string alphabet = "ab\r\n[]A\x00\xE9";
  for (int round = 0; round < 3000; ++round) {
    std::string hay(rng() % 300, 'x');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    std::string needle(1 + rng() % 6, 'x');
    for (char& c : needle) c = alphabet[rng() % alphabet.size()];
    if (rng() % 2 == 0 && hay.size() >= needle.size()) {
      // Plant it, often near the end where the vector loops hand over to the tail.
      const std::size_t at =
          rng() % 2 == 0 ? hay.size() - needle.size() : rng() % (hay.size() - needle.size() + 1);
      hay.replace(at, needle.size(), needle);
    }
    const char* expected = Naive(hay, needle);
    for (const char* got : AllLevels(hay, needle)) {
      ASSERT_EQ(got, expected) << "round " << round;
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

TEST(FoldedLiteralSearch, AgreesWithFoldedCompare) {
  std::mt19937 rng(11);
  const std::string alphabet = "aAbBzZ@.\xC0\xE0\xD7\xF7\x8A\x9A\x9F\xFF\xDF";
  for (int round = 0; round < 3000; ++round) {
    std::string hay(rng() % 200, 'x');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    std::string needle(1 + rng() % 5, 'x');
    for (char& c : needle) c = alphabet[rng() % alphabet.size()];
    const FoldedLiteralSearcher searcher(needle);
    ASSERT_EQ(searcher.Find(hay.data(), hay.data() + hay.size()), NaiveFolded(hay, needle))
        << "round " << round;
  }
}

TEST(FoldedLiteralSearch, WhichBytesFold) {
  struct Case {
    std::string hay;
    std::string needle;
    bool found;
  };
  const std::vector<Case> cases = {
      {"From: <ALICE@Example.COM>", "alice@example.com", true},
      {"\xC9T\xC9", "\xE9t\xE9", true},                // Latin-1 capitals
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},  // Windows-1252 capitals
      {"\xD7", "\xF7", false},                         // the multiplication sign is no letter
      {"[", "{", false},                               // nor are the bytes 32 apart from brackets
      {"@", "`", false},
  };
  for (const Case& c : cases) {
    const FoldedLiteralSearcher searcher(c.needle);
    EXPECT_EQ(searcher.Find(c.hay.data(), c.hay.data() + c.hay.size()) != nullptr, c.found)
        << c.hay;
  }
}

}  // namespace
}  // namespace rq
