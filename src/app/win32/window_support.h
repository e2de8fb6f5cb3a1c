// What every window of the Win32 front end shares: the window procedure that hands each message
// to the C++ object behind the window, twips at the window's DPI, the system's dialog font, and
// the message loops that keep Tab and Alt+letter working.
#pragma once

#include <string>

#include "app/forms/form_table.h"
#include "app/win32/handles.h"

namespace rq::win32 {

// The procedure of one window class whose windows are driven by a `T`: the object is handed over
// in CreateWindowEx's last argument, kept in GWLP_USERDATA from WM_NCCREATE on, and given every
// message through T::HandleMessage. T::Attach(hwnd) tells the object its window; T::Detach() that
// the window is gone.
template <class T>
LRESULT CALLBACK WindowProcOf(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->Attach(hwnd);
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->Detach();
  }
  return result;
}

// Registers the class `name` with procedure `proc` once per process (a second call is harmless),
// with the program's icon (resource 1) where the program has one.
void RegisterWindowClass(const char* name, WNDPROC proc);

// The DPI the window is shown at (96 when the system cannot tell).
UINT DpiOf(HWND hwnd);

// The dialog font, made as much smaller as the forms' font rule needs for every label of `form`
// to show its whole text in its rectangle at `dpi`.
Font FittedDialogFont(const FormSpec& form, UINT dpi);
// A fixed-pitch font of the same height as the dialog font.
Font FixedFont(UINT dpi);

// The window size that gives a client area of clientWidth x clientHeight pixels at `dpi`.
SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi);

// Moves a top-level window to the middle of `owner`, or of the work area of its monitor.
void CenterWindow(HWND hwnd, HWND owner);

// Hands one message on as the loops do: dialog keys (Tab, Alt+letter, arrows) to the controls of
// the window it is for, everything else translated and dispatched.
void DispatchWindowMessage(MSG& msg);

// Runs the message loop until `window` is destroyed: dialog keys (Tab, Alt+letter, arrows) are
// handled for it. A WM_QUIT met on the way is put back for the outer loop.
void RunWindowLoop(HWND window);

// Shows `window` modally over `owner` (which may be null): the owner is disabled until the
// window is gone.
void RunModal(HWND window, HWND owner);

// Keeps the keyboard focus of a window's controls across deactivation, as dialogs do: the control
// that had it gets it back when the window is active again (`fallback` the first time).
class FocusKeeper {
 public:
  // Call from WM_ACTIVATE; returns true when it set the focus.
  bool OnActivate(HWND window, WPARAM wParam, HWND fallback);

 private:
  HWND last_ = nullptr;
};

// The text of a window as 8-bit text in the ANSI code page.
std::string WindowTextOf(HWND hwnd);

}  // namespace rq::win32
