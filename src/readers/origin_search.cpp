#include "readers/origin_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/text.h"
#include "readers/line_source.h"
#include "readers/literal_search.h"
#include "readers/parallel.h"
#include "readers/segmented_log.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

unsigned char Fold(char c) {
  return FoldByte(static_cast<unsigned char>(c));
}

enum class Kind { kSmtp, kPostoffice, kNone };

// The line source's matcher for lines that hold the sender or the recipient text in some letter
// case (an empty text is not looked for). The next place of each text is found once and used
// until the search has passed it, so a frequent text does not make the rare one be looked for
// again and again.
class EitherText {
 public:
  EitherText(std::string_view sender, std::string_view recipient)
      : texts_{FoldedLiteralSearcher(sender), FoldedLiteralSearcher(recipient)},
        active_{!sender.empty() && sender.find('\r') == std::string_view::npos,
                !recipient.empty() && recipient.find('\r') == std::string_view::npos} {}

  void StartBlock() {
    hit_[0] = hit_[1] = nullptr;
    done_[0] = !active_[0];
    done_[1] = !active_[1];
  }

  const char* Find(const char* from, const char* end) {
    for (int i = 0; i < 2; ++i) {
      if (!done_[i] && (hit_[i] == nullptr || hit_[i] < from)) {
        hit_[i] = texts_[i].Find(from, end);
        done_[i] = hit_[i] == nullptr;
      }
    }
    if (done_[0]) return done_[1] ? nullptr : hit_[1];
    if (done_[1]) return hit_[0];
    return std::min(hit_[0], hit_[1]);
  }

  std::size_t straddle() const {
    const std::size_t longest = std::max(texts_[0].size(), texts_[1].size());
    return longest > 0 ? longest - 1 : 0;
  }

 private:
  FoldedLiteralSearcher texts_[2];
  bool active_[2];
  const char* hit_[2] = {nullptr, nullptr};
  bool done_[2] = {true, true};
};

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

bool IsOutboundLineOf(std::string_view line, std::string_view id) {
  FieldCursor cursor(line, '\t');
  std::string_view tag, messageId;
  return cursor.Next(tag) && cursor.Next(tag) && tag == kOutboundTag && cursor.Next(messageId) &&
         messageId == id;
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
                 OriginList& origins, const ReadOptions& options) {
  const SegmentedLog log(GetLogFile(server, sConnectorCode, kActivity, StartDate), options);
  if (!log.is_open()) return 0;

  const std::string code = AsciiUpper(sConnectorCode);
  const Kind kind = code == "SMTP" ? Kind::kSmtp : code == "SF" ? Kind::kPostoffice : Kind::kNone;
  const std::string_view tag = kind == Kind::kSmtp && BacktraceMessage ? kOutboundTag : kInboundTag;
  const bool senderActive = !Sender.empty();
  const bool recipientActive = !Recipient.empty();

  if (kind == Kind::kNone || (!senderActive && !recipientActive)) return origins.empty() ? 0 : 1;

  // Each segment lists its own rows; put back in segment order through the list, they give the
  // rows of one reading (the first passing line of each ID wins).
  const std::vector<OriginList> later =
      log.ReadEach(origins, [&](LineSource& source, std::size_t, OriginList& rows) {
        // A line can pass a test only when it holds the test's text in some letter case: the texts
        // are looked for first, and only lines holding one are split into fields.
        auto examine = [&](std::string_view line) {
          std::array<std::string_view, 7> f{};
          std::size_t count = 0;
          FieldCursor cursor(line, '\t');
          std::string_view field;
          while (count < f.size() && cursor.Next(field)) f[count++] = field;
          if (count < 7 || f[1] != tag) return;  // both tests need the verb and its argument
          if (senderActive && f[5] == "MAIL" && ContainsIgnoringCase(f[6], Sender)) {
            rows.AddItemToSourceList(f[0], f[2], JoinData(f[4], f[6]));
          }
          if (recipientActive && f[5] == "RCPT" && ContainsIgnoringCase(f[6], Recipient)) {
            rows.AddItemToSourceList(f[0], f[2], JoinData(f[4], f[6]));
          }
        };
        EitherText matcher(Sender, Recipient);
        source.ForEachMatchingLine(matcher, [&](std::string_view line) {
          examine(line);
          return true;
        });
      });
  for (const OriginList& rows : later) {
    for (const Origin& row : rows.rows()) {
      origins.AddItemToSourceList(row.LogTime, row.MessageID, row.sData);
    }
  }
  return origins.empty() ? 0 : 1;
}

}  // namespace rq
