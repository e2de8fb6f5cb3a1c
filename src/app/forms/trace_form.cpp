#include "app/forms/trace_form.h"

namespace rq {

TraceLayout LayoutTraceWindow(const TraceLayout& current, int outerWidth, int outerHeight) {
  TraceLayout next = current;
  const int width = outerWidth - 280;
  if (width >= 0) next.text.width = width;
  const int height = outerHeight - next.button.height - 850;
  if (height >= 0) next.text.height = height;
  next.button.left = outerWidth - next.button.width - 200;
  // From the text box's height, not its bottom edge: the gap to the button stays 115 twips.
  next.button.top = next.text.height + 250;
  return next;
}

void TraceForm::Form_Resize(int clientWidth, int clientHeight) {
  layout_ =
      LayoutTraceWindow(layout_, clientWidth + kTraceFrameWidth, clientHeight + kTraceFrameHeight);
  view_.Move(ControlId::txtTrace, layout_.text);
  view_.Move(ControlId::cmdClose, layout_.button);
}

}  // namespace rq
