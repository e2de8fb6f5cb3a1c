#include "sample_server.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "planted.h"
#include "planted_flow.h"
#include "settings_export.h"
#include "traffic.h"

namespace rq::sample {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLocal = "harbourview.example";
constexpr std::string_view kListDomain = "lists.harbourview.example";

// Background people and places; none of them appears in a planted message, so that searching
// for a planted sender or recipient finds only the planted message.
constexpr std::string_view kFirst[] = {"anna",  "ben",   "clara",  "david", "emma",   "felix",
                                       "greta", "henry", "iris",   "jack",  "karen",  "liam",
                                       "mona",  "noah",  "olga",   "peter", "rosa",   "simon",
                                       "tina",  "ulla",  "victor", "wendy", "xavier", "yara"};
constexpr std::string_view kLast[] = {"adams",  "baker",     "carter", "dixon", "evans",  "fisher",
                                      "grant",  "hughes",    "irwin",  "jones", "keller", "lowe",
                                      "mason",  "nash",      "owens",  "price", "reyes",  "stone",
                                      "turner", "underwood", "vance",  "walsh", "young",  "zimmer"};
constexpr std::string_view kExternal[] = {
    "example.com",        "example.net",         "example.org",       "acme-tools.example",
    "bellwether.example", "copperfield.example", "driftwood.example", "elmstreet.example",
    "foxglove.example",   "granite.example",     "hillcrest.example", "ironbridge.example",
    "kingsley.example",   "meadowbank.example",  "northgate.example", "riverside.example"};
constexpr std::string_view kRoles[] = {"info", "sales", "support", "noreply", "billing", "hr"};
constexpr std::string_view kLists[] = {"news", "all", "dev", "support", "events"};

constexpr int kDayStart = 60 * 1000;
constexpr int kDaySpan = 86'000'000;
constexpr int kLastStart = ((23 * 60 + 55) * 60) * 1000;
constexpr unsigned kModestDay = 150;  // background messages of a day without --size
// With --size, logs left out of --grow stay about as big as on a modest day.
constexpr std::uint64_t kSmallLog = std::uint64_t{128} << 10;

// Background message IDs: 12 hexadecimal digits counting up from a seeded start, as a server's
// counter would. An ID that holds the first eight digits of a planted ID anywhere is skipped.
class IdSource {
 public:
  IdSource(std::uint64_t start, const std::vector<std::string>& planted) : next_(start) {
    for (const std::string& p : planted)
      forbidden_.push_back(Value(std::string_view(p).substr(0, 8)));
    std::sort(forbidden_.begin(), forbidden_.end());
  }

  MessageId Next(Random& rng) {
    for (;;) {
      next_ = (next_ + rng.Between(1, 5)) & 0xFFFFFFFFFFFFULL;
      const MessageId id(next_, 12);
      if (Clean(id.view())) return id;
    }
  }

 private:
  static std::uint32_t Value(std::string_view hex) {
    std::uint32_t v = 0;
    for (char c : hex) v = v * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    return v;
  }

  bool Clean(std::string_view id) const {
    for (std::size_t at = 0; at + 8 <= id.size(); ++at) {
      if (std::binary_search(forbidden_.begin(), forbidden_.end(), Value(id.substr(at, 8)))) {
        return false;
      }
    }
    return true;
  }

  std::uint64_t next_;
  std::vector<std::uint32_t> forbidden_;
};

// Traffic of other messages around the planted ones. With size limits (one per log, in the
// order of Logs()), a log that has reached its limit is no longer fed, and only kinds of message
// that still feed some log are drawn. Without limits every log is fed.
class Background {
 public:
  using Limits = std::array<std::uint64_t, 6>;

  Background(DayLogs& logs, Traffic& tr, Random& rng, IdSource& ids, const Limits& limits)
      : logs_(logs), tr_(tr), rng_(rng), ids_(ids), limits_(limits) {
    for (std::uint64_t l : limits_) limited_ = limited_ || l != 0;
  }

