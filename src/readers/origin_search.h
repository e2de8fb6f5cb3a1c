// The origin search: candidate messages found in a connector's activity log of one day by a
// sender and/or recipient text, one origin per message ID.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/dates.h"
#include "readers/parallel.h"
#include "settings/server.h"

namespace rq {

struct Origin {
  std::string LogTime;
  std::string MessageID;  // also the row's key
  std::string sData;
};

// The rows of the origin list in the order they were added, keyed by message ID: a second row
// for a key already there is refused. Lookups by key take constant time.
class OriginList {
 public:
  // Appends the row; false (and nothing added) when a row with that MessageID is already there.
  bool AddItemToSourceList(std::string_view LogTime, std::string_view MessageID,
                           std::string_view sData);
  void Clear();

  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const Origin& operator[](std::size_t i) const { return rows_[i]; }
  const std::vector<Origin>& rows() const { return rows_; }
  // The row index of a key, or -1.
  long long IndexOf(std::string_view messageId) const;

 private:
  std::vector<Origin> rows_;
  std::unordered_map<std::string, std::size_t> index_;
};

inline constexpr std::string_view kInboundTag = "SMTP-IN";
inline constexpr std::string_view kOutboundTag = "SMTP-OU";

// True when an activity line tells of message `id` being sent out: its direction tag (field 2,
// TAB-separated) is "SMTP-OU" and its message ID (field 3) is `id`.
bool IsOutboundLineOf(std::string_view line, std::string_view id);

// Reads the connector's activity log of the day and adds an origin for every line whose direction
// tag (field 2, TAB-separated) is the searched one and whose "MAIL" argument contains `Sender` or
// whose "RCPT" argument contains `Recipient` (field 7; letters compared without regard to case,
// Windows-1252; an empty text is not searched). The SMTP connector searches "SMTP-IN", or
// "SMTP-OU" with BacktraceMessage; the postoffice connector always "SMTP-IN"; others add nothing.
// 1 when the list then holds at least one row (earlier rows count); 0 otherwise, and 0 at once,
// the list untouched, when the log cannot be read. Never clears the list. A large log is read in
// segments as the options allow.
int LocateOrigin(const Server& server, std::string_view sConnectorCode, const Date& StartDate,
                 std::string_view Sender, std::string_view Recipient, bool BacktraceMessage,
                 OriginList& origins, const ReadOptions& options = {});

// True when `needle` occurs in `haystack` with Windows-1252 letters compared without regard
// to case. An empty needle is found in any text.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle);

}  // namespace rq
