#include "tracing/story.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>

#include "base/file.h"
#include "base/text.h"
#include "readers/line_source.h"
#include "readers/multi_literal.h"
#include "readers/route_readers.h"
#include "readers/smtp_readers.h"
#include "settings/log_paths.h"
#include "tracing/queue_walker.h"

namespace rq {
namespace {

// The time a log line begins with: the second word of a debug line ("YYYY-MM-DD HH:MM:SS.mmm"),
// the first field of an activity line ("HH:MM:SS" TAB ...).
std::string TimeOf(std::string_view line) {
  const bool dated = line.size() > 11 && line[4] == '-' && line[7] == '-' && line[10] == ' ';
  if (dated) line.remove_prefix(11);
  return std::string(line.substr(0, line.find_first_of(dated ? " \t" : "\t")));
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool IsIdByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// True when the line names the ID as a whole word: a story keeps E8B40A3E7's lines out of
// E8B40A3E's hop, where a search for the text alone would find both.
bool NamesId(std::string_view line, std::string_view id) {
  if (id.empty()) return false;
  for (std::size_t at = line.find(id); at != std::string_view::npos; at = line.find(id, at + 1)) {
    const std::size_t end = at + id.size();
    if ((at == 0 || !IsIdByte(line[at - 1])) && (end == line.size() || !IsIdByte(line[end]))) {
      return true;
    }
  }
  return false;
}

// Calls f(line, matched) for each line of the log holding one of the IDs, in one reading.
template <class F>
void ReadOnce(const std::string& file, const std::vector<std::string_view>& ids, F&& f) {
  if (ids.empty()) return;
  LineSource source(file);
  if (!source.is_open()) return;
  if (ids.size() == 1) {  // the literal search is the faster one for a single ID
    const std::vector<std::size_t> first{0};
    source.ForEachLineContaining(ids[0], [&](std::string_view line) { return f(line, first); });
    return;
  }
  MultiLiteralMatcher matcher(ids);
  ForEachLineMatching(source, matcher, f);
}

// A routing agent line split at blanks: "... RQ-MTA-ROUTE: [source] from [code] inbound queue to
// [code] queue as [target] ...", brackets removed.
struct RouteFields {
  explicit RouteFields(std::string_view line) {
    if (line.find(kMtaRouteTag) == std::string_view::npos) return;
    std::array<std::string_view, 12> fields{};
    FieldCursor cursor(line, ' ');
    std::string_view field;
    for (std::size_t i = 0; i < fields.size() && cursor.Next(field); ++i) fields[i] = field;
    route = true;
    sourceId = WithoutBrackets(fields[2]);
    sourceCode = WithoutBrackets(fields[4]);
    targetCode = WithoutBrackets(fields[8]);
    targetId = WithoutBrackets(fields[11]);
  }
  bool route = false;
  std::string sourceId, sourceCode, targetCode, targetId;
};

class Teller {
 public:
  Teller(const Server& server, Story& story) : server_(server), story_(story) {
    story_.originConnector = "SMTP";
    inbound_.kind = HopKind::kInbound;
    inbound_.connector = "SMTP";
    routing_.kind = HopKind::kRouting;
    routing_.connector = "MTA";
  }

  // False when the day's logs name the ID in neither a routing line nor a requeue line. The
  // routing agent's log is asked first: an ID it routed is the message as it came in, and the
  // lines read for it serve that day's routing hop, so the walk back costs no reading then.
  bool WalkBack(std::string_view id, const Date& day) {
    story_.askedId = std::string(id);
    std::string current(id);
    story_.originId = current;
    std::vector<std::string> lines = RoutingLines(day, id);
    bool found = Origin(lines, id);
    if (!found) {
      const std::string parent = GetSMTPRequeueParent(server_, day, id);
      if (!parent.empty()) {
        story_.splitFrom = parent;
        current = parent;
        story_.originId = current;
        lines = RoutingLines(day, parent);
        Origin(lines, parent);
        found = true;
      }
    }
    // Lines that found nothing stay those of the first day asked, where the story may start.
    if (story_.originId == current && (found || !prefetchedDay_)) {
      prefetchedDay_ = day;
      prefetched_ = std::move(lines);
    }
    inbound_.messageId = story_.originId;
    inbound_.connector = story_.originConnector;
    routing_.messageId = story_.originId;
    return found;
  }

  void ReadDay(const Date& day) {
    ReadRouting(day);
    ReadSmtpDebug(day);
    ReadSmtpActivity(day);
    for (const std::string_view code : {std::string_view("SF"), std::string_view("LS")}) {
      std::vector<std::string_view> ids;
      std::vector<StoryHop*> hops;
      for (Destination& d : destinations_) {
        if (d.queue.connector == code) {
          ids.push_back(d.queue.messageId);
          hops.push_back(&d.queue);
        }
      }
      Read(GetLogFile(server_, code, kDebug, day), day, ids, hops);
    }
  }

  void Finish() {
    const bool routed = !destinations_.empty();
    story_.result = StoryResult::kRouted;
    if (!routed) {
      const std::string& id = story_.originId;
      const bool waiting =
          NamesQueueFile(id) &&
          IsOrdinaryFile(server_.Join(GetConnectorPath(server_, "SMTP", "Inbound"), id));
      story_.result = waiting ? StoryResult::kWaiting : StoryResult::kNotRouted;
    }
    story_.hops.push_back(std::move(inbound_));
    story_.hops.push_back(std::move(routing_));
    for (Destination& d : destinations_) {
      story_.hops.push_back(std::move(d.queue));
      for (StoryHop& copy : d.copies) story_.hops.push_back(std::move(copy));
    }
    for (StoryHop& hop : story_.hops) {
      std::stable_sort(hop.events.begin(), hop.events.end(),
                       [](const StoryEvent& a, const StoryEvent& b) {
                         if (a.day != b.day) return LogDateOf(a.day) < LogDateOf(b.day);
                         return a.time < b.time;
                       });
    }
  }

 private:
  struct Destination {
    StoryHop queue;
    std::vector<StoryHop> copies;
  };

  void Add(StoryHop& hop, const Date& day, const std::string& log, std::string_view line) {
    hop.events.push_back(StoryEvent{day, TimeOf(line), log, std::string(line)});
  }

  // Every line naming one of the IDs goes to that ID's hop.
  void Read(const std::string& file, const Date& day, const std::vector<std::string_view>& ids,
            const std::vector<StoryHop*>& hops) {
    const std::string log = FileNameOf(file);
    ReadOnce(file, ids, [&](std::string_view line, const std::vector<std::size_t>& matched) {
      for (const std::size_t i : matched) {
        if (NamesId(line, ids[i])) Add(*hops[i], day, log, line);
      }
      return true;
    });
  }

  // The routing agent's lines of the message; each route line adds a queue the first time.
  void ReadRouting(const Date& day) {
    const std::string log = FileNameOf(GetLogFile(server_, "MTA", kDebug, day));
    std::vector<std::string> lines;
    if (prefetchedDay_ && *prefetchedDay_ == day) {
      lines = std::move(prefetched_);
      prefetchedDay_.reset();
    } else {
      lines = RoutingLines(day, story_.originId);
    }
    const std::string& origin = story_.originId;
    for (const std::string& line : lines) {
      Add(routing_, day, log, line);
      const RouteFields f(line);
      if (!f.route || f.sourceId != origin) continue;  // another message's route
      const bool known = std::any_of(destinations_.begin(), destinations_.end(), [&](auto& d) {
        return d.queue.messageId == f.targetId && d.queue.connector == f.targetCode;
      });
      if (known) continue;
      Destination& d = destinations_.emplace_back();
      d.queue.kind = HopKind::kQueue;
      d.queue.messageId = f.targetId;
      d.queue.connector = f.targetCode;
      d.queue.parent = origin;
    }
  }

  // The lines of the day's routing agent log that name the ID.
  std::vector<std::string> RoutingLines(const Date& day, std::string_view id) const {
    std::vector<std::string> lines;
    LineSource source(GetLogFile(server_, "MTA", kDebug, day));
    if (!source.is_open()) return lines;
    source.ForEachLineContaining(id, [&](std::string_view line) {
      if (NamesId(line, id)) lines.emplace_back(line);
      return true;
    });
    return lines;
  }

  // Sets the origin from the routing lines of `id`: `id` itself when a line routes it, the
  // message routed into it when a line names it as the new ID. False when no route line names it.
  bool Origin(const std::vector<std::string>& lines, std::string_view id) {
    bool routed = false;
    for (const std::string& line : lines) {
      const RouteFields f(line);
      if (!f.route) continue;
      if (f.sourceId == id) {
        story_.originId = std::string(id);
        return true;
      }
      if (f.targetId == id && !routed) {
        story_.originId = f.sourceId;
        story_.originConnector = f.sourceCode;
        routed = true;
      }
    }
    return routed;
  }

  // The SMTP debug log: the inbound message's lines, each SMTP queue's lines (its requeue lines
  // make its copies) and each known copy's lines; copies made today are read for in a second
  // reading of the same log.
  void ReadSmtpDebug(const Date& day) {
    const std::string file = GetLogFile(server_, "SMTP", kDebug, day);
    const std::string log = FileNameOf(file);
    std::vector<std::string_view> ids{story_.originId};
    std::vector<StoryHop*> hops{&inbound_};
    std::vector<Destination*> parents{nullptr};
    for (Destination& d : destinations_) {
      if (d.queue.connector != "SMTP") continue;
      ids.push_back(d.queue.messageId);
      hops.push_back(&d.queue);
      parents.push_back(&d);
      for (StoryHop& copy : d.copies) {
        ids.push_back(copy.messageId);
        hops.push_back(&copy);
        parents.push_back(nullptr);
      }
    }
    std::vector<std::pair<Destination*, RouteEntry>> made;
    ReadOnce(file, ids, [&](std::string_view line, const std::vector<std::size_t>& matched) {
      for (const std::size_t i : matched) {
        if (!NamesId(line, ids[i])) continue;
        Destination* parent = parents[i];
        if (parent != nullptr && IsRequeueOf(line, parent->queue.messageId)) {
          RouteEntry copy;
          std::string_view value;
          if (TaggedValue(line, kRequeuedAsTag, value)) copy.MessageID = std::string(value);
          if (TaggedValue(line, kTargetDomainTag, value)) copy.Domain = std::string(value);
          if (!Knows(*parent, copy.MessageID)) made.emplace_back(parent, std::move(copy));
          continue;  // the copy's own hop tells of it
        }
        Add(*hops[i], day, log, line);
      }
      return true;
    });
    if (made.empty()) return;
    // The copy lists grow only now, so that the hops above stayed in place while reading.
    std::vector<std::size_t> before;
    for (const Destination& d : destinations_) before.push_back(d.copies.size());
    for (auto& [parent, entry] : made) {
      if (Knows(*parent, entry.MessageID)) continue;
      StoryHop& copy = parent->copies.emplace_back();
      copy.kind = HopKind::kCopy;
      copy.messageId = std::move(entry.MessageID);
      copy.connector = "SMTP";
      copy.domain = std::move(entry.Domain);
      copy.parent = parent->queue.messageId;
    }
    std::vector<std::string_view> newIds;
    std::vector<StoryHop*> newHops;
    for (std::size_t i = 0; i < destinations_.size(); ++i) {
      std::vector<StoryHop>& copies = destinations_[i].copies;
      for (std::size_t k = before[i]; k < copies.size(); ++k) {
        newIds.push_back(copies[k].messageId);
        newHops.push_back(&copies[k]);
      }
    }
    Read(file, day, newIds, newHops);
  }

  // The SMTP activity log: each copy's conversation, and the inbound one of a message that came
  // in through SMTP (another connector's inbound conversation is in its own activity log).
  void ReadSmtpActivity(const Date& day) {
    std::vector<std::string_view> ids;
    std::vector<StoryHop*> hops;
    const std::vector<std::string_view> origin{story_.originId};
    const std::vector<StoryHop*> inbound{&inbound_};
    if (story_.originConnector == "SMTP") {
      ids = origin;
      hops = inbound;
    } else if (!story_.originConnector.empty()) {
      Read(GetLogFile(server_, story_.originConnector, kActivity, day), day, origin, inbound);
    }
    for (Destination& d : destinations_) {
      for (StoryHop& copy : d.copies) {
        ids.push_back(copy.messageId);
        hops.push_back(&copy);
      }
    }
    Read(GetLogFile(server_, "SMTP", kActivity, day), day, ids, hops);
  }

  static bool IsRequeueOf(std::string_view line, std::string_view parent) {
    if (line.find(kRequeueCode) == std::string_view::npos) return false;
    std::string_view value;
    return TaggedValue(line, kRequeueParentTag, value) && value == parent;
  }

  static bool Knows(const Destination& d, std::string_view copyId) {
    return std::any_of(d.copies.begin(), d.copies.end(),
                       [&](const StoryHop& copy) { return copy.messageId == copyId; });
  }

  const Server& server_;
  Story& story_;
  StoryHop inbound_;
  StoryHop routing_;
  std::optional<Date> prefetchedDay_;  // the day whose routing lines the walk back read
  std::vector<std::string> prefetched_;
  std::vector<Destination> destinations_;
};

}  // namespace

bool Story::Found() const {
  if (result == StoryResult::kWaiting) return true;
  return std::any_of(hops.begin(), hops.end(),
                     [](const StoryHop& hop) { return !hop.events.empty(); });
}

Story TellStory(const Server& server, std::string_view id, const Date& start, long long days) {
  Story story;
  story.first = DateFromLogDate(LogDateOf(start));
  story.last = DateFromLogDate(LogDateOf(AddDays(story.first, days)));
  Teller teller(server, story);
  if (id.empty()) {  // names no message, though every line would hold it
    teller.Finish();
    return story;
  }
  if (!teller.WalkBack(id, story.first)) {
    // A copy sent today may have been made yesterday: its story then starts there.
    const Date before = DateFromLogDate(LogDateOf(AddDays(story.first, -1)));
    if (teller.WalkBack(id, before)) {
      story.first = before;
      ++days;
    }
  }
  for (long long offset = 0; offset <= days; ++offset) {
    teller.ReadDay(DateFromLogDate(LogDateOf(AddDays(story.first, offset))));
  }
  teller.Finish();
  return story;
}

}  // namespace rq
