#include "planted.h"

#include <array>
#include <cstdio>
#include <fstream>

namespace rq::sample {
namespace {

constexpr std::string_view kLocal = "harbourview.example";
constexpr std::string_view kLists = "lists.harbourview.example";

constexpr int At(int h, int m, int s) {
  return ((h * 60 + m) * 60 + s) * 1000;
}

// Planted message IDs. Some are chosen so that one is the start of another (E8B40A3E and
// E8B40A3E7): readers that look for a bare ID see both.
namespace id {
constexpr std::string_view kSplitIn = "4F2A0C11", kSplitQ = "4F2A0C2E", kSplitA = "4F2A0C3A",
                           kSplitB = "4F2A0C3B", kSplitC = "4F2A0C3C";
constexpr std::string_view kSfFoundIn = "6B81D204", kSfFoundQ = "6B81D219";
constexpr std::string_view kSfMissingIn = "6B81D3A0", kSfMissingQ = "6B81D3B5";
constexpr std::string_view kPoSentIn = "71C0E410", kPoSentQ = "71C0E42B", kPoSentCopy = "71C0E44D";
constexpr std::string_view kPoSystemIn = "71C0E5F0", kPoSystemQ = "71C0E607",
                           kPoSystemCopy = "71C0E622";
constexpr std::string_view kLsFoundIn = "83D5A901", kLsFoundQ = "83D5A91C";
constexpr std::string_view kLsMissingIn = "83D5AA40", kLsMissingQ = "83D5AA57";
constexpr std::string_view kSmtpSfIn = "92E6B110", kSmtpSfQ = "92E6B12A", kSmtpSfPo = "92E6B12B",
                           kSmtpSfA = "92E6B14C", kSmtpSfB = "92E6B14D";
constexpr std::string_view kSmtpLsIn = "92E6B300", kSmtpLsQ = "92E6B31A", kSmtpLsList = "92E6B31B",
                           kSmtpLsCopy = "92E6B33C";
constexpr std::string_view kPopIn = "A4F70120", kPopQ = "A4F7013B", kPopCopy = "A4F7015D";
constexpr std::string_view kOtherIn = "A4F70270", kOtherQ = "A4F7028B";
constexpr std::string_view kWaiting = "B5081C44";
constexpr std::string_view kBroken = "B5081D07";
constexpr std::string_view kOrphan = "C6192E5A";
constexpr std::string_view kYesterdayIn = "D7A3F010", kYesterdayQ = "D7A3F02B",
                           kYesterdayA = "D7A3F04D", kYesterdayB = "D7A3F04E";
constexpr std::string_view kPrefixIn = "E8B40A10", kPrefixQ = "E8B40A2C", kPrefixA = "E8B40A3E",
                           kPrefixB = "E8B40A3E7";
constexpr std::string_view kMidnightIn = "F3C5D010", kMidnightQ = "F3C5D02B";
constexpr std::string_view kLateIn = "5E0D7710", kLateQ = "5E0D772B", kLatePo = "5E0D772C",
                           kLateCopy = "5E0D774C";
constexpr std::string_view kBenchIn = "9C4E1B7702", kBenchQ = "9C4E1B7703";
}  // namespace id

constexpr Ip kInternal{10, 0, 4, 17};

// The routing agent writes the pickup, each route and the removal 12 ms apart, so that the
// route lines of planted messages have times that can be relied on.
void RouteAt(Traffic& tr, LogFile& mta, int ms, std::string_view msgId, std::string_view source,
             std::span<const Hop> hops) {
  tr.ms = ms;
  tr.Mta(&mta, "RQ-MTA-PICKUP: [", msgId, "] picked up from [", source, "] inbound queue");
  for (const Hop& hop : hops) {
    tr.ms += 12;
    tr.Mta(&mta, "RQ-MTA-ROUTE: [", msgId, "] from [", source, "] inbound queue to [", hop.code,
           "] queue as [", hop.id, "] recipients ", Dec{hop.recipients});
  }
  tr.ms += 12;
  tr.Mta(&mta, "RQ-MTA-DONE: [", msgId, "] removed from [", source, "] inbound queue after ",
         Dec{hops.size()}, " route(s)");
}

bool Ok(std::string&) {
  return true;
}

// Forward trace into SMTP: three domain copies, the last one deferred (no SMTP conversation).
bool Split(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"ines", "moreau", kLocal};
  const std::array<Mailbox, 4> rcpts{{{"tom", "weller", "bluefin.example"},
                                      {"kim", "sato", "bluefin.example"},
                                      {"ana", "ruiz", "oakridge.example"},
                                      {"lee", "park", "quarry.example"}}};
  tr.ms = At(9, 12, 5);
  tr.Receive(t.act, t.dbg, id::kSplitIn, tr.NextSession(), kInternal, "ws-ines.harbourview.example",
             sender, rcpts, 48213, true);
  const std::array<Hop, 1> hops{{{"SMTP", id::kSplitQ, 4}}};
  RouteAt(tr, logs.mta, At(9, 12, 40), id::kSplitIn, "SMTP", hops);
  const std::array<Copy, 3> copies{
      {{id::kSplitA, "bluefin.example", std::span(rcpts).subspan(0, 2), {203, 0, 113, 25}, true},
       {id::kSplitB, "oakridge.example", std::span(rcpts).subspan(2, 1), {198, 51, 100, 41}, true},
       {id::kSplitC, "quarry.example", std::span(rcpts).subspan(3, 1), {192, 0, 2, 77}, false}}};
  tr.ms = At(9, 13, 10);
  tr.SendOut(t, id::kSplitQ, sender, copies, 48213);
  return Ok(e);
}

// An external message for a local mailbox, delivered (the postoffice logs it) or not.
bool ToPostoffice(Traffic& tr, DayLogs& logs, int start, std::string_view in, std::string_view q,
                  const Mailbox& sender, const Mailbox& rcpt, const Ip& peer, bool delivered) {
  const Targets t = Targets::All(logs);
  const std::array<Mailbox, 1> rcpts{rcpt};
  tr.ms = start;
  tr.Receive(t.act, t.dbg, in, tr.NextSession(), peer, sender.domain, sender, rcpts, 9120, true);
  const std::array<Hop, 1> hops{{{"SF", q, 1}}};
  RouteAt(tr, logs.mta, start + 19000, in, "SMTP", hops);
  if (delivered) {
    tr.ms = start + 25000;
    tr.DeliverToMailboxes(t.pocDbg, q, rcpts);
  }
  return true;
}

// Sent by a postoffice user (or made by the postoffice itself) and split by the SMTP connector:
// a backward trace from the copy ends at the postoffice's inbound queue.
bool FromPostoffice(Traffic& tr, DayLogs& logs, int start, std::string_view in, std::string_view q,
                    std::string_view copyId, const Mailbox& sender, const Mailbox& rcpt,
                    const Ip& mx, bool userSubmitted) {
  const Targets t = Targets::All(logs);
  const std::array<Mailbox, 1> rcpts{rcpt};
  tr.ms = start;
  if (userSubmitted) {
    const Ip client{10, 0, 4, 31};
    tr.Receive(t.pocAct, nullptr, in, tr.NextSession(), client, "ws-ruth.harbourview.example",
               sender, rcpts, 15877, true);
    tr.Debug(t.pocDbg, "RQ-P0305: [", in, "] submitted by [", MailboxName{sender}, "] from ",
             client, ", 1 recipient(s)");
  }
  const std::array<Hop, 1> hops{{{"SMTP", q, 1}}};
  RouteAt(tr, logs.mta, start + 30000, in, "SF", hops);
  const std::array<Copy, 1> copies{{{copyId, rcpt.domain, rcpts, mx, true}}};
  tr.ms = start + 60000;
  tr.SendOut(t, q, sender, copies, 15877);
  return true;
}

// An external message for a mailing list, expanded by the list server (logged) or not.
bool ToList(Traffic& tr, DayLogs& logs, int start, std::string_view in, std::string_view q,
            const Mailbox& sender, std::string_view list, bool expanded) {
  const Targets t = Targets::All(logs);
  const std::array<Mailbox, 1> rcpts{{{list, "", kLists}}};
  tr.ms = start;
  tr.Receive(t.act, t.dbg, in, tr.NextSession(), {198, 51, 100, 9}, sender.domain, sender, rcpts,
             6020, true);
  const std::array<Hop, 1> hops{{{"LS", q, 1}}};
  RouteAt(tr, logs.mta, start + 30000, in, "SMTP", hops);
  if (expanded) {
    tr.ms = start + 45000;
    tr.Debug(t.ls, "RQ-L0120: [", q, "] expanded list [", list, "] to 3 members");
    const std::array<std::string_view, 3> members{"rosa.evans", "simon.keller", "tina.walsh"};
    unsigned n = 0;
    for (std::string_view m : members) {
      tr.Step(5, 40);
      tr.Debug(t.ls, "RQ-L0131: [", q, "] member ", Dec{++n}, " of 3: ", m, '@', kLocal);
    }
  }
  return true;
}

// Routed to the SMTP connector and to a second queue (postoffice or list server).
bool TwoQueues(Traffic& tr, DayLogs& logs, bool withPostoffice, std::string& e) {
  const Targets t = Targets::All(logs);
  if (withPostoffice) {
    const Mailbox sender{"vera", "holm", kLocal};
    const std::array<Mailbox, 3> rcpts{{{"piet", "claes", "pinecrest.example"},
                                        {"sam", "ode", "marlow.example"},
                                        {"nils", "dahl", kLocal}}};
    tr.ms = At(10, 20, 0);
    tr.Receive(t.act, t.dbg, id::kSmtpSfIn, tr.NextSession(), {10, 0, 4, 52},
               "ws-vera.harbourview.example", sender, rcpts, 22004, true);
    const std::array<Hop, 2> hops{{{"SMTP", id::kSmtpSfQ, 2}, {"SF", id::kSmtpSfPo, 1}}};
    RouteAt(tr, logs.mta, At(10, 20, 30), id::kSmtpSfIn, "SMTP", hops);
    const std::array<Copy, 2> copies{
        {{id::kSmtpSfA, "pinecrest.example", std::span(rcpts).subspan(0, 1), {203, 0, 113, 60}},
         {id::kSmtpSfB, "marlow.example", std::span(rcpts).subspan(1, 1), {198, 51, 100, 88}}}};
    tr.ms = At(10, 21, 0);
    tr.SendOut(t, id::kSmtpSfQ, sender, copies, 22004);
    tr.ms = At(10, 21, 40);
    tr.DeliverToMailboxes(t.pocDbg, id::kSmtpSfPo, std::span(rcpts).subspan(2, 1));
    return Ok(e);
  }
  const Mailbox sender{"ada", "kern", kLocal};
  const std::array<Mailbox, 2> rcpts{{{"rui", "melo", "tidewater.example"}, {"team", "", kLists}}};
  tr.ms = At(10, 30, 0);
  tr.Receive(t.act, t.dbg, id::kSmtpLsIn, tr.NextSession(), {10, 0, 4, 66},
             "ws-ada.harbourview.example", sender, rcpts, 3310, true);
  const std::array<Hop, 2> hops{{{"SMTP", id::kSmtpLsQ, 1}, {"LS", id::kSmtpLsList, 1}}};
  RouteAt(tr, logs.mta, At(10, 30, 30), id::kSmtpLsIn, "SMTP", hops);
  const std::array<Copy, 1> copies{
      {{id::kSmtpLsCopy, "tidewater.example", std::span(rcpts).subspan(0, 1), {192, 0, 2, 140}}}};
  tr.ms = At(10, 31, 0);
  tr.SendOut(t, id::kSmtpLsQ, sender, copies, 3310);
  return Ok(e);
}

// Mail fetched by the POP retrieval connector and forwarded out.
bool FromPop(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"alerts", "", "stonechat.example"};
  const std::array<Mailbox, 1> rcpts{{{"ivo", "brandt", "larkspur.example"}}};
  const std::array<Hop, 1> hops{{{"SMTP", id::kPopQ, 1}}};
  RouteAt(tr, logs.mta, At(10, 40, 30), id::kPopIn, "POP", hops);
  const std::array<Copy, 1> copies{{{id::kPopCopy, "larkspur.example", rcpts, {203, 0, 113, 201}}}};
  tr.ms = At(10, 41, 0);
  tr.SendOut(t, id::kPopQ, sender, copies, 7741);
  return Ok(e);
}

