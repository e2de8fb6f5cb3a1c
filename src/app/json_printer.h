// Findings as one JSON object: the report's parts as fields, log lines decoded for display
// (valid UTF-8 kept, anything else read as Windows-1252).
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "tracing/findings.h"
#include "tracing/story.h"

namespace rq {

// The log lines of a reader's result (each followed by CR LF) as an array of decoded texts.
nlohmann::json LinesJson(std::string_view lines);

// The story as one object: messageId, splitFrom, origin {messageId, connector}, firstDay,
// lastDay, result, hops [{kind, messageId, connector, domain, parent, events [{day, time, log,
// line}]}].
nlohmann::json StoryJson(const Story& story);

// Builds the object of a trace, a split or a transaction:
//   direction, connector, tracedId, splitFrom, result, queues, routes[{time, connector,
//   messageId, line, postoffice, copies}], copies[{time, domain, messageId, activity, debug}],
//   inbound, lines. Only the fields the findings gave are present.
class JsonPrinter final : public FindingSink {
 public:
  void Report(const Finding& f) override;
  nlohmann::json& object() { return object_; }

 private:
  // Where copies go: the last SMTP route's object in a trace, the top level in a split.
  nlohmann::json& CopyHolder();
  nlohmann::json object_ = nlohmann::json::object();
};

}  // namespace rq
