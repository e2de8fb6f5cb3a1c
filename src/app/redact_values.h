// The values redaction recognises and stands in for: IPv4 and IPv6 addresses (parsed to their
// bytes, so that one address written two ways is one value), host names in one canonical form
// (lower case, internationalised labels as punycode A-labels) and their registrable domains by
// the Public Suffix List, and the sequences placeholders are drawn from. Pure functions of text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rq::redact {

// Four decimal parts of one to three digits, each at most 255 (leading zeros allowed:
// 010.009.008.007 is 10.9.8.7). Nothing else: no shorthand forms, no blanks.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
std::string FormatIpv4(std::uint32_t address);

using Ipv6Bytes = std::array<std::uint8_t, 16>;
// Hex groups of one to four digits separated by ':', "::" at most once, optionally ending in a
// dotted IPv4 address; no zone, no brackets.
std::optional<Ipv6Bytes> ParseIpv6(std::string_view text);
// The canonical text form: lower case, no leading zeros, the longest run of two or more zero
// groups (the first of equal runs) written "::".
std::string FormatIpv6(const Ipv6Bytes& address);

// The n-th placeholder (from 0) of each kind. IPv4: 192.0.2.1-254, 198.51.100.1-254,
// 203.0.113.1-254, 198.18.0.1-198.19.255.254, 240.0.0.1-255.255.255.254, then every other
// address in ascending order, so the first 2^32 are distinct. IPv6: 2001:db8:: plus n + 1 in the
// low 64 bits.
std::uint32_t Ipv4Placeholder(std::uint64_t n);
Ipv6Bytes Ipv6Placeholder(std::uint64_t n);

// RFC 3492 for one label, without the "xn--" prefix; false when the input cannot be coded
// (a basic code point in the decoder's extended part, a bad digit, overflow).
bool PunycodeEncode(std::u32string_view label, std::string& out);
bool PunycodeDecode(std::string_view label, std::u32string& out);

// The name in canonical form: labels in lower case, a label with letters beyond ASCII as its
// "xn--" A-label (written in Unicode or as punycode, in UTF-8 or, when not valid UTF-8, in
// Windows-1252), each label 1 to 63 bytes of letters, digits, '-' or '_', at most 253 bytes in
// all. Empty when the text is no such name.
std::string CanonicalHostName(std::string_view name);

// The registrable domain of a canonical name: its public suffix by the list's rules (the longest
// matching rule, an exception rule before all, "*" when none matches) plus one label. The whole
// name when it is itself a public suffix.
std::string_view RegistrableDomain(std::string_view canonical);

// True when the list has a rule for exactly this text (lower case): "com", "co.uk".
bool IsPublicSuffixRule(std::string_view text);

}  // namespace rq::redact