// Routed to a connector this program has no name for.
bool ToOtherConnector(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"eva", "roth", kLocal};
  const std::array<Mailbox, 1> rcpts{{{"fax", "4930552", kLocal}}};
  tr.ms = At(10, 50, 0);
  tr.Receive(t.act, t.dbg, id::kOtherIn, tr.NextSession(), {10, 0, 4, 90},
             "ws-eva.harbourview.example", sender, rcpts, 120455, true);
  const std::array<Hop, 1> hops{{{"FAX", id::kOtherQ, 1}}};
  RouteAt(tr, logs.mta, At(10, 50, 30), id::kOtherIn, "SMTP", hops);
  return Ok(e);
}

// Received completely just before the logs were copied: its file still waits in the inbound
// queue and the routing agent has not logged it yet.
bool Waiting(Traffic& tr, DayLogs& logs, const std::filesystem::path& inbound, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"billing", "", "kittiwake.example"};
  const std::array<Mailbox, 1> rcpts{{{"joel", "varga", kLocal}}};
  tr.ms = At(23, 58, 30);
  tr.Receive(t.act, t.dbg, id::kWaiting, tr.NextSession(), {198, 51, 100, 203},
             "smtp.kittiwake.example", sender, rcpts, 2630, true);
  const std::filesystem::path file = inbound / std::string(id::kWaiting);
  std::ofstream out(file, std::ios::binary);
  out << "Received: from smtp.kittiwake.example ([198.51.100.203])\r\n"
         "\tby mail.harbourview.example with ESMTP\r\n"
         "From: Billing <billing@kittiwake.example>\r\n"
         "To: Joel Varga <joel.varga@harbourview.example>\r\n"
         "Subject: Your invoice\r\n"
         "Message-Id: <inv-20261205-7781@kittiwake.example>\r\n"
         "\r\n"
         "Please find your invoice attached.\r\n";
  out.close();
  if (!out) {
    e = "cannot write " + file.string();
    return false;
  }
  return true;
}

