#include "app/redact.h"

#include <algorithm>
#include <array>
#include <vector>

#include "readers/activity_fields.h"

namespace rq {
namespace {

using redact::CanonicalHostName;

constexpr std::size_t kNone = std::string_view::npos;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Bytes beyond ASCII are letters of some code page: a word written with them stays one word.
bool IsLetter(char c) {
  return IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
}
bool IsAllDigits(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), IsDigit);
}

// Bytes that end a token and are written as they are: blanks, controls and the brackets and
// list punctuation no unquoted address, name or number holds.
bool IsSeparator(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b <= 0x20 || b == 0x7F) return true;
  switch (c) {
    case '<':
    case '>':
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
    case ',':
    case ';':
      return true;
    default:
      return false;
  }
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

// Letters, with '-' or an apostrophe between them, after any leading hyphens (an option name).
bool IsPlainWord(std::string_view t) {
  while (!t.empty() && t.front() == '-') t.remove_prefix(1);
  if (t.empty() || !IsLetter(t.front()) || !IsLetter(t.back())) return false;
  // Full stops and the at sign of other scripts (U+3002, U+FF0E, U+FF61, U+FF20) make a name.
  for (const std::string_view mark :
       {"\xE3\x80\x82", "\xEF\xBC\x8E", "\xEF\xBD\xA1", "\xEF\xBC\xA0"}) {
    if (t.find(mark) != std::string_view::npos) return false;
  }
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (IsLetter(t[i])) continue;
    if ((t[i] != '-' && t[i] != '\'') || !IsLetter(t[i + 1])) return false;
  }
  return true;
}

// One or more plain words with blanks between them: a person's or a mailbox's name.
bool IsPlainWords(std::string_view t) {
  bool any = false;
  for (std::size_t i = 0; i < t.size();) {
    std::size_t j = i;
    while (j < t.size() && t[j] != ' ') ++j;
    if (j > i && !IsPlainWord(t.substr(i, j - i))) return false;
    any = any || j > i;
    i = j + 1;
  }
  return any;
}

bool HasLetterOrDigit(std::string_view t) {
  return std::any_of(t.begin(), t.end(), [](char c) { return IsLetter(c) || IsDigit(c); });
}

// "d+" of `count` digits at `at`.
bool DigitsAt(std::string_view t, std::size_t at, std::size_t count) {
  return at + count <= t.size() && IsAllDigits(t.substr(at, count));
}

// H:MM, HH:MM, and either with :SS and a fraction.
bool IsTime(std::string_view t) {
  const std::size_t h = DigitsAt(t, 0, 2) ? 2 : DigitsAt(t, 0, 1) ? 1 : 0;
  if (h == 0 || t.size() < h + 3 || t[h] != ':' || !DigitsAt(t, h + 1, 2)) return false;
  if (t.size() == h + 3) return true;
  if (t.size() < h + 6 || t[h + 3] != ':' || !DigitsAt(t, h + 4, 2)) return false;
  const std::string_view fraction = t.substr(h + 6);
  return fraction.empty() ||
         (fraction.size() >= 2 && fraction.size() <= 8 &&
          (fraction[0] == '.' || fraction[0] == ',') && IsAllDigits(fraction.substr(1)));
}

// YYYY-MM-DD, or M/D/YY and its like with slashes (the short date forms).
bool IsDate(std::string_view t) {
  if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
    return DigitsAt(t, 0, 4) && DigitsAt(t, 5, 2) && DigitsAt(t, 8, 2);
  }
  const std::size_t a = t.find('/');
  const std::size_t b = a == kNone ? kNone : t.find('/', a + 1);
  if (b == kNone || t.find('/', b + 1) != kNone) return false;
  const std::string_view d = t.substr(0, a), m = t.substr(a + 1, b - a - 1), y = t.substr(b + 1);
  return IsAllDigits(d) && d.size() <= 4 && IsAllDigits(m) && m.size() <= 2 && IsAllDigits(y) &&
         y.size() <= 4;
}

