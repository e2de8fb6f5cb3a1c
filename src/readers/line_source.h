// The one way every reader reads a log: large chunks, lines as views into the buffer.
//
// A line ends at a carriage return or at a carriage return followed by a line feed; the
// terminator is not part of the line. A line feed alone, NUL, 0x1A and every other byte are
// ordinary characters. The last line counts whether or not it ends in a break, and nothing ends
// the reading before the real end of the file. Memory stays bounded by the chunk size plus the
// longest line, and no line is copied or allocated.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "readers/file.h"
#include "readers/literal_search.h"

namespace rq {

class LineSource {
 public:
  // Bytes read from the file at a time.
  static constexpr std::size_t kChunkSize = 1 << 20;

  // Opens the file; is_open() tells whether it could be (an ordinary, readable file).
  explicit LineSource(const std::string& path, std::size_t chunkSize = kChunkSize);

  bool is_open() const { return file_.is_open(); }

  // The next block of whole lines: it starts at a line start and ends just after a line
  // terminator, or at the end of the file. Empty at the end of the file or on a read error. The
  // view lives until the next call.
  std::string_view NextBlock();

  // Calls f(line) for every line of the file in order; f returns false to stop early.
  template <class F>
  void ForEachLine(F&& f);

  // Calls f(line) for every line that contains `needle`, in order; f returns false to stop.
  // An empty needle is found in every non-empty line and in no empty line.
  template <class F>
  void ForEachLineContaining(std::string_view needle, F&& f);

 private:
  ReadOnlyFile file_;
  std::size_t chunkSize_;
  std::unique_ptr<char[]> buf_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;       // first byte not yet handed out
  std::size_t end_ = 0;         // end of the bytes read
  std::size_t searchFrom_ = 0;  // bytes before this one are known to hold no unhanded CR
  bool eof_ = false;
  bool skipLineFeed_ = false;  // the last block ended in CR: a LF that follows belongs to it
};

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

// Calls f(line) for every line of a block that contains `needle`; false when f stopped. Searches
// the block for the needle first and works out a line's bounds only around a hit.
template <class F>
bool ForEachLineContainingInBlock(std::string_view block, std::string_view needle, F&& f) {
  if (needle.empty()) {
    return ForEachLineInBlock(block,
                              [&](std::string_view line) { return line.empty() || f(line); });
  }
  // A line never holds a carriage return, so a needle with one is in no line.
  if (needle.find('\r') != std::string_view::npos) return true;
  const char* const base = block.data();
  const char* const end = base + block.size();
  const char* floor = base;  // a known line start at or before every later hit
  const char* from = base;
  while (from < end) {
    const char* hit = FindLiteral(from, end, needle);
    if (hit == nullptr) return true;
    // The line's start: just after the last CR before the hit (and its LF, if one follows).
    const char* lineStart = floor;
    for (const char* q = hit; q > floor;) {
      --q;
      if (*q == '\r') {
        lineStart = q + 1;
        if (lineStart < end && *lineStart == '\n') ++lineStart;
        break;
      }
    }
    if (hit < lineStart) {
      // The hit began on the LF of a CR LF: not inside a line. Look again from the line start.
      floor = from = lineStart;
      continue;
    }
    const char* cr = static_cast<const char*>(std::memchr(
        hit + needle.size(), '\r', static_cast<std::size_t>(end - hit - needle.size())));
    const char* lineEnd = cr != nullptr ? cr : end;
    if (!f(std::string_view(lineStart, static_cast<std::size_t>(lineEnd - lineStart))))
      return false;
    if (cr == nullptr) return true;
    from = cr + 1;
    if (from < end && *from == '\n') ++from;
    floor = from;
  }
  return true;
}

template <class F>
void LineSource::ForEachLine(F&& f) {
  for (std::string_view block = NextBlock(); !block.empty(); block = NextBlock()) {
    if (!ForEachLineInBlock(block, f)) return;
  }
}

template <class F>
void LineSource::ForEachLineContaining(std::string_view needle, F&& f) {
  for (std::string_view block = NextBlock(); !block.empty(); block = NextBlock()) {
    if (!ForEachLineContainingInBlock(block, needle, f)) return;
  }
}

}  // namespace rq
