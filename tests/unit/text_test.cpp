#include "base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rq {
namespace {

TEST(SplitField, FieldsFromOne) {
  struct Case {
    const char* text;
    const char* separator;
    long long n;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"a-b-c", "-", 3, "c"}, {"a-b-c", "-", 4, ""}, {"a--c", "-", 2, ""},
      {"a-b", "-", 0, ""},    {"a-b", "", 1, "a-b"}, {"x]]y]z", "]]", 2, "y]z"},
      {"A-a", "A", 2, "-a"},  // exact, case-sensitive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.separator + " / " + std::to_string(c.n));
    EXPECT_EQ(SplitField(c.text, c.separator, c.n), c.expected);
  }
}

TEST(AsciiCase, OnlyTheTwentySixLettersChange) {
  // The bytes either side of each run of letters, and one outside ASCII, stay as they are.
  EXPECT_EQ(AsciiUpper("@azAZ[`{\xE9"), "@AZAZ[`{\xE9");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("smtp-Az", "SMTP-aZ"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("@[", "`{"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("a", "ab"));
}

}  // namespace
}  // namespace rq
