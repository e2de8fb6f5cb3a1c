// The sample generator's random numbers: splitmix64, so that one seed gives the same bytes with
// every compiler and standard library (the std distributions do not promise that).
#pragma once

#include <cstdint>

namespace rq::sample {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A number in [0, bound); bound must not be 0. The tiny modulo bias does not matter here.
  std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }

  // A number in [low, high].
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
    return low + Below(high - low + 1);
  }

  // True with the given chance in percent.
  bool Percent(std::uint32_t chance) { return Below(100) < chance; }

  template <class T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(static_cast<std::uint32_t>(N))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace rq::sample
