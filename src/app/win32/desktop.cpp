#include "app/win32/desktop.h"

#include "app/win32/handles.h"

#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/program_support.h"
#include "app/win32/main_window.h"
#include "app/win32/message_boxes.h"
#include "app/win32/trace_window.h"

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

int RunDesktop(const Server& server, const std::string& commandLine) {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_USEREX_CLASSES};
  InitCommonControlsEx(&controls);
  MessageBoxUserInterface ui;
  try {
    const DateFormat format = DateFormat::FromUserLocale();
    if (commandLine.empty()) {
      MainWindow window(server, format, ui);
      window.Form_Load();  // the logging warnings come before the window shows
      window.Run();
      return kExitOk;
    }
    const std::vector<std::string_view> fields = SplitCommandLine(commandLine);
    if (fields.size() < 2) return kExitOk;
    WindowReport report(ui, nullptr);
    RunCommandLineTrace(server, format, fields[1], TodayLocal(), ui, report);
    return kExitOk;
  } catch (const std::exception& e) {
    ui.SetBusy(false);
    ReportStartupError(e.what());
    return kExitUsage;
  }
}

}  // namespace rq::win32
