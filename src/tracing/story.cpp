#include "tracing/story.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "base/file.h"
#include "base/text.h"
#include "readers/line_source.h"
#include "readers/log_line.h"
#include "readers/multi_literal.h"
#include "readers/origin_search.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"

namespace rq {
namespace {

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

long long DayNumber(const Date& day) {
  return DaysFromCivil(day.year, day.month, day.day);
}

enum class Role { kUnknown, kOrigin, kQueue, kCopy };

// One ID of the message and its place in the hop graph (message that came in -> queue -> copy).
struct Node {
  Role role = Role::kUnknown;
  std::string connector, domain, parent;
  // The day of the log whose routing or requeue line made it; it names nothing before. Unset for
  // the message that came in and for an ID whose making line has not been read.
  std::optional<long long> born;
  std::string bornAt;  // that line's day and time, which order a queue's copies
};

enum class LogKind { kMta, kSmtpDebug, kSmtpActivity, kOther };

// One reading of one day's log for some IDs, and the lines naming one of them.
struct Reading {
  long long day = 0;
  LogKind kind = LogKind::kOther;
  std::string log;
  std::vector<std::string> ids;
  std::vector<std::pair<std::string, std::vector<std::size_t>>> lines;
};

// An event with what orders it among the other logs' lines of its hop.
struct Placed {
  StoryEvent event;
  long long day = 0;
  bool timed = false;  // false: no time of its own, it follows the line before it in its log
  bool made = false;   // the requeue line that made the copy goes first in its second
};

class Teller {
 public:
  Teller(const Server& server, std::string_view id) : server_(server), asked_(id) {
    nodes_[asked_];
  }

  // The IDs to a fixed point over the days, and the walk back, at most `back` days before `start`,
  // while it lacks the line that makes the topmost ID (a routing or requeue line) or the earliest
  // day read names the message.
  void Collect(long long start, long long last, long long back) {
    first_ = shownFirst_ = start;
    last_ = last;
    back_ = back;
    if (asked_.empty()) return;
    for (;; --first_) {
      for (bool read = true; read;) {
        read = false;
        // The latest day first: an ID found there is read on the earlier days in the same pass.
        for (long long d = last_; d >= first_; --d) {
          while (ReadDebugLogs(d)) read = true;
        }
      }
      // A message already under way on the earliest day read may have come in or been routed
      // on the day before: the walk goes back while that day's debug logs name it.
      const bool underWay = std::any_of(readings_.begin(), readings_.end(), [&](const Reading& r) {
        return r.day == first_ && r.kind != LogKind::kSmtpActivity && !r.lines.empty();
      });
      if ((nodes_.at(Root()).role == Role::kOrigin && !underWay) || first_ <= start - back) break;
    }
    for (const Reading& r : readings_) {  // shown: the earlier days where a line named it
      if (!r.lines.empty()) shownFirst_ = std::min(shownFirst_, r.day);
    }
  }

  // Every other log of every day shown, once, for all the IDs it can name.
  void ReadOtherLogs() {
    const std::string root = Root();
    const Node& top = nodes_.at(root);
    const bool routed = top.role == Role::kOrigin;
    for (long long d = shownFirst_; d <= last_; ++d) {
      std::vector<std::string> activity, sf, ls;
      if (top.role == Role::kUnknown || (routed && top.connector == "SMTP")) {
        activity.push_back(root);
      }
      for (const auto& [id, n] : nodes_) {
        if (n.born && *n.born > d) continue;
        if (n.role == Role::kCopy) activity.push_back(id);
        if (n.role == Role::kQueue && n.connector == "SF") sf.push_back(id);
        if (n.role == Role::kQueue && n.connector == "LS") ls.push_back(id);
      }
      const Date day = CivilFromDays(d);
      Read(d, LogKind::kSmtpActivity, GetLogFile(server_, "SMTP", kActivity, day),
           std::move(activity));
      if (routed && !top.connector.empty() && top.connector != "SMTP") {
        Read(d, LogKind::kOther, GetLogFile(server_, top.connector, kActivity, day), {root});
      }
      Read(d, LogKind::kOther, GetLogFile(server_, "SF", kDebug, day), std::move(sf));
      Read(d, LogKind::kOther, GetLogFile(server_, "LS", kDebug, day), std::move(ls));
    }
  }

