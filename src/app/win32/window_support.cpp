#include "app/win32/window_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace rq::win32 {

void RegisterWindowClass(const char* name, WNDPROC proc) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
  if (wc.hIcon == nullptr) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
}

UINT DpiOf(HWND hwnd) {
  const UINT dpi = hwnd != nullptr ? GetDpiForWindow(hwnd) : GetDpiForSystem();
  return dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

namespace {

// The metrics in their wide form: the per-DPI call knows no other.
NONCLIENTMETRICSW Metrics(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    // Older systems: the same font scaled from the system DPI.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), GetDpiForSystem());
  }
  return metrics;
}

}  // namespace

Font FittedDialogFont(const FormSpec& form, UINT dpi) {
  const LOGFONTW system = Metrics(dpi).lfMessageFont;
  const double start = std::abs(system.lfHeight) * 72.0 / dpi;
  const auto fontAt = [&](double points) {
    LOGFONTW lf = system;
    if (points != start) lf.lfHeight = -std::lround(points * dpi / 72.0);
    return Font(CreateFontIndirectW(&lf));
  };
  WindowDc dc(nullptr);
  const double points = FitFontPoints(start, [&](double candidate) {
    const Font font = fontAt(candidate);
    const SelectedObject selected(dc.get(), font.get());
    return std::all_of(form.controls.begin(), form.controls.end(), [&](const ControlSpec& def) {
      const bool wrapped = def.kind == ControlKind::kWrappedLabel;
      if (!wrapped && def.kind != ControlKind::kLabel) return true;
      const std::string text(def.caption);
      const int at = static_cast<int>(dpi);
      RECT box{0, 0, TwipsToPixels(def.rect.width, at), 0};
      DrawTextA(dc.get(), text.c_str(), -1, &box,
                DT_CALCRECT | DT_NOPREFIX | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
      return box.right <= TwipsToPixels(def.rect.width, at) &&
             (!wrapped || box.bottom <= TwipsToPixels(def.rect.height, at));
    });
  });
  return fontAt(points);
}

Font FixedFont(UINT dpi) {
  LOGFONTW lf = Metrics(dpi).lfMessageFont;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = FALSE;
  lf.lfCharSet = ANSI_CHARSET;
  lstrcpynW(lf.lfFaceName, L"Consolas", LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&lf);
  // Where Consolas is missing the mapper would pick any font: ask for Courier New instead.
  if (font != nullptr) {
    WindowDc dc(nullptr);
    const SelectedObject selected(dc.get(), font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.get(), &tm);
    if ((tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0) {  // the bit set means variable pitch
      DeleteObject(font);
      lstrcpynW(lf.lfFaceName, L"Courier New", LF_FACESIZE);
      font = CreateFontIndirectW(&lf);
    }
  }
  return Font(font);
}

SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi) {
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectExForDpi(&r, style, FALSE, exStyle, dpi);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void CenterWindow(HWND hwnd, HWND owner) {
  RECT area{};
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
    GetWindowRect(owner, &area);
  } else {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info);
    area = info.rcWork;
  }
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunWindowLoop(HWND window) {
  MSG msg{};
  while (IsWindow(window)) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    DispatchWindowMessage(msg);
  }
}

void DispatchWindowMessage(MSG& msg) {
  // The dialog keys go to the controls of the window the message is for, whichever that is.
  const HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && IsDialogMessageA(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void RunModal(HWND window, HWND owner) {
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  // Disabling the owner takes the focus from its control: it is given back afterwards, so that
  // the keys go on where they were (the origin list after a trace).
  const HWND focus = owner != nullptr && IsChild(owner, GetFocus()) ? GetFocus() : nullptr;
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  RunWindowLoop(window);
  if (ownerWasEnabled) {
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    if (focus != nullptr && IsWindow(focus) && IsWindowEnabled(focus)) SetFocus(focus);
  }
}

bool FocusKeeper::OnActivate(HWND window, WPARAM wParam, HWND fallback) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus)) last_ = focus;
    return false;
  }
  const HWND target =
      last_ != nullptr && IsWindow(last_) && IsWindowEnabled(last_) ? last_ : fallback;
  if (target == nullptr) return false;
  SetFocus(target);
  return true;
}

std::string WindowTextOf(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int got = GetWindowTextA(hwnd, buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

}  // namespace rq::win32
