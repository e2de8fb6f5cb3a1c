#include "app/win32/trace_window.h"

#include "app/win32/window_support.h"

namespace rq::win32 {
namespace {

constexpr char kClassName[] = "RQTrackerTraceResult";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                         WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

using enum ControlId;

// The report bytes as the text box gets them, through the ANSI code page as they are; only a
// NUL, which would end the text there, is shown as a blank.
std::string DisplayBytes(const std::string& report) {
  std::string text = report;
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return text;
}

}  // namespace

TraceWindow::TraceWindow(HWND owner) : owner_(owner) {
  RegisterWindowClass(kClassName, &WindowProcOf<TraceWindow>);
  const FormSpec& form = TraceFormSpec();
  const UINT dpi = DpiOf(owner);
  const SIZE outer = OuterSize(kStyle, kExStyle, TwipsToPixels(form.clientWidth, dpi),
                               TwipsToPixels(form.clientHeight, dpi), dpi);
  const std::string caption(form.caption);
  CreateWindowExA(kExStyle, kClassName, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  outer.cx, outer.cy, owner, nullptr, GetModuleHandleA(nullptr), this);
  CenterWindow(hwnd_, owner);
}

TraceWindow::~TraceWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void TraceWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  font_ = DialogFont(dpi);
  fixedFont_ = FixedFont(dpi);
  controls_.PlaceAll(dpi, font_.get());
  SendMessageA(Control(txtTrace), WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_.get()), TRUE);
}

void TraceWindow::Relayout() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  form_.Form_Resize(PixelsToTwips(client.right, dpi_), PixelsToTwips(client.bottom, dpi_));
}

void TraceWindow::ClearReport() {
  report_.clear();
  textCurrent_ = false;
}

void TraceWindow::AppendReport(std::string_view text) {
  report_ += text;
  textCurrent_ = false;
}

void TraceWindow::SyncText() {
  if (textCurrent_) return;
  SetWindowTextA(Control(txtTrace), DisplayBytes(report_).c_str());
  textCurrent_ = true;
}

LRESULT TraceWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      controls_.Create(hwnd_, TraceFormSpec());
      // No limit: a report may be far longer than what a user could type.
      SendMessageA(Control(txtTrace), EM_SETLIMITTEXT, 0, 0);
      ApplyDpi(DpiOf(hwnd_));
      Relayout();
      return 0;
    case WM_SIZE:
      if (Control(txtTrace) != nullptr) Relayout();
      return 0;
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Relayout();
      return 0;
    }
    case WM_ACTIVATE:
      // The report has the focus first, so that the keys scroll it.
      if (focus_.OnActivate(hwnd_, wParam, Control(txtTrace))) return 0;
      break;
    case WM_CTLCOLORSTATIC:
      // The report reads like a document: on the window colour, not greyed as read-only.
      if (reinterpret_cast<HWND>(lParam) == Control(txtTrace)) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_COMMAND:
      // Close or its accelerator; Escape (IDCANCEL) does not close the report.
      if (controls_.IdOf(reinterpret_cast<HWND>(lParam)) == cmdClose &&
          HIWORD(wParam) == BN_CLICKED) {
        form_.cmdClose_Click();
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

WindowReport::WindowReport(MessageBoxUserInterface& ui, HWND owner, ShowModal showModal)
    : ui_(ui), owner_(owner), showModal_(std::move(showModal)) {
  if (!showModal_) {
    showModal_ = [](TraceWindow& window) {
      window.SyncText();
      RunModal(window.hwnd(), window.owner());
    };
  }
}

WindowReport::~WindowReport() = default;

TraceWindow& WindowReport::Window() {
  if (!window_ || window_->hwnd() == nullptr) window_ = std::make_unique<TraceWindow>(owner_);
  return *window_;
}

void WindowReport::ClearTraceOutput() {
  Window().ClearReport();
}

void WindowReport::WriteTraceOutput(std::string_view text) {
  Window().AppendReport(text);
}

void WindowReport::ShowTraceOutput() {
  TraceWindow& window = Window();
  ui_.SetBusy(false);
  window.SyncText();
  showModal_(window);
  // Closing discards the window and its report.
  window_.reset();
}

}  // namespace rq::win32
