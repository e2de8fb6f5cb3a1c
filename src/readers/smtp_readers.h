// Readers of the SMTP connector's logs: the requeue lines of its debug log (a message split into
// per-domain copies), and the lines that name a message in its activity and debug logs.
//
// Each reader opens one day's log, reads it to its end (or to its first match where it says so)
// and closes it. A missing or unreadable log answers exactly like a log without a match.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "readers/parallel.h"
#include "readers/route_entry.h"
#include "settings/server.h"

namespace rq {

inline constexpr std::string_view kRequeueCode = "RQ-I0018:";
inline constexpr std::string_view kRequeueParentTag = "RQ-I0018: [";
inline constexpr std::string_view kRequeuedAsTag = "requeued as [";
inline constexpr std::string_view kTargetDomainTag = "target domain [";

// A requeue line's parts, each a view into the line and empty when the line lacks it. The parent
// is the text between the first "RQ-I0018: [" (not at the line's start) and the first "]" after
// the character that follows it; the copy's new ID and its domain are the values of their tags
// (TaggedValue).
struct RequeueLine {
  std::string_view parent;
  std::string_view copy;
  std::string_view domain;
};

// The parts of a line holding "RQ-I0018:"; false (and `requeue` untouched) for any other line.
bool ParseRequeueLine(std::string_view line, RequeueLine& requeue);

// The copies of a parent message: every line of the day's SMTP debug log that holds "[" + parent
// + "]" and "RQ-I0018:" gives one record, in file order, with the copy's new MessageID and Domain
// (each only when its tag stands after the line's first character). On a match the list holds
// exactly one record per matching line, each holding only what its line gave. 1 when a line was
// found; 0 otherwise, the list then unchanged.
int GetSMTPRequeueInformation(const Server& server, const Date& day, std::string_view parentId,
                              RouteList& copies);

// The parent of a copy: from the first line that holds "requeued as [" + copy + "]" and, after
// its first character, "RQ-I0018: [", the text from there up to the next "]" (searched from the
// second character after the tag). Empty when no line qualifies or the log cannot be read.
std::string GetSMTPRequeueParent(const Server& server, const Date& day, std::string_view copyId);

// Appends every line of the day's SMTP activity log that contains the ID, each followed by CR LF.
// 1 when `results` is not empty afterwards, 0 otherwise (and 0 when the log cannot be read). A
// large log is read in segments on up to the options' threads.
int GetSMTPTransactionDetails(const Server& server, const Date& day, std::string_view messageId,
                              std::string& results, const ReadOptions& options = {});

// Appends every line of the day's SMTP debug log that contains the ID, each followed by CR LF.
// 1 when at least one line was selected, otherwise 0.
int GetSMTPDebugDelivery(const Server& server, const Date& day, std::string_view messageId,
                         std::string& results);

// The same as GetSMTPTransactionDetails(server, day, ids[i], results[i]) for every i, reading the
// log once: results[i] gets the lines that contain ids[i] (one ID being part of another selects
// the other's lines too), and the answer holds the result of each. `results` must have as many
// texts as there are IDs.
std::vector<int> GetSMTPTransactionDetailsForEach(const Server& server, const Date& day,
                                                  const std::vector<std::string_view>& ids,
                                                  std::vector<std::string>& results);

// The same as GetSMTPDebugDelivery(server, day, ids[i], results[i]) for every i, reading the log
// once; as GetSMTPTransactionDetailsForEach.
std::vector<int> GetSMTPDebugDeliveryForEach(const Server& server, const Date& day,
                                             const std::vector<std::string_view>& ids,
                                             std::vector<std::string>& results);

// The value of a bracketed tag in a line: the text after the first occurrence of `tag` up to its
// first "]" (the whole rest without one). nullopt-like false when the tag is missing or stands
// at the very start of the line.
bool TaggedValue(std::string_view line, std::string_view tag, std::string_view& value);

}  // namespace rq
