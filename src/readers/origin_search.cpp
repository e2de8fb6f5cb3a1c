#include "readers/origin_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/text.h"
#include "readers/line_source.h"
#include "readers/literal_search.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

unsigned char Fold(char c) {
  return FoldByte(static_cast<unsigned char>(c));
}

enum class Kind { kSmtp, kPostoffice, kNone };

std::string JoinData(std::string_view data, std::string_view argument) {
  std::string joined;
  joined.reserve(data.size() + 1 + argument.size());
  joined += data;
  joined += ' ';
  joined += argument;
  return joined;
}

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
  const unsigned char first = Fold(needle.front());
  for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
    if (Fold(haystack[i]) != first) continue;
    std::size_t j = 1;
    while (j < needle.size() && Fold(haystack[i + j]) == Fold(needle[j])) ++j;
    if (j == needle.size()) return true;
  }
  return false;
}

int LocateOrigin(const Server& server, std::string_view sConnectorCode, const Date& StartDate,
                 std::string_view Sender, std::string_view Recipient, bool BacktraceMessage,
                 OriginList& origins) {
  LineSource source(GetLogFile(server, sConnectorCode, kActivity, StartDate));
  if (!source.is_open()) return 0;

  const std::string code = AsciiUpper(sConnectorCode);
  const Kind kind = code == "SMTP" ? Kind::kSmtp : code == "SF" ? Kind::kPostoffice : Kind::kNone;
  const std::string_view tag = kind == Kind::kSmtp && BacktraceMessage ? kOutboundTag : kInboundTag;
  const bool senderActive = !Sender.empty();
  const bool recipientActive = !Recipient.empty();

  if (kind == Kind::kNone || (!senderActive && !recipientActive)) return origins.empty() ? 0 : 1;

  // A line can pass a test only when it holds the test's text in some letter case: the texts are
  // looked for first, and only lines holding one are split into fields.
  auto examine = [&](std::string_view line) {
    std::array<std::string_view, 7> f{};
    std::size_t count = 0;
    FieldCursor cursor(line, '\t');
    std::string_view field;
    while (count < f.size() && cursor.Next(field)) f[count++] = field;
    if (count < 7 || f[1] != tag) return;  // both tests need the verb and its argument
    if (senderActive && f[5] == "MAIL" && ContainsIgnoringCase(f[6], Sender)) {
      origins.AddItemToSourceList(f[0], f[2], JoinData(f[4], f[6]));
    }
    if (recipientActive && f[5] == "RCPT" && ContainsIgnoringCase(f[6], Recipient)) {
      origins.AddItemToSourceList(f[0], f[2], JoinData(f[4], f[6]));
    }
  };
  const FoldedLiteralSearcher senderSearch(Sender);
  const FoldedLiteralSearcher recipientSearch(Recipient);
  struct Texts {
    const FoldedLiteralSearcher* sender;
    const FoldedLiteralSearcher* recipient;
  } texts{senderActive ? &senderSearch : nullptr, recipientActive ? &recipientSearch : nullptr};
  LongLineFilter filter;
  filter.context = &texts;
  filter.contains = [](const void* context, const char* begin, const char* end) {
    const Texts& t = *static_cast<const Texts*>(context);
    return (t.sender != nullptr && t.sender->Find(begin, end) != nullptr) ||
           (t.recipient != nullptr && t.recipient->Find(begin, end) != nullptr);
  };
  filter.overlap = std::max(Sender.size(), Recipient.size());
  for (std::string_view block = source.NextBlock(filter); !block.empty();
       block = source.NextBlock(filter)) {
    const char* const end = block.data() + block.size();
    const char* from = block.data();  // a line start
    // The next place of each text at or after `from`; found once, used until passed.
    const char* senderHit = nullptr;
    const char* recipientHit = nullptr;
    bool senderDone = !senderActive;
    bool recipientDone = !recipientActive;
    while (from < end) {
      if (!senderDone && (senderHit == nullptr || senderHit < from)) {
        senderHit = senderSearch.Find(from, end);
        senderDone = senderHit == nullptr;
      }
      if (!recipientDone && (recipientHit == nullptr || recipientHit < from)) {
        recipientHit = recipientSearch.Find(from, end);
        recipientDone = recipientHit == nullptr;
      }
      const char* hit = senderDone                 ? recipientHit
                        : recipientDone            ? senderHit
                        : senderHit < recipientHit ? senderHit
                                                   : recipientHit;
      if (senderDone && recipientDone) break;
      const char* lineStart = LineStartBefore(from, hit, end);
      if (hit >= lineStart) {
        const char* cr =
            static_cast<const char*>(std::memchr(hit, '\r', static_cast<std::size_t>(end - hit)));
        const char* lineEnd = cr != nullptr ? cr : end;
        examine(std::string_view(lineStart, static_cast<std::size_t>(lineEnd - lineStart)));
        if (cr == nullptr) break;
        lineStart = cr + 1;
        if (lineStart < end && *lineStart == '\n') ++lineStart;
      }
      from = lineStart;
    }
  }
  return origins.empty() ? 0 : 1;
}

}  // namespace rq
