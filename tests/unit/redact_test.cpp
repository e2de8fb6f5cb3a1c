// Redaction tested as an attacker would: every row is a form that once leaked, or one found by
// trying to make it leak, with the text that must not survive and the text that must.
#include "app/redact.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace rq {
namespace {

enum class Via { kLine, kText, kAddress, kHost, kIp };

struct Row {
  Via via;
  std::string input;
  std::vector<std::string> gone;  // none of these may survive (compared without letter case)
  std::vector<std::string> kept;  // each of these must survive as written
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

const std::string kStamp = "2026-12-07 09:13:10.036 [0406] ";
std::string Act(const std::string& verb, const std::string& arg,
                const std::string& id = "4F2A0C3A") {
  return "19:09:59\tSMTP-IN\t" + id + "\t3830\t203.0.113.25\t" + verb + "\t" + arg + "\t250";
}

TEST(Redactor, NothingOfTheAttackTableSurvives) {
  const std::vector<Row> rows = {
      // Quoted local parts, whole or with dots, and escapes inside them.
      {Via::kLine,
       Act("RCPT", "TO:<\"kim lee\"@acme-corp.com>"),
       {"kim", "lee", "acme"},
       {"TO:<", ">"}},
      {Via::kText, "from \"kim.lee\"@acme-corp.com now", {"kim", "lee", "acme"}, {"from ", " now"}},
      {Via::kText, "x \"kim\\\"lee\"@acme-corp.com", {"kim", "lee", "acme"}, {}},
      {Via::kText, "an \"unclosed kim lee@acme-corp.com", {"kim", "lee", "acme"}, {"an \""}},
      {Via::kText, "said 'kim", {"kim"}, {"said "}},  // a leading apostrophe makes no word
      // An activity line keeps its ID whatever letters its direction tag holds.
      {Via::kLine,
       "10:21:01\tAZaz-IN\t4F2A0C3A\t3830\t203.0.113.25\tMAIL\tFROM:<kim@acme-corp.com>\t250",
       {"kim", "acme"},
       {"\tAZaz-IN\t4F2A0C3A\t3830\t"}},
      // Source routes, <@domain>, several @.
      {Via::kAddress,
       "FROM:<@relay1.acme-corp.com,@relay2.zorg.net:kim@acme-corp.com>",
       {"relay", "zorg", "kim", "acme"},
       {"FROM:<@", ",@", ">"}},
      {Via::kText,
       "path <@relay1.acme-corp.com,@relay2.zorg.net:kim@acme-corp.com>",
       {"relay", "zorg", "kim", "acme"},
       {}},
      {Via::kText,
       "to <@acme-corp.com> and kim@acme-corp.com@zorg.net",
       {"acme", "kim", "zorg"},
       {"<@"}},
      // Local parts with / = # & ' and URL-encoded addresses.
      {Via::kText,
       "o'brien@acme-corp.com kim/lee@zorg.net kim=lee@zorg.net",
       {"brien", "o'", "kim", "lee", "acme", "zorg"},
       {}},
      {Via::kAddress,
       "TO:<kim#lee&co@zorg.net> NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;kim@zorg.net SIZE=48213",
       {"kim", "lee", "zorg"},
       {"NOTIFY=SUCCESS,FAILURE", "ORCPT=rfc822;", "SIZE=48213"}},
      {Via::kText, "see kim%40acme-corp.com and kim+40acme-corp.com", {"kim", "acme"}, {"see "}},
      // Host names with underscores, punycode and Unicode top-level domains, ports.
      {Via::kText,
       "mail_gw.acme-corp.com _dmarc.acme-corp.com s1._domainkey.zorg.net",
       {"mail_gw", "dmarc", "domainkey", "acme", "zorg"},
       {}},
      {Via::kText,
       "via mail.acme.xn--p1ai and mail.acme.\xd1\x80\xd1\x84 (mx.zorg.net:25)",
       {"acme", "p1ai", "\xd1\x80\xd1\x84", "zorg"},
       {":25)"}},
      // IPv6 joined to . - _, with an embedded IPv4, with a zone, as a literal.
      {Via::kText,
       "2a01:4f8::17. 2a01:4f8::17- 2a01:4f8::17_x fe80::abcd%eth0",
       {"2a01", "4f8", "abcd"},
       {}},
      {Via::kText, "::ffff:10.9.8.7 2a01:4f8::10.9.8.7", {"ffff", "2a01", "4f8", "10.9.8"}, {}},
      {Via::kLine, Act("EHLO", "[IPv6:2a01:4f8::17]"), {"2a01", "4f8"}, {"\t[IPv6:2001:db8::1]\t"}},
      {Via::kText,
       "kim@[10.9.8.7] [IPv6:2a01:4f8::17]",
       {"kim", "10.9.8", "2a01"},
       {"@[192.0.2.1] [IPv6:2001:db8::1]"}},
      // IPv4 joined to . - _ and written as one number or in hex.
      {Via::kText,
       "10.9.8.7.25 ip_10.9.8.7 10.9.8.7-10.9.8.9 167772161 0x0a090807",
       {"10.9.8", "167772161", "0x0a"},
       {}},
      // Backslashes: a prefix, an account, an address behind a domain.
      {Via::kText,
       "\\10.9.8.7 DOM\\kim@acme-corp.com ACMECORP\\kimlee \\tmx.zorg.net",
       {"10.9.8", "dom\\", "kim", "acme", "zorg"},
       {}},
      // Display names, quoted or not; single-label hosts; bang paths.
      {Via::kText,
       "From: \"Kim Lee\" <kim@acme-corp.com>, Ann Marsh <ann@zorg.net>",
       {"kim", "lee", "ann", "marsh", "acme", "zorg"},
       {"From: \"", "\" <", ">, "}},
      {Via::kLine, Act("HELO", "ACMEPC01 greets you"), {"acmepc01"}, {"\thost1 greets you\t"}},
      {Via::kText,
       "client ACMEPC01 via zorg!acme!kim",
       {"acmepc01", "zorg", "acme", "kim"},
       {"client ", " via "}},
      {Via::kAddress,
       "FROM:Kim Lee <kim@zorg.net> Ann BODY=8BITMIME SMTPUTF8",
       {"kim", "lee", "ann", "zorg"},
       {"FROM:name1 <user1@domain1.example> name2 BODY=8BITMIME SMTPUTF8"}},
      {Via::kText,
       "kim@zorg.net (Kim Lee) <ann@zorg.net> (Ann Marsh)",
       {"kim", "lee", "ann", "marsh"},
       {" (name1) <", "> (name2)"}},
      // Full stops and at signs of other scripts join a name.
      {Via::kText,
       "acme\xE3\x80\x82"
       "com kim\xEF\xBC\xA0"
       "acme",
       {"acme"},
       {}},
      // Mailbox and postoffice names in brackets.
      {Via::kLine,
       "2026-12-07 09:13:10.036 RQ-P0210: [4F2A0C3A] delivered to mailbox [kim.lee] of postoffice "
       "[ACME]",
       {"kim", "lee", "acme"},
       {"RQ-P0210: [4F2A0C3A] delivered to mailbox [", "] of postoffice ["}},
      {Via::kText,
       "submitted by [Kim Lee] on [SMTP]",
       {"kim", "lee"},
       {"submitted by [name1] on [SMTP]"}},
      // IDs the logs give by position stay, even when they look like names; forged ones do not.
      {Via::kLine,
       Act("MAIL", "FROM:<kim@acme-corp.com> SIZE=48213", "KA000001.eml"),
       {"kim", "acme", "203.0.113"},
       {"19:09:59\tSMTP-IN\tKA000001.eml\t3830\t192.0.2.1\tMAIL\tFROM:<user1@domain1.example> "
        "SIZE=48213\t250"}},
      {Via::kLine, Act("DATA", "48213 bytes", "acme-corp.com"), {"acme"}, {"48213 bytes"}},
      {Via::kLine,
       kStamp +
           "RQ-I0018: [4F2A0C3A] requeued as [Q7.MAI] target domain [acme-corp.co.uk] recipients 2",
       {"acme"},
       {"[4F2A0C3A] requeued as [Q7.MAI] target domain [domain1.example] recipients 2"}},
      {Via::kLine,
       "2026-12-07 09:13:10.036\tRQ-MTA-ROUTE: [4F2A0C3A] from [SMTP] inbound queue to [SF] queue "
       "as [4F2A0C3B] recipients 1",
       {},
       {"RQ-MTA-ROUTE: [4F2A0C3A] from [SMTP] inbound queue to [SF] queue as [4F2A0C3B] recipients "
        "1"}},
      {Via::kLine,
       kStamp +
           "RQ-I0034: [4F2A0C3A] delivered to mx.acme-corp.com, remote reply 250 2.0.0 accepted",
       {"acme"},
       {"2026-12-07 09:13:10.036 [0406] RQ-I0034: [4F2A0C3A] delivered to host1.domain1.example, "
        "remote reply 250 2.0.0 accepted"}},
      // Paths on standard error keep a log's name only.
      {Via::kText,
       "rqtrace: cannot read /srv/acme-corp.com/Logs/SMTP-Debug-261206.log: denied",
       {"acme", "srv"},
       {"rqtrace: cannot read path1/SMTP-Debug-261206.log: denied"}},
      // Anything mixing letters and digits, or too long a number, is a name.
      {Via::kText,
       "session ab12cd34 of user7 took 12345678 ms at 10:21:01 on 12/07/26 or 12/07/2026 or "
       "2026/12/07, not acme/12/07",
       {"ab12", "user7", "12345678", "acme"},
       {"session ", " took ", " ms at 10:21:01 on 12/07/26 or 12/07/2026 or 2026/12/07"}},
      // A path without angle brackets gains none; without FROM: nothing of it is a keyword; a
      // '<' within quotes starts no path.
      {Via::kAddress, "FROM:kim@zorg.net SIZE=1000", {"kim", "zorg", ">"}, {" SIZE=1000"}},
      {Via::kAddress, "kim@zorg.net", {"kim", "zorg"}, {"user1@domain1.example"}},
      {Via::kAddress, "FROM:\"a<b\"@zorg.net", {"zorg", "a<b"}, {"FROM:user1@domain1.example"}},
      // A comment after an address that is no name keeps its own kind of placeholder.
      {Via::kText, "<kim@zorg.net> (10.1.2.3)", {"kim", "zorg", "10.1"}, {"> (192.0.2.1)"}},
      {Via::kIp,
       "[2A01:04F8:0000:0000:0000:0000:0000:0017]:25",
       {"2a01", "4f8"},
       {"[2001:db8::1]:25"}},
      {Via::kHost,
       "mx.ACME-corp.com extra kim@zorg.net",
       {"acme", "kim", "zorg"},
       {"host1.domain1.example extra user1@domain2.example"}},
  };
  for (const Row& row : rows) {
    Redactor r;
    r.Keep("Q7.MAI");
    const std::string out = row.via == Via::kLine      ? r.Line(row.input)
                            : row.via == Via::kText    ? r.Redact(row.input)
                            : row.via == Via::kAddress ? r.Address(row.input)
                            : row.via == Via::kHost    ? r.HostName(row.input)
                                                       : r.IpAddress(row.input);
    for (const std::string& g : row.gone) {
      EXPECT_EQ(Lower(out).find(Lower(g)), std::string::npos) << g << " survives in\n" << out;
    }
    for (const std::string& k : row.kept) {
      EXPECT_NE(out.find(k), std::string::npos) << k << " is lost from\n" << out;
    }
  }
}

// One value, one placeholder, however it is written; distinct values never share one.
TEST(Redactor, OnePlaceholderPerValueAfterNormalising) {
  Redactor r;
  const auto same = [&](const std::vector<std::string>& forms) {
    std::set<std::string> got;
    for (const std::string& f : forms) got.insert(r.Redact(f));
    EXPECT_EQ(got.size(), 1u) << forms[0] << " -> " << *got.begin() << " / " << *got.rbegin();
    return *got.begin();
  };
  const std::string v4 = same({"010.009.008.007", "10.9.8.7"});
  const std::string v6 = same({"2A01:4F8:0:0:0:0:0:17", "2a01:4f8::17", "2a01:04f8::0:17"});
  const std::string idn =
      same({"mail.B\xc3\x9c"
            "CHER.de",
            "mail.b\xc3\xbc"
            "cher.de",
            "mail.xn--bcher-kva.DE",
            "mail.b\xfc"
            "cher.de"});
  const std::string greek = same({"\xCE\x91\xCE\x98\xCE\x97\xCE\x9D\xCE\x91.gr",    // ATHINA
                                  "\xCE\xB1\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1.gr"});  // athina
  const std::string cyrillic = same({"\xD0\x9C\xD0\x98\xD0\xA0.example",            // MIR
                                     "\xD0\xBC\xD0\xB8\xD1\x80.example"});          // mir
  // O with a double acute and A with a macron, capital and small.
  const std::string extended = same({"\xC5\x90z\xC4\x80.example", "\xC5\x91Z\xC4\x81.example"});
  const std::string user = same({"Kim@Acme-Corp.com", "kim@acme-corp.COM"});
  const std::string uk1 = same({"acme.co.uk"}), uk2 = same({"zorg.co.uk", "ZORG.CO.UK"});
  EXPECT_EQ(std::set<std::string>({v4, v6, idn, greek, cyrillic, extended, user, uk1, uk2}).size(),
            9u);
  EXPECT_NE(uk1, uk2);  // two organisations under one public suffix
  // Hosts keep their registrable domain's number: the list's wildcard and exception rules.
  EXPECT_EQ(r.Redact("a.acme.co.uk"), "host2." + uk1);
  EXPECT_EQ(r.Redact("x.y.ck www.ck"), "domain8.example domain9.example");
  EXPECT_EQ(r.Redact("a.city.kobe.jp b.city.kobe.jp"),
            "host3.domain10.example host4.domain10.example");
}

bool ValidIpv4(const std::string& s) {
  unsigned a, b, c, d;
  char end;
  return std::sscanf(s.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &end) == 4 && a < 256 &&
         b < 256 && c < 256 && d < 256 &&
         std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." +
                 std::to_string(d) ==
             s;
}
// Eight groups once "::" is filled in, each one to four lower-case hex digits.
bool ValidIpv6(const std::string& s) {
  std::size_t groups = 0, gaps = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (s.compare(i, 2, "::") == 0) {
      ++gaps;
      i += 2;
      continue;
    }
    std::size_t j = i;
    while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j])) && !std::isupper(s[j]))
      ++j;
    if (j == i || j - i > 4) return false;
    ++groups;
    i = j < s.size() && s[j] == ':' && s.compare(j, 2, "::") != 0 ? j + 1 : j;
  }
  return gaps == 0 ? groups == 8 : gaps == 1 && groups < 8;
}

// Past the documentation and benchmarking ranges placeholders stay valid and distinct.
TEST(Redactor, PlaceholdersStayValidAndDistinctPastTheRanges) {
  Redactor r;
  std::set<std::string> v4, v6;
  for (unsigned n = 0; n < 140000; ++n) {
    const std::string a =
        r.IpAddress("10." + std::to_string(n >> 16) + "." + std::to_string((n >> 8) & 255) + "." +
                    std::to_string(n & 255));
    ASSERT_TRUE(ValidIpv4(a)) << n << ": " << a;
    v4.insert(a);
    if (n % 2 == 0) {
      const std::string b =
          r.IpAddress("2a01:4f8::" + std::to_string(n % 10000) + ":" + std::to_string(n / 10000));
      ASSERT_TRUE(ValidIpv6(b)) << n << ": " << b;
      v6.insert(b);
    }
  }
  EXPECT_EQ(v4.size(), 140000u);
  EXPECT_EQ(v6.size(), 70000u);
  EXPECT_EQ(r.IpAddress("10.255.255.255"), "240.0.31.233");  // 762 + 131070 + 8168
}

}  // namespace
}  // namespace rq
