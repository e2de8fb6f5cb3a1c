#include "app/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

namespace rq::win32 {

MainWindow::MainWindow(const Server& server, const DateFormat& dateFormat,
                       MessageBoxUserInterface& ui, ShowModalHook showModal)
    : FormWindow(MainFormSpec(), nullptr, ui),
      ui_(ui),
      report_(ui, [this, &ui,
                   showModal] { return std::make_unique<TraceWindow>(hwnd(), ui, showModal); }),
      form_(server, dateFormat, *this, ui, report_, [this, &ui, showModal] {
        return std::make_unique<StoryDialog>(hwnd(), ui, showModal);
      }) {
  Drive(form_);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(Control(ControlId::cboDate), &info) && info.hwndItem != nullptr) {
    SetWindowSubclass(info.hwndItem, &MainWindow::DateEditProc, 1, 0);
  }
}

void MainWindow::Run() {
  CenterWindow(hwnd(), nullptr);
  ui_.SetOwner(hwnd());
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  RunWindowLoop(hwnd());
  ui_.SetOwner(nullptr);
}

LRESULT CALLBACK MainWindow::DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
  // Every character typed into the date box passes the form's key filter on its way in; control
  // characters (Ctrl+V, Ctrl+A) are commands and pass.
  if (message == WM_CHAR && wParam == 1) {  // Ctrl+A
    SendMessageA(hwnd, EM_SETSEL, 0, -1);
    return 0;
  }
  if (message == WM_CHAR && wParam >= 0x20 && DateBoxKeyFilter(static_cast<int>(wParam)) == 0) {
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &MainWindow::DateEditProc, 1);
  const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  // Pasted text passes the same filter, however it came in: Ctrl+V, Shift+Insert, the context
  // menu (which the edit control handles without a message that could be stopped on the way).
  if (message == WM_PASTE || message == WM_KEYDOWN || message == WM_CONTEXTMENU) {
    const std::string text = WindowTextOf(hwnd);
    const std::string kept = DateBoxPasteFilter(text);
    if (kept != text) {
      DWORD caret = 0;
      SendMessageA(hwnd, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
      const auto at = DateBoxPasteFilter(text.substr(0, std::min<std::size_t>(caret, text.size())));
      SetWindowTextA(hwnd, kept.c_str());
      SendMessageA(hwnd, EM_SETSEL, at.size(), static_cast<LPARAM>(at.size()));
    }
  }
  return result;
}

}  // namespace rq::win32
