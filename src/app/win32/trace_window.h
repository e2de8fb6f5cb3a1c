// The result window on Windows: the trace report in a read-only, unwrapped text box with both
// scroll bars and a fixed-pitch font, and a Close button, laid out by the shared form logic; and
// the report sink that creates the window, hidden, on first use and discards it with its report
// when the user closes it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/forms/form_view.h"
#include "app/forms/trace_form.h"
#include "app/win32/form_controls.h"
#include "app/win32/handles.h"
#include "app/win32/message_boxes.h"
#include "app/win32/window_support.h"
#include "tracing/report.h"

namespace rq::win32 {

class TraceWindow final : public FormView {
 public:
  explicit TraceWindow(HWND owner);
  ~TraceWindow() override;
  TraceWindow(const TraceWindow&) = delete;
  TraceWindow& operator=(const TraceWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND owner() const { return owner_; }
  HWND Control(ControlId id) const { return controls_[id]; }

  const std::string& report() const { return report_; }
  void ClearReport();
  void AppendReport(std::string_view text);
  // Puts the report into the text box; writes only gather bytes until then.
  void SyncText();

  // FormView: the result window uses placing and closing; the rest has nothing to act on.
  std::string Text(ControlId id) const override { return WindowTextOf(Control(id)); }
  void SetText(ControlId, std::string_view) override {}
  void SetEnabled(ControlId id, bool enabled) override { EnableWindow(Control(id), enabled); }
  CheckState Check(ControlId) const override { return CheckState::kUnchecked; }
  void ClearItems(ControlId) override {}
  void AddItem(ControlId, std::string_view, std::string_view) override {}
  void SelectItem(ControlId, int) override {}
  std::optional<std::string> SelectedKey(ControlId) const override { return std::nullopt; }
  void ShowOrigins(const OriginList&) override {}
  std::optional<std::string> SelectedOriginKey() const override { return std::nullopt; }
  void SetFocus(ControlId id) override { ::SetFocus(Control(id)); }
  void Move(ControlId id, const TwipsRect& rect) override { controls_.Place(id, rect, dpi_); }
  void Close() override { DestroyWindow(hwnd_); }

  // For WindowProcOf.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void Detach() { hwnd_ = nullptr; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void ApplyDpi(UINT dpi);
  void Relayout();

  HWND owner_;
  HWND hwnd_ = nullptr;
  TraceForm form_{*this};
  FormControls controls_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Font font_;
  Font fixedFont_;
  FocusKeeper focus_;
  std::string report_;
  bool textCurrent_ = true;
};

// The trace report of the Windows windows. ShowTraceOutput ends the busy pointer, shows the
// window modally over the owner and destroys it, with its report, once the user has closed it.
class WindowReport final : public ReportSink {
 public:
  // Shows the window modally and returns once it is closed; tests replace RunModal.
  using ShowModal = std::function<void(TraceWindow&)>;

  WindowReport(MessageBoxUserInterface& ui, HWND owner, ShowModal showModal = {});
  ~WindowReport() override;
  WindowReport(const WindowReport&) = delete;
  WindowReport& operator=(const WindowReport&) = delete;

  void ClearTraceOutput() override;
  void WriteTraceOutput(std::string_view text) override;
  void ShowTraceOutput() override;

  // The window the result window is centred over and disables while it is shown.
  void SetOwner(HWND owner) { owner_ = owner; }
  TraceWindow* window() const { return window_.get(); }

 private:
  TraceWindow& Window();

  MessageBoxUserInterface& ui_;
  HWND owner_;
  ShowModal showModal_;
  std::unique_ptr<TraceWindow> window_;
};

}  // namespace rq::win32
