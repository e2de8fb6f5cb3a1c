#include "readers/parallel.h"

#include <cstdlib>
#include <string>

namespace rq {

std::size_t ReaderThreadLimit() {
  if (const char* text = std::getenv("RQ_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text, &end, 10);
    if (end != nullptr && *end == '\0' && n > 0 && text[0] != '-') {
      return static_cast<std::size_t>(std::min<unsigned long long>(n, 256));
    }
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace rq