// An enhanced status code: 2.0.0, 5.1.10.
bool IsStatusCode(std::string_view t) {
  if (t.size() < 5 || (t[0] != '2' && t[0] != '4' && t[0] != '5') || t[1] != '.') return false;
  const std::size_t dot = t.find('.', 2);
  if (dot == kNone) return false;
  const std::string_view s = t.substr(2, dot - 2), d = t.substr(dot + 1);
  return IsAllDigits(s) && s.size() <= 3 && IsAllDigits(d) && d.size() <= 3;
}

// RQ-I0018, RQ-MTA-ROUTE: the server's message codes.
bool IsMessageCode(std::string_view t) {
  if (t.size() < 4 || t.substr(0, 3) != "RQ-" || t.back() == '-') return false;
  for (const char c : t.substr(3)) {
    if (!((c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-')) return false;
  }
  return true;
}

// SMTP-Activity-261206.log, POC-Debug-261206.log: a day log's name.
bool IsLogFileName(std::string_view t) {
  const std::size_t dash = t.find('-');
  if (dash == 0 || dash == kNone || !std::all_of(t.begin(), t.begin() + dash, IsAsciiLetter)) {
    return false;
  }
  const std::string lower = Lower(t.substr(dash + 1));
  for (const std::string_view kind : {"activity-", "debug-", "w3c-"}) {
    if (lower.size() == kind.size() + 10 && lower.compare(0, kind.size(), kind) == 0 &&
        DigitsAt(lower, kind.size(), 6) && lower.compare(kind.size() + 6, 4, ".log") == 0) {
      return true;
    }
  }
  return false;
}

// Words of the protocols and of the server that hold digits or are names of its connectors.
constexpr std::array<std::string_view, 14> kKeepWords = {
    "7bit", "8bitmime", "binarymime", "smtputf8", "rfc822", "utf-8", "utf8",
    "ipv4", "ipv6",     "smtp",       "sf",       "ls",     "pop",   "mta"};

bool IsKeptWord(std::string_view t) {
  if (t.size() > 10) return false;
  const std::string lower = Lower(t);
  return std::find(kKeepWords.begin(), kKeepWords.end(), lower) != kKeepWords.end();
}

// What the program knows whatever it looks like.
bool IsKeptPattern(std::string_view t) {
  return IsTime(t) || IsDate(t) || IsStatusCode(t) || IsMessageCode(t) || IsLogFileName(t) ||
         IsKeptWord(t);
}

// A name in free text: two labels or more, the last one a top-level name (letters, or an
// internationalised label).
bool IsFreeTextHost(std::string_view canonical) {
  const std::size_t dot = canonical.rfind('.');
  if (dot == kNone) return false;
  const std::string_view last = canonical.substr(dot + 1);
  return (last.size() > 4 && last.substr(0, 4) == "xn--") ||
         (last.size() >= 2 && std::all_of(last.begin(), last.end(), IsAsciiLetter));
}

// A value in an ID field that may be kept there: letters, digits, '-' and '_', with a digit,
// and at most one '.' before a short ending that is no top-level domain (Q7.MAI, KA000001.eml).
// A name under a real suffix or an address never passes, even in a forged line.
bool LooksLikeId(std::string_view t) {
  if (t.empty() || t.size() > 64) return false;
  bool digit = false;
  for (const char c : t) {
    if (!(IsAsciiLetter(c) || IsDigit(c) || c == '-' || c == '_' || c == '.')) return false;
    digit = digit || IsDigit(c);
  }
  const std::size_t dot = t.find('.');
  if (dot == kNone) return digit;
  const std::string_view ending = t.substr(dot + 1);
  return digit && dot > 0 && ending.find('.') == kNone && !ending.empty() && ending.size() <= 4 &&
         !redact::IsPublicSuffixRule(Lower(ending));
}

// The IDs a debug or routing line gives by its layout: the bracket right after its RQ- code
// ("RQ-I0018: [ID]") and, on requeue and route lines, the bracket after " as [".
std::vector<std::string_view> IdFieldsOf(std::string_view line) {
  std::vector<std::string_view> ids;
  std::size_t at = line.find("RQ-");
  while (at != kNone && at > 0 && line[at - 1] != ' ' && line[at - 1] != '\t') {
    at = line.find("RQ-", at + 1);
  }
  if (at == kNone) return ids;
  std::size_t end = at + 3;
  while (end < line.size() && !IsSeparator(line[end]) && line[end] != ':') ++end;
  const std::string_view code = line.substr(at, end - at);
  if (line.substr(end, 3) != ": [") return ids;
  const auto bracketed = [&](std::size_t open) {
    const std::size_t close = line.find(']', open);
    if (close == kNone) return kNone;
    const std::string_view id = line.substr(open + 1, close - open - 1);
    if (LooksLikeId(id)) ids.push_back(id);
    return close;
  };
  const std::size_t close = bracketed(end + 2);
  if (close != kNone && (code == "RQ-I0018" || code == "RQ-MTA-ROUTE")) {
    const std::size_t as = line.find(" as [", close);
    if (as != kNone) bracketed(as + 4);
  }
  return ids;
}

// ESMTP parameters whose keyword is kept and whose value is redacted as text.
bool IsParameterKeyword(std::string_view t) {
  static constexpr std::array<std::string_view, 12> kKeywords = {
      "size", "body", "ret",      "envid",       "notify",  "orcpt",
      "auth", "by",   "smtputf8", "mt-priority", "holdfor", "requiretls"};
  const std::string lower = Lower(t);
  return std::find(kKeywords.begin(), kKeywords.end(), lower) != kKeywords.end();
}

}  // namespace

void Redactor::Keep(std::string_view token) {
  if (!token.empty()) kept_.emplace(token);
}

bool Redactor::IsKept(std::string_view token, Ids ids) const {
  return kept_.find(token) != kept_.end() || std::find(ids.begin(), ids.end(), token) != ids.end();
}

std::string Redactor::Numbered(std::unordered_map<std::string, std::uint64_t>& map, std::string key,
                               std::string_view prefix) {
  const auto [at, added] = map.try_emplace(std::move(key), map.size() + 1);
  return std::string(prefix) + std::to_string(at->second);
}

std::string Redactor::Ipv4(std::uint32_t address) {
  const auto [at, added] = ipv4_.try_emplace(address, ipv4_.size());
  return redact::FormatIpv4(redact::Ipv4Placeholder(at->second));
}

std::string Redactor::Ipv6(const redact::Ipv6Bytes& address) {
  const auto [at, added] = ipv6_.try_emplace(address, ipv6_.size());
  return redact::FormatIpv6(redact::Ipv6Placeholder(at->second));
}

std::string Redactor::HostOrDomain(const std::string& canonical) {
  const std::string_view registrable = redact::RegistrableDomain(canonical);
  std::string domain = Numbered(domains_, std::string(registrable), "domain") + ".example";
  if (registrable.size() == canonical.size()) return domain;
  return Numbered(hosts_, canonical, "host") + "." + domain;
}

std::string Redactor::AddressLiteral(std::string_view inner) {
  if (StartsWithIgnoringCase(inner, "ipv6:")) {
    if (const auto v6 = redact::ParseIpv6(inner.substr(5))) {
      return std::string(inner.substr(0, 5)) + Ipv6(*v6);
    }
  } else if (const auto v4 = redact::ParseIpv4(inner)) {
    return Ipv4(*v4);
  } else if (const auto v6 = redact::ParseIpv6(inner)) {
    return Ipv6(*v6);
  }
  return Numbered(names_, Lower(inner), "name");
}

std::string Redactor::DomainPart(std::string_view domain) {
  if (domain.empty()) return {};
  if (domain.size() >= 2 && domain.front() == '[' && domain.back() == ']') {
    return "[" + AddressLiteral(domain.substr(1, domain.size() - 2)) + "]";
  }
  const std::string canonical = CanonicalHostName(domain);
  if (!canonical.empty()) return HostOrDomain(canonical);
  // Not a name, but where a domain stands: a domain placeholder all the same.
  return Numbered(domains_, "?" + Lower(domain), "domain") + ".example";
}

std::string Redactor::Mailbox(std::string_view content) {
  std::string out;
  // A source route (@relay1,@relay2:mailbox): each relay as a host, then the mailbox.
  while (content.size() > 1 && content.front() == '@') {
    const std::size_t colon = content.find(':');
    if (colon == kNone) break;
    std::string_view route = content.substr(0, colon);
    while (!route.empty()) {
      const std::size_t comma = route.find(',');
      std::string_view hop = route.substr(0, comma);
      if (!hop.empty() && hop.front() == '@') {
        out += '@';
        hop.remove_prefix(1);
      }
      out += DomainPart(hop);
      if (comma == kNone) break;
      out += ',';
      route.remove_prefix(comma + 1);
    }
    out += ':';
    content.remove_prefix(colon + 1);
  }
  if (content.empty()) return out;
  const std::size_t at = content.rfind('@');
  if (at == kNone) {
    // A mailbox without a domain; the one every server has is no secret.
    if (Lower(content) == "postmaster") return out + std::string(content);
    return out + Numbered(users_, Lower(content) + "@", "user");
  }
  const std::string_view local = content.substr(0, at), domain = content.substr(at + 1);
  const std::string canonical = CanonicalHostName(domain);
  const std::string domainText = DomainPart(domain);
  if (local.empty()) return out + "@" + domainText;
  const std::string key = Lower(local) + "@" + (canonical.empty() ? Lower(domain) : canonical);
  return out + Numbered(users_, key, "user") + "@" + domainText;
}

std::string Redactor::Text(std::string_view text, Ids ids) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  // A run of plain words (with blanks between) right before "<address>" is a display name.
  std::size_t phraseStart = kNone, phraseEnd = kNone, angleAt = kNone;
  const auto endPhrase = [&] { phraseStart = angleAt = kNone; };
  bool afterAddress = false;  // only blanks since an address: "(Kim Lee)" there is a name
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      std::size_t j = i + 1;
      while (j < text.size() && text[j] != '"' && text[j] != '\r' && text[j] != '\n') {
        const bool escape =
            text[j] == '\\' && j + 1 < text.size() && text[j + 1] != '\r' && text[j + 1] != '\n';
        j += escape ? 2 : 1;
      }
      const bool closed = j < text.size() && text[j] == '"';
      if (closed && j + 1 < text.size() && text[j + 1] == '@') {
        // A quoted local part: the address runs on to the end of its token.
        std::size_t k = j + 1;
        while (k < text.size() && !IsSeparator(text[k]) && text[k] != '"') ++k;
        Token(text.substr(i, k - i), ids, out);
        endPhrase();
        i = k;
        continue;
      }
      const std::string_view content = text.substr(i + 1, j - i - 1);
      out += '"';
      if (IsKept(content, ids)) {
        out += content;
      } else if (!content.empty()) {
        out += Numbered(names_, Lower(content), "name");
      }
      if (closed) out += '"';
      i = closed ? j + 1 : j;
      endPhrase();
      continue;
    }
    if (c == '[') {
      const std::size_t next = Bracket(text, i, ids, out);
      if (next != kNone) {
        endPhrase();
        i = next;
        continue;
      }
    }
    if (c == '(' && afterAddress) {
      std::size_t close = i + 1;
      while (close < text.size() && text[close] != ')' && text[close] != '(' &&
             text[close] != '\r' && text[close] != '\n') {
        ++close;
      }
      const std::string_view content = text.substr(i + 1, close - i - 1);
      if (close < text.size() && text[close] == ')' && IsPlainWords(content)) {
        out += "(" + Numbered(names_, Lower(content), "name") + ")";
        i = close + 1;
        afterAddress = false;
        continue;
      }
    }
    afterAddress = afterAddress && (c == ' ' || c == '>');
    if (IsSeparator(c)) {
      out += c;
      if (c == '<' && phraseStart != kNone && angleAt == kNone) {
        angleAt = out.size();
      } else if (c != ' ') {
        endPhrase();
      }
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && !IsSeparator(text[j]) && text[j] != '"') ++j;
    const std::size_t before = out.size();
    const Kind kind = Token(text.substr(i, j - i), ids, out);
    afterAddress = kind == Kind::kAddress;
    if (kind == Kind::kWord && angleAt == kNone) {
      if (phraseStart == kNone) phraseStart = before;
      phraseEnd = out.size();
    } else {
      if (kind == Kind::kAddress && angleAt == before) {
        std::string tail = out.substr(phraseEnd);
        const std::string display =
            Lower(std::string_view(out).substr(phraseStart, phraseEnd - phraseStart));
        out.resize(phraseStart);
        out += Numbered(names_, display, "name");
        out += tail;
      }
      endPhrase();
    }
    i = j;
  }
  return out;
}

