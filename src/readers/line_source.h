// The one way every reader reads a log: large chunks, lines as views into the buffer.
//
// A line ends at a carriage return or at a carriage return followed by a line feed; the
// terminator is not part of the line. A line feed alone, NUL, 0x1A and every other byte are
// ordinary characters. The last line counts whether or not it ends in a break, and nothing ends
// the reading before the real end of the file: a read that fails is a ReadError, not an end. No
// line is copied or allocated.
//
// Memory: a reader that walks every line holds the chunk plus the longest line. A reader that
// looks for a text holds at most the chunk plus kLongLine: it streams through a longer line
// keeping only the last bytes a match could start in, and holds such a line whole only when the
// line holds a match (it then reads the line again from its start, which it has to output).
//
// Searching readers give the line source a matcher, an object with two members:
//   const char* Find(const char* from, const char* end)
//       where the first match in [from, end) starts, or nullptr. A match lies within one line
//       (a matcher never matches a carriage return) and wholly before `end`. Within one block
//       the calls come with ascending `from`; a matcher with a member StartBlock() is told when
//       a new block begins, so that it may remember hits it found further on.
//   std::size_t straddle() const
//       how many bytes of a match may lie before a cut through it (the longest match less one).
// and one loop, ForEachMatchingLineInBlock, turns its hits into lines.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "readers/byte_source.h"
#include "readers/literal_search.h"
#include "readers/parallel.h"

namespace rq {

// What a searching reader tells the line source about an overlong line: whether a stretch of
// it holds a match. A match may begin in the last `overlap` bytes already searched.
struct LongLineFilter {
  bool (*contains)(const void* context, const char* begin, const char* end) = nullptr;
  const void* context = nullptr;
  std::size_t overlap = 0;
};

class LineSource {
 public:
  // Bytes read from the file at a time: small enough that a chunk is searched while it is still
  // in the processor's cache, large enough that the cost of a read call does not count.
  static constexpr std::size_t kChunkSize = 256 << 10;
  // A searching reader streams through lines longer than this instead of holding them.
  static constexpr std::size_t kLongLine = 4 << 20;

  // Opens the file; is_open() tells whether it could be (an ordinary, readable file).
  explicit LineSource(const std::string& path, std::size_t chunkSize = kChunkSize,
                      std::size_t longLine = kLongLine);

  // Reads the bytes of `source` (which must outlive this) from `start` up to `stop`, or to the
  // real end when `stop` is negative. `start` and `stop` must be line starts (see
  // NextLineStart) for the lines to be those of the whole source.
  LineSource(const ByteSource& source, long long start, long long stop,
             std::size_t chunkSize = kChunkSize, std::size_t longLine = kLongLine);

  bool is_open() const { return source_ != nullptr; }

  // The next block of whole lines: it starts at a line start and ends just after a line
  // terminator, or at the end of the file. Empty at the end of the file; a read that fails
  // throws ReadError (naming the source) instead. The view lives until the next call.
  std::string_view NextBlock();

  // The same, for a reader that only wants lines holding a match: a line longer than the long
  // line limit that holds no match may be left out of the blocks. Every line with a match, and
  // every shorter line, is handed out as by NextBlock().
  std::string_view NextBlock(const LongLineFilter& filter);

  // Calls f(line) for every line of the file in order; f returns false to stop early.
  template <class F>
  void ForEachLine(F&& f);

  // Calls f(line) for every line that contains `needle`, in order; f returns false to stop.
  // An empty needle is found in every non-empty line and in no empty line.
  template <class F>
  void ForEachLineContaining(std::string_view needle, F&& f);

  // Calls f(line) for every line that holds a match of the matcher (see the top of this file),
  // in order; f returns false to stop.
  template <class M, class F>
  void ForEachMatchingLine(M& matcher, F&& f);

  // Also counts every read into `meter` (which must outlive this), or no longer with nullptr.
  void CountInto(ReadMeter* meter) { meter_ = meter; }

  // The long-line limit this source was made with.
  std::size_t long_line() const { return longLine_; }

  // Bytes held for lines right now (the buffer's size); for tests of the memory bound.
  std::size_t capacity() const { return capacity_; }

 private:
  std::string_view NextBlockImpl(const LongLineFilter* filter);
  // Reads into the buffer after keeping [begin_, end_); false at the end.
  bool ReadMore();
  // Called with an unfinished line of at least longLine_ bytes in [begin_, end_) and no CR in
  // it. Streams to the line's end; leaves the buffer either past the line (no match in it) or
  // at the line's start, the line to be held whole (a match).
  void StreamLongLine(const LongLineFilter& filter);