// The client vanished during DATA: the connector logged the session but kept no message.
bool Broken(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"offers", "", "shrike.example"};
  const std::array<Mailbox, 1> rcpts{{{"lina", "petrov", kLocal}}};
  tr.ms = At(11, 5, 0);
  tr.Receive(t.act, t.dbg, id::kBroken, tr.NextSession(), {192, 0, 2, 213}, "mta7.shrike.example",
             sender, rcpts, 88100, false);
  return Ok(e);
}

// A copy sent out whose requeue line lies in a log that was not kept: no parent to be found.
bool Orphan(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const std::array<Mailbox, 1> rcpts{{{"ops", "", "juniper.example"}}};
  tr.ms = At(11, 15, 0);
  tr.Deliver(t, {id::kOrphan, "juniper.example", rcpts, {203, 0, 113, 99}},
             {"paul", "brix", kLocal}, 4410);
  return Ok(e);
}

// Copy IDs where one is the start of the other.
bool PrefixCopies(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"tara", "noble", kLocal};
  const std::array<Mailbox, 2> rcpts{
      {{"finn", "oak", "alder.example"}, {"gus", "reed", "birch.example"}}};
  tr.ms = At(11, 30, 0);
  tr.Receive(t.act, t.dbg, id::kPrefixIn, tr.NextSession(), {10, 0, 4, 77},
             "ws-tara.harbourview.example", sender, rcpts, 5120, true);
  const std::array<Hop, 1> hops{{{"SMTP", id::kPrefixQ, 2}}};
  RouteAt(tr, logs.mta, At(11, 30, 30), id::kPrefixIn, "SMTP", hops);
  const std::array<Copy, 2> copies{
      {{id::kPrefixA, "alder.example", std::span(rcpts).subspan(0, 1), {198, 51, 100, 150}},
       {id::kPrefixB, "birch.example", std::span(rcpts).subspan(1, 1), {198, 51, 100, 151}}}};
  tr.ms = At(11, 31, 0);
  tr.SendOut(t, id::kPrefixQ, sender, copies, 5120);
  return Ok(e);
}

