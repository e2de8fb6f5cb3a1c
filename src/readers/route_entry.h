// One record per queue hop or per requeued copy; every field is text, empty when not set.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

struct RouteEntry {
  std::string MessageID;      // the message's ID in that queue, or a copy's new ID
  std::string ConnectorCode;  // connector code of that queue
  std::string Domain;         // target domain of a copy
  std::string LogTime;        // date and time of the log line

  friend bool operator==(const RouteEntry&, const RouteEntry&) = default;
};

using RouteList = std::vector<RouteEntry>;

// The MessageID of every record, in list order: the IDs one reading of a log looks up at once.
inline std::vector<std::string_view> MessageIdsOf(const RouteList& list) {
  std::vector<std::string_view> ids;
  ids.reserve(list.size());
  for (const RouteEntry& entry : list) ids.push_back(entry.MessageID);
  return ids;
}

}  // namespace rq
