#include "readers/line_source.h"

#include <algorithm>
#include <string>

#include "base/read_error.h"

namespace rq {
namespace {

// One read of the source: the count read, 0 at the end. A read that fails throws rather than
// end the reading there, which would leave a hole in what the readers report.
long long ReadOrThrow(const ByteSource& source, long long offset, char* data, std::size_t size) {
  const long long got = source.ReadAt(offset, data, size);
  if (got < 0) throw ReadError(source.Name(), "cannot be read at byte " + std::to_string(offset));
  return got;
}

}  // namespace

LineSource::LineSource(const std::string& path, std::size_t chunkSize, std::size_t longLine)
    : file_(std::make_unique<FileBytes>(path)),
      chunkSize_(chunkSize == 0 ? 1 : chunkSize),
      longLine_(longLine == 0 ? 1 : longLine) {
  if (file_->is_open()) source_ = file_.get();
}

LineSource::LineSource(const ByteSource& source, long long start, long long stop,
                       std::size_t chunkSize, std::size_t longLine)
    : source_(&source),
      readAt_(start < 0 ? 0 : start),
      stop_(stop),
      chunkSize_(chunkSize == 0 ? 1 : chunkSize),
      longLine_(longLine == 0 ? 1 : longLine) {
  bufOffset_ = readAt_;
}

std::string_view LineSource::NextBlock() {
  return NextBlockImpl(nullptr);
}

std::string_view LineSource::NextBlock(const LongLineFilter& filter) {
  return NextBlockImpl(&filter);
}

std::string_view LineSource::NextBlockImpl(const LongLineFilter* filter) {
  if (source_ == nullptr) return {};
  for (;;) {
    if (skipLineFeed_ && begin_ < end_) {
      // The block before ended in CR: a LF right after it is that terminator's second byte.
      if (buf_[begin_] == '\n') ++begin_;
      skipLineFeed_ = false;
      if (begin_ == end_) continue;
    }
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
      // An unfinished line; a searching reader need not hold it once it is long.
      if (filter != nullptr && end_ - begin_ >= longLine_ &&
          bufOffset_ + static_cast<long long>(begin_) != heldLine_) {
        StreamLongLine(*filter);
        continue;
      }
    }
    if (eof_) return {};
    if (!ReadMore()) eof_ = true;
  }
}

bool LineSource::ReadMore() {
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
  bufOffset_ += static_cast<long long>(begin_);
  begin_ = 0;
  end_ = carry;
  searchFrom_ = carry;  // the unfinished line holds no CR: look only at new bytes
  std::size_t want = capacity_ - end_;
  if (stop_ >= 0) {
    if (readAt_ >= stop_) return false;
    want = static_cast<std::size_t>(
        std::min<long long>(static_cast<long long>(want), stop_ - readAt_));
  }
  const long long got = ReadOrThrow(*source_, readAt_, buf_.get() + end_, want);
  if (got == 0) return false;
  readAt_ += got;
  if (meter_ != nullptr) meter_->AddRead(got);
  end_ += static_cast<std::size_t>(got);
  return true;
}

void LineSource::StreamLongLine(const LongLineFilter& filter) {
  const long long lineStart = bufOffset_ + static_cast<long long>(begin_);
  searchFrom_ = end_;  // the caller found no CR in the line so far
  for (;;) {
    const char* const data = buf_.get();
    const char* cr = static_cast<const char*>(
        std::memchr(data + searchFrom_, '\r', end_ - std::min(searchFrom_, end_)));
    const std::size_t lineEnd = cr != nullptr ? static_cast<std::size_t>(cr - data) : end_;
    // [begin_, lineEnd) is the kept tail of what was searched before and the new bytes.
    if (filter.contains(filter.context, data + begin_, data + lineEnd)) {
      // The line must be handed out whole: read it again from its start and hold it.
      heldLine_ = lineStart;
      if (bufOffset_ + static_cast<long long>(begin_) == lineStart) return;
      readAt_ = lineStart;
      bufOffset_ = lineStart;
      begin_ = end_ = searchFrom_ = 0;
      eof_ = false;
      skipLineFeed_ = false;
      return;
    }
    if (cr != nullptr) {
      // The line ended without a match: leave it out.
      begin_ = lineEnd + 1;
      if (begin_ < end_) {
        if (data[begin_] == '\n') ++begin_;
      } else {
        skipLineFeed_ = true;
      }
      searchFrom_ = begin_;
      return;
    }
    if (eof_) {
      begin_ = end_;
      return;
    }
    // Keep only the tail a match could start in, and read on.
    const std::size_t keep = std::min(filter.overlap, end_ - begin_);
    begin_ = end_ - keep;
    if (!ReadMore()) {
      eof_ = true;
      begin_ = end_;  // the line ended at the end of the file without a match
      return;
    }
    searchFrom_ = keep;
  }
}

long long NextLineStart(const ByteSource& source, long long offset) {
  if (offset <= 0) return 0;
  // The two bytes before the offset tell whether a line starts there.
  char before[2] = {0, 0};
  const long long from = offset >= 2 ? offset - 2 : offset - 1;
  const std::size_t want = static_cast<std::size_t>(offset - from);
  if (ReadOrThrow(source, from, before + (2 - want), want) != static_cast<long long>(want)) {
    return offset;  // the source is shorter now: no line starts in it
  }
  char buf[16 << 10];
  long long at = offset;  // the next byte to look at
  if (before[1] == '\n' && before[0] == '\r') return offset;
  bool afterCr = before[1] == '\r';
  for (;;) {
    const long long got = ReadOrThrow(source, at, buf, sizeof buf);
    if (got == 0) return at;  // the end: no line starts in the rest
    for (long long i = 0; i < got; ++i) {
      if (afterCr) return buf[i] == '\n' ? at + i + 1 : at + i;
      afterCr = buf[i] == '\r';
    }
    at += got;
  }
}

std::vector<long long> SegmentStarts(const ByteSource& source, long long size, std::size_t count) {
  std::vector<long long> starts{0};
  if (size <= 0) return starts;
  for (std::size_t k = 1; k < count; ++k) {
    const long long boundary = static_cast<long long>(static_cast<unsigned long long>(size) * k /
                                                      static_cast<unsigned long long>(count));
    starts.push_back(std::max(starts.back(), NextLineStart(source, boundary)));
  }
  return starts;
}

}  // namespace rq
