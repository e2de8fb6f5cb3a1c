// The main window on Windows: the controls of the shared form table built as common controls,
// every event handed to the form logic, and the FormView verbs that logic uses carried out on
// the controls. No rule of the window lives here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/forms/form_view.h"
#include "app/forms/main_form.h"
#include "app/win32/form_controls.h"
#include "app/win32/handles.h"
#include "app/win32/message_boxes.h"
#include "app/win32/trace_window.h"
#include "app/win32/window_support.h"
#include "base/dates.h"
#include "settings/server.h"

namespace rq::win32 {

class MainWindow final : public FormView {
 public:
  // `ui` shows the message boxes and holds the busy pointer; `showModal` shows the result window
  // (RunModal when empty). The window is created hidden.
  MainWindow(const Server& server, const DateFormat& dateFormat, MessageBoxUserInterface& ui,
             WindowReport::ShowModal showModal = {});
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Before the window is shown: the logging warnings (each its own box, owned by nobody), the
  // connector box, the date box.
  void Form_Load() { form_.Form_Load(); }
  // Shows the window and returns when it has been closed.
  void Run();

  HWND hwnd() const { return hwnd_; }
  HWND Control(ControlId id) const { return controls_[id]; }
  WindowReport& report() { return report_; }

  // FormView.
  std::string Text(ControlId id) const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetEnabled(ControlId id, bool enabled) override;
  CheckState Check(ControlId id) const override;
  void ClearItems(ControlId id) override;
  void AddItem(ControlId id, std::string_view key, std::string_view text) override;
  void SelectItem(ControlId id, int index) override;
  std::optional<std::string> SelectedKey(ControlId id) const override;
  void ShowOrigins(const OriginList& origins) override;
  std::optional<std::string> SelectedOriginKey() const override;
  void SetFocus(ControlId id) override;
  void Move(ControlId id, const TwipsRect& rect) override;
  void Close() override;

  // For WindowProcOf.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void Detach() { hwnd_ = nullptr; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void ApplyDpi(UINT dpi);
  void OnCommand(ControlId id, int code);
  std::vector<std::string>& KeysOf(ControlId id);
  const std::vector<std::string>& KeysOf(ControlId id) const;
  static LRESULT CALLBACK DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);

  MessageBoxUserInterface& ui_;
  HWND hwnd_ = nullptr;
  WindowReport report_;
  MainForm form_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Font font_;
  FocusKeeper focus_;
  FormControls controls_;
  std::vector<std::string> connectorKeys_;
  std::vector<std::string> dateKeys_;
  std::vector<std::string> rowKeys_;  // the list's item data indexes this
};

}  // namespace rq::win32
