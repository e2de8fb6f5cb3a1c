// The story window's behaviour without a toolkit: a summary line over the story's hops as a tree,
// "Copy" and "Copy Redacted" for the story as `rqtrace story` writes it, Close and Escape; and
// its layout when resized.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/forms/form_events.h"
#include "app/forms/form_view.h"
#include "tracing/story.h"

namespace rq {

// The story as text, exactly as `rqtrace story` prints it (with `redact`, as `--redact` does).
std::string StoryCopyText(const Story& story, bool redact);
// The summary line: origin, connector, result, the days read and, when the message's arrival is
// not in them, the day to ask from.
std::string StorySummary(const Story& story);
// Each hop a heading (kind, ID, connector, domain, parent) over its events (day, time, log, the
// line as written).
std::vector<TreeBranch> StoryTree(const Story& story);

// The places of the story window's controls for a client area of width x height twips: the tree
// takes what the summary and the row of buttons at the bottom right leave; nothing shrinks below
// nothing.
std::vector<std::pair<ControlId, TwipsRect>> LayoutStoryWindow(int clientWidth, int clientHeight);

class StoryForm {
 public:
  explicit StoryForm(StoryView& view) : view_(view) {}

  // Fills the window with the story; the tree has the focus.
  void Show(const Story& story);
  void cmdCopy_Click();
  void cmdCopyRedacted_Click();
  // Close, Escape and the close box close the window.
  void cmdStoryClose_Click() { view_.Close(); }
  void Form_Resize(int clientWidth, int clientHeight);

  static std::span<const EventRow<StoryForm>> Events();

 private:
  StoryView& view_;
  std::string text_, redacted_;
};

// A story window as the main window opens it: created hidden, filled through its form, shown
// modally; destroying it destroys the window.
class StoryWindow {
 public:
  virtual ~StoryWindow() = default;
  virtual StoryForm& form() = 0;
  virtual void ShowModal() = 0;
};

using StoryWindowFactory = std::function<std::unique_ptr<StoryWindow>()>;

}  // namespace rq