const Mailbox kYesterdaySender{"hugo", "lamb", kLocal};
const std::array<Mailbox, 2> kYesterdayRcpts{
    {{"eli", "marsh", "sable.example"}, {"zoe", "quinn", "osprey.example"}}};

// Split late yesterday; the second copy was deferred and goes out after midnight, so today's
// logs name that copy but hold no requeue line.
bool Yesterday(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  tr.ms = At(23, 41, 0);
  tr.Receive(t.act, t.dbg, id::kYesterdayIn, tr.NextSession(), {10, 0, 4, 23},
             "ws-hugo.harbourview.example", kYesterdaySender, kYesterdayRcpts, 30517, true);
  const std::array<Hop, 1> hops{{{"SMTP", id::kYesterdayQ, 2}}};
  RouteAt(tr, logs.mta, At(23, 41, 30), id::kYesterdayIn, "SMTP", hops);
  const std::array<Copy, 2> copies{{{id::kYesterdayA,
                                     "sable.example",
                                     std::span(kYesterdayRcpts).subspan(0, 1),
                                     {203, 0, 113, 7}},
                                    {id::kYesterdayB,
                                     "osprey.example",
                                     std::span(kYesterdayRcpts).subspan(1, 1),
                                     {192, 0, 2, 9},
                                     false}}};
  tr.ms = At(23, 42, 0);
  tr.SendOut(t, id::kYesterdayQ, kYesterdaySender, copies, 30517);
  return Ok(e);
}

