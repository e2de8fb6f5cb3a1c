#include "app/win32/result_windows.h"

#include <string>

namespace rq::win32 {

void TraceWindow::SetReport(std::string_view bytes) {
  const std::string utf8 = ReportDisplayText(bytes, "\r\n");
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
  const HWND box = Control(ControlId::txtTrace);
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SetWindowTextW(box, text.c_str());
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

}  // namespace rq::win32
