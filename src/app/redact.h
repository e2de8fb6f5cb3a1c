// Redaction of what a trace prints, so that it can be shared without saying who wrote to whom.
// Fields of known meaning are replaced as what they are (an address by an address placeholder,
// user1@domain1.example; a host by host1.domain1.example; an IP by 192.0.2.1 or 2001:db8::1);
// free text is denied by default: a token survives only when it is kept (the IDs a command
// names, times, dates, reply and status codes, RQ- codes, log file names, a few protocol words)
// or is a plain word of letters. One value (after normalising letter case, IDN form and address
// notation) is one placeholder for the life of the redactor; the numbering means nothing beyond
// it. Time is linear in the input.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/redact_values.h"

namespace rq {

class Redactor {
 public:
  // Kept verbatim wherever it stands as a whole token (the message IDs a command names).
  void Keep(std::string_view token);

  // One log line as written (activity, debug, routing or connector line): the fields whose
  // meaning the line's layout gives are replaced as what they are (the activity line's remote
  // address, MAIL/RCPT argument and EHLO/HELO argument), the ID fields are kept (the activity
  // line's ID, the bracket after an RQ- code, a requeue's or route's new ID), and the rest goes
  // through the free-text rule.
  std::string Line(std::string_view line);
  // An e-mail address or a MAIL/RCPT argument: the FROM:/TO: prefix, the angle brackets and
  // the parameters' keywords are kept, SIZE=-style values by the free-text rule.
  std::string Address(std::string_view address);
  // An EHLO/HELO argument: a host name, an address literal or anything else, always replaced
  // by a host or IP placeholder; words after it by the free-text rule.
  std::string HostName(std::string_view name);
  // A domain (a copy's target domain).
  std::string DomainName(std::string_view name);
  // An IPv4 or IPv6 address (a port, brackets, an "IPv6:" tag or a zone allowed); text that is
  // no address goes through the free-text rule.
  std::string IpAddress(std::string_view address);
  // A file path the program names (standard error): the folders become one placeholder, a log
  // file's own name (SMTP-Debug-261206.log) is kept.
  std::string Path(std::string_view path);
  // Free text, denied by default: debug lines' unknown parts, standard error messages.
  std::string Redact(std::string_view text);

 private:
  enum class Kind { kWord, kAddress, kOther };
  using Ids = std::span<const std::string_view>;

  std::string Text(std::string_view text, Ids ids);
  std::size_t Bracket(std::string_view text, std::size_t at, Ids ids, std::string& out);
  Kind Token(std::string_view token, Ids ids, std::string& out);
  Kind Core(std::string_view core, Ids ids, std::string& out);
  bool IsKept(std::string_view token, Ids ids) const;

  std::string Mailbox(std::string_view content);
  std::string DomainPart(std::string_view domain);
  std::string AddressLiteral(std::string_view inner);
  std::string HostOrDomain(const std::string& canonical);
  std::string Ipv4(std::uint32_t address);
  std::string Ipv6(const redact::Ipv6Bytes& address);
  std::string Numbered(std::unordered_map<std::string, std::uint64_t>& map, std::string key,
                       std::string_view prefix);

  std::set<std::string, std::less<>> kept_;
  std::unordered_map<std::string, std::uint64_t> users_, hosts_, domains_, names_, paths_;
  std::unordered_map<std::uint32_t, std::uint64_t> ipv4_;
  std::map<redact::Ipv6Bytes, std::uint64_t> ipv6_;
};

}  // namespace rq
