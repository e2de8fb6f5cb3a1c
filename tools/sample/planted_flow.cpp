#include "planted_flow.h"

#include <algorithm>
#include <array>

namespace rq::sample {
namespace {

constexpr std::string_view kLocal = "harbourview.example";

constexpr int At(int h, int m, int s) {
  return ((h * 60 + m) * 60 + s) * 1000;
}

MessageId BurstId(unsigned n, unsigned hop) {
  return MessageId(0x5B000000ULL + n * 4 + hop, 8);
}
MessageId DeferredId(unsigned n, unsigned hop) {
  return MessageId(0x5C100000ULL + n * 4 + hop, 8);
}
MessageId UnroutedId(unsigned n) {
  return MessageId(0x5C2000A0ULL + n, 8);
}
constexpr std::string_view kRetriedIn = "5D7E0E10", kRetriedQ = "5D7E0E1B";

int BurstStart(unsigned n) {
  return At(kBurstHour, 0, 10) + static_cast<int>(n) * 29000;
}
int DeferredStart(unsigned n) {
  return At(6, 0, 0) + static_cast<int>(n) * At(0, 5, 0);
}
int DeferredAttemptAt(unsigned n, unsigned a) {
  return DeferredStart(n) + At(0, 1, 0) + static_cast<int>(a) * At(0, 30, 0);
}

const std::array<Mailbox, 4> kBurstSenders{{{"newsletter", "", "gullwing.example"},
                                            {"updates", "", "gullwing.example"},
                                            {"digest", "", "sandpiper.example"},
                                            {"alerts", "", "gullwing.example"}}};
const std::array<Mailbox, 3> kStaff{
    {{"mira", "solberg", kLocal}, {"otto", "lange", kLocal}, {"pia", "nord", kLocal}}};

// One outbound conversation of a copy; a refused one ends at RCPT with a temporary failure.
void Conversation(Traffic& tr, LogFile* act, LogFile* dbg, std::string_view copy,
                  std::string_view domain, const Mailbox& sender, const Mailbox& rcpt, const Ip& mx,
                  bool accepted) {
  const unsigned session = tr.NextSession();
  const unsigned thread = tr.Thread();
  tr.SmtpDebug(dbg, thread, "RQ-I0031: [", copy, "] connecting to mx.", domain, " (", mx, ")");
  tr.Step(100, 800);
  tr.Activity(act, "SMTP-OU", copy, session, mx, "EHLO", "250", "mail.harbourview.example");
  tr.Step(20, 300);
  tr.Activity(act, "SMTP-OU", copy, session, mx, "MAIL", "250", "FROM:<", sender, "> SIZE=8800");
  tr.Step(20, 300);
  if (!accepted) {
    tr.Activity(act, "SMTP-OU", copy, session, mx, "RCPT", "451", "TO:<", rcpt, ">");
    tr.Step(10, 100);
    tr.Activity(act, "SMTP-OU", copy, session, mx, "QUIT", "221", "");
    tr.SmtpDebug(dbg, thread, "RQ-I0052: [", copy, "] deferred: mx.", domain,
                 " answered 451 4.7.1 try again later");
    return;
  }
  tr.Activity(act, "SMTP-OU", copy, session, mx, "RCPT", "250", "TO:<", rcpt, ">");
  tr.Step(50, 900);
  tr.Activity(act, "SMTP-OU", copy, session, mx, "DATA", "250", "8800 bytes");
  tr.Step(10, 200);
  tr.Activity(act, "SMTP-OU", copy, session, mx, "QUIT", "221", "");
  tr.SmtpDebug(dbg, thread, "RQ-I0034: [", copy, "] delivered to mx.", domain,
               ", remote reply 250 2.0.0 accepted");
}

// A staff member's message to one external recipient, routed and split into one copy.
void SendOne(Traffic& tr, DayLogs& logs, std::string_view in, std::string_view q,
             std::string_view copy, const Mailbox& sender, const Mailbox& rcpt) {
  const std::array<Mailbox, 1> rcpts{rcpt};
  tr.Receive(&logs.smtpActivity, &logs.smtpDebug, in, tr.NextSession(), {10, 0, 4, 44},
             "ws.harbourview.example", sender, rcpts, 8800, true);
  tr.Step(2000, 9000);
  const std::array<Hop, 1> hops{{{"SMTP", q, 1}}};
  tr.Route(&logs.mta, in, "SMTP", hops);
  tr.Step(500, 3000);
  tr.SmtpDebug(&logs.smtpDebug, tr.Thread(), "RQ-I0018: [", q, "] requeued as [", copy,
               "] target domain [", rcpt.domain, "] recipients 1");
}

// One message of a burst of mail for local mailboxes within one hour.
void BurstMessage(Traffic& tr, DayLogs& logs, unsigned n) {
  tr.ms = BurstStart(n);
  const MessageId in = BurstId(n, 0), q = BurstId(n, 1);
  const std::array<Mailbox, 1> rcpts{kStaff[n % kStaff.size()]};
  tr.Receive(&logs.smtpActivity, &logs.smtpDebug, in, tr.NextSession(), {203, 0, 113, 150},
             "out.gullwing.example", kBurstSenders[n % kBurstSenders.size()], rcpts, 41000, true);
  tr.Step(500, 3000);
  const Hop hop{"SF", q, 1};
  tr.Route(&logs.mta, in, "SMTP", std::span(&hop, 1));
  tr.Step(200, 2000);
  tr.DeliverToMailboxes(&logs.pocDebug, q, rcpts);
}

// A copy for the deferring destination is refused every half hour and taken two hours later.
constexpr Ip kDeferringMx{198, 51, 100, 230};
const Mailbox kDeferringRcpt{"orders", "", kDeferringDomain};

void DeferredSend(Traffic& tr, DayLogs& logs, unsigned n) {
  tr.ms = DeferredStart(n);
  SendOne(tr, logs, DeferredId(n, 0), DeferredId(n, 1), DeferredId(n, 2), kStaff[n % kStaff.size()],
          kDeferringRcpt);
}

void DeferredAttempt(Traffic& tr, DayLogs& logs, unsigned n, unsigned a) {
  tr.ms = DeferredAttemptAt(n, a);
  Conversation(tr, &logs.smtpActivity, &logs.smtpDebug, DeferredId(n, 2), kDeferringDomain,
               kStaff[n % kStaff.size()], kDeferringRcpt, kDeferringMx, a + 1 == kDeferralAttempts);
}

// Received whole, never picked up by the routing agent, and no longer in the inbound queue.
bool Unrouted(Traffic& tr, DayLogs& logs, std::string&) {
  for (unsigned n = 0; n < 3; ++n) {
    tr.ms = At(16, 2, 0) + static_cast<int>(n) * At(0, 4, 0);
    const std::array<Mailbox, 1> rcpts{kStaff[n]};
    tr.Receive(&logs.smtpActivity, &logs.smtpDebug, UnroutedId(n), tr.NextSession(),
               {192, 0, 2, 170}, "mx.dunlin.example", {"info", "", "dunlin.example"}, rcpts, 5300,
               true);
  }
  return true;
}

const Mailbox kRetrySender{"lars", "ek", kLocal};
const Mailbox kRetryRcpt{"bo", "strand", kRetriedDomain};
const Ip kRetryMx{203, 0, 113, 177};

bool RetriedEvening(Traffic& tr, DayLogs& logs, std::string&) {
  tr.ms = At(21, 50, 0);
  SendOne(tr, logs, kRetriedIn, kRetriedQ, kRetriedCopy, kRetrySender, kRetryRcpt);
  tr.ms = At(22, 0, 0);
  Conversation(tr, &logs.smtpActivity, &logs.smtpDebug, kRetriedCopy, kRetriedDomain, kRetrySender,
               kRetryRcpt, kRetryMx, false);
  return true;
}

bool RetriedMorning(Traffic& tr, DayLogs& logs, std::string&) {
  tr.ms = At(7, 30, 0);
  Conversation(tr, &logs.smtpActivity, &logs.smtpDebug, kRetriedCopy, kRetriedDomain, kRetrySender,
               kRetryRcpt, kRetryMx, true);
  return true;
}

}  // namespace

std::vector<PlantedEvent> FlowEvents(int daysAgo) {
  std::vector<PlantedEvent> events;
  if (daysAgo == 1) events.push_back({At(21, 50, 0), RetriedEvening});
  if (daysAgo != 0) return events;
  // Each conversation at its own time, so that the logs stay in time order around them.
  for (unsigned n = 0; n < kDeferredMessages; ++n) {
    events.push_back({DeferredStart(n), [n](Traffic& tr, DayLogs& logs, std::string&) {
                        DeferredSend(tr, logs, n);
                        return true;
                      }});
    for (unsigned a = 0; a < kDeferralAttempts; ++a) {
      events.push_back({DeferredAttemptAt(n, a), [n, a](Traffic& tr, DayLogs& logs, std::string&) {
                          DeferredAttempt(tr, logs, n, a);
                          return true;
                        }});
    }
  }
  events.push_back({At(7, 30, 0), RetriedMorning});
  for (unsigned n = 0; n < kBurstMessages; ++n) {
    events.push_back({BurstStart(n), [n](Traffic& tr, DayLogs& logs, std::string&) {
                        BurstMessage(tr, logs, n);
                        return true;
                      }});
  }
  events.push_back({At(16, 2, 0), Unrouted});
  std::stable_sort(events.begin(), events.end(),
                   [](const PlantedEvent& x, const PlantedEvent& y) { return x.ms < y.ms; });
  return events;
}

std::vector<std::string> FlowIds() {
  std::vector<std::string> ids{std::string(kRetriedIn), std::string(kRetriedQ), kRetriedCopy};
  for (unsigned n = 0; n < kBurstMessages; ++n) {
    for (unsigned hop = 0; hop < 2; ++hop) ids.emplace_back(BurstId(n, hop).view());
  }
  for (unsigned n = 0; n < kDeferredMessages; ++n) {
    for (unsigned hop = 0; hop < 3; ++hop) ids.emplace_back(DeferredId(n, hop).view());
  }
  for (const std::string& id : NeverRoutedIds()) ids.push_back(id);
  return ids;
}

std::vector<std::string> NeverRoutedIds() {
  std::vector<std::string> ids;
  for (unsigned n = 0; n < 3; ++n) ids.emplace_back(UnroutedId(n).view());
  return ids;
}

}  // namespace rq::sample
