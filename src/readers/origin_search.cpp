#include "readers/origin_search.h"

#include <array>

#include "readers/line_source.h"
#include "readers/text.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

// Lower-case byte of each byte: ASCII letters and the Latin-1 letters (but not the multiplication
// and division signs) fold to their small form, and so do the capitals that Windows-1252 adds
// in 0x80-0x9F (S and Z with caron, the OE ligature, Y with diaeresis), since logs are in that
// code page.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int f = i;
    if (i >= 'A' && i <= 'Z') f = i + 32;
    if (i >= 0xC0 && i <= 0xDE && i != 0xD7) f = i + 32;
    if (i == 0x8A || i == 0x8C || i == 0x8E) f = i + 0x10;
    if (i == 0x9F) f = 0xFF;
    t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(f);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

unsigned char FoldByte(char c) {
  return kFold[static_cast<unsigned char>(c)];
}

enum class Kind { kSmtp, kPostoffice, kNone };

}  // namespace

bool OriginList::AddItemToSourceList(std::string_view LogTime, std::string_view MessageID,
                                     std::string_view sData) {
  const auto [it, inserted] = index_.try_emplace(std::string(MessageID), rows_.size());
  if (!inserted) return false;
  rows_.push_back(Origin{std::string(LogTime), std::string(MessageID), std::string(sData)});
  return true;
}

void OriginList::Clear() {
  rows_.clear();
  index_.clear();
}

long long OriginList::IndexOf(std::string_view messageId) const {
  const auto it = index_.find(std::string(messageId));
  return it == index_.end() ? -1 : static_cast<long long>(it->second);
}

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  if (needle.size() > haystack.size()) return false;
  const unsigned char first = FoldByte(needle.front());
  for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    if (FoldByte(haystack[i]) != first) continue;
    std::size_t j = 1;
    while (j < needle.size() && FoldByte(haystack[i + j]) == FoldByte(needle[j])) ++j;
    if (j == needle.size()) return true;
  }
  return false;
}

int LocateOrigin(const Server& server, std::string_view sConnectorCode, const Date& StartDate,
                 std::string_view Sender, std::string_view Recipient, bool BacktraceMessage,
                 OriginList& origins) {
  LineSource source(GetLogFile(server, sConnectorCode, kActivity, StartDate));
  if (!source.is_open()) return 0;

  std::string code(sConnectorCode);
  for (char& c : code) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const Kind kind = code == "SMTP" ? Kind::kSmtp : code == "SF" ? Kind::kPostoffice : Kind::kNone;
  const std::string_view tag = kind == Kind::kSmtp && BacktraceMessage ? kOutboundTag : kInboundTag;
  const bool senderActive = !Sender.empty();
  const bool recipientActive = !Recipient.empty();

  if (kind != Kind::kNone && (senderActive || recipientActive)) {
    // Every line carrying the tag is a candidate; the tag is looked for first.
    source.ForEachLineContaining(tag, [&](std::string_view line) {
      std::array<std::string_view, 7> f{};
      std::size_t count = 0;
      FieldCursor cursor(line, '\t');
      std::string_view field;
      while (count < f.size() && cursor.Next(field)) f[count++] = field;
      if (count < 2 || f[1] != tag) return true;
      if (count < 7) return true;  // both tests need the verb and its argument
      if (senderActive && f[5] == "MAIL" && ContainsIgnoringCase(f[6], Sender)) {
        std::string data(f[4]);
        data += ' ';
        data += f[6];
        origins.AddItemToSourceList(f[0], f[2], data);
      }
      if (recipientActive && f[5] == "RCPT" && ContainsIgnoringCase(f[6], Recipient)) {
        std::string data(f[4]);
        data += ' ';
        data += f[6];
        origins.AddItemToSourceList(f[0], f[2], data);
      }
      return true;
    });
  }
  return origins.empty() ? 0 : 1;
}

}  // namespace rq