  bool AllFull() const {
    if (!limited_) return false;
    const auto logs = Logs();
    for (std::size_t i = 0; i < logs.size(); ++i) {
      if (logs[i]->size() < limits_[i]) return false;
    }
    return true;
  }

  // How far the day has come, 0 to 1: the share of the size limits written so far.
  double Progress() const {
    std::uint64_t done = 0, total = 0;
    const auto logs = Logs();
    for (std::size_t i = 0; i < logs.size(); ++i) {
      done += std::min(logs[i]->size(), limits_[i]);
      total += limits_[i];
    }
    return total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  }

  void Message() {
    enum Kind { kToMailbox, kFromPostoffice, kMixed, kToList, kRejected };
    struct Weighted {
      Kind kind;
      unsigned weight;
      bool open;
    };
    const bool act = Open(logs_.smtpActivity), dbg = Open(logs_.smtpDebug), mta = Open(logs_.mta),
               pocAct = Open(logs_.pocActivity), pocDbg = Open(logs_.pocDebug),
               ls = Open(logs_.lsDebug);
    const std::array<Weighted, 5> kinds{
        {{kToMailbox, 40, act || dbg || mta || pocDbg},
         {kFromPostoffice, 30, pocAct || pocDbg || mta || dbg || act},
         {kMixed, 8, act || dbg || mta || pocDbg},
         {kToList, 12, act || dbg || mta || ls},
         {kRejected, 10, act || dbg}}};
    unsigned total = 0;
    for (const Weighted& k : kinds) total += k.open ? k.weight : 0;
    if (total == 0) return;
    unsigned pick = rng_.Below(total);
    for (const Weighted& k : kinds) {
      if (!k.open) continue;
      if (pick >= k.weight) {
        pick -= k.weight;
        continue;
      }
      switch (k.kind) {
        case kToMailbox:
          ToMailbox();
          break;
        case kFromPostoffice:
          FromPostoffice();
          break;
        case kMixed:
          Mixed();
          break;
        case kToList:
          ToList();
          break;
        case kRejected:
          Rejected();
          break;
      }
      return;
    }
  }

  void Noise() {
    tr_.Mta(Use(logs_.mta), "RQ-MTA-SCAN: inbound queues scanned, ", Dec{rng_.Below(4)},
            " message(s) waiting");
    tr_.SmtpDebug(Use(logs_.smtpDebug), tr_.Thread(), "RQ-I0090: outbound queue scan, ",
                  Dec{rng_.Below(6)}, " message(s) due");
    tr_.Debug(Use(logs_.pocDebug), "RQ-P0100: store check of postoffice [HARBOUR] finished, ",
              Dec{rng_.Between(380, 420)}, " mailboxes");
    tr_.Debug(Use(logs_.lsDebug), "RQ-L0010: list definitions reloaded, ", Dec{std::size(kLists)},
              " lists");
  }

 private:
  std::array<const LogFile*, 6> Logs() const {
    return {&logs_.mta,         &logs_.smtpActivity, &logs_.smtpDebug,
            &logs_.pocActivity, &logs_.pocDebug,     &logs_.lsDebug};
  }
  bool Open(const LogFile& f) const {
    if (!limited_) return true;
    const auto logs = Logs();
    for (std::size_t i = 0; i < logs.size(); ++i) {
      if (logs[i] == &f) return f.size() < limits_[i];
    }
    return false;
  }
  LogFile* Use(LogFile& f) const { return Open(f) ? &f : nullptr; }
  Targets Use() const {
    return {Use(logs_.mta),         Use(logs_.smtpActivity), Use(logs_.smtpDebug),
            Use(logs_.pocActivity), Use(logs_.pocDebug),     Use(logs_.lsDebug)};
  }

