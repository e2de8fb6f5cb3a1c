// Small text operations shared by the settings layer and the readers. Text is bytes; positions
// count from 0 here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rq {

// The n-th field (from 1) of `text` split at every occurrence of `separator` (exact; adjacent
// separators give an empty field; an empty separator gives one field, the whole text). Empty
// when n is below 1, the text has fewer than n fields, or the text is empty. Never fails.
std::string_view SplitField(std::string_view text, std::string_view separator, long long n);

// The substring rule of every reader: an empty needle is found in every non-empty line and in
// no empty line; any other needle by plain, case-sensitive search.
bool LineContains(std::string_view line, std::string_view needle);

// Walks the fields of a line split at one separator byte without allocating.
class FieldCursor {
 public:
  FieldCursor(std::string_view text, char separator) : text_(text), separator_(separator) {}
  // The next field; false when there is none left.
  bool Next(std::string_view& field);

 private:
  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  bool done_ = false;
};

// True when the texts are equal with ASCII letters compared without regard to case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The text with its ASCII letters in upper case.
std::string AsciiUpper(std::string_view text);

// Every '[' and ']' of the field removed.
std::string WithoutBrackets(std::string_view field);

}  // namespace rq
