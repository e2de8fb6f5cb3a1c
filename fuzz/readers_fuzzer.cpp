// Every log reader against a plain per-line reading of the same rules, on a tiny server whose
// settings point into a scratch directory and whose one log of the day comes from the input.
//
// Input: reader byte, flags byte, message ID, NUL, text A, NUL, text B, NUL, log contents.
// Text A is the sender (origin search) or what the result text held before the call; text B the
// recipient.
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

// Field i of a routing line cut at blanks, without brackets.
std::string Field(const std::vector<std::string>& f, std::size_t i) {
  std::string s = i < f.size() ? f[i] : std::string();
  std::erase(s, '[');
  std::erase(s, ']');
  return s;
}

// The text after the first `tag`, up to its first ']'; empty when the tag is absent or starts
// the line.
std::string AfterTag(const std::string& line, const std::string& tag) {
  const std::size_t at = line.find(tag);
  if (at == std::string::npos || at == 0) return "";
  const std::string rest = line.substr(at + tag.size());
  return rest.substr(0, rest.find(']'));
}

RouteList PriorRoutes(unsigned n) {
  RouteList list;
  for (unsigned i = 0; i < n; ++i) list.push_back({"old" + std::to_string(i), "X", "d", "t"});
  return list;
}

// The MTA's routing lines that name the ID: fields cut at blanks, the time's TAB ends it.
RouteList PlainRoutes(const std::vector<std::string>& lines, const std::string& id, bool back) {
  RouteList want;
  for (const std::string& line : lines) {
    if (!PlainContains(line, id) || line.find("RQ-MTA-ROUTE") == std::string::npos) continue;
    const std::vector<std::string> f = rq::test::PlainFields(line, ' ');
    const std::string time =
        f.size() > 1 ? f[0] + " " + f[1].substr(0, f[1].find('\t')) : f[0] + " ";
    want.push_back({Field(f, back ? 2 : 11), Field(f, back ? 4 : 8), "", time});
  }
  return want;
}

RouteList PlainCopies(const std::vector<std::string>& lines, const std::string& id) {
  RouteList found;
  for (const std::string& line : lines) {
    if (line.find("[" + id + "]") == std::string::npos ||
        line.find("RQ-I0018:") == std::string::npos)
      continue;
    found.push_back({AfterTag(line, "requeued as ["), "", AfterTag(line, "target domain ["), ""});
  }
  return found;
}

std::string PlainParent(const std::vector<std::string>& lines, const std::string& id) {
  for (const std::string& line : lines) {
    if (line.find("requeued as [" + id + "]") == std::string::npos) continue;
    const std::size_t p = line.find("RQ-I0018: [");
    if (p == std::string::npos || p == 0) continue;
    const std::size_t close = line.find(']', p + 12);
    if (close != std::string::npos) return line.substr(p + 11, close - p - 11);
  }
  return "";
}

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
  if (exists) {
    rq::fuzz::WriteWholeFile(path, parts[3]);
  } else {
    std::remove(path.c_str());
  }
  // A missing log is read as no lines at all.
  const std::vector<std::string> lines =
      exists ? rq::fuzz::PlainLines(parts[3]) : std::vector<std::string>{};

  switch (reader) {
    case 0: {
      RouteList want = PriorRoutes(prior);
      for (RouteEntry& e : PlainRoutes(lines, id, back)) want.push_back(e);
      RouteList got = PriorRoutes(prior);
      const int result = rq::GetRouteInformationFromMTALogs(server, kDay, id, back, got);
      RQ_FUZZ_CHECK(result == (exists && !want.empty() ? 1 : 0));
      RQ_FUZZ_CHECK(got == want);
      break;
    }
    case 1:
    case 2: {
      // The first line naming the bracketed ID, appended.
      std::string want = a;
      for (const std::string& line : lines) {
        if (line.find("[" + id + "]") != std::string::npos) {
          want += line + "\r\n";
          break;
        }
      }
      std::string got = a;
      const int result = reader == 1 ? rq::GetRouteInformationFromSFLogs(server, kDay, id, got)
                                     : rq::GetRouteInformationFromLSLogs(server, kDay, id, got);
      RQ_FUZZ_CHECK(result == (want.size() > a.size() ? 1 : 0));
      RQ_FUZZ_CHECK(got == want);
      break;
    }
    case 3: {
      // The records of this call only; nothing found leaves the list as it was.
      const RouteList found = PlainCopies(lines, id);
      RouteList got = PriorRoutes(prior);
      RQ_FUZZ_CHECK(rq::GetSMTPRequeueInformation(server, kDay, id, got) ==
                    (found.empty() ? 0 : 1));
      RQ_FUZZ_CHECK(got == (found.empty() ? PriorRoutes(prior) : found));
      break;
    }
    case 4:
      RQ_FUZZ_CHECK(rq::GetSMTPRequeueParent(server, kDay, id) == PlainParent(lines, id));
      break;
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
