// One log read as several segments at the same time, each by its own line source on its own
// thread, with positioned reads of the one open file.
//
// A segment starts at the first line start at or after an even share of the file's size and
// ends where the next one starts; the last reads on to the real end of the file (a log may grow
// while it is read). A line belongs to the segment it starts in, so the segments' lines, put
// back in segment order, are exactly the lines of one reading, whatever CR, CR LF, LF, NUL or
// 0x1A stands at the shares' edges. Each thread holds one chunk (plus a held long line).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "readers/byte_source.h"
#include "readers/line_source.h"
#include "readers/parallel.h"

namespace rq {

class SegmentedLog {
 public:
  // Below this size a log is read by one line source: threads would cost more than they save.
  static constexpr long long kMinSegment = 32ll << 20;

  // Opens the log; reads are counted into the options' meter. A log of at least two kMinSegment
  // (or the options' minSegment) is cut into SegmentCount(threads) segments, at most one per
  // kMinSegment, read on at most the options' threads.
  SegmentedLog(const std::string& path, const ReadOptions& options);

  // Reads `source` (which must outlive this) in `segments` segments on at most `threads`
  // threads, with the line source's chunk and long-line sizes given.
  SegmentedLog(const ByteSource& source, std::size_t segments, std::size_t threads,
               std::size_t chunkSize = LineSource::kChunkSize,
               std::size_t longLine = LineSource::kLongLine);

  bool is_open() const { return source_ != nullptr; }
  std::size_t segments() const { return starts_.size(); }

  // Calls read(source, k) for every segment k, each with a line source over that segment, on at
  // most the threads given; returns when all are done. Each call should write only its own
  // segment's result. A segment that cannot be read (ReadError) fails the whole reading.
  template <class Read>
  void ReadAll(Read&& read) const {
    if (source_ == nullptr) return;
    ForEachTaskInParallel(starts_.size(), threads_, [&](std::size_t k) {
      ReadSegment(k, [&](LineSource& lines) { read(lines, k); });
    });
  }

  // Calls read(source) with a line source over segment k alone, on the calling thread: for a
  // caller that spreads the segments of several logs over its own threads.
  template <class Read>
  void ReadSegment(std::size_t k, Read&& read) const {
    const long long stop = k + 1 < starts_.size() ? starts_[k + 1] : -1;
    LineSource lines(*source_, starts_[k], stop, chunkSize_, longLine_);
    lines.CountInto(meter_);
    read(lines);
  }

  // ReadAll with a result per segment: read(source, k, result) fills segment 0's result in
  // `first` and each later segment's in one of its own. Returns the later results in segment
  // order, for the caller to add to `first` so that they read as one reading's.
  template <class T, class Read>
  std::vector<T> ReadEach(T& first, Read&& read) const {
    std::vector<T> later(starts_.empty() ? 0 : starts_.size() - 1);
    ReadAll(
        [&](LineSource& lines, std::size_t k) { read(lines, k, k == 0 ? first : later[k - 1]); });
    return later;
  }

 private:
  std::unique_ptr<FileBytes> file_;
  const ByteSource* source_ = nullptr;
  std::vector<long long> starts_;
  std::size_t threads_ = 1;
  ReadMeter* meter_ = nullptr;
  std::size_t chunkSize_ = LineSource::kChunkSize;
  std::size_t longLine_ = LineSource::kLongLine;
};

}  // namespace rq
