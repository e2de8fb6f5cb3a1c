// The value rules under redaction, against published pairs (RFC 3492's samples, RFC 5952's forms).
#include "app/redact_values.h"

#include <gtest/gtest.h>

namespace rq::redact {
namespace {

TEST(Punycode, PublishedPairsBothWays) {
  const std::vector<std::pair<std::u32string, std::string>> pairs = {
      {U"b\u00fccher", "bcher-kva"},
      {U"m\u00fcnchen", "mnchen-3ya"},
      {U"\u4ed6\u4eec\u4e3a\u4ec0\u4e48\u4e0d\u8bf4\u4e2d\u6587", "ihqwcrb4cv8a8dqg056pqjye"},
      {U"\u0644\u064a\u0647\u0645\u0627\u0628\u062a\u0643\u0644\u0645\u0648\u0634\u0639\u0631\u0628"
       U"\u064a\u061f",
       "egbpdaj6bu4bxfgehfvwxn"},
      {U"3\u5e74B\u7d44\u91d1\u516b\u5148\u751f", "3B-ww4c5e180e575a65lsy2b"}};
  for (const auto& [unicode, coded] : pairs) {
    std::string encoded;
    std::u32string decoded;
    EXPECT_TRUE(PunycodeEncode(unicode, encoded));
    EXPECT_EQ(encoded, coded);
    EXPECT_TRUE(PunycodeDecode(coded, decoded));
    EXPECT_EQ(decoded, unicode) << coded;
  }
  std::u32string bad;
  EXPECT_FALSE(PunycodeDecode("bcher-kv!", bad));
  EXPECT_FALSE(PunycodeDecode("99999999999999", bad));
}

TEST(Ipv6, CanonicalTextForm) {
  const std::vector<std::pair<std::string, std::string>> forms = {
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
      {"2001:0DB8:0:0:0:0:2:1", "2001:db8::2:1"},
      {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},
      {"::ffff:10.9.8.7", "::ffff:a09:807"},
      {"::", "::"},
      {"1::", "1::"}};
  for (const auto& [text, canonical] : forms) {
    const auto bytes = ParseIpv6(text);
    ASSERT_TRUE(bytes) << text;
    EXPECT_EQ(FormatIpv6(*bytes), canonical);
  }
  for (const char* bad : {":1::2", "1:2:3", "1::2::3", "12345::", "1:2:3:4:5:6:7:8:9", "1:"}) {
    EXPECT_FALSE(ParseIpv6(bad)) << bad;
  }
}

TEST(Ipv4Placeholder, EachRangeInTurnThenTheRest) {
  const std::vector<std::pair<std::uint64_t, std::string>> at = {
      {0, "192.0.2.1"},
      {253, "192.0.2.254"},
      {254, "198.51.100.1"},
      {761, "203.0.113.254"},
      {762, "198.18.0.1"},
      {762 + 131069, "198.19.255.254"},
      {762 + 131070, "240.0.0.1"},
      {762 + 131070 + 268435454, "0.0.0.0"},
      {762 + 131070 + 268435454 + 0xC0000201, "192.0.2.255"}};
  for (const auto& [n, address] : at) EXPECT_EQ(FormatIpv4(Ipv4Placeholder(n)), address) << n;
}

}  // namespace
}  // namespace rq::redact
