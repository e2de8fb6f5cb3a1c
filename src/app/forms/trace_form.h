// The result window's behaviour without a toolkit: its layout rule and its Close button.
#pragma once

#include "app/forms/form_table.h"
#include "app/forms/form_view.h"

namespace rq {

// Where the result window's two controls stand, in twips.
struct TraceLayout {
  TwipsRect text = ControlOf(ControlId::txtTrace).rect;
  TwipsRect button = ControlOf(ControlId::cmdClose).rect;

  friend bool operator==(const TraceLayout&, const TraceLayout&) = default;
};

// The layout after the window's outer size (border and title bar included) became
// outerWidth x outerHeight twips. The text box fills the window but for fixed margins, the
// button keeps to the bottom right, just below the text box. Each measure is set on its own: a
// width or height that would be negative is refused and keeps its value, the others still follow.
TraceLayout LayoutTraceWindow(const TraceLayout& current, int outerWidth, int outerHeight);

// The border and title bar the rule's margins were drawn for: with them the window's size at
// creation gives the table's layout. Front ends add these to the client size rather than their
// own frame, which differs between platforms and themes and is often not known before the
// window is first shown; so the layout is the same on every platform and from the first show.
inline constexpr int kTraceFrameWidth = 55;
inline constexpr int kTraceFrameHeight = 490;

class TraceForm {
 public:
  explicit TraceForm(FormView& view) : view_(view) {}

  // The window's client area became clientWidth x clientHeight twips (also when first shown):
  // lays out the text box and the button by the rule above.
  void Form_Resize(int clientWidth, int clientHeight);
  void cmdClose_Click() { view_.Close(); }

  const TraceLayout& layout() const { return layout_; }

 private:
  FormView& view_;
  TraceLayout layout_;
};

}  // namespace rq
