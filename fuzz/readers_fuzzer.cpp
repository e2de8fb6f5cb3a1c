// Every log reader against the plain per-line rules, on a tiny server whose log comes from the
// input: reader byte, flags byte, message ID, NUL, text A, NUL, text B, NUL, log contents. Text A
// is the sender or what the result held before the call, text B the recipient.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/origin_search.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"

namespace {

using rq::RouteEntry;
using rq::RouteList;
using rq::fuzz::PlainContains;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const rq::fuzz::TinyServer tiny;
  const rq::Server& server = tiny.server;
  constexpr rq::Date kDay = rq::fuzz::TinyServer::kDay;
  if (size < 2) return 0;
  const unsigned reader = data[0] % 14;
  const unsigned flags = data[1];
  const bool back = (flags & 1) != 0;
  const bool exists = (flags & 2) == 0;  // now and then the day's log is missing
  const unsigned prior = (flags >> 2) & 3;
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 2, size - 2, 3);
  const std::string& id = parts[0];
  const std::string& a = parts[1];
  const std::string& b = parts[2];

  struct Target {
    const char* code;
    const char* prefix;
    const char* kind;
  };
  static constexpr Target kTargets[14] = {
      {"MTA", "MTA", "Debug"},    {"SF", "POC", "Debug"},       {"LS", "LS", "Debug"},
      {"SMTP", "SMTP", "Debug"},  {"SMTP", "SMTP", "Debug"},    {"SMTP", "SMTP", "Activity"},
      {"SMTP", "SMTP", "Debug"},  {"SMTP", "SMTP", "Activity"}, {"smtp", "smtp", "Activity"},
      {"SF", "POC", "Activity"},  {"sf", "sf", "Activity"},     {"LS", "LS", "Activity"},
      {"POP", "POP", "Activity"}, {"SMTP", "SMTP", "Activity"},
  };
  const Target& t = kTargets[reader];
  const std::string path = tiny.Log(t.code, t.prefix, t.kind);
  exists ? rq::fuzz::WriteWholeFile(path, parts[3]) : (void)std::remove(path.c_str());
  // A missing log is read as no lines at all.
  const std::vector<std::string> lines =
      exists ? rq::fuzz::PlainLines(parts[3]) : std::vector<std::string>{};
  const RouteList old(prior, RouteEntry{"old", "X", "d", "t"});

  switch (reader) {
    case 0: {
      // What needs no second reader: one record per line holding the ID and the tag, after the
      // records from before, and no bracket left in a value.
      std::size_t routes = 0;
      for (const std::string& line : lines) {
        routes += PlainContains(line, id) && line.find("RQ-MTA-ROUTE") != std::string::npos;
      }
      RouteList got = old;
      const int result = rq::GetRouteInformationFromMTALogs(server, kDay, id, back, got);
      RQ_FUZZ_CHECK(result == (exists && !got.empty() ? 1 : 0));
      RQ_FUZZ_CHECK(got.size() == old.size() + routes);
      RQ_FUZZ_CHECK(std::equal(old.begin(), old.end(), got.begin()));
      for (std::size_t i = old.size(); i < got.size(); ++i) {
        RQ_FUZZ_CHECK((got[i].MessageID + got[i].ConnectorCode).find_first_of("[]") ==
                      std::string::npos);
      }
      break;
    }
    case 1:
    case 2: {
      // The first line naming the bracketed ID, appended.
      const auto first = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find("[" + id + "]") != std::string::npos;
      });
      const std::string want = a + (first == lines.end() ? "" : *first + "\r\n");
      std::string got = a;
      const int result = reader == 1 ? rq::GetRouteInformationFromSFLogs(server, kDay, id, got)
                                     : rq::GetRouteInformationFromLSLogs(server, kDay, id, got);
      RQ_FUZZ_CHECK(result == (want.size() > a.size() ? 1 : 0));
      RQ_FUZZ_CHECK(got == want);
      break;
    }
    case 3:
    case 4: {
      // One record per line holding the bracketed ID and the code, replacing the list; nothing
      // found leaves it as it was. A parent is text of a line that names the copy.
      std::size_t copies = 0;
      for (const std::string& line : lines) {
        copies += line.find("[" + id + "]") != std::string::npos &&
                  line.find("RQ-I0018:") != std::string::npos;
      }
      RouteList got = old;
      RQ_FUZZ_CHECK(rq::GetSMTPRequeueInformation(server, kDay, id, got) == (copies > 0 ? 1 : 0));
      RQ_FUZZ_CHECK(copies == 0 ? got == old : got.size() == copies);
      const std::string parent = rq::GetSMTPRequeueParent(server, kDay, id);
      RQ_FUZZ_CHECK(parent.empty() ||
                    std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
                      return line.find("requeued as [" + id + "]") != std::string::npos &&
                             line.find("RQ-I0018: [" + parent) != std::string::npos;
                    }));
      break;
    }
    case 5:
    case 6: {
      const bool activity = reader == 5;
      std::string want = a;
      for (const std::string& line : lines) {
        if (PlainContains(line, id)) want += line + "\r\n";
      }
      // The activity reader answers for what the text holds, the debug one for what it added.
      const int wantResult = exists && (activity ? !want.empty() : want.size() > a.size()) ? 1 : 0;
      std::string got = a;
      const int result = activity ? rq::GetSMTPTransactionDetails(server, kDay, id, got)
                                  : rq::GetSMTPDebugDelivery(server, kDay, id, got);
      RQ_FUZZ_CHECK(result == wantResult);
      RQ_FUZZ_CHECK(got == want);
      break;
    }
    default: {
      static constexpr const char* kCodes[] = {"SMTP", "smtp", "SF", "sf", "LS", "POP", "SMTP"};
      const std::string code = kCodes[reader - 7];
      // Only the SMTP connector (code in either case) and the postoffice read their logs.
      const bool smtp = code == "SMTP" || code == "smtp";
      const bool reads = smtp || code == "SF" || code == "sf";
      std::vector<rq::test::PlainOrigin> want;
      rq::OriginList got;
      if (prior != 0) {
        want.push_back({"before", id, "x"});
        got.AddItemToSourceList("before", id, "x");
      }
      if (reads)
        want = rq::test::PlainOrigins(lines, smtp && back ? "SMTP-OU" : "SMTP-IN", a, b, want);
      RQ_FUZZ_CHECK(rq::LocateOrigin(server, code, kDay, a, b, back, got) ==
                    (exists && !want.empty() ? 1 : 0));
      RQ_FUZZ_CHECK(got.size() == want.size());
      for (std::size_t i = 0; i < want.size(); ++i) {
        RQ_FUZZ_CHECK((rq::test::PlainOrigin{got[i].LogTime, got[i].MessageID, got[i].sData}) ==
                      want[i]);
        RQ_FUZZ_CHECK(got.IndexOf(want[i].id) == static_cast<long long>(i));
      }
      break;
    }
  }
  return 0;
}
