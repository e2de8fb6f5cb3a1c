#include "app/redact_values.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

#include "base/codepage.h"

namespace rq::redact {
namespace {

#include "public_suffixes.inc"

static_assert(std::is_sorted(kPublicSuffixRules.begin(), kPublicSuffixRules.end()),
              "the rule table must be in byte order for the binary search");

// The longest name and label DNS allows, in bytes of their ASCII form.
constexpr std::size_t kMaxName = 253, kMaxLabel = 63;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lower case for the scripts names are mostly written in: Latin (with Latin-1 and Extended-A),
// Greek and Cyrillic. Other letters are kept as they are.
char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return c + 32;
  }
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c + (c & 1);
  return c;
}

// The code points of valid UTF-8.
std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    out += c;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

bool IsLabelByte(char c) {
  return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '_';
}

// RFC 3492's parameters.
constexpr std::uint64_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr std::uint64_t kInitialBias = 72, kInitialN = 128, kMaxCodePoint = 0x10FFFF;

std::uint64_t Adapt(std::uint64_t delta, std::uint64_t points, bool first) {
  delta = first ? delta / kDamp : delta / 2;
  delta += delta / points;
  std::uint64_t k = 0;
  while (delta > ((kBase - kTMin) * kTMax) / 2) {
    delta /= kBase - kTMin;
    k += kBase;
  }
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

std::uint64_t Threshold(std::uint64_t k, std::uint64_t bias) {
  return k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
}

char Digit(std::uint64_t d) {
  return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26));
}

}  // namespace

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
  std::uint32_t address = 0;
  int parts = 0;
  std::size_t i = 0;
  while (parts < 4) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (i < text.size() && IsDigit(text[i]) && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    address = (address << 8) | value;
    if (++parts < 4) {
      if (i >= text.size() || text[i] != '.') return std::nullopt;
      ++i;
    }
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

std::string FormatIpv4(std::uint32_t address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
         std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::optional<Ipv6Bytes> ParseIpv6(std::string_view text) {
  // 45 characters hold the longest form (six full groups and a dotted IPv4 tail).
  if (text.size() < 2 || text.size() > 45) return std::nullopt;
  std::array<std::uint16_t, 8> groups{};
  int count = 0;
  int gap = -1;  // the group index where "::" stands
  std::size_t i = 0;
  if (text.substr(0, 2) == "::") {
    gap = 0;
    i = 2;
  } else if (text[0] == ':') {
    return std::nullopt;
  }
  while (i < text.size()) {
    if (count == 8) return std::nullopt;
    std::size_t end = i;
    while (end < text.size() && HexValue(text[end]) >= 0 && end - i < 5) ++end;
    if (end < text.size() && text[end] == '.') {
      // A dotted IPv4 tail fills the last two groups.
      const std::optional<std::uint32_t> v4 = ParseIpv4(text.substr(i));
      if (!v4 || count > 6) return std::nullopt;
      groups[count++] = static_cast<std::uint16_t>(*v4 >> 16);
      groups[count++] = static_cast<std::uint16_t>(*v4 & 0xFFFF);
      break;
    }
    if (end == i || end - i > 4) return std::nullopt;
    unsigned value = 0;
    for (std::size_t k = i; k < end; ++k)
      value = value * 16 + static_cast<unsigned>(HexValue(text[k]));
    groups[count++] = static_cast<std::uint16_t>(value);
    i = end;
    if (i == text.size()) break;
    if (text[i] != ':') return std::nullopt;
    ++i;
    if (i < text.size() && text[i] == ':') {
      if (gap >= 0) return std::nullopt;
      gap = count;
      ++i;
    } else if (i == text.size()) {
      return std::nullopt;  // a single ':' at the end
    }
  }
  if (gap < 0 ? count != 8 : count > 7) return std::nullopt;
  Ipv6Bytes bytes{};
  const int shift = gap < 0 ? 0 : 8 - count;
  for (int g = 0; g < count; ++g) {
    const auto at = static_cast<std::size_t>(gap >= 0 && g >= gap ? g + shift : g);
    bytes[2 * at] = static_cast<std::uint8_t>(groups[g] >> 8);
    bytes[2 * at + 1] = static_cast<std::uint8_t>(groups[g] & 0xFF);
  }
  return bytes;
}

std::string FormatIpv6(const Ipv6Bytes& address) {
  std::array<unsigned, 8> groups{};
  for (std::size_t g = 0; g < 8; ++g) groups[g] = address[2 * g] * 256u + address[2 * g + 1];
  int bestAt = -1, bestLength = 1;
  for (int g = 0; g < 8;) {
    int end = g;
    while (end < 8 && groups[static_cast<std::size_t>(end)] == 0) ++end;
    if (end - g > bestLength) {
      bestAt = g;
      bestLength = end - g;
    }
    g = end == g ? g + 1 : end;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (int g = 0; g < 8; ++g) {
    if (g == bestAt) {
      out += "::";
      g += bestLength - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    const unsigned v = groups[static_cast<std::size_t>(g)];
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const unsigned d = (v >> shift) & 0xF;
      if (d != 0 || started || shift == 0) {
        out += kHex[d];
        started = true;
      }
    }
  }
  return out;
}

std::uint32_t Ipv4Placeholder(std::uint64_t n) {
  struct Range {
    std::uint32_t first, last;
  };
  // In the order placeholders are drawn; every one a usable host address of its network.
  static constexpr std::array<Range, 5> kRanges = {{{0xC0000201, 0xC00002FE},
                                                    {0xC6336401, 0xC63364FE},
                                                    {0xCB007101, 0xCB0071FE},
                                                    {0xC6120001, 0xC613FFFE},
                                                    {0xF0000001, 0xFFFFFFFE}}};
  for (const Range& r : kRanges) {
    const std::uint64_t size = std::uint64_t{r.last} - r.first + 1;
    if (n < size) return static_cast<std::uint32_t>(r.first + n);
    n -= size;
  }
  // The rest in ascending order: step over the ranges above, lowest first.
  static constexpr std::array<Range, 5> kAscending = {
      {kRanges[0], kRanges[3], kRanges[1], kRanges[2], kRanges[4]}};
  std::uint64_t address = n;
  for (const Range& r : kAscending) {
    if (address >= r.first) address += std::uint64_t{r.last} - r.first + 1;
  }
  return static_cast<std::uint32_t>(address);
}

Ipv6Bytes Ipv6Placeholder(std::uint64_t n) {
  Ipv6Bytes bytes{0x20, 0x01, 0x0d, 0xb8};
  const std::uint64_t value = n + 1;
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[15 - i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
  }
  return bytes;
}

bool PunycodeEncode(std::u32string_view label, std::string& out) {
  out.clear();
  for (const char32_t c : label) {
    if (c > kMaxCodePoint) return false;
    if (c < 0x80) out += static_cast<char>(c);
  }
  const std::uint64_t basic = out.size();
  std::uint64_t handled = basic;
  if (basic > 0) out += '-';
  std::uint64_t n = kInitialN, delta = 0, bias = kInitialBias;
  while (handled < label.size()) {
    std::uint64_t m = kMaxCodePoint + 1;
    for (const char32_t c : label) {
      if (c >= n && c < m) m = c;
    }
    delta += (m - n) * (handled + 1);
    n = m;
    for (const char32_t c : label) {
      if (c < n) ++delta;
      if (c != n) continue;
      std::uint64_t q = delta;
      for (std::uint64_t k = kBase;; k += kBase) {
        const std::uint64_t t = Threshold(k, bias);
        if (q < t) break;
        out += Digit(t + (q - t) % (kBase - t));
        q = (q - t) / (kBase - t);
      }
      out += Digit(q);
      bias = Adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
    ++delta;
    ++n;
  }
  return true;
}

bool PunycodeDecode(std::string_view label, std::u32string& out) {
  out.clear();
  const std::size_t dash = label.rfind('-');
  std::size_t in = 0;
  if (dash != std::string_view::npos) {
    for (std::size_t i = 0; i < dash; ++i) {
      if (static_cast<unsigned char>(label[i]) >= 0x80) return false;
      out += static_cast<char32_t>(label[i]);
    }
    in = dash + 1;
  }
  std::uint64_t n = kInitialN, i = 0, bias = kInitialBias;
  while (in < label.size()) {
    const std::uint64_t old = i;
    std::uint64_t w = 1;
    for (std::uint64_t k = kBase;; k += kBase) {
      if (in >= label.size()) return false;
      const char c = label[in++];
      const std::uint64_t digit = c >= 'a' && c <= 'z'   ? static_cast<std::uint64_t>(c - 'a')
                                  : c >= 'A' && c <= 'Z' ? static_cast<std::uint64_t>(c - 'A')
                                  : IsDigit(c)           ? static_cast<std::uint64_t>(c - '0' + 26)
                                                         : kBase;
      if (digit >= kBase) return false;
      i += digit * w;
      const std::uint64_t t = Threshold(k, bias);
      if (i > kMaxCodePoint * 64 || w > kMaxCodePoint * 64) return false;  // overflow guard
      if (digit < t) break;
      w *= kBase - t;
    }
    const std::uint64_t points = out.size() + 1;
    bias = Adapt(i - old, points, old == 0);
    n += i / points;
    i %= points;
    if (n > kMaxCodePoint || n < 0x80) return false;
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(i), static_cast<char32_t>(n));
    ++i;
  }
  return true;
}

std::string CanonicalHostName(std::string_view name) {
  // Longer text is no name; the bound also keeps the punycode work per name small.
  if (name.empty() || name.size() > 4 * kMaxName) return {};
  const std::string utf8 = IsValidUtf8(name) ? std::string(name) : Cp1252ToUtf8(name);
  std::string out;
  std::size_t start = 0;
  while (start <= utf8.size()) {
    std::size_t end = utf8.find('.', start);
    if (end == std::string::npos) end = utf8.size();
    const std::string_view label = std::string_view(utf8).substr(start, end - start);
    if (label.empty() || label.size() > 4 * kMaxLabel) return {};
    if (!out.empty() || start > 0) out += '.';
    const bool plain = std::all_of(label.begin(), label.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain && !(label.size() > 4 && (label[0] | 0x20) == 'x' && (label[1] | 0x20) == 'n' &&
                   label[2] == '-' && label[3] == '-')) {
      // The common case, without decoding: ASCII in lower case.
      if (label.size() > kMaxLabel) return {};
      for (char c : label) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        if (!IsLabelByte(c)) return {};
        out += c;
      }
      start = end + 1;
      continue;
    }
    std::u32string points = DecodeUtf8(label);
    bool ascii = true;
    for (char32_t& c : points) {
      c = LowerCodePoint(c);
      if (c < 0x80 && !IsLabelByte(static_cast<char>(c))) return {};
      ascii = ascii && c < 0x80;
    }
    std::string coded;
    if (ascii && points.size() > 4 && points.substr(0, 4) == U"xn--") {
      // Punycode as written: decoded, put in lower case and coded again, so that both forms
      // and every letter case of the Unicode form meet.
      std::string rest;
      for (std::size_t k = 4; k < points.size(); ++k) rest += static_cast<char>(points[k]);
      std::u32string decoded;
      if (!PunycodeDecode(rest, decoded)) return {};
      for (char32_t& c : decoded) c = LowerCodePoint(c);
      points = decoded;
      ascii = std::all_of(points.begin(), points.end(), [](char32_t c) { return c < 0x80; });
      if (ascii) return {};  // an A-label of plain ASCII is not a valid label
    }
    if (ascii) {
      for (const char32_t c : points) coded += static_cast<char>(c);
    } else {
      if (!PunycodeEncode(points, coded)) return {};
      coded.insert(0, "xn--");
    }
    if (coded.size() > kMaxLabel) return {};
    out += coded;
    start = end + 1;
  }
  if (out.size() > kMaxName) return {};
  return out;
}

bool IsPublicSuffixRule(std::string_view text) {
  return std::binary_search(kPublicSuffixRules.begin(), kPublicSuffixRules.end(), text);
}

std::string_view RegistrableDomain(std::string_view canonical) {
  if (canonical.empty()) return canonical;
  // The labels from the last one back, as far as the longest rule reaches plus one.
  std::array<std::string_view, kPublicSuffixRuleLabels + 1> labels{};
  std::size_t count = 0;
  std::size_t end = canonical.size();
  bool whole = false;  // every label of the name is in `labels`
  while (count < labels.size()) {
    const std::size_t dot = canonical.rfind('.', end - 1);
    if (dot == std::string_view::npos) {
      labels[count++] = canonical.substr(0, end);
      whole = true;
      break;
    }
    labels[count++] = canonical.substr(dot + 1, end - dot - 1);
    end = dot;
  }
  const std::size_t total = count + (whole ? 0 : 1);  // at least this many labels
  std::string key;                                    // one buffer for the rule texts looked up
  const auto has = [&key](std::string_view prefix, std::string_view rule) {
    key.assign(prefix).append(rule);
    return std::binary_search(kPublicSuffixRules.begin(), kPublicSuffixRules.end(),
                              std::string_view(key));
  };
  // The list writes internationalised suffixes in Unicode.
  std::string suffix;
  std::size_t publicLabels = 1;  // the "*" rule
  std::size_t exception = 0;
  for (std::size_t k = 1; k <= std::min(count, kPublicSuffixRuleLabels); ++k) {
    const std::string shorter = suffix;
    std::string label(labels[k - 1]);
    if (label.size() > 4 && label.compare(0, 4, "xn--") == 0) {
      std::u32string points;
      if (PunycodeDecode(label.substr(4), points)) {
        label.clear();
        for (const char32_t c : points) AppendUtf8(label, c);
      }
    }
    if (k > 1) {
      label += '.';
      label += suffix;
    }
    suffix = std::move(label);
    if (has("!", suffix)) exception = k;
    if (has("", suffix) || (k >= 2 && has("*.", shorter))) publicLabels = k;
  }
  if (exception > 0) publicLabels = exception - 1;
  if (total <= publicLabels) return canonical;
  // The last publicLabels + 1 labels.
  const std::string_view first = labels[publicLabels];
  return canonical.substr(static_cast<std::size_t>(first.data() - canonical.data()));
}

}  // namespace rq::redact
