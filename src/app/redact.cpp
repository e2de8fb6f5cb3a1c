#include "app/redact.h"

#include <array>
#include <charconv>

#include "base/text.h"

namespace rq {
namespace {

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Bytes of non-ASCII letters (UTF-8 or Windows-1252) count as letters: an address or a name
// written with them is still one word.
bool IsLetterByte(char c) {
  return IsAlnum(c) || static_cast<unsigned char>(c) >= 0x80;
}
bool IsAtomByte(char c) {
  return IsLetterByte(c) || c == '.' || c == '-' || c == '_' || c == '%' || c == '+' || c == '@';
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

// The labels of a name: letters, digits and '-', none empty. False for anything else.
bool Labels(std::string_view name, std::size_t& count, std::string_view& last) {
  count = 0;
  FieldCursor cursor(name, '.');
  std::string_view label;
  while (cursor.Next(label)) {
    if (label.empty()) return false;
    for (const char c : label) {
      if (!IsLetterByte(c) && c != '-') return false;
    }
    ++count;
    last = label;
  }
  return count > 0;
}

// File names look like host names; the program's own texts name logs and settings files.
bool IsFileExtension(std::string_view label) {
  static constexpr std::array<std::string_view, 10> kExtensions = {
      "log", "txt", "reg", "exe", "dll", "tmp", "dat", "ini", "json", "csv"};
  const std::string lower = Lower(label);
  for (const std::string_view e : kExtensions) {
    if (lower == e) return true;
  }
  return false;
}

// A host or domain name: two labels or more, the last one letters only (two or more).
bool IsHostName(std::string_view name) {
  std::size_t count = 0;
  std::string_view last;
  if (!Labels(name, count, last) || count < 2 || last.size() < 2) return false;
  for (const char c : last) {
    if (IsDigit(c) || c == '-') return false;
  }
  return !IsFileExtension(last);
}

bool IsIpv4(std::string_view text) {
  std::size_t count = 0;
  FieldCursor cursor(text, '.');
  std::string_view part;
  while (cursor.Next(part)) {
    if (part.empty() || part.size() > 3) return false;
    int value = 0;
    for (const char c : part) {
      if (!IsDigit(c)) return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    ++count;
  }
  return count == 4;
}

// The length of an IPv6 address at the start of `text`, 0 when there is none: hex groups of at
// most four digits and colons, with "::" once or with eight groups. A time (09:12:40) is none.
std::size_t Ipv6Length(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && (IsHex(text[n]) || text[n] == ':')) ++n;
  if (n < text.size() && IsAtomByte(text[n]) && text[n] != '%') return 0;  // %: a zone
  const std::string_view candidate = text.substr(0, n);
  const std::size_t doubled = candidate.find("::");
  if (doubled != std::string_view::npos &&
      candidate.find("::", doubled + 1) != std::string_view::npos) {
    return 0;
  }
  std::size_t colons = 0;
  std::size_t groups = 0;
  std::size_t run = 0;
  bool hex = false;
  for (const char c : candidate) {
    if (c == ':') {
      ++colons;
      if (run > 0) ++groups;
      run = 0;
    } else {
      hex = true;
      if (++run > 4) return 0;
    }
  }
  if (run > 0) ++groups;
  if (!hex || colons < 2) return 0;
  if (doubled == std::string_view::npos ? groups != 8 || colons != 7 : groups > 7) return 0;
  return n;
}

std::string Numbered(std::map<std::string, std::string>& map, const std::string& key,
                     std::string_view prefix) {
  const auto found = map.find(key);
  if (found != map.end()) return found->second;
  std::string placeholder = std::string(prefix) + std::to_string(map.size() + 1);
  map.emplace(key, placeholder);
  return placeholder;
}

}  // namespace

std::string Redactor::Host(std::string_view name) {
  const std::string key = Lower(name);
  // The registered domain is taken to be the last two labels.
  std::size_t cut = key.rfind('.');
  cut = key.rfind('.', cut - 1);
  const std::string domain = cut == std::string::npos ? key : key.substr(cut + 1);
  std::string d = Numbered(domains_, domain, "domain") + ".example";
  if (cut == std::string::npos) return d;
  return Numbered(hosts_, key, "host") + "." + d;
}

std::string Redactor::Email(std::string_view local, std::string_view domain) {
  const std::string user = Numbered(users_, Lower(local) + "@" + Lower(domain), "user");
  // A domain of one label (postmaster@localhost) is still a name of the site.
  return user + "@" +
         (IsHostName(domain) ? Host(domain)
                             : Numbered(domains_, Lower(domain), "domain") + ".example");
}

std::string Redactor::Ipv4(std::string_view address) {
  const auto found = ipv4_.find(std::string(address));
  if (found != ipv4_.end()) return found->second;
  const std::size_t n = ipv4_.size() + 1;
  // The documentation network first, then the benchmarking one for the 255th address on.
  std::string placeholder =
      n < 255 ? "192.0.2." + std::to_string(n)
              : "198.18." + std::to_string(n / 256 % 256) + "." + std::to_string(n % 256);
  ipv4_.emplace(address, placeholder);
  return placeholder;
}

std::string Redactor::Ipv6(std::string_view address) {
  const std::string key = Lower(address);
  const auto found = ipv6_.find(key);
  if (found != ipv6_.end()) return found->second;
  std::array<char, 16> hex{};
  const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), ipv6_.size() + 1, 16).ptr;
  std::string placeholder = "2001:db8::" + std::string(hex.data(), end);
  ipv6_.emplace(key, placeholder);
  return placeholder;
}

