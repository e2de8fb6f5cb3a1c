#include "traffic.h"

namespace rq::sample {

LogFile& operator<<(LogFile& f, const Ip& ip) {
  return f << Dec{ip.a} << '.' << Dec{ip.b} << '.' << Dec{ip.c} << '.' << Dec{ip.d};
}

LogFile& operator<<(LogFile& f, const Mailbox& m) {
  return f << MailboxName{m} << '@' << m.domain;
}

LogFile& operator<<(LogFile& f, const MailboxName& m) {
  f << m.mailbox.first;
  if (!m.mailbox.last.empty()) f << '.' << m.mailbox.last;
  return f;
}

MessageId::MessageId(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  length_ = digits;
  for (int i = digits - 1; i >= 0; --i) {
    text_[i] = kDigits[value & 0xF];
    value >>= 4;
  }
}

Traffic::Traffic(const Date& day, Random& rng) : rng_(rng), session_(rng.Between(1000, 9000)) {
  // Digits written by hand: the day is always a real calendar day here.
  const int parts[3] = {day.year, day.month, day.day};
  const int widths[3] = {4, 2, 2};
  char* out = date_;
  for (int p = 0; p < 3; ++p) {
    if (p > 0) *out++ = '-';
    int v = parts[p] < 0 ? 0 : parts[p];
    for (int i = widths[p] - 1; i >= 0; --i) {
      out[i] = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    out += widths[p];
  }
  *out = '\0';
}

void Traffic::Stamp(LogFile& f) const {
  const int t = ms < 0 ? 0 : ms;
  f << std::string_view(date_, 10) << ' ' << Dec{static_cast<unsigned>(t / 3600000 % 24), 2} << ':'
    << Dec{static_cast<unsigned>(t / 60000 % 60), 2} << ':'
    << Dec{static_cast<unsigned>(t / 1000 % 60), 2} << '.'
    << Dec{static_cast<unsigned>(t % 1000), 3};
}

void Traffic::Clock(LogFile& f) const {
  const int t = ms < 0 ? 0 : ms;
  f << Dec{static_cast<unsigned>(t / 3600000 % 24), 2} << ':'
    << Dec{static_cast<unsigned>(t / 60000 % 60), 2} << ':'
    << Dec{static_cast<unsigned>(t / 1000 % 60), 2};
}

void Traffic::Receive(LogFile* act, LogFile* smtpDebug, std::string_view id, unsigned session,
                      const Ip& peer, std::string_view helo, const Mailbox& sender,
                      std::span<const Mailbox> recipients, unsigned bytes, bool complete) {
  const unsigned thread = Thread();
  // The connection is logged before the message has an ID.
  Activity(act, "SMTP-IN", "", session, peer, "CONNECT", "220");
  SmtpDebug(smtpDebug, thread, "RQ-I0002: accepted connection from ", peer, " session ",
            Dec{session});
  Step(20, 300);
  Activity(act, "SMTP-IN", id, session, peer, "EHLO", "250", helo);
  Step(20, 300);
  Activity(act, "SMTP-IN", id, session, peer, "MAIL", "250", "FROM:<", sender,
           "> SIZE=", Dec{bytes});
  for (const Mailbox& r : recipients) {
    Step(10, 200);
    Activity(act, "SMTP-IN", id, session, peer, "RCPT", "250", "TO:<", r, ">");
  }
  Step(50, 900);
  if (!complete) {
    Activity(act, "SMTP-IN", id, session, peer, "DATA", "354", "");
    Step(5000, 30000);
    Activity(act, "SMTP-IN", id, session, peer, "ABORT", "421", "connection reset by peer");
    SmtpDebug(smtpDebug, thread, "RQ-I0063: session ", Dec{session}, " lost during DATA, message [",
              id, "] discarded");
    return;
  }
  Activity(act, "SMTP-IN", id, session, peer, "DATA", "250", Dec{bytes}, " bytes");
  SmtpDebug(smtpDebug, thread, "RQ-I0011: [", id, "] received from ", peer, ", ",
            Dec{recipients.size()}, " recipient(s), ", Dec{bytes},
            " bytes, placed in inbound queue");
  Step(10, 200);
  Activity(act, "SMTP-IN", id, session, peer, "QUIT", "221", "");
}

void Traffic::Route(LogFile* mta, std::string_view id, std::string_view source,
                    std::span<const Hop> hops) {
  Mta(mta, "RQ-MTA-PICKUP: [", id, "] picked up from [", source, "] inbound queue");
  for (const Hop& hop : hops) {
    Step(5, 80);
    // Blank-separated: date, time+TAB+tag, [source ID], from, [source], inbound, queue, to,
    // [target], queue, as, [target ID], ...
    Mta(mta, "RQ-MTA-ROUTE: [", id, "] from [", source, "] inbound queue to [", hop.code,
        "] queue as [", hop.id, "] recipients ", Dec{hop.recipients});
  }
  Step(5, 80);
  Mta(mta, "RQ-MTA-DONE: [", id, "] removed from [", source, "] inbound queue after ",
      Dec{hops.size()}, " route(s)");
}

void Traffic::SendOut(const Targets& t, std::string_view queuedId, const Mailbox& sender,
                      std::span<const Copy> copies, unsigned bytes) {
  const unsigned thread = Thread();
  for (const Copy& copy : copies) {
    Step(5, 60);
    SmtpDebug(t.dbg, thread, "RQ-I0018: [", queuedId, "] requeued as [", copy.id,
              "] target domain [", copy.domain, "] recipients ", Dec{copy.recipients.size()});
  }
  Step(5, 60);
  SmtpDebug(t.dbg, thread, "RQ-I0020: [", queuedId, "] removed from outbound queue, ",
            Dec{copies.size()}, " copies created");
  for (const Copy& copy : copies) Deliver(t, copy, sender, bytes);
}

void Traffic::Deliver(const Targets& t, const Copy& copy, const Mailbox& sender, unsigned bytes) {
  const unsigned thread = Thread();
  Step(50, 1500);
  SmtpDebug(t.dbg, thread, "RQ-I0031: [", copy.id, "] connecting to mx.", copy.domain, " (",
            copy.mx, ")");
  if (!copy.sent) {
    Step(20000, 30000);
    SmtpDebug(t.dbg, thread, "RQ-I0052: [", copy.id, "] deferred: mx.", copy.domain,
              " did not answer, next attempt in 15 minutes");
    return;
  }
  const unsigned session = NextSession();
  Step(100, 800);
  Activity(t.act, "SMTP-OU", copy.id, session, copy.mx, "EHLO", "250", "mail.harbourview.example");
  Step(20, 300);
  Activity(t.act, "SMTP-OU", copy.id, session, copy.mx, "MAIL", "250", "FROM:<", sender,
           "> SIZE=", Dec{bytes});
  for (const Mailbox& r : copy.recipients) {
    Step(10, 200);
    Activity(t.act, "SMTP-OU", copy.id, session, copy.mx, "RCPT", "250", "TO:<", r, ">");
  }
  Step(50, 900);
  Activity(t.act, "SMTP-OU", copy.id, session, copy.mx, "DATA", "250", Dec{bytes}, " bytes");
  Step(10, 200);
  Activity(t.act, "SMTP-OU", copy.id, session, copy.mx, "QUIT", "221", "");
  SmtpDebug(t.dbg, thread, "RQ-I0034: [", copy.id, "] delivered to mx.", copy.domain,
            ", remote reply 250 2.0.0 accepted");
}

void Traffic::DeliverToMailboxes(LogFile* pocDebug, std::string_view id,
                                 std::span<const Mailbox> recipients) {
  for (const Mailbox& r : recipients) {
    Step(10, 400);
    Debug(pocDebug, "RQ-P0210: [", id, "] delivered to mailbox [", MailboxName{r},
          "] of postoffice [HARBOUR]");
  }
}

}  // namespace rq::sample