  void Finish(Story& story) {
    story.first = CivilFromDays(shownFirst_);
    story.last = CivilFromDays(last_);
    const std::vector<long long> lookedAt = DebugLogDays(first_, shownFirst_ - 1);
    if (!lookedAt.empty()) story.readBackTo = CivilFromDays(lookedAt.front());
    const std::string root = Root();
    const Node& top = nodes_.at(root);
    if (nodes_.at(asked_).role == Role::kCopy) story.splitFrom = nodes_.at(asked_).parent;
    const bool sentOut = top.role == Role::kUnknown && SentOut();
    if (top.role == Role::kQueue || sentOut) {
      story.result = StoryResult::kOriginEarlier;  // the origin stays empty
      story.earliestSeen = story.first;
      // From that day, a walk back twice as long as this one, but reaching at least the latest
      // earlier day that has a log and none before the earliest: days without logs cannot help.
      const std::vector<long long> kept = DebugLogDays(shownFirst_ - kMaxStoryDaysBack, first_ - 1);
      if (!kept.empty()) {
        story.askDaysBack = std::clamp(shownFirst_ - first_ + std::max(back_, 1LL) * 2,
                                       shownFirst_ - kept.back(), shownFirst_ - kept.front());
        story.askDays = last_ - shownFirst_;
      }
      AddHops(story, sentOut ? HopKind::kCopy : HopKind::kQueue, root);
    } else {
      story.originId = root;
      story.originConnector = top.connector.empty() ? "SMTP" : top.connector;
      story.result = top.role == Role::kOrigin            ? StoryResult::kRouted
                     : WaitsInInboundQueue(server_, root) ? StoryResult::kWaiting
                                                          : StoryResult::kNotRouted;
      AddHops(story, HopKind::kInbound, root).connector = story.originConnector;
      AddHops(story, HopKind::kRouting, root).connector = "MTA";
      for (const std::string& id : Children(root)) AddHops(story, HopKind::kQueue, id);
    }
    PlaceEvents(story);
  }

 private:
  // The topmost ID known above the asked one.
  std::string Root() const {
    std::string id = asked_;
    for (int depth = 0; depth < 3 && nodes_.count(nodes_.at(id).parent) > 0; ++depth) {
      id = nodes_.at(id).parent;
    }
    return id;
  }

  // The days from `from` to `to`, in order, that have a debug log the walk back reads.
  std::vector<long long> DebugLogDays(long long from, long long to) const {
    std::vector<long long> days;
    for (long long d = from; d <= to; ++d) {
      const Date day = CivilFromDays(d);
      if (IsOrdinaryFile(GetLogFile(server_, "MTA", kDebug, day)) ||
          IsOrdinaryFile(GetLogFile(server_, "SMTP", kDebug, day))) {
        days.push_back(d);
      }
    }
    return days;
  }

  // The MTA and SMTP debug logs of the day, for the IDs alive then and not yet looked for in
  // them; false when there was no ID to look for. The routing agent's log is read only for IDs
  // whose routing line is still missing: the message that came in, a queue found as a parent.
  bool ReadDebugLogs(long long d) {
    bool read = false;
    for (const LogKind kind : {LogKind::kMta, LogKind::kSmtpDebug}) {
      std::vector<std::string> ids;
      for (const auto& [id, n] : nodes_) {
        const bool routable = n.role == Role::kUnknown || n.role == Role::kOrigin ||
                              (n.role == Role::kQueue && !n.born);
        if ((n.born && *n.born > d) || (kind == LogKind::kMta && !routable)) continue;
        if (looked_.emplace(d, kind, id).second) ids.push_back(id);
      }
      read = read || !ids.empty();
      Read(d, kind,
           GetLogFile(server_, kind == LogKind::kMta ? "MTA" : "SMTP", kDebug, CivilFromDays(d)),
           std::move(ids));
    }
    return read;
  }

  // Keeps the lines of the log that name one of the IDs, learning from each routing and requeue
  // line as it comes.
  void Read(long long d, LogKind kind, const std::string& file, std::vector<std::string> ids) {
    if (ids.empty()) return;
    Reading& r = readings_.emplace_back(Reading{d, kind, FileNameOf(file), std::move(ids), {}});
    LineSource source(file);
    if (!source.is_open()) return;
    const std::vector<std::string_view> views(r.ids.begin(), r.ids.end());
    std::vector<std::size_t> named;
    ForEachLineHoldingAny(source, views, [&](std::string_view line, const auto& matched) {
      named.clear();
      std::copy_if(matched.begin(), matched.end(), std::back_inserter(named),
                   [&](std::size_t i) { return NamesId(line, views[i]); });
      if (!named.empty()) r.lines.emplace_back(std::string(line), named);
      if (!named.empty()) Learn(d, kind, line);
      return true;
    });
  }

