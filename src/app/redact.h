// Redaction of what a trace prints, so that it can be shared: e-mail addresses, domain and host
// names and IP addresses become placeholders of the same shape (user1@domain1.example,
// host1.domain1.example, 192.0.2.1, 2001:db8::1), one value always the same placeholder for the
// life of the redactor. Message IDs, times, verbs, reply codes and the program's own texts are
// left as they are.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace rq {

class Redactor {
 public:
  // The text with every address and name replaced. A backslash and the byte after it are kept
  // as they are and end a word, so that JSON text (its \t, \") is redacted like the plain text.
  std::string Redact(std::string_view text);

 private:
  std::string Email(std::string_view local, std::string_view domain);
  std::string Host(std::string_view name);
  std::string Ipv4(std::string_view address);
  std::string Ipv6(std::string_view address);

  std::map<std::string, std::string> users_, hosts_, domains_, ipv4_, ipv6_;
};

}  // namespace rq
