// Redaction of what a trace prints, so that it can be shared: e-mail addresses, domain and host
// names and IP addresses become placeholders of the same shape (user1@domain1.example,
// host1.domain1.example, 192.0.2.1, 2001:db8::1), one value always the same placeholder for the
// life of the redactor. Message IDs, times, verbs, reply codes and the program's own texts are
// left as they are.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace rq {

class Redactor {
 public:
  // The text with every address and name replaced. A backslash and the byte after it are kept
  // as they are and end a word, so that JSON text (its \t, \") is redacted like the plain text.
  std::string Redact(std::string_view text);

  // The fields a caller knows the meaning of, each replaced as what it is. Callers that hold a
  // typed result redact it field by field through these rather than redacting printed text.
  void Keep(std::string_view token);                // kept verbatim wherever it occurs (IDs)
  std::string Line(std::string_view line);          // one log line as written
  std::string Address(std::string_view address);    // an e-mail address or MAIL/RCPT argument
  std::string HostName(std::string_view name);      // a host name (EHLO/HELO argument)
  std::string DomainName(std::string_view name);    // a domain (a copy's target domain)
  std::string IpAddress(std::string_view address);  // an IPv4 or IPv6 address

 private:
  std::string Email(std::string_view local, std::string_view domain);
  std::string Host(std::string_view name);
  std::string Ipv4(std::string_view address);
  std::string Ipv6(std::string_view address);

  std::set<std::string, std::less<>> kept_;
  std::map<std::string, std::string> users_, hosts_, domains_, ipv4_, ipv6_;
};

}  // namespace rq
