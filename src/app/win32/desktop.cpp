#include "app/win32/desktop.h"

#include "app/win32/handles.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "app/forms/desktop_start.h"
#include "app/program_support.h"
#include "app/win32/main_window.h"

namespace rq::win32 {
namespace {

bool HandedOver(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool PrepareStandardStreams() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD type =
      out != nullptr && out != INVALID_HANDLE_VALUE ? GetFileType(out) : FILE_TYPE_UNKNOWN;
  const bool redirected = type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
  if (!HandedOver(STD_OUTPUT_HANDLE) && !HandedOver(STD_ERROR_HANDLE) &&
      AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::FILE* f = nullptr;
    freopen_s(&f, "CONOUT$", "w", stdout);
    freopen_s(&f, "CONOUT$", "w", stderr);
    freopen_s(&f, "CONIN$", "r", stdin);
  }
  return redirected;
}

void ReportStartupError(const std::string& text) {
  if (HandedOver(STD_ERROR_HANDLE) || GetConsoleWindow() != nullptr) {
    std::fprintf(stderr, "rqtracker: %s\n", text.c_str());
    return;
  }
  MessageBoxA(nullptr, text.c_str(), "rqtracker", MB_OK | MB_ICONHAND | MB_SETFOREGROUND);
}

namespace {

class Win32DesktopViews final : public DesktopViews {
 public:
  UserInterface& ui() override { return ui_; }
  void RunMainWindow(const Server& server, const DateFormat& format) override {
    MainWindow window(server, format, ui_);
    window.Form_Load();  // the logging warnings come before the window shows
    window.Run();
  }
  std::unique_ptr<ReportWindow> CreateReportWindow() override {
    return std::make_unique<TraceWindow>(nullptr, ui_);
  }
  void ReportError(const std::string& text) override { ReportStartupError(text); }

 private:
  MessageBoxUserInterface ui_;
};

}  // namespace

int RunDesktop(const Server& server, const std::string& commandLine) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_USEREX_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  Win32DesktopViews views;
  return RunDesktopWindows(server, commandLine, views);
}

}  // namespace rq::win32