  void Learn(long long d, LogKind kind, std::string_view line) {
    const auto at = [&] {  // the line's day and time
      const LineStamp stamp = StampOf(line);
      return LogDateOf(stamp.day ? *stamp.day : CivilFromDays(d)) + " " + std::string(stamp.time);
    };
    RouteLine route;
    RequeueLine requeue;
    if (kind == LogKind::kMta && ParseRouteLine(line, route)) {
      Link(WithoutBrackets(route.sourceId), Role::kOrigin, WithoutBrackets(route.sourceCode),
           WithoutBrackets(route.targetId), Role::kQueue, WithoutBrackets(route.targetCode), {}, d,
           at());
    } else if (kind == LogKind::kSmtpDebug && ParseRequeueLine(line, requeue)) {
      Link(std::string(requeue.parent), Role::kQueue, "SMTP", std::string(requeue.copy),
           Role::kCopy, "SMTP", requeue.domain, d, at());
    }
  }

  // A line that makes `child` from `parent`: taken when one of them is known and the roles fit
  // what is known of both.
  void Link(const std::string& parent, Role parentRole, std::string_view parentCode,
            const std::string& child, Role childRole, std::string_view childCode,
            std::string_view domain, long long d, const std::string& at) {
    const auto fits = [&](const std::string& id, Role role) {
      const auto it = nodes_.find(id);
      return it == nodes_.end() || it->second.role == Role::kUnknown || it->second.role == role;
    };
    const bool known = nodes_.count(parent) > 0 || nodes_.count(child) > 0;
    if (parent.empty() || child.empty() || parent == child || !known || !fits(parent, parentRole) ||
        !fits(child, childRole) ||
        (nodes_.count(child) > 0 && !nodes_.at(child).parent.empty() &&
         nodes_.at(child).parent != parent)) {
      return;
    }
    Node& up = nodes_[parent];
    up.role = parentRole;
    if (up.connector.empty()) up.connector = std::string(parentCode);
    Node& down = nodes_[child];
    down.role = childRole;
    down.parent = parent;
    down.connector = std::string(childCode);
    down.domain = std::string(domain);
    if (!down.born) {
      down.born = d;
      down.bornAt = at;
    }
  }

  // True when the SMTP activity lines read tell of the asked message being sent out: a copy
  // whose making lies before the logs read, and nothing else found.
  bool SentOut() const {
    return std::any_of(readings_.begin(), readings_.end(), [&](const Reading& r) {
      return r.kind == LogKind::kSmtpActivity &&
             std::any_of(r.lines.begin(), r.lines.end(),
                         [&](const auto& l) { return IsOutboundLineOf(l.first, asked_); });
    });
  }

  // The IDs made from `parent`, in the order of the lines that made them.
  std::vector<std::string> Children(const std::string& parent) const {
    std::vector<std::string> ids;
    for (const auto& [id, n] : nodes_) {
      if (n.parent == parent) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end(), [&](const std::string& a, const std::string& b) {
      return std::tie(nodes_.at(a).bornAt, a) < std::tie(nodes_.at(b).bornAt, b);
    });
    return ids;
  }

  // A hop for the ID, and for a queue its copies after it.
  StoryHop& AddHops(Story& story, HopKind kind, const std::string& id) {
    hopOf_[{kind == HopKind::kRouting, id}] = story.hops.size();
    const Node& n = nodes_.at(id);
    story.hops.push_back(StoryHop{kind, id, n.connector, n.domain, n.parent, {}});
    const std::size_t at = story.hops.size() - 1;
    if (kind == HopKind::kQueue) {
      for (const std::string& copy : Children(id)) AddHops(story, HopKind::kCopy, copy);
    }
    return story.hops[at];
  }

  // The hop a line read for `id` belongs to, if any: the routing agent's lines go to the routing
  // hop, a queue's requeue lines to the copies they made.
  std::optional<std::size_t> HopFor(const Reading& r, const std::string& id,
                                    std::string_view line) const {
    const Node& n = nodes_.at(id);
    RequeueLine requeue;
    if ((r.kind == LogKind::kMta && n.role != Role::kOrigin) ||
        (r.kind == LogKind::kSmtpDebug && n.role == Role::kQueue &&
         ParseRequeueLine(line, requeue) && requeue.parent == id &&
         nodes_.count(std::string(requeue.copy)) > 0)) {
      return std::nullopt;
    }
    const auto it = hopOf_.find({r.kind == LogKind::kMta, id});
    return it == hopOf_.end() ? std::nullopt : std::optional<std::size_t>(it->second);
  }

