#include "readers/line_source.h"

#include <algorithm>

namespace rq {

LineSource::LineSource(const std::string& path, std::size_t chunkSize)
    : chunkSize_(chunkSize == 0 ? 1 : chunkSize) {
  file_.Open(path);
}

std::string_view LineSource::NextBlock() {
  if (!file_.is_open()) return {};
  for (;;) {
    // Whole lines already in the buffer: hand them out up to the last terminator.
    if (begin_ < end_) {
      const char* const data = buf_.get();
      std::size_t lastCr = end_;
      for (std::size_t i = end_; i > std::max(begin_, searchFrom_);) {
        --i;
        if (data[i] == '\r') {
          lastCr = i;
          break;
        }
      }
      if (lastCr != end_ || eof_) {
        std::size_t blockEnd = eof_ && lastCr == end_ ? end_ : lastCr + 1;
        if (blockEnd < end_ && data[blockEnd] == '\n') ++blockEnd;
        // A CR at the very end of what was read: a LF may follow in the next read.
        skipLineFeed_ = blockEnd == end_ && data[blockEnd - 1] == '\r' && !eof_;
        const std::string_view block(data + begin_, blockEnd - begin_);
        begin_ = blockEnd;
        searchFrom_ = end_;  // what is left after the last CR holds none
        return block;
      }
    }
    if (eof_) return {};
    // Keep the unfinished line, make room for one more chunk, and read.
    const std::size_t carry = end_ - begin_;
    if (capacity_ < carry + chunkSize_) {
      const std::size_t capacity = std::max(carry + chunkSize_, capacity_ * 2);
      std::unique_ptr<char[]> bigger(new char[capacity]);
      if (carry > 0) std::memcpy(bigger.get(), buf_.get() + begin_, carry);
      buf_ = std::move(bigger);
      capacity_ = capacity;
    } else if (carry > 0 && begin_ > 0) {
      std::memmove(buf_.get(), buf_.get() + begin_, carry);
    }
    begin_ = 0;
    end_ = carry;
    searchFrom_ = carry;  // the unfinished line holds no CR: look only at new bytes
    const long long got = file_.Read(buf_.get() + end_, capacity_ - end_);
    if (got <= 0) {
      eof_ = true;  // end of file, or a read error: what was read so far still counts
      continue;
    }
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (buf_[end_] == '\n') {
        std::memmove(buf_.get() + end_, buf_.get() + end_ + 1, static_cast<std::size_t>(got - 1));
        end_ += static_cast<std::size_t>(got - 1);
        continue;
      }
    }
    end_ += static_cast<std::size_t>(got);
  }
}

}  // namespace rq
