// Finding a literal in a buffer: the first step of every reader that looks for a text.
//
// The search looks for two of the needle's bytes that are rare in log text, many positions at a
// time with SSE2 or AVX2 where the processor has them (chosen at run time), and confirms each
// candidate by a full compare. Without those instructions a portable loop does the same.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rq {

// A needle prepared once for many searches. Keeps a view of the needle: the text must outlive
// the searcher.
class LiteralSearcher {
 public:
  explicit LiteralSearcher(std::string_view needle);

  // The first occurrence of the needle in [begin, end), or nullptr. An empty needle is found at
  // `begin`. Plain byte comparison, case-sensitive.
  const char* Find(const char* begin, const char* end) const;

  std::string_view needle() const { return needle_; }

 private:
  std::string_view needle_;
  std::size_t rare1_ = 0;  // offsets of the two rarest bytes, rare1_ < rare2_ when size > 1
  std::size_t rare2_ = 0;
};

// The small form of a byte: ASCII letters, the Latin-1 letters (but not the multiplication and
// division signs) and the Windows-1252 capitals S and Z with caron, OE and Y with diaeresis fold
// to their small form; every other byte stays as it is.
unsigned char FoldByte(unsigned char byte);

// A needle searched for with letters compared without regard to case (as FoldByte folds them).
// Keeps a folded copy of the needle.
class FoldedLiteralSearcher {
 public:
  explicit FoldedLiteralSearcher(std::string_view needle);

  // The first place in [begin, end) where the needle stands, letters compared without regard to
  // case, or nullptr. An empty needle is found at `begin`.
  const char* Find(const char* begin, const char* end) const;

  std::size_t size() const { return folded_.size(); }

 private:
  std::string folded_;
  std::size_t rare1_ = 0;
  std::size_t rare2_ = 0;
};

// The first occurrence of `needle` in [begin, end), or nullptr. An empty needle is found at
// `begin`. Plain byte comparison, case-sensitive.
const char* FindLiteral(const char* begin, const char* end, std::string_view needle);

// How common a byte is in log text, 0 (never seen) to 255 (the most common). Exposed for tests
// and for matchers that pick anchor bytes the same way.
unsigned char ByteCommonness(unsigned char byte);

namespace internal {
// The portable search, always available; the vector searches must agree with it.
const char* FindLiteralPortable(const char* begin, const char* end, std::string_view needle,
                                std::size_t rare1, std::size_t rare2);
// The portable folded search, and its AVX2 form (a stub where not compiled in).
const char* FindFoldedPortable(const char* begin, const char* end, std::string_view folded,
                               std::size_t rare1, std::size_t rare2);
const char* FindFoldedAvx2(const char* begin, const char* end, std::string_view folded,
                           std::size_t rare1, std::size_t rare2);
// The vector searches; nullptr-returning stubs where the instructions are not compiled in.
// Callers check SimdLevel() first.
const char* FindLiteralSse2(const char* begin, const char* end, std::string_view needle,
                            std::size_t rare1, std::size_t rare2);
const char* FindLiteralAvx2(const char* begin, const char* end, std::string_view needle,
                            std::size_t rare1, std::size_t rare2);
// 0 portable only, 1 SSE2, 2 AVX2: the best the running processor supports.
int SimdLevel();
}  // namespace internal

}  // namespace rq