// A "[...]" at `at` closed on the same line: its content redacted as one value, where a plain
// word is a name (a mailbox, a postoffice) unless kept. kNone when the bracket is not closed
// before the next '[' or line end; then it is an ordinary separator.
std::size_t Redactor::Bracket(std::string_view text, std::size_t at, Ids ids, std::string& out) {
  std::size_t close = at + 1;
  while (close < text.size() && text[close] != ']' && text[close] != '[' && text[close] != '\r' &&
         text[close] != '\n') {
    ++close;
  }
  if (close >= text.size() || text[close] != ']') return kNone;
  const std::string_view content = text.substr(at + 1, close - at - 1);
  out += '[';
  const bool single = std::none_of(content.begin(), content.end(),
                                   [](char c) { return IsSeparator(c) || c == '"'; });
  if (content.empty() || IsKept(content, ids) || (IsAllDigits(content) && content.size() <= 7) ||
      IsKeptPattern(content)) {
    out += content;
  } else if (single) {
    if (IsPlainWord(content)) {
      out += Numbered(names_, Lower(content), "name");
    } else {
      Token(content, ids, out);
    }
  } else {
    out += IsPlainWords(content) ? Numbered(names_, Lower(content), "name") : Text(content, ids);
  }
  out += ']';
  return close + 1;
}

