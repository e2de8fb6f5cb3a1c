// Finding the lines that hold any of many literals in one pass, and which literals each holds.
//
// Used where a trace needs the lines of every copy of a split message from one log: reading the
// log once for all copies instead of once per copy. Every literal is matched exactly as a single
// search would match it (plain bytes, case-sensitive, anywhere in the line); a literal that is
// part of another one is found wherever the other one is.
//
// How: every occurrence of a literal at least w bytes long covers, among its first w bytes, a
// q-byte window that starts on a grid of stride s = w - q + 1. The search looks only at the
// windows on that grid: a bit table of the windows the literals hold turns almost all of them
// away at once, and the rest are confirmed by a hash lookup of the literal text at the few start
// positions the window allows. Grid order is line order, so lines come out in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "readers/line_source.h"

namespace rq {

class MultiLiteralMatcher {
 public:
  // The literals, by index; the views must outlive the matcher. Duplicates are allowed (each
  // index is reported), an empty literal is found in every non-empty line, and a literal with a
  // carriage return is found in no line.
  explicit MultiLiteralMatcher(const std::vector<std::string_view>& needles);

  std::size_t size() const { return needleCount_; }

  // The matcher interface of the line source: where the first literal in [from, end) starts
  // (`from` itself with an empty literal), and the bytes a literal may straddle.
  const char* Find(const char* from, const char* end) const {
    return emptyNeedles_.empty() ? FirstHit(from, end) : from;
  }
  std::size_t straddle() const { return maxLength_ > 0 ? maxLength_ - 1 : 0; }

  // Calls f(line, matched) for every line of a block (as LineSource hands them out) that holds at
  // least one literal, in order. `matched` lists the indices of the literals the line holds, in
  // ascending order, each once. f returns false to stop; then this returns false.
  template <class F>
  bool ForEachMatchingLine(std::string_view block, F&& f);

  // Fills matched() with the indices of the literals the line holds, ascending, each once.
  void CollectLine(std::string_view line);
  const std::vector<std::size_t>& matched() const { return matched_; }

 private:
  struct Slot {
    std::uint64_t gram = 0;
    std::uint32_t offsets = 0;  // bit o: some literal holds this window at offset o
    bool used = false;
  };

  std::uint64_t GramAt(const char* p, const char* end) const;
  const Slot* FindGram(std::uint64_t gram) const;
  bool MayHold(std::uint64_t gram) const;
  // Calls g(unique literal) for each literal that starts at p and ends by `end`.
  template <class G>
  void LiteralsAt(const char* p, const char* end, G&& g) const;
  // The start of the first literal on the grid from `from`, or nullptr.
  const char* FirstHit(const char* from, const char* end) const;

  std::size_t needleCount_ = 0;
  std::vector<std::string_view> unique_;             // distinct literals without CR, non-empty
  std::vector<std::vector<std::size_t>> needlesOf_;  // indices of each distinct literal
  std::vector<std::size_t> emptyNeedles_;            // indices of the empty literals
  std::vector<std::size_t> lengths_;                 // distinct lengths, ascending
  std::vector<std::unordered_map<std::string_view, std::uint32_t>> byLength_;  // per lengths_
  std::size_t maxLength_ = 0;
  std::size_t q_ = 1;       // window bytes
  std::size_t stride_ = 1;  // grid stride
  std::uint64_t gramMask_ = 0;
  std::vector<Slot> slots_;
  std::size_t slotMask_ = 0;
  std::vector<std::uint64_t> bits_;

  // Scratch of one scan: which line each literal was last seen in, and the current line's list.
  std::vector<std::uint64_t> seenInLine_;
  std::uint64_t lineNumber_ = 0;
  std::vector<std::size_t> matched_;
};

template <class F>
bool MultiLiteralMatcher::ForEachMatchingLine(std::string_view block, F&& f) {
  return ForEachMatchingLineInBlock(block, *this, [&](std::string_view line) {
    CollectLine(line);
    return f(line, static_cast<const std::vector<std::size_t>&>(matched_));
  });
}

// Calls f(line, matched) for every line of the source that holds one of the matcher's literals.
template <class F>
void ForEachLineMatching(LineSource& source, MultiLiteralMatcher& matcher, F&& f) {
  source.ForEachMatchingLine(matcher, [&](std::string_view line) {
    matcher.CollectLine(line);
    return f(line, static_cast<const std::vector<std::size_t>&>(matcher.matched()));
  });
}

// The one reader of "the lines holding any of these IDs": calls f(line, matched) for every line
// of the source holding at least one of them, in file order, `matched` listing the indices of
// those it holds. One ID is looked for with the literal search, the faster one for a single
// needle; several with the matcher, in the same one reading.
template <class F>
void ForEachLineHoldingAny(LineSource& source, const std::vector<std::string_view>& ids, F&& f) {
  if (ids.empty()) return;
  if (ids.size() == 1) {
    const std::vector<std::size_t> first{0};
    source.ForEachLineContaining(ids[0], [&](std::string_view line) { return f(line, first); });
    return;
  }
  MultiLiteralMatcher matcher(ids);
  ForEachLineMatching(source, matcher, f);
}

}  // namespace rq