  Mailbox Person(std::string_view domain) { return {rng_.Pick(kFirst), rng_.Pick(kLast), domain}; }
  Mailbox ExternalSender() {
    const std::string_view domain = rng_.Pick(kExternal);
    if (rng_.Percent(30)) return {rng_.Pick(kRoles), "", domain};
    return Person(domain);
  }
  Ip ExternalPeer() {
    static constexpr std::array<std::array<std::uint8_t, 3>, 3> kNets{
        {{198, 51, 100}, {203, 0, 113}, {192, 0, 2}}};
    const auto& n = kNets[rng_.Below(3)];
    return {n[0], n[1], n[2], static_cast<std::uint8_t>(rng_.Between(1, 254))};
  }
  Ip InternalPeer() {
    return {10, 0, static_cast<std::uint8_t>(rng_.Between(1, 9)),
            static_cast<std::uint8_t>(rng_.Between(10, 250))};
  }
  unsigned Bytes() { return rng_.Between(900, 250000); }

  void ToMailbox() {
    const Targets t = Use();
    const MessageId in = ids_.Next(rng_), q = ids_.Next(rng_);
    const Mailbox sender = ExternalSender();
    std::array<Mailbox, 3> rcpts;
    const unsigned n = rng_.Between(1, 3);
    for (unsigned i = 0; i < n; ++i) rcpts[i] = Person(kLocal);
    const std::span<const Mailbox> to(rcpts.data(), n);
    tr_.Receive(t.act, t.dbg, in, tr_.NextSession(), ExternalPeer(), sender.domain, sender, to,
                Bytes(), true);
    tr_.Step(500, 15000);
    const Hop hop{"SF", q, n};
    tr_.Route(t.mta, in, "SMTP", std::span(&hop, 1));
    tr_.Step(200, 4000);
    tr_.DeliverToMailboxes(t.pocDbg, q, to);
  }

  // Recipients in up to three external domains, one copy per domain.
  unsigned Copies(std::array<Mailbox, 6>& rcpts, std::array<MessageId, 3>& ids,
                  std::array<Copy, 3>& copies, unsigned& nrcpts) {
    const unsigned domains = rng_.Between(1, 3);
    const unsigned first = rng_.Below(static_cast<std::uint32_t>(std::size(kExternal)));
    nrcpts = 0;
    for (unsigned d = 0; d < domains; ++d) {
      const std::string_view domain = kExternal[(first + d * 5) % std::size(kExternal)];
      const unsigned start = nrcpts;
      const unsigned n = rng_.Between(1, 2);
      for (unsigned i = 0; i < n; ++i) rcpts[nrcpts++] = Person(domain);
      ids[d] = ids_.Next(rng_);
      copies[d] = {ids[d].view(), domain, std::span<const Mailbox>(rcpts.data() + start, n),
                   ExternalPeer(), !rng_.Percent(3)};
    }
    return domains;
  }

  void FromPostoffice() {
    const Targets t = Use();
    const MessageId in = ids_.Next(rng_), q = ids_.Next(rng_);
    const Mailbox sender = Person(kLocal);
    std::array<Mailbox, 6> rcpts;
    std::array<MessageId, 3> ids;
    std::array<Copy, 3> copies;
    unsigned n = 0;
    const unsigned domains = Copies(rcpts, ids, copies, n);
    const Ip client = InternalPeer();
    const unsigned bytes = Bytes();
    tr_.Receive(t.pocAct, nullptr, in, tr_.NextSession(), client, "ws.harbourview.example", sender,
                std::span<const Mailbox>(rcpts.data(), n), bytes, true);
    tr_.Debug(t.pocDbg, "RQ-P0305: [", in, "] submitted by [", MailboxName{sender}, "] from ",
              client, ", ", Dec{n}, " recipient(s)");
    tr_.Step(500, 15000);
    const Hop hop{"SMTP", q, n};
    tr_.Route(t.mta, in, "SF", std::span(&hop, 1));
    tr_.Step(200, 4000);
    tr_.SendOut(t, q, sender, std::span<const Copy>(copies.data(), domains), bytes);
  }

