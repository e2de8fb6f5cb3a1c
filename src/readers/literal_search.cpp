#include "readers/literal_search.h"

#include <array>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define RQ_X86_SIMD 1
#include <immintrin.h>
#endif

namespace rq {
namespace {

// Bytes of log text from the most common down: blanks, digits, lower-case letters, the
// punctuation of times, addresses and brackets, then capitals. Everything not listed (controls,
// 8-bit bytes, rarer punctuation) counts as rare.
constexpr std::string_view kCommonOrder =
    " 0e1t2a3o4i5n6s7r8h9lducmfpgwybvk:.-\t\r\n[]@/"
    "_=,<>ESTRAIONCLMDPQUFGHBWKVYXJZxjqz\"'();#%+*!?&|"
    "\\{}^$~`";

constexpr std::array<unsigned char, 256> MakeCommonness() {
  std::array<unsigned char, 256> t{};
  for (std::size_t i = 0; i < 256; ++i) t[i] = 1;
  t[0] = 0;
  for (std::size_t r = 0; r < kCommonOrder.size(); ++r) {
    t[static_cast<unsigned char>(kCommonOrder[r])] = static_cast<unsigned char>(255 - r);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kCommonness = MakeCommonness();

// Lower-case byte of each byte: ASCII letters and the Latin-1 letters (but not the multiplication
// and division signs) fold to their small form, and so do the capitals that Windows-1252 adds
// in 0x80-0x9F (S and Z with caron, the OE ligature, Y with diaeresis), since logs are in that
// code page.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int f = i;
    if (i >= 'A' && i <= 'Z') f = i + 32;
    if (i >= 0xC0 && i <= 0xDE && i != 0xD7) f = i + 32;
    if (i == 0x8A || i == 0x8C || i == 0x8E) f = i + 0x10;
    if (i == 0x9F) f = 0xFF;
    t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(f);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

// The other case of a folded letter (the byte itself for every other byte).
constexpr std::array<unsigned char, 256> MakeOtherCase() {
  std::array<unsigned char, 256> t{};
  for (std::size_t i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (std::size_t i = 0; i < 256; ++i) {
    if (kFold[i] != i) t[kFold[i]] = static_cast<unsigned char>(i);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kOtherCase = MakeOtherCase();

// Picks the two rarest bytes of the needle, preferring distinct byte values and positions far
// apart (two equal neighbours filter little). With `folded`, a letter counts as common as the
// commoner of its two forms.
void PickRareBytes(std::string_view needle, std::size_t& rare1, std::size_t& rare2,
                   bool folded = false) {
  rare1 = rare2 = 0;
  const std::size_t n = needle.size();
  if (n < 2) return;
  auto score = [&](std::size_t i) {
    const unsigned char b = static_cast<unsigned char>(needle[i]);
    const unsigned char c = kCommonness[b];
    const unsigned char d = kCommonness[kOtherCase[b]];
    return folded && d > c ? d : c;
  };
  std::size_t best = 0;
  for (std::size_t i = 1; i < n; ++i) {
    if (score(i) < score(best)) best = i;
  }
  std::size_t second = best == 0 ? 1 : 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i == best) continue;
    const bool sameByte = needle[i] == needle[best];
    const bool secondSame = needle[second] == needle[best];
    // A byte other than the rarest one filters better; among equals the rarer wins.
    const bool better = secondSame && !sameByte;
    if (better || (sameByte == secondSame && score(i) < score(second))) second = i;
  }
  rare1 = best < second ? best : second;
  rare2 = best < second ? second : best;
}

bool ConfirmAt(const char* p, std::string_view needle) {
  return std::memcmp(p, needle.data(), needle.size()) == 0;
}

}  // namespace

unsigned char ByteCommonness(unsigned char byte) {
  return kCommonness[byte];
}

unsigned char FoldByte(unsigned char byte) {
  return kFold[byte];
}

namespace {

bool ConfirmFoldedAt(const char* p, std::string_view folded) {
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (kFold[static_cast<unsigned char>(p[i])] != static_cast<unsigned char>(folded[i]))
      return false;
  }
  return true;
}

}  // namespace

namespace internal {

const char* FindLiteralPortable(const char* begin, const char* end, std::string_view needle,
                                std::size_t rare1, std::size_t rare2) {
  const std::size_t n = needle.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const char b1 = needle[rare1];
  const char b2 = needle[rare2];
  // Candidate starts run from begin to last; the rare byte of a candidate sits rare1 further on.
  const char* const last = end - n;
  const char* p = begin;
  while (p <= last) {
    const char* q = static_cast<const char*>(
        std::memchr(p + rare1, b1, static_cast<std::size_t>(last - p) + 1));
    if (q == nullptr) return nullptr;
    const char* start = q - rare1;
    if (start[rare2] == b2 && ConfirmAt(start, needle)) return start;
    p = start + 1;
  }
  return nullptr;
}

const char* FindFoldedPortable(const char* begin, const char* end, std::string_view folded,
                               std::size_t rare1, std::size_t rare2) {
  const std::size_t n = folded.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const unsigned char f1 = static_cast<unsigned char>(folded[rare1]);
  const unsigned char f2 = static_cast<unsigned char>(folded[rare2]);
  for (const char* p = begin; p <= end - n; ++p) {
    if (kFold[static_cast<unsigned char>(p[rare1])] == f1 &&
        kFold[static_cast<unsigned char>(p[rare2])] == f2 && ConfirmFoldedAt(p, folded))
      return p;
  }
  return nullptr;
}

#ifdef RQ_X86_SIMD

__attribute__((target("avx2"))) const char* FindFoldedAvx2(const char* begin, const char* end,
                                                           std::string_view folded,
                                                           std::size_t rare1, std::size_t rare2) {
  const std::size_t n = folded.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const std::size_t len = static_cast<std::size_t>(end - begin);
  const unsigned char f1 = static_cast<unsigned char>(folded[rare1]);
  const unsigned char f2 = static_cast<unsigned char>(folded[rare2]);
  const __m256i lo1 = _mm256_set1_epi8(static_cast<char>(f1));
  const __m256i up1 = _mm256_set1_epi8(static_cast<char>(kOtherCase[f1]));
  const __m256i lo2 = _mm256_set1_epi8(static_cast<char>(f2));
  const __m256i up2 = _mm256_set1_epi8(static_cast<char>(kOtherCase[f2]));
  std::size_t i = 0;
  for (; i + rare2 + 32 <= len && i + n <= len; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + i + rare1));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + i + rare2));
    const __m256i ma = _mm256_or_si256(_mm256_cmpeq_epi8(a, lo1), _mm256_cmpeq_epi8(a, up1));
    const __m256i mb = _mm256_or_si256(_mm256_cmpeq_epi8(b, lo2), _mm256_cmpeq_epi8(b, up2));
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(ma, mb)));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at + n <= len && ConfirmFoldedAt(begin + at, folded)) return begin + at;
      mask &= mask - 1;
    }
  }
  return FindFoldedPortable(begin + i, end, folded, rare1, rare2);
}

