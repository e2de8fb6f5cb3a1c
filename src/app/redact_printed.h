// --redact over what a command printed, for the commands that do not yet hand their typed result
// to the redactor field by field. To be removed once every command does.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

#include "app/redact.h"

namespace rq {

// JSON value by value (keys, and the IDs under ...Id, splitFrom and parent, kept), so that it
// stays JSON; text line by line, each quoted log line by its fields, with the IDs the report
// names in brackets ("Message ID [...]", "from [...]") kept.
std::string RedactPrinted(Redactor& redactor, const std::string& printed, bool json);

// While alive, standard error is collected; it is written redacted when this ends.
class RedactedStandardError {
 public:
  explicit RedactedStandardError(Redactor& redactor);
  ~RedactedStandardError();
  RedactedStandardError(const RedactedStandardError&) = delete;
  RedactedStandardError& operator=(const RedactedStandardError&) = delete;

 private:
  Redactor& redactor_;
  std::ostringstream buffer_;
  std::streambuf* old_;
};

}  // namespace rq