bool YesterdayRetry(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  tr.ms = At(0, 12, 0);
  tr.Deliver(
      t,
      {id::kYesterdayB, "osprey.example", std::span(kYesterdayRcpts).subspan(1, 1), {192, 0, 2, 9}},
      kYesterdaySender, 30517);
  return Ok(e);
}

const Mailbox kMidnightRcpt{"ada", "frost", kLocal};

// Received a few seconds before midnight; the routing agent picks it up after midnight, so the
// day's logs hold its conversation and the next day's its routing and delivery. The last planted
// event of its day.
bool MidnightReceived(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const std::array<Mailbox, 1> rcpts{kMidnightRcpt};
  tr.ms = At(23, 59, 40);
  tr.Receive(t.act, t.dbg, id::kMidnightIn, tr.NextSession(), {198, 51, 100, 17},
             "relay.tern.example", {"alerts", "", "tern.example"}, rcpts, 6400, true);
  return Ok(e);
}

// Its routing and delivery, with times set here rather than drawn, so that the day's other
// planted messages keep their bytes.
bool MidnightRouted(Traffic& tr, DayLogs& logs, std::string& e) {
  const std::array<Hop, 1> hops{{{"SF", id::kMidnightQ, 1}}};
  RouteAt(tr, logs.mta, At(0, 0, 20), id::kMidnightIn, "SMTP", hops);
  tr.ms = At(0, 0, 26);
  tr.Debug(Targets::All(logs).pocDbg, "RQ-P0210: [", id::kMidnightQ, "] delivered to mailbox [",
           MailboxName{kMidnightRcpt}, "] of postoffice [HARBOUR]");
  return Ok(e);
}

const Mailbox kLateSender{"nora", "vale", kLocal};
const std::array<Mailbox, 2> kLateRcpts{
    {{"ken", "ito", "wagtail.example"}, {"ida", "moss", kLocal}}};

// Routed at 23:59:58 to SMTP; its route to the postoffice is logged just after midnight, in the
// next day's log. The SMTP connector takes the queue up at once, and its line lands in this
// day's log although stamped with the next day. The last planted event of its day.
bool LateRouted(Traffic& tr, DayLogs& logs, const Date& next, std::string& e) {
  const Targets t = Targets::All(logs);
  tr.ms = At(23, 59, 50);
  tr.Receive(t.act, t.dbg, id::kLateIn, tr.NextSession(), {10, 0, 4, 44},
             "ws-nora.harbourview.example", kLateSender, kLateRcpts, 5200, true);
  tr.ms = At(23, 59, 57) + 988;
  tr.Mta(&logs.mta, "RQ-MTA-PICKUP: [", id::kLateIn, "] picked up from [SMTP] inbound queue");
  tr.ms += 12;
  tr.Mta(&logs.mta, "RQ-MTA-ROUTE: [", id::kLateIn,
         "] from [SMTP] inbound queue to [SMTP] queue as [", id::kLateQ, "] recipients 1");
  Random unused(1);
  Traffic after(next, unused);
  after.ms = At(0, 0, 0) + 700;
  after.SmtpDebug(t.dbg, 409, "RQ-I0015: [", id::kLateQ, "] taken up for delivery, 1 domain(s)");
  return Ok(e);
}

// The rest of its routing, and the postoffice's delivery, just after midnight. Times are set here
// rather than drawn, as in LateSplit.
bool LateRouteEnds(Traffic& tr, DayLogs& logs, std::string& e) {
  tr.ms = 12;
  tr.Mta(&logs.mta, "RQ-MTA-ROUTE: [", id::kLateIn,
         "] from [SMTP] inbound queue to [SF] queue as [", id::kLatePo, "] recipients 1");
  tr.ms += 12;
  tr.Mta(&logs.mta, "RQ-MTA-DONE: [", id::kLateIn,
         "] removed from [SMTP] inbound queue after 2 route(s)");
  tr.ms = 600;
  tr.Debug(Targets::All(logs).pocDbg, "RQ-P0210: [", id::kLatePo, "] delivered to mailbox [",
           MailboxName{kLateRcpts[1]}, "] of postoffice [HARBOUR]");
  return Ok(e);
}

