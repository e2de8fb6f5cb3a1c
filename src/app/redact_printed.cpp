#include "app/redact_printed.h"

#include <nlohmann/json.hpp>

#include "base/codepage.h"

namespace rq {
namespace {

// An ID as the report prints it: letters and digits with a digit among them, at most one '.'
// before a short ending that is no top-level domain (Q7.MAI). Never an address or a domain, even
// where a quoted log line imitates the report's words.
bool IsReportedId(std::string_view text) {
  if (text.empty() || text.size() > 64 ||
      text.find_first_of("0123456789") == std::string_view::npos ||
      text.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._-") !=
          std::string_view::npos) {
    return false;
  }
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return true;
  std::string ending(text.substr(dot + 1));
  for (char& c : ending) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return dot > 0 && !ending.empty() && ending.size() <= 4 &&
         ending.find('.') == std::string::npos && !redact::IsPublicSuffixRule(ending);
}

void RedactJson(Redactor& redactor, nlohmann::json& value, bool keep) {
  if (value.is_object()) {
    for (auto& [key, item] : value.items()) {
      const bool id = key.ends_with("Id") || key == "splitFrom" || key == "parent";
      if (keep == id || item.is_structured()) RedactJson(redactor, item, keep);
    }
  } else if (value.is_array()) {
    for (nlohmann::json& item : value) RedactJson(redactor, item, keep);
  } else if (value.is_string()) {
    if (keep) {
      redactor.Keep(Utf8ToCp1252(value.get<std::string>()));
    } else {
      value = ToUtf8Display(redactor.Line(Utf8ToCp1252(value.get<std::string>())));
    }
  }
}

}  // namespace

std::string RedactPrinted(Redactor& redactor, const std::string& printed, bool json) {
  if (json) {
    nlohmann::json value = nlohmann::json::parse(printed, nullptr, false);
    if (!value.is_discarded()) {
      RedactJson(redactor, value, true);
      RedactJson(redactor, value, false);
      return value.dump(2) + "\n";
    }
  }
  // The report's own words that the text rule would take for paths.
  redactor.Keep("Fork/Split");
  redactor.Keep("requeued/split");
  for (const std::string_view before :
       {"Message ID [", "Message ID of [", "split from [", "Result: [", "\n["}) {
    for (std::size_t at = printed.find(before); at != std::string::npos;
         at = printed.find(before, at + 1)) {
      const std::size_t open = at + before.size();
      const std::size_t close = printed.find(']', open);
      const std::string_view id = std::string_view(printed).substr(open, close - open);
      if (close != std::string::npos && IsReportedId(id)) redactor.Keep(id);
    }
  }
  // search rows: [day TAB] time TAB message ID TAB data.
  for (std::size_t start = 0; start < printed.size();) {
    std::size_t end = printed.find('\n', start);
    end = end == std::string::npos ? printed.size() : end;
    const std::string_view line = std::string_view(printed).substr(start, end - start);
    const std::size_t tab = line.find('\t');
    const std::size_t from = tab == 6 && line.find(':') > tab ? tab + 1 : 0;
    const std::size_t idAt = line.find('\t', from);
    const std::size_t idEnd = idAt == std::string::npos ? idAt : line.find('\t', idAt + 1);
    if (idEnd != std::string::npos &&
        line.substr(from, idAt - from).find(':') != std::string::npos &&
        IsReportedId(line.substr(idAt + 1, idEnd - idAt - 1))) {
      redactor.Keep(line.substr(idAt + 1, idEnd - idAt - 1));
    }
    start = end + 1;
  }
  std::string out;
  for (std::size_t start = 0; start < printed.size();) {
    std::size_t end = printed.find('\n', start);
    end = end == std::string::npos ? printed.size() : end;
    std::string_view line = std::string_view(printed).substr(start, end - start);
    const bool cr = !line.empty() && line.back() == '\r';
    if (cr) line.remove_suffix(1);
    // A story event: day, time and log name, then the line as written.
    const std::size_t log = line.find(".log  ");
    if (log < 80) {  // npos is no position
      out += redactor.Redact(line.substr(0, log + 6)) + redactor.Line(line.substr(log + 6));
    } else {
      out += redactor.Line(line);
    }
    if (cr) out += '\r';
    if (end < printed.size()) out += '\n';
    start = end + 1;
  }
  return out;
}

RedactedStandardError::RedactedStandardError(Redactor& redactor)
    : redactor_(redactor), old_(std::cerr.rdbuf(buffer_.rdbuf())) {}

RedactedStandardError::~RedactedStandardError() {
  std::cerr.rdbuf(old_);
  std::cerr << redactor_.Redact(buffer_.str());
}

}  // namespace rq
