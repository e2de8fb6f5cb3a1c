// Every log reader against a plain per-line reading of the same rules, on a tiny server whose
// settings point into a scratch directory and whose one log of the day comes from the input.
//
// Input: reader byte, flags byte, message ID, NUL, text A, NUL, text B, NUL, log contents.
// Text A is the sender (origin search) or what the result text held before the call; text B the
// recipient, or the message ID of a row already in the origin list.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/origin_search.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/reg_file_store.h"

namespace {

using rq::RouteEntry;
using rq::RouteList;
using rq::fuzz::PlainContains;
using rq::fuzz::PlainLines;

constexpr rq::Date kDay{2024, 1, 5};
constexpr const char* kDayText = "240105";

struct TinyServer {
  std::string logs = rq::fuzz::ScratchDir() + "/logs";
  rq::RegFileStore store =
      rq::RegFileStore::FromBytes(rq::fuzz::TinySettings(rq::fuzz::ScratchDir()), "fuzz.reg");
  rq::Server server{store};

  TinyServer() {
    for (const char* code : {"MTA", "SMTP", "smtp", "SF", "sf", "LS", "POP"}) {
      rq::fuzz::MakeDirs(logs + "/" + code);
    }
  }
  // Where the reader should find its log: written here by hand, not by the code under test.
  std::string Log(const std::string& dir, const std::string& prefix, const char* kind) const {
    return logs + "/" + dir + "/" + prefix + "-" + kind + "-" + kDayText + ".log";
  }
};

std::vector<std::string> SplitAll(const std::string& line, char sep) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(sep, start);
    fields.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return fields;
    start = at + 1;
  }
}

std::string Field(const std::vector<std::string>& f, std::size_t i) {
  return i < f.size() ? f[i] : std::string();
}

std::string NoBrackets(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != '[' && c != ']') out += c;
  }
  return out;
}

unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  return c;
}

std::string Folded(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return out;
}

// The text after the first `tag`, up to its first ']'; false when the tag is absent or starts
// the line.
bool AfterTag(const std::string& line, const std::string& tag, std::string& value) {
  const std::size_t at = line.find(tag);
  if (at == std::string::npos || at == 0) return false;
  const std::string rest = line.substr(at + tag.size());
  value = rest.substr(0, rest.find(']'));
  return true;
}

RouteList PriorRoutes(unsigned n) {
  RouteList list;
  for (unsigned i = 0; i < n; ++i) {
    list.push_back(RouteEntry{"old" + std::to_string(i), "X", "d", "t"});
  }
  return list;
}

void CheckMta(const TinyServer& s, bool exists, const std::vector<std::string>& lines,
              const std::string& id, bool back, unsigned prior) {
  RouteList want = PriorRoutes(prior);
  int wantResult = 0;
  if (exists) {
    for (const std::string& line : lines) {
      if (!PlainContains(line, id) || line.find("RQ-MTA-ROUTE") == std::string::npos) continue;
      const std::vector<std::string> f = SplitAll(line, ' ');
      RouteEntry e;
      const std::string f1 = Field(f, 1);
      e.LogTime = Field(f, 0) + " " + f1.substr(0, f1.find('\t'));
      e.ConnectorCode = NoBrackets(Field(f, back ? 4 : 8));
      e.MessageID = NoBrackets(Field(f, back ? 2 : 11));
      want.push_back(e);
    }
    wantResult = want.empty() ? 0 : 1;
  }
  RouteList got = PriorRoutes(prior);
  RQ_FUZZ_CHECK(rq::GetRouteInformationFromMTALogs(s.server, kDay, id, back, got) == wantResult);
  RQ_FUZZ_CHECK(got == want);
}

void CheckBracketed(const TinyServer& s, bool sf, bool exists,
                    const std::vector<std::string>& lines, const std::string& id,
                    const std::string& before) {
  std::string want = before;
  int wantResult = 0;
  if (exists) {
    for (const std::string& line : lines) {
      if (line.find("[" + id + "]") != std::string::npos) {
        want += line + "\r\n";
        wantResult = 1;
        break;
      }
    }
  }
  std::string got = before;
  const int result = sf ? rq::GetRouteInformationFromSFLogs(s.server, kDay, id, got)
                        : rq::GetRouteInformationFromLSLogs(s.server, kDay, id, got);
  RQ_FUZZ_CHECK(result == wantResult);
  RQ_FUZZ_CHECK(got == want);
}

void CheckRequeueCopies(const TinyServer& s, bool exists, const std::vector<std::string>& lines,
                        const std::string& id, unsigned prior) {
  RouteList found;
  if (exists) {
    for (const std::string& line : lines) {
      if (line.find("[" + id + "]") == std::string::npos) continue;
      if (line.find("RQ-I0018:") == std::string::npos) continue;
      RouteEntry e;
      std::string v;
      if (AfterTag(line, "requeued as [", v)) e.MessageID = v;
      if (AfterTag(line, "target domain [", v)) e.Domain = v;
      found.push_back(e);
    }
  }
  const RouteList want = found.empty() ? PriorRoutes(prior) : found;
  RouteList got = PriorRoutes(prior);
  RQ_FUZZ_CHECK(rq::GetSMTPRequeueInformation(s.server, kDay, id, got) == (found.empty() ? 0 : 1));
  RQ_FUZZ_CHECK(got == want);
}

