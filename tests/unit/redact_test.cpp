#include "app/redact.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rq {
namespace {

// Each row through a fresh redactor; the first placeholders are numbered 1.
TEST(Redactor, ReplacesNamesAndAddressesKeepsTheRest) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"MAIL\tFROM:<Ines.Moreau@harbourview.example> SIZE=48213\t250",
       "MAIL\tFROM:<user1@domain1.example> SIZE=48213\t250"},
      {"RQ-I0031: [4F2A0C3A] connecting to mx.bluefin.example (203.0.113.25)",
       "RQ-I0031: [4F2A0C3A] connecting to host1.domain1.example (192.0.2.1)"},
      {"target domain [bluefin.example] recipients 2",
       "target domain [domain1.example] recipients 2"},
      {"2026-12-07 09:13:10.036 [0406] reply 250 2.0.0 accepted",
       "2026-12-07 09:13:10.036 [0406] reply 250 2.0.0 accepted"},
      {"from 2001:DB8:0:0:8:800:200C:417A and fe80::1%eth0 at 23:41:00",
       "from 2001:db8::1 and 2001:db8::2%eth0 at 23:41:00"},
      {"1.2.3.4.5 999.1.1.1 10.0.4.255. SMTP-Debug-261207.log e.g",
       "1.2.3.4.5 999.1.1.1 192.0.2.1. SMTP-Debug-261207.log e.g"},
      {"postmaster@localhost a@b@c", "user1@domain1.example a@b@c"},
      {"TO:<J\xc3\xb6rg@m\xfcller.example> by r\xe9seau.example",
       "TO:<user1@domain1.example> by domain2.example"},
      // JSON escapes end a word: \tmx is not a name starting with t.
      {R"("10:21:01\tmx.marlow.example\t198.51.100.88")",
       R"("10:21:01\thost1.domain1.example\t192.0.2.1")"},
      {"Message ID [4F2A0C11] was routed by the MTA to 1 destination queue(s).",
       "Message ID [4F2A0C11] was routed by the MTA to 1 destination queue(s)."}};
  for (const Case& c : cases) {
    Redactor redactor;
    EXPECT_EQ(redactor.Redact(c.text), c.expected) << c.text;
  }
}

// One value, one placeholder, whatever the letter case and however often it comes.
TEST(Redactor, SameValueSamePlaceholderAcrossCalls) {
  Redactor r;
  EXPECT_EQ(r.Redact("a@x.example b@x.example mx.x.example mx.y.example"),
            "user1@domain1.example user2@domain1.example host1.domain1.example "
            "host2.domain2.example");
  EXPECT_EQ(r.Redact("A@X.EXAMPLE 10.0.0.1 10.0.0.2 10.0.0.1 MX.Y.example"),
            "user1@domain1.example 192.0.2.1 192.0.2.2 192.0.2.1 host2.domain2.example");
}

}  // namespace
}  // namespace rq
