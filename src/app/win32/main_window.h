// The main window on Windows: the controls of the main form's table, each event handed to the
// form logic through its table; only the date box's character and paste filter is its own.
#pragma once

#include "app/forms/main_form.h"
#include "app/win32/result_windows.h"
#include "base/dates.h"
#include "settings/server.h"

namespace rq::win32 {

class MainWindow final : public FormWindow {
 public:
  // `ui` shows the message boxes and holds the busy pointer; `showModal` shows the result and
  // story windows (RunModal when empty). The window is created hidden.
  MainWindow(const Server& server, const DateFormat& dateFormat, MessageBoxUserInterface& ui,
             ShowModalHook showModal = {});

  // Before the window is shown: the logging warnings (each its own box, owned by nobody), the
  // connector box, the date box.
  void Form_Load() { form_.Form_Load(); }
  // Shows the window and returns when it has been closed.
  void Run();

  WindowReport& report() { return report_; }

 private:
  static LRESULT CALLBACK DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);

  MessageBoxUserInterface& ui_;
  WindowReport report_;
  MainForm form_;
};

}  // namespace rq::win32
