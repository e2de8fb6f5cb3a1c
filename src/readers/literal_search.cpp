#include "readers/literal_search.h"

#include <cstring>

namespace rq {

const char* FindLiteral(const char* begin, const char* end, std::string_view needle) {
  const std::size_t n = needle.size();
  if (n == 0) return begin;
  if (begin >= end || static_cast<std::size_t>(end - begin) < n) return nullptr;
  const char first = needle.front();
  if (n == 1) return static_cast<const char*>(std::memchr(begin, first, end - begin));
  // memchr on the first byte, then a full compare: the portable baseline.
  const char* last = end - n;
  for (const char* p = begin; p <= last;) {
    p = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
    if (p == nullptr) return nullptr;
    if (std::memcmp(p + 1, needle.data() + 1, n - 1) == 0) return p;
    ++p;
  }
  return nullptr;
}

}  // namespace rq