__attribute__((target("sse2"))) const char* FindLiteralSse2(const char* begin, const char* end,
                                                            std::string_view needle,
                                                            std::size_t rare1, std::size_t rare2) {
  const std::size_t n = needle.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const std::size_t len = static_cast<std::size_t>(end - begin);
  const __m128i v1 = _mm_set1_epi8(needle[rare1]);
  const __m128i v2 = _mm_set1_epi8(needle[rare2]);
  std::size_t i = 0;
  // Both loads of 16 bytes stay inside the buffer while i + rare2 + 16 <= len.
  for (; i + rare2 + 16 <= len && i + n <= len; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i + rare1));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i + rare2));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, v1), _mm_cmpeq_epi8(b, v2))));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at + n <= len && ConfirmAt(begin + at, needle)) return begin + at;
      mask &= mask - 1;
    }
  }
  return FindLiteralPortable(begin + i, end, needle, rare1, rare2);
}

__attribute__((target("avx2"))) const char* FindLiteralAvx2(const char* begin, const char* end,
                                                            std::string_view needle,
                                                            std::size_t rare1, std::size_t rare2) {
  const std::size_t n = needle.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const std::size_t len = static_cast<std::size_t>(end - begin);
  const __m256i v1 = _mm256_set1_epi8(needle[rare1]);
  const __m256i v2 = _mm256_set1_epi8(needle[rare2]);
  std::size_t i = 0;
  // Two vectors per round: the compare of the second overlaps the test of the first.
  for (; i + rare2 + 64 <= len && i + n <= len; i += 64) {
    const char* p = begin + i;
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + rare1));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + rare2));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 + rare1));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 + rare2));
    const __m256i m0 = _mm256_and_si256(_mm256_cmpeq_epi8(a0, v1), _mm256_cmpeq_epi8(b0, v2));
    const __m256i m1 = _mm256_and_si256(_mm256_cmpeq_epi8(a1, v1), _mm256_cmpeq_epi8(b1, v2));
    if (_mm256_testz_si256(_mm256_or_si256(m0, m1), _mm256_or_si256(m0, m1))) continue;
    unsigned long long mask =
        static_cast<unsigned>(_mm256_movemask_epi8(m0)) |
        (static_cast<unsigned long long>(static_cast<unsigned>(_mm256_movemask_epi8(m1))) << 32);
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctzll(mask));
      if (at + n <= len && ConfirmAt(begin + at, needle)) return begin + at;
      mask &= mask - 1;
    }
  }
  for (; i + rare2 + 32 <= len && i + n <= len; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + i + rare1));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + i + rare2));
    unsigned mask = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, v1), _mm256_cmpeq_epi8(b, v2))));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at + n <= len && ConfirmAt(begin + at, needle)) return begin + at;
      mask &= mask - 1;
    }
  }
  return FindLiteralSse2(begin + i, end, needle, rare1, rare2);
}

