#include "base/text.h"

namespace rq {

std::string_view SplitField(std::string_view text, std::string_view separator, long long n) {
  if (n < 1 || text.empty()) return {};
  if (separator.empty()) return n == 1 ? text : std::string_view();
  std::size_t start = 0;
  for (long long field = 1;; ++field) {
    const std::size_t at = text.find(separator, start);
    if (field == n) return text.substr(start, at == std::string_view::npos ? at : at - start);
    if (at == std::string_view::npos) return {};
    start = at + separator.size();
  }
}

bool LineContains(std::string_view line, std::string_view needle) {
  if (needle.empty()) return !line.empty();
  return line.find(needle) != std::string_view::npos;
}

bool FieldCursor::Next(std::string_view& field) {
  if (done_) return false;
  const std::size_t at = text_.find(separator_, pos_);
  if (at == std::string_view::npos) {
    field = text_.substr(pos_);
    done_ = true;
  } else {
    field = text_.substr(pos_, at - pos_);
    pos_ = at + 1;
  }
  return true;
}

namespace {
char AsciiUpperChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
  }
  return true;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpperChar(c);
  return out;
}

std::string WithoutBrackets(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (char c : field) {
    if (c != '[' && c != ']') out += c;
  }
  return out;
}

}  // namespace rq