Redactor::Kind Redactor::Token(std::string_view token, Ids ids, std::string& out) {
  // Sentence punctuation at the end is not part of the value ("...from 10.9.8.7.").
  std::size_t n = token.size();
  while (n > 1) {
    const char last = token[n - 1];
    if (last != '.' && last != ':' && last != '!' && last != '?') break;
    if (last == ':' && token[n - 2] == ':') break;  // IPv6 "fe80::"
    --n;
  }
  const Kind kind = Core(token.substr(0, n), ids, out);
  out += token.substr(n);
  return n == token.size() ? kind : Kind::kOther;
}

Redactor::Kind Redactor::Core(std::string_view core, Ids ids, std::string& out) {
  if (IsKept(core, ids)) {
    out += core;
    return Kind::kOther;
  }
  if (IsPlainWord(core)) {
    out += core;
    return Kind::kWord;
  }
  const bool port =
      core.size() >= 2 && core.size() <= 6 && core[0] == ':' && IsAllDigits(core.substr(1));
  if (!HasLetterOrDigit(core) || (IsAllDigits(core) && core.size() <= 7) || port ||
      IsKeptPattern(core)) {
    out += core;
    return Kind::kOther;
  }
  if (core.find('@') != kNone) {
    out += Mailbox(core);
    return Kind::kAddress;
  }
  if (const auto v4 = redact::ParseIpv4(core)) {
    out += Ipv4(*v4);
    return Kind::kOther;
  }
  // An address or name with a port: 10.9.8.7:25, mx.example.net:587.
  const std::size_t colon = core.rfind(':');
  if (colon != kNone && colon > 0 && core.size() - colon <= 6 &&
      IsAllDigits(core.substr(colon + 1)) && core[colon - 1] != ':') {
    const std::string_view head = core.substr(0, colon);
    std::string replaced;
    if (const auto v4 = redact::ParseIpv4(head)) {
      replaced = Ipv4(*v4);
    } else if (const std::string canonical = CanonicalHostName(head);
               !canonical.empty() && IsFreeTextHost(canonical)) {
      replaced = HostOrDomain(canonical);
    }
    if (!replaced.empty()) {
      out += replaced + std::string(core.substr(colon));
      return Kind::kOther;
    }
  }
  {
    const std::size_t tag = StartsWithIgnoringCase(core, "ipv6:") ? 5 : 0;
    const std::string_view v6 = core.substr(tag, core.find('%') - tag);  // a zone is dropped
    if (const auto bytes = redact::ParseIpv6(v6)) {
      out += std::string(core.substr(0, tag)) + Ipv6(*bytes);
      return Kind::kOther;
    }
  }
  if (const std::string canonical = core.find('.') == kNone ? "" : CanonicalHostName(core);
      !canonical.empty() && IsFreeTextHost(canonical)) {
    out += HostOrDomain(canonical);
    return Kind::kOther;
  }
  if (const std::size_t slash = core.find_last_of("/\\"); slash != kNone) {
    out += Path(core);
    return Kind::kOther;
  }
  if (core.find('=') != kNone) {
    // key=value: each side on its own (no '@' here, so no side is part of an address).
    for (std::size_t start = 0;;) {
      const std::size_t equals = core.find('=', start);
      const std::string_view piece = core.substr(start, equals - start);
      if (!piece.empty()) Core(piece, ids, out);
      if (equals == kNone) break;
      out += '=';
      start = equals + 1;
    }
    return Kind::kOther;
  }
  out += Numbered(names_, Lower(core), "name");
  return Kind::kOther;
}

