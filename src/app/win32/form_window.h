// The Win32 view of the forms: one window class builds any form's controls from its table as
// common controls, answers the form logic's verbs on them and reports each event as (control,
// event) to the window's event table. The windows add only what is theirs.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/forms/form_events.h"
#include "app/forms/form_view.h"
#include "app/win32/handles.h"
#include "app/win32/message_boxes.h"
#include "app/win32/window_support.h"

namespace rq::win32 {

class FormWindow : public FormView, public StoryView {
 public:
  // Runs the handler of the window's event table; false when the table has none.
  using EventHandler = std::function<bool(ControlId, FormEvent)>;
  // The client area became width x height twips.
  using ResizeHandler = std::function<void(int width, int height)>;

  // Shows a window modally and returns once it is gone; tests replace the modal loop.
  using ShowModalHook = std::function<void(FormWindow&)>;

  // Creates the window of `form`, hidden, owned by `owner` (may be null), with every control of
  // the table in its place at the window's DPI, in the table's focus order. `ui`'s busy pointer
  // is shown over it.
  FormWindow(const FormSpec& form, HWND owner, MessageBoxUserInterface& ui,
             ShowModalHook showModal = {});
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Hands the window's events to `form` through its table, and its size when it has a layout
  // (laid out at once for the present size).
  template <class Form>
  void Drive(Form& form) {
    onEvent_ = [&form](ControlId id, FormEvent event) {
      return Dispatch(Form::Events(), form, id, event);
    };
    if constexpr (requires { form.Form_Resize(0, 0); }) {
      onResize_ = [&form](int width, int height) { form.Form_Resize(width, height); };
      Relayout();
    }
  }

  HWND hwnd() const { return hwnd_; }
  HWND owner() const { return owner_; }
  HWND Control(ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }
  UINT dpi() const { return dpi_; }

  // Shows the window modally over its owner (or through the test's hook); returns once it is
  // gone.
  void RunModal();

  std::string Text(ControlId id) const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetEnabled(ControlId id, bool enabled) override;
  void SetFocus(ControlId id) override;
  void Move(ControlId id, const TwipsRect& rect) override;
  void SetClipboard(std::string_view text) override;
  void Close() override;
  CheckState Check(ControlId id) const override;
  void ClearItems(ControlId id) override;
  void AddItem(ControlId id, std::string_view key, std::string_view text) override;
  void SelectItem(ControlId id, int index) override;
  std::optional<std::string> SelectedKey(ControlId id) const override;
  void ShowOrigins(const OriginList& origins) override;
  std::optional<std::string> SelectedOriginKey() const override;
  std::optional<int> ShowMenu(ControlId id, std::span<const MenuItem> items) override;
  void ShowTree(const std::vector<TreeBranch>& branches) override;

  // For WindowProcOf.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void Detach() { hwnd_ = nullptr; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void CreateControls();
  void ApplyDpi(UINT dpi);
  void Relayout();
  bool Report(ControlId id, FormEvent event);
  ControlId IdOf(HWND hwnd) const;
  std::vector<std::string>& KeysOf(ControlId id) { return keys_[static_cast<std::size_t>(id)]; }
  const std::vector<std::string>& KeysOf(ControlId id) const {
    return keys_[static_cast<std::size_t>(id)];
  }

  const FormSpec& form_;
  HWND owner_;
  MessageBoxUserInterface& ui_;
  HWND hwnd_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Font font_;
  Font fixedFont_;
  FocusKeeper focus_;
  POINT menuAt_{};
  ShowModalHook showModal_;
  EventHandler onEvent_;
  ResizeHandler onResize_;
  static constexpr std::size_t kControls = static_cast<std::size_t>(ControlId::kForm);
  std::array<HWND, kControls> controls_{};
  // The keys of the combo boxes' entries and the list's rows, by position.
  std::array<std::vector<std::string>, kControls> keys_;
};

}  // namespace rq::win32
