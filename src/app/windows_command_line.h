// The command line as one text, the way Windows hands it to a program (GetCommandLine): the
// program's own name and the options in front of the trace's command line are taken off the
// front, and the rest is used as written, so that two blanks in it still give an empty field.
//
// Pure text functions, usable and tested on every platform.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace rq {

namespace internal {

inline bool IsArgumentBlank(char c) {
  return c == ' ' || c == '\t';
}

inline std::string_view SkipArgumentBlanks(std::string_view text) {
  return text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
}

}  // namespace internal

// The text after the program's name, as a Windows program's start-up code finds it: the name runs
// to and including the closing double quote when it starts with one (no escapes there), otherwise
// to the first blank or tab; the blanks and tabs after it are skipped as well.
inline std::string_view TextAfterProgramName(std::string_view commandLine) {
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine.front() == '"') {
    i = commandLine.find('"', 1);
    i = i == std::string_view::npos ? commandLine.size() : i + 1;
  } else {
    while (i < commandLine.size() && !internal::IsArgumentBlank(commandLine[i])) ++i;
  }
  return internal::SkipArgumentBlanks(commandLine.substr(i));
}

// The text after the first `count` arguments of `text`, each delimited as the C runtime splits a
// command line into arguments: a blank or tab outside double quotes ends one; backslashes escape
// a double quote only when an odd number of them stands right before it; "" inside quotes is a
// quote. The blanks and tabs after each argument are skipped; the rest is returned as written.
inline std::string_view TextAfterArguments(std::string_view text, int count) {
  text = internal::SkipArgumentBlanks(text);
  for (int n = 0; n < count && !text.empty(); ++n) {
    std::size_t i = 0;
    bool quoted = false;
    while (i < text.size() && (quoted || !internal::IsArgumentBlank(text[i]))) {
      if (text[i] == '\\') {
        std::size_t run = 0;
        while (i < text.size() && text[i] == '\\') ++i, ++run;
        if (i < text.size() && text[i] == '"' && run % 2 == 1) ++i;  // an escaped quote
      } else if (text[i] == '"') {
        if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        ++i;
      }
    }
    text = internal::SkipArgumentBlanks(text.substr(i));
  }
  return text;
}

}  // namespace rq