  // Each hop's lines, by log, each placed under its own day, then merged.
  void PlaceEvents(Story& story) const {
    std::vector<std::vector<std::vector<Placed>>> runs(story.hops.size());
    for (const Reading& r : readings_) {
      std::map<std::size_t, std::vector<Placed>> byHop;
      for (const auto& [line, named] : r.lines) {
        for (const std::size_t i : named) {
          const std::optional<std::size_t> hop = HopFor(r, r.ids[i], line);
          if (!hop) continue;
          std::vector<Placed>& run = byHop[*hop];
          const LineStamp stamp = StampOf(line);
          Placed& p = run.emplace_back();
          p.timed = !stamp.time.empty();
          // A log holds its day's lines and, at its edges, a neighbour's: a stamp farther off is
          // a wrong clock, not a day to show the line under.
          p.day = stamp.day && std::abs(DayNumber(*stamp.day) - r.day) <= 1 ? DayNumber(*stamp.day)
                                                                            : r.day;
          if (!p.timed && run.size() > 1) p.day = run[run.size() - 2].day;
          RequeueLine requeue;
          p.made = story.hops[*hop].kind == HopKind::kCopy && r.kind == LogKind::kSmtpDebug &&
                   ParseRequeueLine(line, requeue) && requeue.copy == r.ids[i];
          p.event = StoryEvent{CivilFromDays(p.day), std::string(stamp.time), r.log, line};
        }
      }
      for (auto& [hop, run] : byHop) runs[hop].push_back(std::move(run));
    }
    for (std::size_t h = 0; h < runs.size(); ++h) Merge(runs[h], story.hops[h].events);
  }

  // Merges runs, each in its log's order: the earliest head first, by day, then second, the
  // making line before the rest of its second, then the time as written (a time in seconds
  // before one in milliseconds of the same second, as the old reports had it). Lines without a
  // time follow the line before them at once.
  static void Merge(std::vector<std::vector<Placed>>& runs, std::vector<StoryEvent>& out) {
    std::vector<std::size_t> next(runs.size(), 0);
    const auto key = [&](std::size_t k) {
      const Placed& p = runs[k][next[k]];
      const std::string_view time = p.event.time;
      return std::make_tuple(p.day, time.substr(0, 8), !p.made, time);
    };
    for (;;) {
      std::optional<std::size_t> best;
      for (std::size_t k = 0; k < runs.size(); ++k) {
        if (next[k] < runs[k].size() && (!best || key(k) < key(*best))) best = k;
      }
      if (!best) return;
      do {
        out.push_back(std::move(runs[*best][next[*best]++].event));
      } while (next[*best] < runs[*best].size() && !runs[*best][next[*best]].timed);
    }
  }

  const Server& server_;
  std::string asked_;
  std::map<std::string, Node> nodes_;
  std::set<std::tuple<long long, LogKind, std::string>> looked_;
  std::vector<Reading> readings_;
  std::map<std::pair<bool, std::string>, std::size_t> hopOf_;  // (routing hop?, ID) -> hop
  long long first_ = 0, last_ = 0, shownFirst_ = 0, back_ = 0;
};

}  // namespace

bool Story::Found() const {
  if (result == StoryResult::kWaiting) return true;
  return std::any_of(hops.begin(), hops.end(),
                     [](const StoryHop& hop) { return !hop.events.empty(); });
}

std::string AskAgainOptions(const Story& story) {
  std::string options = "--date " + LogDateOf(story.earliestSeen) + " --days-back " +
                        std::to_string(story.askDaysBack);
  if (story.askDays != kStoryFollowingDays) options += " --days " + std::to_string(story.askDays);
  return options;
}

Story TellStory(const Server& server, std::string_view id, const Date& start, long long days,
                long long daysBack) {
  Story story;
  story.askedId = std::string(id);
  const long long first = DayNumber(DateFromLogDate(LogDateOf(start)));
  Teller teller(server, id);
  // An empty ID names no message, though every line would hold it.
  teller.Collect(first, first + std::max(days, 0LL), std::max(daysBack, 0LL));
  if (!id.empty()) teller.ReadOtherLogs();
  teller.Finish(story);
  return story;
}

}  // namespace rq
