#include "app/win32/trace_window.h"

#include "app/win32/window_support.h"

namespace rq::win32 {
namespace {

constexpr char kClassName[] = "RQTrackerTraceResult";
constexpr int kCloseId = 100;

// The window as created, in twips.
constexpr int kClientWidth = 9870;
constexpr int kClientHeight = 4110;
constexpr int kTextLeft = 90;
constexpr int kTextTop = 135;
constexpr int kButtonWidth = 1245;
constexpr int kButtonHeight = 405;

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                         WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;

// The report bytes as the text box gets them: a NUL would end the text there, so it is shown as
// a blank; every other byte goes through the ANSI code page as it is.
std::string DisplayBytes(const std::string& report) {
  std::string text = report;
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return text;
}

}  // namespace

TraceWindow::TraceWindow(HWND owner)
    : owner_(owner), textWidth_(9645), textHeight_(3345), buttonLeft_(8520), buttonTop_(3600) {
  RegisterWindowClass(kClassName, &WindowProcOf<TraceWindow>);
  const UINT dpi = DpiOf(owner);
  const SIZE outer = OuterSize(kStyle, kExStyle, TwipsToPixels(kClientWidth, dpi),
                               TwipsToPixels(kClientHeight, dpi), dpi);
  CreateWindowExA(kExStyle, kClassName, "Message Trace Result", kStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, outer.cx, outer.cy, owner, nullptr, GetModuleHandleA(nullptr),
                  this);
  CenterWindow(hwnd_, owner);
}

TraceWindow::~TraceWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void TraceWindow::Detach() {
  hwnd_ = nullptr;
  txtTrace_ = nullptr;
  cmdClose_ = nullptr;
}

void TraceWindow::CreateControls() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  txtTrace_ =
      CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                          ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_NOHIDESEL,
                      0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
  SetWindowTextA(txtTrace_, "");
  // No limit: a report may be far longer than what a user could type.
  SendMessageA(txtTrace_, EM_SETLIMITTEXT, 0, 0);
  cmdClose_ =
      CreateWindowExA(0, "BUTTON", "&Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                      0, 0, 0, hwnd_, reinterpret_cast<HMENU>(kCloseId), instance, nullptr);
}

void TraceWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  font_ = DialogFont(dpi);
  fixedFont_ = FixedFont(dpi);
  SendMessageA(cmdClose_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  SendMessageA(txtTrace_, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_.get()), TRUE);
}

void TraceWindow::Relayout() {
  // The rule is stated for the outer size, border and title bar included. Each measure on its
  // own: one the window cannot take (negative) keeps its value while the others follow.
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  const int width = PixelsToTwips(outer.right - outer.left, dpi_);
  const int height = PixelsToTwips(outer.bottom - outer.top, dpi_);
  if (width - 280 >= 0) textWidth_ = width - 280;
  if (height - kButtonHeight - 850 >= 0) textHeight_ = height - kButtonHeight - 850;
  buttonLeft_ = width - kButtonWidth - 200;
  buttonTop_ = textHeight_ + 250;
  const auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };
  MoveWindow(txtTrace_, px(kTextLeft), px(kTextTop), px(textWidth_), px(textHeight_), TRUE);
  MoveWindow(cmdClose_, px(buttonLeft_), px(buttonTop_), px(kButtonWidth), px(kButtonHeight), TRUE);
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
  SetWindowTextA(txtTrace_, DisplayBytes(report_).c_str());
  textCurrent_ = true;
}

LRESULT TraceWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      ApplyDpi(DpiOf(hwnd_));
      Relayout();
      return 0;
    case WM_SIZE:
      if (txtTrace_ != nullptr) Relayout();
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
      if (focus_.OnActivate(hwnd_, wParam, txtTrace_)) return 0;
      break;
    case WM_CTLCOLORSTATIC:
      // The report reads like a document: on the window colour, not greyed as read-only.
      if (reinterpret_cast<HWND>(lParam) == txtTrace_) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_COMMAND:
      // Close or its accelerator. Escape (IDCANCEL) does not close the report, as elsewhere.
      if (LOWORD(wParam) == kCloseId) {
        DestroyWindow(hwnd_);
        return 0;
      }
      break;
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
