// The result window's behaviour without a toolkit: its layout rule, its Close button and Escape,
// how report bytes are shown, and the report sink that creates, fills, shows and discards it.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/forms/form_events.h"
#include "app/forms/form_table.h"
#include "app/forms/form_view.h"
#include "app/user_interface.h"
#include "tracing/report.h"

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

// Report bytes (Windows-1252) as UTF-8 for the text box: CR LF ends a line and becomes
// `lineEnd`; every other control character but TAB (a lone CR or LF, NUL, ...) becomes its
// visible symbol (U+2400 + the byte), so that no byte of a log line is lost or breaks the line.
std::string ReportDisplayText(std::string_view bytes, std::string_view lineEnd);

class TraceForm {
 public:
  explicit TraceForm(WindowView& view) : view_(view) {}

  // The window's client area became clientWidth x clientHeight twips (also when first shown):
  // lays out the text box and the button by the rule above.
  void Form_Resize(int clientWidth, int clientHeight);
  // Close, Escape and the close box close the window.
  void cmdClose_Click() { view_.Close(); }

  static std::span<const EventRow<TraceForm>> Events();
  const TraceLayout& layout() const { return layout_; }

 private:
  WindowView& view_;
  TraceLayout layout_;
};

// The result window as the report sink needs it. Destroying it destroys the window.
class ReportWindow {
 public:
  virtual ~ReportWindow() = default;
  // Fills the text box with the report's bytes in one go, without drawing line by line.
  virtual void SetReport(std::string_view bytes) = 0;
  // Shows the window modally over its owner; returns once the user has closed it.
  virtual void ShowModal() = 0;
};

// Creates a result window, hidden.
using ReportWindowFactory = std::function<std::unique_ptr<ReportWindow>()>;

// The trace report of the windows. Each operation first creates the result window, hidden, when
// there is none; writes gather bytes. ShowTraceOutput fills the text box while the busy pointer
// is still on, ends it, shows the window modally and, once the user has closed it, destroys it
// with its report: the next report starts empty.
class WindowReport final : public ReportSink {
 public:
  WindowReport(UserInterface& ui, ReportWindowFactory create);

  void ClearTraceOutput() override;
  void WriteTraceOutput(std::string_view text) override;
  void ShowTraceOutput() override;

  // The result window, or nullptr while there is none.
  ReportWindow* window() const { return window_.get(); }
  const std::string& report() const { return report_; }

 private:
  void Open();

  UserInterface& ui_;
  ReportWindowFactory create_;
  std::unique_ptr<ReportWindow> window_;
  std::string report_;
};

}  // namespace rq
