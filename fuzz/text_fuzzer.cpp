// The small text and date operations: never a crash, and the promises each one makes.
// Input: selector byte, then operation-specific parts cut at NUL bytes.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/dates.h"
#include "base/text.h"
#include "fuzz_support.h"
#include "readers/literal_search.h"
#include "settings/log_dates.h"

namespace {

namespace ch = std::chrono;

bool ValidDate(const rq::Date& d) {
  return ch::year_month_day(ch::year(d.year), ch::month(d.month), ch::day(d.day)).ok();
}

// A log date by the standard calendar, months counted from the year's first and days from the
// month's first (day 0 is the day before); a part that is empty or not all digits is 0.
rq::Date PlainDateFromLogDate(const std::string& text) {
  int part[3] = {0, 0, 0};
  for (std::size_t i = 0; i < 3; ++i) {
    for (char c : text.substr(std::min(2 * i, text.size()), 2)) {
      part[i] = c < '0' || c > '9' || part[i] < 0 ? -1 : part[i] * 10 + (c - '0');
    }
    part[i] = std::max(part[i], 0);
  }
  const int months = (2000 + part[0]) * 12 + part[1] - 1;
  const ch::year_month_day ymd(
      ch::sys_days(ch::year(months / 12) / ch::month(months % 12 + 1) / 1) + ch::days(part[2] - 1));
  return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))};
}

void CheckSplitField(const std::string& text, const std::string& sep, long long n) {
  const std::string_view got = rq::SplitField(text, sep, n);
  RQ_FUZZ_CHECK(got.empty() ||
                (got.data() >= text.data() && got.end() <= text.data() + text.size()));
  // The fields, cut at each separator from left to right; an empty separator cuts nowhere.
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t at; !sep.empty() && (at = text.find(sep, start)) != std::string::npos;
       start = at + sep.size()) {
    fields.push_back(text.substr(start, at - start));
  }
  fields.push_back(text.substr(start));
  const bool inside =
      n >= 1 && !text.empty() && static_cast<unsigned long long>(n) <= fields.size();
  RQ_FUZZ_CHECK(got == (inside ? fields[static_cast<std::size_t>(n - 1)] : std::string()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const unsigned op = data[0] % 6;
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 1, size - 1, 2);
  switch (op) {
    case 0: {
      // The field number: mostly small, now and then zero or negative.
      unsigned long long n = 0;
      for (char c : parts[0]) n = n * 7 + static_cast<unsigned char>(c);
      CheckSplitField(parts[2], parts[1], static_cast<long long>(n % 40) - 2);
      break;
    }
    case 1:
    case 2: {
      const std::string& text = parts[2];
      const rq::Date date = rq::DateFromLogDate(text);
      RQ_FUZZ_CHECK(ValidDate(date));
      RQ_FUZZ_CHECK(date == PlainDateFromLogDate(text));
      // Days a log file name can hold write back to a log date that reads as the same day.
      if (date.year >= 2000 && date.year <= 2099) {
        RQ_FUZZ_CHECK(rq::DateFromLogDate(rq::LogDateOf(date)) == date &&
                      rq::LogDateOf(date).size() == 6);
      }
      // Any pattern formats without failing and reads only real days; the usual one reads back.
      const rq::DateFormat format(parts[0]);
      for (const std::optional<rq::Date>& read :
           {format.Parse(format.Format(date)), format.Parse(parts[1])}) {
        RQ_FUZZ_CHECK(!read || ValidDate(*read));
      }
      const rq::DateFormat usual("%m/%d/%y");
      RQ_FUZZ_CHECK(usual.Parse(usual.Format(date)) == date);
      break;
    }
    case 3: {
      const std::string& bytes = parts[2];
      RQ_FUZZ_CHECK(rq::IsValidUtf8(rq::Cp1252ToUtf8(bytes)));
      RQ_FUZZ_CHECK(rq::IsValidUtf8(rq::ToUtf8Display(bytes)));
      RQ_FUZZ_CHECK(rq::IsValidUtf8(rq::Utf16LeToUtf8(bytes)));
      RQ_FUZZ_CHECK(rq::Utf8ToCp1252(rq::Cp1252ToUtf8(bytes)) == bytes);
      if (rq::IsValidUtf8(bytes)) {
        RQ_FUZZ_CHECK(rq::Utf16LeToUtf8(rq::Utf8ToUtf16Le(bytes)) == bytes);
      }
      (void)rq::Utf16LeToCp1252(bytes);
      (void)rq::Utf8ToCp1252(bytes);
      break;
    }
    case 4: {
      // Every literal search from every start, in a heap block just the size of the text (to
      // catch a read past its end).
      const std::string& needle = parts[1];
      const std::size_t n = parts[2].size();
      const std::unique_ptr<char[]> exact(new char[n == 0 ? 1 : n]);
      std::memcpy(exact.get(), parts[2].data(), n);
      const char* const begin = exact.get();
      const char* const end = begin + n;
      const rq::LiteralSearcher searcher(needle);
      const rq::FoldedLiteralSearcher folded(needle);
      const std::string foldedHay = rq::fuzz::PlainFolded(parts[2]);
      const std::string foldedNeedle = rq::fuzz::PlainFolded(needle);
      // Where the (folded) needle first stands from `p` on, by std::string_view::find.
      auto first = [&](const std::string& hay, const std::string& what, const char* p) {
        const std::size_t at = std::string_view(hay).substr(p - begin).find(what);
        return at == std::string_view::npos ? nullptr : p + at;
      };
      for (const char* p = begin; p <= end && p < begin + 80; ++p) {
        const char* const want = first(parts[2], needle, p);
        const char* const fwant = first(foldedHay, foldedNeedle, p);
        RQ_FUZZ_CHECK(searcher.Find(p, end) == want && rq::FindLiteral(p, end, needle) == want);
        RQ_FUZZ_CHECK(folded.Find(p, end) == fwant);
        // Each instruction-set variant, with anchor bytes taken from the input.
        if (needle.empty()) continue;
        const std::size_t r2 = needle.size() == 1 ? 0 : 1 + (n + (p - begin)) % (needle.size() - 1);
        const std::size_t r1 = r2 == 0 ? 0 : (p - begin) % r2;
        namespace in = rq::internal;
        RQ_FUZZ_CHECK(in::FindLiteralPortable(p, end, needle, r1, r2) == want);
        RQ_FUZZ_CHECK(in::FindFoldedPortable(p, end, foldedNeedle, r1, r2) == fwant);
        RQ_FUZZ_CHECK(in::SimdLevel() < 1 || in::FindLiteralSse2(p, end, needle, r1, r2) == want);
        RQ_FUZZ_CHECK(in::SimdLevel() < 2 || in::FindLiteralAvx2(p, end, needle, r1, r2) == want);
        RQ_FUZZ_CHECK(in::SimdLevel() < 2 ||
                      in::FindFoldedAvx2(p, end, foldedNeedle, r1, r2) == fwant);
      }
      break;
    }
    default: {
      (void)rq::LogDateFromFileName(parts[2]);
      (void)rq::MatchesActivityLogPattern(parts[2], parts[0], true);
      (void)rq::MatchesActivityLogPattern(parts[2], parts[0], false);
      break;
    }
  }
  return 0;
}