  void Mixed() {
    const Targets t = Use();
    const MessageId in = ids_.Next(rng_), q = ids_.Next(rng_), po = ids_.Next(rng_);
    const Mailbox sender = Person(kLocal);
    std::array<Mailbox, 6> rcpts;
    std::array<MessageId, 3> ids;
    std::array<Copy, 3> copies;
    unsigned n = 0;
    const unsigned domains = Copies(rcpts, ids, copies, n);
    const Mailbox colleague = Person(kLocal);
    std::array<Mailbox, 7> all;
    std::copy(rcpts.begin(), rcpts.begin() + n, all.begin());
    all[n] = colleague;
    const unsigned bytes = Bytes();
    tr_.Receive(t.act, t.dbg, in, tr_.NextSession(), InternalPeer(), "ws.harbourview.example",
                sender, std::span<const Mailbox>(all.data(), n + 1), bytes, true);
    tr_.Step(500, 15000);
    const std::array<Hop, 2> hops{{{"SMTP", q, n}, {"SF", po, 1}}};
    tr_.Route(t.mta, in, "SMTP", hops);
    tr_.Step(200, 4000);
    tr_.SendOut(t, q, sender, std::span<const Copy>(copies.data(), domains), bytes);
    tr_.DeliverToMailboxes(t.pocDbg, po, std::span<const Mailbox>(&all[n], 1));
  }

  void ToList() {
    const Targets t = Use();
    const MessageId in = ids_.Next(rng_), q = ids_.Next(rng_);
    const Mailbox sender = ExternalSender();
    const std::string_view list = rng_.Pick(kLists);
    const std::array<Mailbox, 1> to{{{list, "", kListDomain}}};
    tr_.Receive(t.act, t.dbg, in, tr_.NextSession(), ExternalPeer(), sender.domain, sender, to,
                Bytes(), true);
    tr_.Step(500, 15000);
    const Hop hop{"LS", q, 1};
    tr_.Route(t.mta, in, "SMTP", std::span(&hop, 1));
    tr_.Step(200, 4000);
    const unsigned members = rng_.Between(5, 30);
    tr_.Debug(t.ls, "RQ-L0120: [", q, "] expanded list [", list, "] to ", Dec{members}, " members");
    for (unsigned i = 1; i <= members; ++i) {
      tr_.Step(2, 30);
      const Mailbox m = Person(kLocal);
      tr_.Debug(t.ls, "RQ-L0131: [", q, "] member ", Dec{i}, " of ", Dec{members}, ": ", m);
    }
  }

  void Rejected() {
    const Targets t = Use();
    const unsigned session = tr_.NextSession();
    const Ip peer = ExternalPeer();
    const Mailbox sender = ExternalSender();
    const Mailbox rcpt = Person(rng_.Pick(kExternal));
    tr_.Activity(t.act, "SMTP-IN", "", session, peer, "CONNECT", "220");
    tr_.Step(20, 300);
    tr_.Activity(t.act, "SMTP-IN", "", session, peer, "EHLO", "250", sender.domain);
    tr_.Step(20, 300);
    tr_.Activity(t.act, "SMTP-IN", "", session, peer, "MAIL", "250", "FROM:<", sender, ">");
    tr_.Step(20, 300);
    tr_.Activity(t.act, "SMTP-IN", "", session, peer, "RCPT", "550", "TO:<", rcpt, ">");
    tr_.SmtpDebug(t.dbg, tr_.Thread(), "RQ-I0044: session ", Dec{session}, " recipient <", rcpt,
                  "> rejected: relaying denied");
    tr_.Step(20, 300);
    tr_.Activity(t.act, "SMTP-IN", "", session, peer, "QUIT", "221", "");
  }

