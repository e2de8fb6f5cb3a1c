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
      {"a-b-c", "-", 1, "a"},    {"a-b-c", "-", 3, "c"},
      {"a-b-c", "-", 4, ""},     {"a--c", "-", 2, ""},
      {"a--c", "-", 3, "c"},     {"-a", "-", 1, ""},
      {"a-", "-", 2, ""},        {"a-", "-", 3, ""},
      {"a-b", "-", 0, ""},       {"a-b", "-", -1, ""},
      {"", "-", 1, ""},          {"a-b", "", 1, "a-b"},
      {"a-b", "", 2, ""},        {"x]]y]z", "]]", 2, "y]z"},
      {"abc", "abcd", 1, "abc"}, {"SMTP-Activity-260304.log", "-", 3, "260304.log"},
      {"A-a", "A", 2, "-a"},  // exact, case-sensitive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.separator + " / " + std::to_string(c.n));
    EXPECT_EQ(SplitField(c.text, c.separator, c.n), c.expected);
  }
}

}  // namespace
}  // namespace rq
