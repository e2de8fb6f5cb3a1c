#include "readers/multi_literal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace rq {
namespace {

// The bits of the bit table: 32 KiB, which stays in the first-level cache during a scan.
constexpr unsigned kBitTableLog2 = 18;
// Longer literals are found by their first kMaxWidth bytes; this keeps the offset set in 32 bits.
constexpr std::size_t kMaxWidth = 24;

std::uint64_t Mix(std::uint64_t gram) {
  return gram * 0x9E3779B97F4A7C15ull;
}

// Loads the 8 bytes at p; the caller masks what does not belong to the window.
std::uint64_t Load8(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

MultiLiteralMatcher::MultiLiteralMatcher(const std::vector<std::string_view>& needles)
    : needleCount_(needles.size()) {
  std::unordered_map<std::string_view, std::uint32_t> index;
  for (std::size_t i = 0; i < needles.size(); ++i) {
    const std::string_view needle = needles[i];
    if (needle.empty()) {
      emptyNeedles_.push_back(i);
      continue;
    }
    if (needle.find('\r') != std::string_view::npos) continue;  // in no line
    const auto [it, inserted] =
        index.try_emplace(needle, static_cast<std::uint32_t>(unique_.size()));
    if (inserted) {
      unique_.push_back(needle);
      needlesOf_.emplace_back();
    }
    needlesOf_[it->second].push_back(i);
  }
  seenInLine_.assign(unique_.size(), 0);
  if (unique_.empty()) return;

  std::size_t minLength = unique_.front().size();
  for (const std::string_view u : unique_) {
    minLength = std::min(minLength, u.size());
    maxLength_ = std::max(maxLength_, u.size());
    lengths_.push_back(u.size());
  }
  std::sort(lengths_.begin(), lengths_.end());
  lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
  byLength_.resize(lengths_.size());
  for (std::size_t u = 0; u < unique_.size(); ++u) {
    const std::size_t at = static_cast<std::size_t>(
        std::lower_bound(lengths_.begin(), lengths_.end(), unique_[u].size()) - lengths_.begin());
    byLength_[at].emplace(unique_[u], static_cast<std::uint32_t>(u));
  }

  // Window and stride: half the shortest literal each, so both the grid and the windows are
  // coarse enough.
  const std::size_t width = std::min(minLength, kMaxWidth);
  q_ = std::min<std::size_t>(8, (width + 1) / 2);
  stride_ = width - q_ + 1;
  unsigned char maskBytes[8] = {};
  std::memset(maskBytes, 0xFF, q_);
  std::memcpy(&gramMask_, maskBytes, sizeof gramMask_);

  // The windows of every literal with their offsets; literals with a common prefix share most.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> windows;
  windows.reserve(unique_.size() * stride_);
  for (const std::string_view u : unique_) {
    for (std::size_t o = 0; o < stride_; ++o) {
      windows.emplace_back(GramAt(u.data() + o, u.data() + u.size()), std::uint32_t{1} << o);
    }
  }
  std::sort(windows.begin(), windows.end());
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (i == 0 || windows[i].first != windows[i - 1].first) ++distinct;
  }
  std::size_t slotCount = 16;
  while (slotCount < distinct * 2) slotCount *= 2;  // at most half full
  slots_.assign(slotCount, Slot{});
  slotMask_ = slotCount - 1;
  bits_.assign((std::size_t{1} << kBitTableLog2) / 64, 0);
  for (const auto& [gram, offset] : windows) {
    const std::uint64_t h = Mix(gram);
    const std::size_t bit = static_cast<std::size_t>(h >> (64 - kBitTableLog2));
    bits_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    for (std::size_t s = static_cast<std::size_t>(h >> 32) & slotMask_;; s = (s + 1) & slotMask_) {
      Slot& slot = slots_[s];
      if (!slot.used) {
        slot.used = true;
        slot.gram = gram;
      }
      if (slot.gram == gram) {
        slot.offsets |= offset;
        break;
      }
    }
  }
}

std::uint64_t MultiLiteralMatcher::GramAt(const char* p, const char* end) const {
  if (end - p >= 8) return Load8(p) & gramMask_;
  char tail[8] = {};
  std::memcpy(tail, p, static_cast<std::size_t>(end - p));
  return Load8(tail) & gramMask_;
}

bool MultiLiteralMatcher::MayHold(std::uint64_t gram) const {
  const std::size_t bit = static_cast<std::size_t>(Mix(gram) >> (64 - kBitTableLog2));
  return (bits_[bit / 64] >> (bit % 64)) & 1u;
}

const MultiLiteralMatcher::Slot* MultiLiteralMatcher::FindGram(std::uint64_t gram) const {
  for (std::size_t s = static_cast<std::size_t>(Mix(gram) >> 32) & slotMask_;;
       s = (s + 1) & slotMask_) {
    const Slot& slot = slots_[s];
    if (!slot.used) return nullptr;
    if (slot.gram == gram) return &slot;
  }
}

template <class G>
void MultiLiteralMatcher::LiteralsAt(const char* p, const char* end, G&& g) const {
  const std::size_t room = static_cast<std::size_t>(end - p);
  for (std::size_t k = 0; k < lengths_.size() && lengths_[k] <= room; ++k) {
    const auto it = byLength_[k].find(std::string_view(p, lengths_[k]));
    if (it != byLength_[k].end()) g(it->second);
  }
}

const char* MultiLiteralMatcher::FirstHit(const char* from, const char* end) const {
  if (unique_.empty() || end - from < static_cast<std::ptrdiff_t>(q_)) return nullptr;
  const std::size_t length = static_cast<std::size_t>(end - from);
  for (std::size_t i = 0; i + q_ <= length; i += stride_) {
    const char* const j = from + i;
    const std::uint64_t gram = length - i >= 8 ? Load8(j) & gramMask_ : GramAt(j, end);
    if (!MayHold(gram)) continue;
    const Slot* slot = FindGram(gram);
    if (slot == nullptr) continue;
    // Candidate starts, earliest first.
    for (std::size_t o = stride_; o-- > 0;) {
      if ((slot->offsets >> o & 1u) == 0 || i < o) continue;
      const char* p = j - o;
      bool found = false;
      LiteralsAt(p, end, [&](std::uint32_t) { found = true; });
      if (found) return p;
    }
  }
  return nullptr;
}

void MultiLiteralMatcher::CollectLine(std::string_view line) {
  ++lineNumber_;
  matched_.clear();
  matched_.insert(matched_.end(), emptyNeedles_.begin(), emptyNeedles_.end());
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  if (!unique_.empty() && line.size() >= q_) {
    for (std::size_t i = 0; i + q_ <= line.size(); i += stride_) {
      const char* const j = begin + i;
      const std::uint64_t gram = GramAt(j, end);
      if (!MayHold(gram)) continue;
      const Slot* slot = FindGram(gram);
      if (slot == nullptr) continue;
      for (std::size_t o = 0; o < stride_; ++o) {
        if ((slot->offsets >> o & 1u) == 0 || i < o) continue;
        LiteralsAt(j - o, end, [&](std::uint32_t u) {
          if (seenInLine_[u] == lineNumber_) return;
          seenInLine_[u] = lineNumber_;
          matched_.insert(matched_.end(), needlesOf_[u].begin(), needlesOf_[u].end());
        });
      }
    }
  }
  std::sort(matched_.begin(), matched_.end());
}

}  // namespace rq