  DayLogs& logs_;
  Traffic& tr_;
  Random& rng_;
  IdSource& ids_;
  Limits limits_;
  bool limited_ = false;
};

void Headers(DayLogs& logs, Traffic& tr, const Date& day) {
  tr.ms = 0;
  for (LogFile* f : {&logs.smtpActivity, &logs.pocActivity}) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.year, day.month, day.day);
    WriteLine(*f, "#Date: ", std::string_view(date));
    WriteLine(*f, "#Fields: time\tdirection\tmessage-id\tsession\tpeer\tcommand\targument\treply");
  }
  tr.Mta(&logs.mta, "RQ-MTA-START: routing agent debug log opened, ", Dec{4}, " worker threads");
  tr.SmtpDebug(&logs.smtpDebug, 1, "RQ-I0001: SMTP connector debug log opened, level 3");
  tr.Debug(&logs.pocDebug, "RQ-P0001: postoffice connector debug log opened, postoffice [HARBOUR]");
  tr.Debug(&logs.lsDebug, "RQ-L0001: list server debug log opened");
}

bool OpenDay(DayLogs& logs, const fs::path& dir, const Date& day, std::string& error) {
  const std::string d = LogDateOf(day);
  return logs.mta.Open(Layout::MtaDebug(dir) / ("MTA-Debug-" + d + ".log"), error) &&
         logs.smtpActivity.Open(Layout::SmtpActivity(dir) / ("SMTP-Activity-" + d + ".log"),
                                error) &&
         logs.smtpDebug.Open(Layout::SmtpDebug(dir) / ("SMTP-Debug-" + d + ".log"), error) &&
         logs.pocActivity.Open(Layout::PocActivity(dir) / ("POC-Activity-" + d + ".log"), error) &&
         logs.pocDebug.Open(Layout::PocDebug(dir) / ("POC-Debug-" + d + ".log"), error) &&
         logs.lsDebug.Open(Layout::LsDebug(dir) / ("LS-Debug-" + d + ".log"), error);
}

bool CloseDay(DayLogs& logs, std::string& error) {
  bool ok = true;
  for (LogFile* f : {&logs.mta, &logs.smtpActivity, &logs.smtpDebug, &logs.pocActivity,
                     &logs.pocDebug, &logs.lsDebug}) {
    std::string e;
    if (!f->Close(e) && ok) {
      error = e;
      ok = false;
    }
  }
  return ok;
}

bool WriteDay(const SampleOptions& o, int daysAgo, const std::vector<std::string>& planted,
              std::string& error) {
  const Date day = AddDays(o.today, -daysAgo);
  DayLogs logs;
  if (!OpenDay(logs, o.dir, day, error)) return false;

  // Each day has its own stream, so a day's bytes do not depend on how many days precede it.
  Random rng(o.seed * 0x9E3779B97F4A7C15ULL + static_cast<std::uint64_t>(daysAgo) + 1);
  Random plantedRng(0x5A3D1E00ULL + static_cast<std::uint64_t>(daysAgo));
  Traffic tr(day, rng);
  Traffic plantedTraffic(day, plantedRng);
  IdSource ids((rng.Next() & 0x0FFFFFFFFFFFULL) | 0x100000000000ULL, planted);
  Background::Limits limits{};
  if (o.size != 0) {
    for (std::size_t i = 0; i < limits.size(); ++i) {
      limits[i] = (o.grow & (1u << i)) != 0 ? o.size : std::min(o.size, kSmallLog);
    }
  }
  Background background(logs, tr, rng, ids, limits);

  std::vector<PlantedEvent> events = PlantedEvents(day, daysAgo, o.split, o.dir);
  std::sort(events.begin(), events.end(),
            [](const PlantedEvent& a, const PlantedEvent& b) { return a.ms < b.ms; });
  // The flow report's planted traffic draws from a stream of its own, so that adding it left
  // every other planted message's bytes as they were.
  Random flowRng(0x6F10E000ULL + static_cast<std::uint64_t>(daysAgo));
  Traffic flowTraffic(day, flowRng);
  const std::vector<PlantedEvent> flowEvents = FlowEvents(daysAgo);
  std::size_t nextEvent = 0;
  std::size_t nextFlowEvent = 0;
  auto plantUpTo = [&](int ms) {
    for (; nextEvent < events.size() && events[nextEvent].ms <= ms; ++nextEvent) {
      if (!events[nextEvent].write(plantedTraffic, logs, error)) return false;
    }
    for (; nextFlowEvent < flowEvents.size() && flowEvents[nextFlowEvent].ms <= ms;
         ++nextFlowEvent) {
      if (!flowEvents[nextFlowEvent].write(flowTraffic, logs, error)) return false;
    }
    return true;
  };

  Headers(logs, tr, day);
  for (unsigned i = 0;; ++i) {
    int ms = 0;
    if (o.size == 0) {
      if (i >= kModestDay) break;
      ms = kDayStart + static_cast<int>(static_cast<long long>(kDaySpan) * i / kModestDay) +
           static_cast<int>(rng.Below(60000));
    } else {
      if (background.AllFull()) break;
      ms = kDayStart + static_cast<int>(background.Progress() * kDaySpan);
    }
    ms = std::min(ms, kLastStart);
    if (!plantUpTo(ms)) return false;
    tr.ms = ms;
    background.Message();
    if (i % 16 == 0) background.Noise();
  }
  if (!plantUpTo(24 * 3600 * 1000)) return false;
  return CloseDay(logs, error);
}