std::string Redactor::Line(std::string_view line) {
  const std::optional<ActivityFields> f = ActivityFieldsOf(line);
  if (!f) {
    const std::vector<std::string_view> ids = IdFieldsOf(line);
    return Text(line, ids);
  }
  std::vector<std::string_view> ids;
  if (LooksLikeId(f->messageId)) ids.push_back(f->messageId);
  const std::string verb = Lower(f->verb);
  std::string out = Text(f->time, ids) + '\t' + Text(f->direction, ids) + '\t' +
                    Text(f->messageId, ids) + '\t' + Text(f->session, ids) + '\t' +
                    IpAddress(f->peer) + '\t' + Text(f->verb, ids) + '\t';
  if (verb == "mail" || verb == "rcpt") {
    out += Address(f->argument);
  } else if (verb == "ehlo" || verb == "helo" || verb == "lhlo") {
    out += HostName(f->argument);
  } else {
    out += Text(f->argument, ids);
  }
  if (f->rest) out += '\t' + Text(*f->rest, ids);
  return out;
}

std::string Redactor::Address(std::string_view address) {
  std::string out;
  std::size_t p = 0;
  while (p < address.size() && IsAsciiLetter(address[p])) ++p;
  if (p > 0 && p < address.size() && address[p] == ':') {
    out += address.substr(0, ++p);  // FROM: or TO:
  } else {
    p = 0;
  }
  while (p < address.size() && address[p] == ' ') out += address[p++];
  if (const std::size_t lt = address.find('<', p);
      lt != kNone && lt > p && address[p] != '<' && address.find('"', p) > lt) {
    // A display name before the angle brackets.
    std::string_view display = address.substr(p, lt - p);
    std::size_t blanks = 0;
    while (blanks < display.size() && display[display.size() - 1 - blanks] == ' ') ++blanks;
    display.remove_suffix(blanks);
    if (!display.empty()) out += Numbered(names_, Lower(display), "name");
    out.append(blanks, ' ');
    p = lt;
  }
  // The path, to its '>' (or first blank without one), quotes and escapes respected.
  const bool angle = p < address.size() && address[p] == '<';
  std::size_t q = angle ? p + 1 : p;
  bool quoted = false;
  while (q < address.size()) {
    const char c = address[q];
    if (quoted && c == '\\') {
      q += 2;
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (!quoted && (angle ? c == '>' : c == ' ')) break;
    ++q;
  }
  q = std::min(q, address.size());
  const std::string_view path = address.substr(angle ? p + 1 : p, q - (angle ? p + 1 : p));
  if (angle) out += '<';
  out += Mailbox(path);
  if (angle && q < address.size()) {
    out += '>';
    ++q;
  }
  // Parameters: a known keyword kept, its value as text; anything else is a name.
  std::string_view rest = address.substr(q);
  while (!rest.empty()) {
    const std::size_t blank = rest.find(' ');
    const std::string_view part = rest.substr(0, blank);
    const std::size_t equals = part.find('=');
    if (IsParameterKeyword(part.substr(0, equals))) {
      out += part.substr(0, equals == kNone ? part.size() : equals + 1);
      if (equals != kNone) out += Redact(part.substr(equals + 1));
    } else if (!part.empty()) {
      out += Numbered(names_, Lower(part), "name");
    }
    if (blank == kNone) break;
    out += ' ';
    rest.remove_prefix(blank + 1);
  }
  return out;
}

std::string Redactor::HostName(std::string_view name) {
  const std::size_t blank = name.find(' ');
  const std::string_view first = name.substr(0, blank);
  std::string out;
  if (first.empty()) {
    out = "";
  } else if (first.size() >= 2 && first.front() == '[' && first.back() == ']') {
    out = "[" + AddressLiteral(first.substr(1, first.size() - 2)) + "]";
  } else if (const auto v4 = redact::ParseIpv4(first)) {
    out = Ipv4(*v4);
  } else if (const auto v6 = redact::ParseIpv6(first)) {
    out = Ipv6(*v6);
  } else if (const std::string canonical = CanonicalHostName(first); !canonical.empty()) {
    out = canonical.find('.') == kNone ? Numbered(hosts_, canonical, "host")
                                       : HostOrDomain(canonical);
  } else {
    // Whatever a client sent as its name, it stands where a name stands.
    out = Numbered(hosts_, "?" + Lower(first), "host");
  }
  if (blank != kNone) out += Redact(name.substr(blank));
  return out;
}

std::string Redactor::DomainName(std::string_view name) {
  return DomainPart(name);
}

std::string Redactor::IpAddress(std::string_view address) {
  if (address.empty()) return {};
  if (address.front() == '[') {
    const std::size_t close = address.find(']');
    if (close != kNone) {
      const std::string_view port = address.substr(close + 1);
      if (port.empty() || (port[0] == ':' && IsAllDigits(port.substr(1)))) {
        return "[" + AddressLiteral(address.substr(1, close - 1)) + "]" + std::string(port);
      }
    }
  }
  if (const auto v4 = redact::ParseIpv4(address)) return Ipv4(*v4);
  if (const auto v6 = redact::ParseIpv6(address.substr(0, address.find('%')))) return Ipv6(*v6);
  return Redact(address);
}

std::string Redactor::Path(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == kNone) {
    return IsLogFileName(path) ? std::string(path) : Numbered(paths_, Lower(path), "path");
  }
  const std::string_view file = path.substr(slash + 1);
  if (IsLogFileName(file)) {
    return Numbered(paths_, Lower(path.substr(0, slash)), "path") + std::string(path.substr(slash));
  }
  return Numbered(paths_, Lower(path), "path");
}

std::string Redactor::Redact(std::string_view text) {
  return Text(text, {});
}

}  // namespace rq
