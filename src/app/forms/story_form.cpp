#include "app/forms/story_form.h"

#include <algorithm>
#include <array>

#include "app/output.h"
#include "app/redact.h"

namespace rq {
namespace {

using enum ControlId;

std::string_view ResultWord(StoryResult result) {
  switch (result) {
    case StoryResult::kRouted:
      return "routed";
    case StoryResult::kWaiting:
      return "waiting in the inbound queue";
    case StoryResult::kOriginEarlier:
      return "its origin before the logs read";
    case StoryResult::kNotRouted:
      break;
  }
  return "not routed";
}

std::string_view KindWord(HopKind kind) {
  switch (kind) {
    case HopKind::kInbound:
      return "Inbound";
    case HopKind::kRouting:
      return "Routing";
    case HopKind::kQueue:
      return "Queue";
    case HopKind::kCopy:
      break;
  }
  return "Copy";
}

}  // namespace

std::string StoryCopyText(const Story& story, bool redact) {
  Result result = StoryReport{story, std::nullopt};
  if (redact) {
    Redactor redactor;  // one for the whole story: one value, one placeholder throughout
    Redact(result, redactor);
  }
  return Text(result);
}

std::string StorySummary(const Story& story) {
  const std::string days = LogDateOf(story.first) + " to " + LogDateOf(story.last);
  if (!story.Found()) {
    return "Nothing in the logs of " + days + " names message " + story.askedId + ".";
  }
  std::string out = "Origin [" + story.originId + "], connector " + story.originConnector + ", " +
                    std::string(ResultWord(story.result)) + "; logs of " + days + ".";
  const bool arrivalRead = std::any_of(story.hops.begin(), story.hops.end(), [](const StoryHop& h) {
    return h.kind == HopKind::kInbound && !h.events.empty();
  });
  if (story.result == StoryResult::kOriginEarlier) {
    out += story.askDaysBack == 0 ? " Its origin is in no log kept."
                                  : " Ask with " + AskAgainOptions(story) + " to read its origin.";
  } else if (!arrivalRead) {
    out +=
        " Its arrival is not in these days: ask from a day before " + LogDateOf(story.first) + ".";
  }
  return out;
}

std::vector<TreeBranch> StoryTree(const Story& story) {
  std::vector<TreeBranch> tree;
  for (const StoryHop& hop : story.hops) {
    TreeBranch branch;
    branch.heading = std::string(KindWord(hop.kind)) + " [" + hop.messageId + "]";
    if (!hop.connector.empty()) branch.heading += "  connector " + hop.connector;
    if (!hop.domain.empty()) branch.heading += "  domain " + hop.domain;
    if (!hop.parent.empty()) branch.heading += "  parent [" + hop.parent + "]";
    for (const StoryEvent& e : hop.events) {
      branch.rows.push_back(LogDateOf(e.day) + " " + e.time + "  " + e.log + "  " + e.line);
    }
    if (hop.events.empty()) branch.rows.emplace_back("(no log lines)");
    tree.push_back(std::move(branch));
  }
  return tree;
}

std::vector<std::pair<ControlId, TwipsRect>> LayoutStoryWindow(int clientWidth, int clientHeight) {
  const FormSpec& form = StoryFormSpec();
  const int grow = std::max(clientWidth, 0) - form.clientWidth;
  const int rise = std::max(clientHeight, 0) - form.clientHeight;
  const TwipsRect tree = ControlOf(tvStory).rect;
  std::vector<std::pair<ControlId, TwipsRect>> places;
  for (const ControlSpec& c : form.controls) {
    TwipsRect r = c.rect;
    if (c.id == lblSummary || c.id == tvStory) r.width = std::max(r.width + grow, 0);
    if (c.id == tvStory) r.height = std::max(r.height + rise, 0);
    if (c.kind == ControlKind::kButton) {
      r.left += grow;
      // Below the tree, even when it has no height left.
      const int gap = c.rect.top - tree.bottom();
      r.top = std::max(r.top + rise, tree.top + gap);
    }
    places.emplace_back(c.id, r);
  }
  return places;
}

void StoryForm::Show(const Story& story) {
  text_ = StoryCopyText(story, false);
  redacted_ = StoryCopyText(story, true);
  view_.SetText(lblSummary, StorySummary(story));
  view_.ShowTree(StoryTree(story));
  view_.SetFocus(tvStory);
}

void StoryForm::cmdCopy_Click() {
  view_.SetClipboard(text_);
}

void StoryForm::cmdCopyRedacted_Click() {
  view_.SetClipboard(redacted_);
}

void StoryForm::Form_Resize(int clientWidth, int clientHeight) {
  for (const auto& [id, rect] : LayoutStoryWindow(clientWidth, clientHeight)) view_.Move(id, rect);
}

std::span<const EventRow<StoryForm>> StoryForm::Events() {
  static constexpr std::array<EventRow<StoryForm>, 5> kEvents{{
      {cmdCopy, FormEvent::kClick, &StoryForm::cmdCopy_Click},
      {cmdCopyRedacted, FormEvent::kClick, &StoryForm::cmdCopyRedacted_Click},
      {cmdStoryClose, FormEvent::kClick, &StoryForm::cmdStoryClose_Click},
      {kForm, FormEvent::kCancel, &StoryForm::cmdStoryClose_Click},
      {kForm, FormEvent::kClose, &StoryForm::cmdStoryClose_Click},
  }};
  return kEvents;
}

}  // namespace rq