// Split two seconds after midnight and delivered at once, with times set here rather than drawn
// (the day's other planted messages keep their bytes). The conversation begins in the second the
// copy was made, and the reply's last line has no stamp of its own.
bool LateSplit(Traffic& tr, DayLogs& logs, std::string& e) {
  const Targets t = Targets::All(logs);
  const Ip mx{203, 0, 113, 140};
  const std::string_view domain = kLateRcpts[0].domain;
  const std::string_view copy = id::kLateCopy;
  tr.ms = At(0, 0, 2) + 50;
  tr.SmtpDebug(t.dbg, 409, "RQ-I0018: [", id::kLateQ, "] requeued as [", copy, "] target domain [",
               domain, "] recipients 1");
  tr.ms += 10;
  tr.SmtpDebug(t.dbg, 409, "RQ-I0020: [", id::kLateQ,
               "] removed from outbound queue, 1 copies created");
  tr.ms += 200;
  tr.Activity(t.act, "SMTP-OU", copy, 7301, mx, "EHLO", "250", "mail.harbourview.example");
  tr.ms = At(0, 0, 3);
  tr.Activity(t.act, "SMTP-OU", copy, 7301, mx, "MAIL", "250", "FROM:<", kLateSender,
              "> SIZE=5200");
  tr.Activity(t.act, "SMTP-OU", copy, 7301, mx, "RCPT", "250", "TO:<", kLateRcpts[0], ">");
  tr.Activity(t.act, "SMTP-OU", copy, 7301, mx, "DATA", "250", "5200 bytes");
  tr.ms += 400;
  tr.SmtpDebug(t.dbg, 409, "RQ-I0034: [", copy, "] delivered to mx.", domain,
               ", remote reply 250 2.0.0 accepted");
  WriteLine(*t.dbg, "\t[", copy, "] remote reply continued: queued as 5E0D-77");
  tr.ms = At(0, 0, 4);
  tr.Activity(t.act, "SMTP-OU", copy, 7301, mx, "QUIT", "221", "");
  return Ok(e);
}

// The benchmark message: one inbound message split into `split` domain copies, late in the day
// so that readers that stop early still scan most of the log.
bool Bench(Traffic& tr, DayLogs& logs, unsigned split, std::string& e) {
  const Targets t = Targets::All(logs);
  const Mailbox sender{"bench", "sender", kLocal};
  // Domains and mailboxes live in one buffer so that the Mailbox views stay valid.
  std::vector<std::string> domains(split);
  std::vector<MessageId> ids(split);
  for (unsigned i = 0; i < split; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "dest%04u.example", i + 1);
    domains[i] = name;
    ids[i] = BenchCopyId(i);
  }
  std::vector<Mailbox> rcpts;
  rcpts.reserve(split);
  for (unsigned i = 0; i < split; ++i) rcpts.push_back({"rcpt", "", domains[i]});
  tr.ms = At(23, 30, 0);
  tr.Receive(t.act, t.dbg, id::kBenchIn, tr.NextSession(), {10, 0, 4, 200},
             "batch.harbourview.example", sender, rcpts, 12000, true);
  const std::array<Hop, 1> hops{{{"SMTP", id::kBenchQ, split}}};
  RouteAt(tr, logs.mta, tr.ms + 5000, id::kBenchIn, "SMTP", hops);
  std::vector<Copy> copies;
  copies.reserve(split);
  for (unsigned i = 0; i < split; ++i) {
    copies.push_back(
        {ids[i].view(),
         domains[i],
         std::span(rcpts).subspan(i, 1),
         {203, 0, static_cast<std::uint8_t>(113 + i % 3), static_cast<std::uint8_t>(1 + i % 250)}});
  }
  tr.ms += 5000;
  tr.SendOut(t, id::kBenchQ, sender, copies, 12000);
  return Ok(e);
}

}  // namespace

MessageId BenchCopyId(unsigned n) {
  return MessageId(0x9D10000000ULL + n, 10);
}

