// The line layouts of the sample server's logs, and the few conversations that make up its
// traffic: a message received over SMTP, routed by the routing agent, split per domain and sent
// out, delivered into a mailbox or expanded by the list server.
//
// Every writer takes its log as a pointer; a null log is skipped, which is how a size-limited
// run stops feeding a log that has grown big enough while the others still grow.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/dates.h"
#include "log_file.h"
#include "prng.h"

namespace rq::sample {

struct DayLogs {
  LogFile mta;           // MTA debug log
  LogFile smtpActivity;  // SMTP activity log
  LogFile smtpDebug;     // SMTP debug log
  LogFile pocActivity;   // postoffice activity log
  LogFile pocDebug;      // postoffice debug log
  LogFile lsDebug;       // list server debug log
};

// The logs one message may write to; null where it must not.
struct Targets {
  LogFile* mta = nullptr;
  LogFile* act = nullptr;
  LogFile* dbg = nullptr;
  LogFile* pocAct = nullptr;
  LogFile* pocDbg = nullptr;
  LogFile* ls = nullptr;

  static Targets All(DayLogs& logs) {
    return {&logs.mta,         &logs.smtpActivity, &logs.smtpDebug,
            &logs.pocActivity, &logs.pocDebug,     &logs.lsDebug};
  }
};

struct Ip {
  std::uint8_t a, b, c, d;
};
LogFile& operator<<(LogFile& f, const Ip& ip);

// user@domain, or first.last@domain when `last` is not empty.
struct Mailbox {
  std::string_view first;
  std::string_view last;
  std::string_view domain;
};
LogFile& operator<<(LogFile& f, const Mailbox& m);

// The part of the address before the '@': the postoffice's mailbox name.
struct MailboxName {
  const Mailbox& mailbox;
};
LogFile& operator<<(LogFile& f, const MailboxName& m);

// A message ID of up to 12 hexadecimal digits, held without allocating.
class MessageId {
 public:
  MessageId() = default;
  MessageId(std::uint64_t value, int digits);
  std::string_view view() const { return {text_, static_cast<std::size_t>(length_)}; }
  operator std::string_view() const { return view(); }

 private:
  char text_[16] = {};
  int length_ = 0;
};

// One per-domain copy of a message in the SMTP outbound queue.
struct Copy {
  std::string_view id;
  std::string_view domain;
  std::span<const Mailbox> recipients;
  Ip mx;
  bool sent = true;  // false: the attempt was deferred, no SMTP conversation took place
};

// One move of the routing agent: into the queue of `code` under a new ID.
struct Hop {
  std::string_view code;
  std::string_view id;
  unsigned recipients;
};

// The writers of one day's logs. `ms` is the clock, milliseconds after midnight; each line
// advances it by a small step drawn from `rng`.
class Traffic {
 public:
  Traffic(const Date& day, Random& rng);

  int ms = 0;

  void Step(int low, int high) {
    ms += static_cast<int>(
        rng_.Between(static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high)));
  }

  // "YYYY-MM-DD HH:MM:SS.mmm", the stamp of the debug logs.
  void Stamp(LogFile& f) const;
  // "HH:MM:SS", the time field of the activity logs.
  void Clock(LogFile& f) const;

  // A debug log line: the stamp, a blank, the pieces.
  template <class... Pieces>
  void Debug(LogFile* f, const Pieces&... pieces) {
    if (f == nullptr) return;
    Stamp(*f);
    *f << ' ';
    WriteLine(*f, pieces...);
  }

  // An SMTP debug line: the stamp, the worker thread in brackets, the pieces.
  template <class... Pieces>
  void SmtpDebug(LogFile* f, unsigned thread, const Pieces&... pieces) {
    if (f == nullptr) return;
    Stamp(*f);
    *f << " [" << Dec{thread, 4} << "] ";
    WriteLine(*f, pieces...);
  }

  // A routing agent line: the stamp, a TAB, the pieces.
  template <class... Pieces>
  void Mta(LogFile* f, const Pieces&... pieces) {
    if (f == nullptr) return;
    Stamp(*f);
    *f << '\t';
    WriteLine(*f, pieces...);
  }

  // An activity line: time, direction, message ID, session, peer, verb, argument (the pieces),
  // reply code, TAB-separated.
  template <class... Pieces>
  void Activity(LogFile* f, std::string_view direction, std::string_view id, unsigned session,
                const Ip& peer, std::string_view verb, std::string_view reply,
                const Pieces&... argument) {
    if (f == nullptr) return;
    Clock(*f);
    *f << '\t' << direction << '\t' << id << '\t' << Dec{session} << '\t' << peer << '\t' << verb
       << '\t';
    ((*f << argument), ...);
    *f << '\t' << reply;
    f->EndLine();
  }

  // A client hands a message to a connector over SMTP. `act` is the activity log of the
  // connector that receives it (SMTP or postoffice); the SMTP connector also notes the session
  // in its debug log. An incomplete session breaks off during DATA and leaves no message.
  void Receive(LogFile* act, LogFile* smtpDebug, std::string_view id, unsigned session,
               const Ip& peer, std::string_view helo, const Mailbox& sender,
               std::span<const Mailbox> recipients, unsigned bytes, bool complete);

  // The routing agent takes the message out of the inbound queue of `source` and puts it into
  // the queue of each hop.
  void Route(LogFile* mta, std::string_view id, std::string_view source, std::span<const Hop> hops);

  // The SMTP connector splits the queued message into per-domain copies (one requeue line each)
  // and sends each copy out.
  void SendOut(const Targets& t, std::string_view queuedId, const Mailbox& sender,
               std::span<const Copy> copies, unsigned bytes);

  // One copy's delivery attempt: the debug lines and, when sent, the SMTP conversation.
  void Deliver(const Targets& t, const Copy& copy, const Mailbox& sender, unsigned bytes);

  // The postoffice connector puts the message into the recipients' mailboxes.
  void DeliverToMailboxes(LogFile* pocDebug, std::string_view id,
                          std::span<const Mailbox> recipients);

  unsigned NextSession() { return ++session_; }
  unsigned Thread() { return rng_.Between(1, 24) + 400; }

 private:
  Random& rng_;
  char date_[11];
  unsigned session_;
};

}  // namespace rq::sample