std::string Redactor::Redact(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool boundary = true;  // the previous byte ends a word
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      out.append(text.substr(i, 2));
      i += 2;
      boundary = true;
      continue;
    }
    if (!boundary || !(IsAtomByte(c) || c == ':')) {
      out += c;
      boundary = !(IsAtomByte(c) || c == ':');
      ++i;
      continue;
    }
    if (const std::size_t n = Ipv6Length(text.substr(i)); n > 0) {
      out += Ipv6(text.substr(i, n));
      i += n;
      boundary = true;
      continue;
    }
    if (c == ':') {
      out += c;
      ++i;
      continue;
    }
    std::size_t n = 0;
    while (i + n < text.size() && IsAtomByte(text[i + n])) ++n;
    std::string_view atom = text.substr(i, n);
    // A full stop or hyphen at the end belongs to the sentence, not to the name.
    while (!atom.empty() && (atom.back() == '.' || atom.back() == '-')) atom.remove_suffix(1);
    const std::size_t at = atom.find('@');
    if (at != std::string_view::npos && at > 0 &&
        atom.find('@', at + 1) == std::string_view::npos) {
      std::size_t count = 0;
      std::string_view last;
      const std::string_view domain = atom.substr(at + 1);
      if (Labels(domain, count, last)) {
        out += Email(atom.substr(0, at), domain);
      } else {
        out += atom;
      }
    } else if (IsIpv4(atom)) {
      out += Ipv4(atom);
    } else if (atom.find_first_of("@_%+") == std::string_view::npos && IsHostName(atom)) {
      out += Host(atom);
    } else {
      out += atom;
    }
    i += atom.size();
    boundary = true;
    if (atom.empty()) {  // only full stops or hyphens: keep them
      out += text.substr(i, n);
      i += n;
    }
  }
  return out;
}

// Until the field rules exist, every field goes through the text rule.
void Redactor::Keep(std::string_view token) {
  kept_.emplace(token);
}
std::string Redactor::Line(std::string_view line) {
  return Redact(line);
}
std::string Redactor::Address(std::string_view address) {
  return Redact(address);
}
std::string Redactor::HostName(std::string_view name) {
  return Redact(name);
}
std::string Redactor::DomainName(std::string_view name) {
  return Redact(name);
}
std::string Redactor::IpAddress(std::string_view address) {
  return Redact(address);
}

}  // namespace rq
