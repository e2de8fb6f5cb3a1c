// The one-pass search for many message IDs against one search per ID: the matcher over a line
// source at small chunk and long-line sizes against the plain per-line rule, and the readers that
// collect the lines of every copy at once against the same reader called once per copy.
//
// Input: chunk-size byte, long-line byte, ID count byte, the IDs each ended by NUL, log contents.
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "readers/line_source.h"
#include "readers/multi_literal.h"
#include "readers/smtp_readers.h"
#include "settings/reg_file_store.h"

namespace {

using rq::fuzz::PlainContains;
using rq::fuzz::PlainLines;

constexpr rq::Date kDay{2024, 1, 5};

struct TinyServer {
  std::string dir = rq::fuzz::ScratchDir();
  rq::RegFileStore store = rq::RegFileStore::FromBytes(rq::fuzz::TinySettings(dir), "fuzz.reg");
  rq::Server server{store};
  std::string activity = dir + "/logs/SMTP/SMTP-Activity-240105.log";
  std::string debug = dir + "/logs/SMTP/SMTP-Debug-240105.log";
  TinyServer() { rq::fuzz::MakeDirs(dir + "/logs/SMTP"); }
};

struct Hit {
  std::string line;
  std::vector<std::size_t> matched;
  friend bool operator==(const Hit&, const Hit&) = default;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TinyServer server;
  if (size < 3) return 0;
  const std::size_t chunk = data[0] == 0xFF ? rq::LineSource::kChunkSize : 1 + data[0] % 48;
  const std::size_t longLine = data[1] == 0xFF ? rq::LineSource::kLongLine : 1 + data[1] % 64;
  const std::size_t count = 1 + data[2] % 12;
  const std::vector<std::string> parts = rq::fuzz::CutInput(data + 3, size - 3, count);
  const std::vector<std::string> ids(parts.begin(), parts.begin() + static_cast<long>(count));
  const std::string& content = parts.back();
  std::vector<std::string_view> views(ids.begin(), ids.end());

  const std::vector<std::string> lines = PlainLines(content);
  std::vector<Hit> want;
  for (const std::string& line : lines) {
    Hit hit{line, {}};
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (PlainContains(line, ids[i])) hit.matched.push_back(i);
    }
    if (!hit.matched.empty()) want.push_back(hit);
  }

  rq::fuzz::WriteWholeFile(server.debug, content);
  {
    rq::MultiLiteralMatcher matcher(views);
    rq::LineSource source(server.debug, chunk, longLine);
    RQ_FUZZ_CHECK(source.is_open());
    std::vector<Hit> got;
    rq::ForEachLineMatching(source, matcher,
                            [&](std::string_view line, const std::vector<std::size_t>& matched) {
                              got.push_back(Hit{std::string(line), matched});
                              return true;
                            });
    RQ_FUZZ_CHECK(got == want);
    for (const std::string& line : lines) {
      bool any = false;
      for (const std::string& id : ids) {
        any = any || (id.empty() ? true : line.find(id) != std::string::npos);
      }
      RQ_FUZZ_CHECK(matcher.ContainsAny(line.data(), line.data() + line.size()) == any);
    }
  }

  // The readers of the split copies: once for all IDs equals once per ID.
  rq::fuzz::WriteWholeFile(server.activity, content);
  for (const bool activity : {true, false}) {
    std::vector<std::string> each(ids.size(), std::string(data[2] & 0x80 ? "x" : ""));
    const std::vector<int> results =
        activity ? rq::GetSMTPTransactionDetailsForEach(server.server, kDay, views, each)
                 : rq::GetSMTPDebugDeliveryForEach(server.server, kDay, views, each);
    RQ_FUZZ_CHECK(results.size() == ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::string one(data[2] & 0x80 ? "x" : "");
      const int result = activity ? rq::GetSMTPTransactionDetails(server.server, kDay, ids[i], one)
                                  : rq::GetSMTPDebugDelivery(server.server, kDay, ids[i], one);
      RQ_FUZZ_CHECK(results[i] == result);
      RQ_FUZZ_CHECK(each[i] == one);
    }
  }
  return 0;
}