std::vector<PlantedEvent> PlantedEvents(const Date& day, int daysAgo, unsigned split,
                                        const std::filesystem::path& dir) {
  std::vector<PlantedEvent> events;
  if (daysAgo == 1) {
    events.push_back({At(23, 41, 0), Yesterday});
    events.push_back({At(23, 59, 40), MidnightReceived});
    const Date next = AddDays(day, 1);
    events.push_back({At(23, 59, 50), [next](Traffic& tr, DayLogs& l, std::string& e) {
                        return LateRouted(tr, l, next, e);
                      }});
    return events;
  }
  if (daysAgo != 0) return events;
  events.push_back({0, LateRouteEnds});
  events.push_back({At(0, 0, 2), LateSplit});
  events.push_back({At(0, 0, 20), MidnightRouted});
  events.push_back({At(0, 12, 0), YesterdayRetry});
  events.push_back({At(9, 12, 5), Split});
  events.push_back({At(9, 20, 11), [](Traffic& tr, DayLogs& l, std::string&) {
                      return ToPostoffice(tr, l, At(9, 20, 11), id::kSfFoundIn, id::kSfFoundQ,
                                          {"orders", "", "kestrel.example"},
                                          {"maya", "lind", kLocal}, {203, 0, 113, 45}, true);
                    }});
  events.push_back({At(9, 31, 2), [](Traffic& tr, DayLogs& l, std::string&) {
                      return ToPostoffice(tr, l, At(9, 31, 2), id::kSfMissingIn, id::kSfMissingQ,
                                          {"news", "", "wren.example"}, {"omar", "haddad", kLocal},
                                          {192, 0, 2, 61}, false);
                    }});
  events.push_back({At(9, 40, 0), [](Traffic& tr, DayLogs& l, std::string&) {
                      return FromPostoffice(tr, l, At(9, 40, 0), id::kPoSentIn, id::kPoSentQ,
                                            id::kPoSentCopy, {"ruth", "berg", kLocal},
                                            {"jon", "aasen", "fjord.example"}, {203, 0, 113, 82},
                                            true);
                    }});
  events.push_back({At(9, 50, 0), [](Traffic& tr, DayLogs& l, std::string&) {
                      return FromPostoffice(tr, l, At(9, 50, 0), id::kPoSystemIn, id::kPoSystemQ,
                                            id::kPoSystemCopy, {"postmaster", "", kLocal},
                                            {"quota", "alerts", "heron.example"},
                                            {198, 51, 100, 120}, false);
                    }});
  events.push_back({At(10, 2, 0), [](Traffic& tr, DayLogs& l, std::string&) {
                      return ToList(tr, l, At(10, 2, 0), id::kLsFoundIn, id::kLsFoundQ,
                                    {"cfo", "", "gannet.example"}, "staff", true);
                    }});
  events.push_back({At(10, 11, 0), [](Traffic& tr, DayLogs& l, std::string&) {
                      return ToList(tr, l, At(10, 11, 0), id::kLsMissingIn, id::kLsMissingQ,
                                    {"promo", "", "plover.example"}, "sales", false);
                    }});
  events.push_back({At(10, 20, 0), [](Traffic& tr, DayLogs& l, std::string& e) {
                      return TwoQueues(tr, l, true, e);
                    }});
  events.push_back({At(10, 30, 0), [](Traffic& tr, DayLogs& l, std::string& e) {
                      return TwoQueues(tr, l, false, e);
                    }});
  events.push_back({At(10, 40, 30), FromPop});
  events.push_back({At(10, 50, 0), ToOtherConnector});
  events.push_back({At(11, 5, 0), Broken});
  events.push_back({At(11, 15, 0), Orphan});
  events.push_back({At(11, 30, 0), PrefixCopies});
  events.push_back({At(23, 30, 0), [split](Traffic& tr, DayLogs& l, std::string& e) {
                      return Bench(tr, l, split, e);
                    }});
  const std::filesystem::path inbound = Layout::SmtpInbound(dir);
  events.push_back({At(23, 58, 30), [inbound](Traffic& tr, DayLogs& l, std::string& e) {
                      return Waiting(tr, l, inbound, e);
                    }});
  return events;
}

