#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace rq {
namespace {

TEST(Codepage, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(Utf16LeToCp1252(Utf8ToUtf16Le(utf8)), all);
}

TEST(Codepage, Windows1252Characters) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");      // undefined: the C1 control
  EXPECT_EQ(Cp1252ToUtf8("\xE9"), "\xC3\xA9");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD\xC2\x80"), "??");  // not in the code page
  EXPECT_EQ(Utf8ToCp1252("a\xFF\x62"), "a?b");            // malformed: one '?' per bad byte
  EXPECT_EQ(Utf16LeToCp1252(std::string("A\0\x3D\xD8", 4)), "A?");  // lone surrogate
  EXPECT_EQ(Utf16LeToCp1252(std::string("\x3D\xD8"
                                        "A\0"
                                        "\x00\xDC",
                                        6)),
            "?A?");                               // unpaired
  const std::string pair("\x3D\xD8\x00\xDE", 4);  // U+1F600
  EXPECT_EQ(Utf16LeToUtf8(pair), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16Le("\xF0\x9F\x98\x80"), pair);
}

TEST(Codepage, IsValidUtf8) {
  for (const char* valid : {"", "plain", "\xC3\xA9", "\xF4\x8F\xBF\xBF"}) {
    EXPECT_TRUE(IsValidUtf8(valid)) << valid;
  }
  // Cut short, overlong (two forms), a surrogate, past U+10FFFF, a lone continuation byte and
  // Windows-1252 text are no UTF-8.
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\x80", "\xE9t\xE9"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  EXPECT_EQ(ToUtf8Display("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(ToUtf8Display("caf\xE9"), "caf\xC3\xA9");
}

}  // namespace
}  // namespace rq
