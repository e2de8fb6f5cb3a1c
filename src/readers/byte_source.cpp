#include "readers/byte_source.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/read_error.h"

namespace rq {

long long FileBytes::ReadAt(long long offset, char* data, std::size_t size) const {
  const long long got = file_.ReadAt(offset, data, size);
  if (got < 0) {
    throw ReadError(
        path_, "cannot be read at byte " + std::to_string(offset) + ": " + LastSystemErrorText());
  }
  return got;
}

long long MemoryBytes::ReadAt(long long offset, char* data, std::size_t size) const {
  if (offset < 0) return -1;
  if (static_cast<unsigned long long>(offset) >= bytes_.size()) return 0;
  const std::size_t at = static_cast<std::size_t>(offset);
  const std::size_t n = std::min(size, bytes_.size() - at);
  std::memcpy(data, bytes_.data() + at, n);
  return static_cast<long long>(n);
}

}  // namespace rq
