// The fields of an activity log line by name, for callers that treat each field as what it is
// (redaction replaces the remote address as an IP and the MAIL argument as an address).
#pragma once

#include <optional>
#include <string_view>

namespace rq {

// time TAB direction TAB message ID TAB session TAB remote address TAB verb TAB argument, then
// optionally TAB and the rest (the reply code and whatever follows, TABs included).
struct ActivityFields {
  std::string_view time, direction, messageId, session, peer, verb, argument;
  std::optional<std::string_view> rest;
};

// The line's fields when it has at least seven TAB-separated fields led by a time of day
// (H:MM:SS or HH:MM:SS, optionally with a fraction) and a direction tag (letters and '-');
// nothing otherwise, header lines (#Fields: ...) included.
std::optional<ActivityFields> ActivityFieldsOf(std::string_view line);

}  // namespace rq
