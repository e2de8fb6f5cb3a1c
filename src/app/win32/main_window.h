// The main window on Windows: the search criteria, the origins a search found, and the commands
// that trace an origin or show its SMTP transaction, built from common controls. The window
// reads its controls and hands them to the core's commands; it holds no rule of its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/win32/handles.h"
#include "app/win32/message_boxes.h"
#include "app/win32/trace_window.h"
#include "app/win32/window_support.h"
#include "readers/origin_search.h"
#include "base/dates.h"
#include "settings/server.h"

namespace rq::win32 {

class MainWindow {
 public:
  // `ui` shows the message boxes and holds the busy pointer; `showModal` shows the result window
  // (RunModal when empty). The window is created hidden.
  MainWindow(const Server& server, const DateFormat& dateFormat, MessageBoxUserInterface& ui,
             WindowReport::ShowModal showModal = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Before the window is shown: the logging warnings (each its own box, owned by nobody), the
  // connector box with its one entry, the date box for that connector.
  void Form_Load();
  // Shows the window and returns when it has been closed.
  void Run();

  HWND hwnd() const { return hwnd_; }
  // The control of that name ("cboDate", "lvOrigins", ...), or null.
  HWND Control(std::string_view name) const;
  WindowReport& report() { return report_; }

  // For WindowProcOf.
  void Attach(HWND hwnd) { hwnd_ = hwnd; }
  void Detach() { hwnd_ = nullptr; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Child {
    const char* name;
    HWND hwnd;
  };

  void CreateControls();
  void ApplyDpi(UINT dpi);
  void OnCommand(int id, int code);
  void OnNotify(const NMHDR& header);
  static LRESULT CALLBACK DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);

  std::string ConnectorCode() const;
  bool boolDoBacktrace() const;
  std::optional<std::string> SelectedMessageId() const;
  void FillOrigins(const OriginList& origins);

  void icboConnector_Click();
  void chkBacktrace_Click();
  void cmdListOrigins_Click();
  void cmdTrace_Click();
  void cmdShowTransaction_Click();
  void lvOrigins_DblClick();
  void ShowOutcome(const std::optional<Message>& message, bool showReport);

  const Server& server_;
  DateFormat dateFormat_;
  MessageBoxUserInterface& ui_;
  HWND hwnd_ = nullptr;
  WindowReport report_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Font font_;
  FocusKeeper focus_;
  std::vector<Child> children_;
  std::vector<std::string> connectorKeys_;
  std::vector<std::string> rowKeys_;  // the list's item data indexes this
};

}  // namespace rq::win32