bool MakeDirectories(const fs::path& dir, std::string& error) {
  for (const fs::path& p :
       {Layout::SmtpActivity(dir), Layout::SmtpDebug(dir), Layout::MtaDebug(dir),
        Layout::PocActivity(dir), Layout::PocDebug(dir), Layout::LsDebug(dir),
        Layout::SmtpInbound(dir), dir / "Connectors" / "SMTP" / "Outbound",
        dir / "Connectors" / "SF" / "Inbound", dir / "Logs" / "W3C"}) {
    std::error_code ec;
    fs::create_directories(p, ec);
    if (ec) {
      error = "cannot create " + p.string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace

fs::path Layout::SmtpActivity(const fs::path& dir) {
  return dir / "Logs" / "Activity" / "SMTP";
}
fs::path Layout::SmtpDebug(const fs::path& dir) {
  return dir / "Logs" / "Debug" / "SMTP";
}
fs::path Layout::MtaDebug(const fs::path& dir) {
  return dir / "Logs" / "Debug" / "MTA";
}
fs::path Layout::PocActivity(const fs::path& dir) {
  return dir / "Logs" / "Activity" / "SF";
}
fs::path Layout::PocDebug(const fs::path& dir) {
  return dir / "Logs" / "Debug" / "SF";
}
fs::path Layout::LsDebug(const fs::path& dir) {
  return dir / "Connectors" / "LS" / "Logs";
}
fs::path Layout::SmtpInbound(const fs::path& dir) {
  return dir / "Connectors" / "SMTP" / "Inbound";
}

bool WriteSample(const SampleOptions& options, std::vector<Pointer>& pointers, std::string& error) {
  if (!MakeDirectories(options.dir, error)) return false;
  {
    const fs::path settings = options.dir / "settings.reg";
    std::ofstream out(settings, std::ios::binary | std::ios::trunc);
    const std::string bytes = SettingsExport();
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      error = "cannot write " + settings.string();
      return false;
    }
  }
  std::vector<std::string> planted = PlantedIds(options.split);
  for (std::string& id : FlowIds()) planted.push_back(std::move(id));
  for (int daysAgo = options.days - 1; daysAgo >= 0; --daysAgo) {
    if (!WriteDay(options, daysAgo, planted, error)) return false;
  }
  pointers = PlantedPointers(options.today, options.days >= 2, options.split);
  return true;
}

}  // namespace rq::sample
