#include "readers/parallel.h"

#include <cstdlib>
#include <string>

namespace rq {

namespace {

// The positive whole number in the environment variable, at most 256; 0 when unset or not one.
std::size_t CountFromEnvironment(const char* name) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text < '0' || *text > '9') return 0;
  char* end = nullptr;
  const unsigned long long n = std::strtoull(text, &end, 10);
  if (end == nullptr || *end != '\0') return 0;
  return static_cast<std::size_t>(std::min<unsigned long long>(n, 256));
}

}  // namespace

std::size_t ReaderThreadLimit() {
  if (const std::size_t n = CountFromEnvironment("RQ_THREADS"); n > 0) return n;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

std::size_t SegmentCount(std::size_t threads) {
  if (const std::size_t n = CountFromEnvironment("RQ_SEGMENTS"); n > 0) return n;
  return std::max<std::size_t>(1, threads);
}

}  // namespace rq