int SimdLevel() {
  if (__builtin_cpu_supports("avx2")) return 2;
  if (__builtin_cpu_supports("sse2")) return 1;
  return 0;
}

#else

const char* FindFoldedAvx2(const char*, const char*, std::string_view, std::size_t, std::size_t) {
  return nullptr;
}

const char* FindLiteralSse2(const char*, const char*, std::string_view, std::size_t, std::size_t) {
  return nullptr;
}

const char* FindLiteralAvx2(const char*, const char*, std::string_view, std::size_t, std::size_t) {
  return nullptr;
}

int SimdLevel() {
  return 0;
}

#endif

}  // namespace internal

LiteralSearcher::LiteralSearcher(std::string_view needle) : needle_(needle) {
  PickRareBytes(needle_, rare1_, rare2_);
}

const char* LiteralSearcher::Find(const char* begin, const char* end) const {
  const std::size_t n = needle_.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  if (n == 1) {
    return static_cast<const char*>(
        std::memchr(begin, needle_[0], static_cast<std::size_t>(end - begin)));
  }
  switch (internal::SimdLevel()) {
    case 2:
      return internal::FindLiteralAvx2(begin, end, needle_, rare1_, rare2_);
    case 1:
      return internal::FindLiteralSse2(begin, end, needle_, rare1_, rare2_);
    default:
      return internal::FindLiteralPortable(begin, end, needle_, rare1_, rare2_);
  }
}

FoldedLiteralSearcher::FoldedLiteralSearcher(std::string_view needle) {
  folded_.reserve(needle.size());
  for (const char c : needle) folded_ += static_cast<char>(kFold[static_cast<unsigned char>(c)]);
  PickRareBytes(folded_, rare1_, rare2_, true);
}

const char* FoldedLiteralSearcher::Find(const char* begin, const char* end) const {
  if (internal::SimdLevel() == 2) {
    return internal::FindFoldedAvx2(begin, end, folded_, rare1_, rare2_);
  }
  return internal::FindFoldedPortable(begin, end, folded_, rare1_, rare2_);
}

const char* FindLiteral(const char* begin, const char* end, std::string_view needle) {
  return LiteralSearcher(needle).Find(begin, end);
}

}  // namespace rq
