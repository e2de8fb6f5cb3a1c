#include "readers/segmented_log.h"

#include <algorithm>

namespace rq {

SegmentedLog::SegmentedLog(const std::string& path, const ReadOptions& options)
    : file_(std::make_unique<FileBytes>(path)),
      threads_(options.threads == 0 ? ReaderThreadLimit() : options.threads),
      meter_(options.meter) {
  if (!file_->is_open()) return;
  source_ = file_.get();
  const long long size = file_->Size();
  const long long least = options.minSegment > 0 ? options.minSegment : kMinSegment;
  std::size_t count = 1;
  const std::size_t most = SegmentCount(threads_);
  if (most > 1 && size >= 2 * least) {
    count =
        static_cast<std::size_t>(std::min<long long>(static_cast<long long>(most), size / least));
  }
  starts_ = SegmentStarts(*source_, size, count);
}

SegmentedLog::SegmentedLog(const ByteSource& source, std::size_t segments, std::size_t threads,
                           std::size_t chunkSize, std::size_t longLine)
    : source_(&source),
      starts_(SegmentStarts(source, source.Size(), std::max<std::size_t>(1, segments))),
      threads_(std::max<std::size_t>(1, threads)),
      chunkSize_(chunkSize),
      longLine_(longLine) {}

}  // namespace rq