  std::unique_ptr<FileBytes> file_;  // the file, when opened by path
  const ByteSource* source_ = nullptr;
  long long readAt_ = 0;  // offset of the next read
  long long stop_ = -1;   // no read goes past this offset; negative: to the real end
  ReadMeter* meter_ = nullptr;
  std::size_t chunkSize_;
  std::size_t longLine_;
  std::unique_ptr<char[]> buf_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;       // first byte not yet handed out
  std::size_t end_ = 0;         // end of the bytes read
  std::size_t searchFrom_ = 0;  // bytes before this one are known to hold no unhanded CR
  long long bufOffset_ = 0;     // file offset of buf_[0]
  long long heldLine_ = -1;     // file offset of a line with a match that is held whole
  bool eof_ = false;
  bool skipLineFeed_ = false;  // the last block ended in CR: a LF that follows belongs to it
};

// The first line start at or after `offset` in the source: `offset` itself when a line starts
// there, else the place just after the next line terminator (after the LF of a CR LF), or the
// end of the source. A segment of a log that starts there and ends at the next segment's start
// holds exactly the lines that start in it, so segments read apart give the lines of one
// reading. 0 for an offset of 0 or less.
long long NextLineStart(const ByteSource& source, long long offset);

// Where each of `count` segments of the source's first `size` bytes starts (the first at 0, the
// others at the first line start after an even share of the bytes), ascending; a segment ends
// where the next one starts, the last at the real end of the source.
std::vector<long long> SegmentStarts(const ByteSource& source, long long size, std::size_t count);

// Calls f(line) for every line of a block (as NextBlock gives them); false when f stopped.
template <class F>
bool ForEachLineInBlock(std::string_view block, F&& f) {
  const char* p = block.data();
  const char* const end = p + block.size();
  while (p < end) {
    const char* cr =
        static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    const char* lineEnd = cr != nullptr ? cr : end;
    if (!f(std::string_view(p, static_cast<std::size_t>(lineEnd - p)))) return false;
    if (cr == nullptr) break;
    p = cr + 1;
    if (p < end && *p == '\n') ++p;
  }
  return true;
}

// The start of the line that holds `at`: just after the last CR before it (and after that CR's
// LF), but never before `floor`, a known line start. May be past `at` when `at` is the LF of a
// CR LF, which belongs to no line.
inline const char* LineStartBefore(const char* floor, const char* at, const char* end) {
  for (const char* q = at; q > floor;) {
    --q;
    if (*q == '\r') {
      const char* start = q + 1;
      if (start < end && *start == '\n') ++start;
      return start;
    }
  }
  return floor;
}

// The search loop of every searching reader: calls f(line) for every line of a block (as
// NextBlock gives them) that holds a match, in order; false when f stopped. The block is searched
// for a match first and a line's bounds are worked out only around a hit. An empty line is
// never handed out (an empty needle is found in no empty line).
template <class M, class F>
bool ForEachMatchingLineInBlock(std::string_view block, M& matcher, F&& f) {
  if constexpr (requires { matcher.StartBlock(); }) matcher.StartBlock();
  const char* const end = block.data() + block.size();
  const char* from = block.data();  // a line start; every later hit lies at or after it
  while (from < end) {
    const char* hit = matcher.Find(from, end);
    if (hit == nullptr) return true;
    const char* lineStart = LineStartBefore(from, hit, end);
    if (hit < lineStart) {
      // The hit began on the LF of a CR LF: not inside a line. Look again from the line start.
      from = lineStart;
      continue;
    }
    const char* cr =
        static_cast<const char*>(std::memchr(hit, '\r', static_cast<std::size_t>(end - hit)));
    const char* lineEnd = cr != nullptr ? cr : end;
    if (lineEnd > lineStart &&
        !f(std::string_view(lineStart, static_cast<std::size_t>(lineEnd - lineStart)))) {
      return false;
    }
    if (cr == nullptr) return true;
    from = cr + 1;
    if (from < end && *from == '\n') ++from;
  }
  return true;
}

// The matcher of one literal, compared byte for byte. An empty needle is found in every
// non-empty line, a needle with a carriage return in no line.
class LiteralMatcher {
 public:
  explicit LiteralMatcher(std::string_view needle)
      : searcher_(needle), inNoLine_(needle.find('\r') != std::string_view::npos) {}
  const char* Find(const char* from, const char* end) const {
    return inNoLine_ ? nullptr : searcher_.Find(from, end);
  }
  std::size_t straddle() const {
    return searcher_.needle().empty() ? 0 : searcher_.needle().size() - 1;
  }

 private:
  LiteralSearcher searcher_;
  bool inNoLine_;
};

// The long-line filter of a matcher, which must outlive it.
template <class M>
LongLineFilter FilterFor(M& matcher) {
  LongLineFilter filter;
  filter.context = &matcher;
  filter.contains = [](const void* context, const char* begin, const char* end) {
    M& m = *static_cast<M*>(const_cast<void*>(context));
    if constexpr (requires { m.StartBlock(); }) m.StartBlock();
    return m.Find(begin, end) != nullptr;
  };
  filter.overlap = matcher.straddle();
  return filter;
}

template <class F>
void LineSource::ForEachLine(F&& f) {
  for (std::string_view block = NextBlock(); !block.empty(); block = NextBlock()) {
    if (!ForEachLineInBlock(block, f)) return;
  }
}

template <class F>
void LineSource::ForEachLineContaining(std::string_view needle, F&& f) {
  LiteralMatcher matcher(needle);
  ForEachMatchingLine(matcher, f);
}

template <class M, class F>
void LineSource::ForEachMatchingLine(M& matcher, F&& f) {
  const LongLineFilter filter = FilterFor(matcher);
  for (std::string_view block = NextBlock(filter); !block.empty(); block = NextBlock(filter)) {
    if (!ForEachMatchingLineInBlock(block, matcher, f)) return;
  }
}

}  // namespace rq