void CheckRequeueParent(const TinyServer& s, bool exists, const std::vector<std::string>& lines,
                        const std::string& id) {
  std::string want;
  if (exists) {
    for (const std::string& line : lines) {
      if (line.find("requeued as [" + id + "]") == std::string::npos) continue;
      const std::size_t p = line.find("RQ-I0018: [");
      if (p == std::string::npos || p == 0) continue;
      const std::size_t start = p + 11;
      const std::size_t close = line.find(']', start + 1);
      if (close == std::string::npos) continue;
      want = line.substr(start, close - start);
      break;
    }
  }
  RQ_FUZZ_CHECK(rq::GetSMTPRequeueParent(s.server, kDay, id) == want);
}

void CheckSelectedLines(const TinyServer& s, bool activity, bool exists,
                        const std::vector<std::string>& lines, const std::string& id,
                        const std::string& before) {
  std::string want = before;
  int selected = 0;
  if (exists) {
    for (const std::string& line : lines) {
      if (!PlainContains(line, id)) continue;
      want += line + "\r\n";
      ++selected;
    }
  }
  int wantResult = 0;
  if (exists) wantResult = activity ? (want.empty() ? 0 : 1) : (selected > 0 ? 1 : 0);
  std::string got = before;
  const int result = activity ? rq::GetSMTPTransactionDetails(s.server, kDay, id, got)
                              : rq::GetSMTPDebugDelivery(s.server, kDay, id, got);
  RQ_FUZZ_CHECK(result == wantResult);
  RQ_FUZZ_CHECK(got == want);
}

struct Row {
  std::string time, id, data;
};

void CheckOrigins(const TinyServer& s, const std::string& code, bool exists,
                  const std::vector<std::string>& lines, bool back, const std::string& sender,
                  const std::string& recipient, const std::string& priorId, bool havePrior) {
  std::vector<Row> want;
  auto add = [&](const Row& row) {
    for (const Row& r : want) {
      if (r.id == row.id) return;
    }
    want.push_back(row);
  };
  if (havePrior) add(Row{"before", priorId, "x"});
  std::string upper = code;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  const bool smtp = upper == "SMTP";
  const bool sf = upper == "SF";
  const std::string tag = smtp && back ? "SMTP-OU" : "SMTP-IN";
  if (exists && (smtp || sf)) {
    for (const std::string& line : lines) {
      const std::vector<std::string> f = SplitAll(line, '\t');
      if (f.size() < 2 || f[1] != tag) continue;
      const std::string arg = Folded(Field(f, 6));
      const bool haveArg = f.size() >= 7;
      if (!sender.empty() && haveArg && f[5] == "MAIL" &&
          arg.find(Folded(sender)) != std::string::npos) {
        add(Row{f[0], f[2], f[4] + " " + f[6]});
      }
      if (!recipient.empty() && haveArg && f[5] == "RCPT" &&
          arg.find(Folded(recipient)) != std::string::npos) {
        add(Row{f[0], f[2], f[4] + " " + f[6]});
      }
    }
  }
  const int wantResult = exists && !want.empty() ? 1 : 0;

  rq::OriginList got;
  if (havePrior) got.AddItemToSourceList("before", priorId, "x");
  RQ_FUZZ_CHECK(rq::LocateOrigin(s.server, code, kDay, sender, recipient, back, got) == wantResult);
  RQ_FUZZ_CHECK(got.size() == want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    RQ_FUZZ_CHECK(got[i].LogTime == want[i].time);
    RQ_FUZZ_CHECK(got[i].MessageID == want[i].id);
    RQ_FUZZ_CHECK(got[i].sData == want[i].data);
    RQ_FUZZ_CHECK(got.IndexOf(want[i].id) == static_cast<long long>(i));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TinyServer server;
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
  const std::string& content = parts[3];

  struct Target {
    const char* dir;
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
  const std::string path = server.Log(t.dir, t.prefix, t.kind);
  if (exists) {
    rq::fuzz::WriteWholeFile(path, content);
  } else {
    std::remove(path.c_str());
  }
  const std::vector<std::string> lines = PlainLines(content);

  switch (reader) {
    case 0:
      CheckMta(server, exists, lines, id, back, prior);
      break;
    case 1:
      CheckBracketed(server, true, exists, lines, id, a);
      break;
    case 2:
      CheckBracketed(server, false, exists, lines, id, a);
      break;
    case 3:
      CheckRequeueCopies(server, exists, lines, id, prior);
      break;
    case 4:
      CheckRequeueParent(server, exists, lines, id);
      break;
    case 5:
      CheckSelectedLines(server, true, exists, lines, id, a);
      break;
    case 6:
      CheckSelectedLines(server, false, exists, lines, id, a);
      break;
    default: {
      static constexpr const char* kCodes[] = {"SMTP", "smtp", "SF", "sf", "LS", "POP", "SMTP"};
      CheckOrigins(server, kCodes[reader - 7], exists, lines, back, a, b, id, prior != 0);
      break;
    }
  }
  return 0;
}