std::vector<Pointer> PlantedPointers(const Date& today, bool withYesterday, unsigned split) {
  const std::string d = LogDateOf(today);
  std::vector<Pointer> p = {
      {std::string(id::kSplitIn), d, "routed to SMTP, split into 3 domain copies", "trace"},
      {std::string(id::kSplitQ), d, "the same message in the SMTP outbound queue", "split"},
      {std::string(id::kSplitA), d, "one of its copies, traced back to its origin",
       "trace --backtrace"},
      {std::string(id::kSfFoundIn), d, "delivered into a postoffice mailbox", "trace"},
      {std::string(id::kSfMissingIn), d, "routed to the postoffice, no delivery logged", "trace"},
      {std::string(id::kPoSentCopy), d, "sent by a postoffice user, traced back",
       "trace --backtrace"},
      {std::string(id::kPoSystemCopy), d, "made by the postoffice itself, traced back",
       "trace --backtrace"},
      {std::string(id::kLsFoundIn), d, "expanded by the list server", "trace"},
      {std::string(id::kLsMissingIn), d, "routed to the list server, nothing logged there",
       "trace"},
      {std::string(id::kSmtpSfIn), d, "routed to SMTP and to the postoffice", "trace"},
      {std::string(id::kSmtpLsIn), d, "routed to SMTP and to the list server", "trace"},
      {std::string(id::kPopCopy), d, "fetched by POP retrieval and forwarded, traced back",
       "trace --backtrace"},
      {std::string(id::kOtherIn), d, "routed to a connector without a known name", "trace"},
      {std::string(id::kWaiting), d, "still waiting in the SMTP inbound queue", "trace"},
      {std::string(id::kBroken), d, "never routed: the sender vanished during DATA", "trace"},
      {std::string(id::kOrphan), d, "a sent copy whose parent is not in the logs",
       "trace --backtrace"},
      {std::string(id::kPrefixIn), d, "split into copies E8B40A3E and E8B40A3E7", "trace"},
      {std::string(id::kBenchQ), d,
       "the benchmark message, split into " + std::to_string(split) + " copies", "split"},
  };
  if (withYesterday) {
    p.push_back({std::string(id::kYesterdayQ), d,
                 "split yesterday: rqtracker asks before it looks at yesterday's logs",
                 "split --days-back 1"});
    const std::string y = LogDateOf(AddDays(today, -1));
    p.push_back({std::string(id::kYesterdayB), y,
                 "deferred just before midnight and delivered after it: its story over two days",
                 "story --days 1"});
    p.push_back({std::string(id::kMidnightIn), y,
                 "received just before midnight and routed just after it", "story --days 1"});
    p.push_back({std::string(id::kLateCopy), d,
                 "routed at 23:59:58 yesterday, split at 00:00:02: its story from any hop",
                 "story"});
  }
  return p;
}

std::vector<std::string> PlantedIds(unsigned split) {
  std::vector<std::string> ids = {
      std::string(id::kSplitIn),     std::string(id::kSplitQ),      std::string(id::kSplitA),
      std::string(id::kSplitB),      std::string(id::kSplitC),      std::string(id::kSfFoundIn),
      std::string(id::kSfFoundQ),    std::string(id::kSfMissingIn), std::string(id::kSfMissingQ),
      std::string(id::kPoSentIn),    std::string(id::kPoSentQ),     std::string(id::kPoSentCopy),
      std::string(id::kPoSystemIn),  std::string(id::kPoSystemQ),   std::string(id::kPoSystemCopy),
      std::string(id::kLsFoundIn),   std::string(id::kLsFoundQ),    std::string(id::kLsMissingIn),
      std::string(id::kLsMissingQ),  std::string(id::kSmtpSfIn),    std::string(id::kSmtpSfQ),
      std::string(id::kSmtpSfPo),    std::string(id::kSmtpSfA),     std::string(id::kSmtpSfB),
      std::string(id::kSmtpLsIn),    std::string(id::kSmtpLsQ),     std::string(id::kSmtpLsList),
      std::string(id::kSmtpLsCopy),  std::string(id::kPopIn),       std::string(id::kPopQ),
      std::string(id::kPopCopy),     std::string(id::kOtherIn),     std::string(id::kOtherQ),
      std::string(id::kWaiting),     std::string(id::kBroken),      std::string(id::kOrphan),
      std::string(id::kYesterdayIn), std::string(id::kYesterdayQ),  std::string(id::kYesterdayA),
      std::string(id::kYesterdayB),  std::string(id::kPrefixIn),    std::string(id::kPrefixQ),
      std::string(id::kPrefixA),     std::string(id::kPrefixB),     std::string(id::kBenchIn),
      std::string(id::kBenchQ),      std::string(id::kMidnightIn),  std::string(id::kMidnightQ),
      std::string(id::kLateIn),      std::string(id::kLateQ),       std::string(id::kLatePo),
      std::string(id::kLateCopy)};
  for (unsigned i = 0; i < split; ++i) ids.emplace_back(BenchCopyId(i).view());
  return ids;
}

}  // namespace rq::sample
