// What the form logic asks of a window: the few verbs the forms need, named by the controls of
// the form tables. WindowView holds what every window answers; FormView adds the main window's
// combo boxes, check box, origin list and menu; StoryView the story's tree. The Qt and the Win32
// views implement them over their widgets; the tests over a fake that records what was set.
// Message boxes and the busy pointer go through the UserInterface the logic is given with it.
//
// Text crossing these interfaces is 8-bit text in the logs' code page (Windows-1252), as the core
// matches it; a view converts to and from what its widgets hold.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/form_table.h"
#include "readers/origin_search.h"

namespace rq {

enum class CheckState { kUnchecked, kChecked, kGrayed };

class WindowView {
 public:
  virtual ~WindowView() = default;

  // The text of a text box, of a combo box's text part, or the caption of a label or button.
  virtual std::string Text(ControlId id) const = 0;
  virtual void SetText(ControlId id, std::string_view text) = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual void SetFocus(ControlId id) = 0;
  // Places a control, in twips relative to its container (the resizable windows' layouts).
  virtual void Move(ControlId id, const TwipsRect& rect) = 0;
  // Puts the text on the clipboard as the system's plain text.
  virtual void SetClipboard(std::string_view text) = 0;
  // Closes the window.
  virtual void Close() = 0;
};

// One entry of a context menu as the view shows it.
struct MenuItem {
  std::string_view caption;  // an '&' marks its accelerator
  bool enabled = true;
  bool isDefault = false;  // drawn in bold; what the double-click with Ctrl does
};

class FormView : public virtual WindowView {
 public:
  virtual CheckState Check(ControlId id) const = 0;

  // The entries of a combo box: emptied, then added one at a time with a key (the image combo's
  // entries have one; the date box's are their text) and selected by position, which puts the
  // entry's text into the box.
  virtual void ClearItems(ControlId id) = 0;
  virtual void AddItem(ControlId id, std::string_view key, std::string_view text) = 0;
  virtual void SelectItem(ControlId id, int index) = 0;
  // The key of the selected entry; nullopt when none is selected.
  virtual std::optional<std::string> SelectedKey(ControlId id) const = 0;

  // The rows of the origins list (lvOrigins) become exactly these, none selected.
  virtual void ShowOrigins(const OriginList& origins) = 0;
  // The key (message ID) of the selected row; nullopt when no row is selected.
  virtual std::optional<std::string> SelectedOriginKey() const = 0;

  // Opens a context menu over the control (at the pointer, or at its selected row when opened
  // from the keyboard) and returns the position of the entry chosen; nullopt when dismissed.
  virtual std::optional<int> ShowMenu(ControlId id, std::span<const MenuItem> items) = 0;
};

// A heading of the story's tree with the rows it folds over.
struct TreeBranch {
  std::string heading;
  std::vector<std::string> rows;

  friend bool operator==(const TreeBranch&, const TreeBranch&) = default;
};

class StoryView : public virtual WindowView {
 public:
  // The tree (tvStory) becomes these branches, every one unfolded, the first heading current.
  virtual void ShowTree(const std::vector<TreeBranch>& branches) = 0;
};

}  // namespace rq
