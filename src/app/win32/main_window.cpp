#include "app/win32/main_window.h"

#include <commctrl.h>

namespace rq::win32 {
namespace {

constexpr char kClassName[] = "RQTrackerMain";
// A fixed size: a thin border, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

using enum ControlId;

}  // namespace

MainWindow::MainWindow(const Server& server, const DateFormat& dateFormat,
                       MessageBoxUserInterface& ui, WindowReport::ShowModal showModal)
    : ui_(ui),
      report_(ui, nullptr, std::move(showModal)),
      form_(server, dateFormat, *this, ui, report_) {
  RegisterWindowClass(kClassName, &WindowProcOf<MainWindow>);
  const FormSpec& form = MainFormSpec();
  const UINT dpi = DpiOf(nullptr);
  const SIZE outer = OuterSize(kStyle, kExStyle, TwipsToPixels(form.clientWidth, dpi),
                               TwipsToPixels(form.clientHeight, dpi), dpi);
  const std::string caption(form.caption);
  CreateWindowExA(kExStyle, kClassName, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  outer.cx, outer.cy, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  report_.SetOwner(hwnd_);
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void MainWindow::Run() {
  CenterWindow(hwnd_, nullptr);
  ui_.SetOwner(hwnd_);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  RunWindowLoop(hwnd_);
  ui_.SetOwner(nullptr);
}

void MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  font_ = FittedDialogFont(MainFormSpec(), dpi);
  controls_.PlaceAll(dpi, font_.get());
  // The columns share the list's width by the table, less room for the vertical scroll bar that
  // a long list brings.
  const HWND list = Control(lvOrigins);
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
  int column = 0;
  int used = 0;
  const auto columns = OriginListColumns();
  for (const ListColumnSpec& c : columns) {
    const bool last = column + 1 == static_cast<int>(columns.size());
    const int w = last ? width - used : width * c.fifths / 5;
    ListView_SetColumnWidth(list, column++, w);
    used += w;
  }
}

std::string MainWindow::Text(ControlId id) const {
  return WindowTextOf(Control(id));
}

void MainWindow::SetText(ControlId id, std::string_view text) {
  SetWindowTextA(Control(id), std::string(text).c_str());
}

void MainWindow::SetEnabled(ControlId id, bool enabled) {
  const HWND c = Control(id);
  // A control that loses the focus by being disabled hands it on, or the keyboard would be dead.
  if (!enabled && (GetFocus() == c || IsChild(c, GetFocus()))) {
    ::SetFocus(GetNextDlgTabItem(hwnd_, c, FALSE));
  }
  EnableWindow(c, enabled ? TRUE : FALSE);
}

CheckState MainWindow::Check(ControlId id) const {
  switch (SendMessageA(Control(id), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return CheckState::kChecked;
    case BST_INDETERMINATE:
      return CheckState::kGrayed;
    default:
      return CheckState::kUnchecked;
  }
}

std::vector<std::string>& MainWindow::KeysOf(ControlId id) {
  return id == icboConnector ? connectorKeys_ : dateKeys_;
}

const std::vector<std::string>& MainWindow::KeysOf(ControlId id) const {
  return id == icboConnector ? connectorKeys_ : dateKeys_;
}

void MainWindow::ClearItems(ControlId id) {
  SendMessageA(Control(id), CB_RESETCONTENT, 0, 0);
  KeysOf(id).clear();
}

void MainWindow::AddItem(ControlId id, std::string_view key, std::string_view text) {
  std::vector<std::string>& keys = KeysOf(id);
  const std::string shown(text);
  if (ControlOf(id).kind == ControlKind::kImageCombo) {
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_TEXT | CBEIF_LPARAM;
    item.iItem = static_cast<INT_PTR>(keys.size());
    item.pszText = const_cast<char*>(shown.c_str());
    item.lParam = static_cast<LPARAM>(keys.size());
    SendMessageA(Control(id), CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  } else {
    SendMessageA(Control(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  keys.emplace_back(key);
}

void MainWindow::SelectItem(ControlId id, int index) {
  SendMessageA(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::optional<std::string> MainWindow::SelectedKey(ControlId id) const {
  const LRESULT index = SendMessageA(Control(id), CB_GETCURSEL, 0, 0);
  const std::vector<std::string>& keys = KeysOf(id);
  if (index < 0 || static_cast<std::size_t>(index) >= keys.size()) return std::nullopt;
  return keys[static_cast<std::size_t>(index)];
}

void MainWindow::ShowOrigins(const OriginList& origins) {
  const HWND list = Control(lvOrigins);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  rowKeys_.clear();
  for (std::size_t i = 0; i < origins.size(); ++i) {
    const Origin& o = origins[i];
    rowKeys_.push_back(o.MessageID);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(o.LogTime.c_str());
    item.lParam = static_cast<LPARAM>(i);
    const auto row =
        static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    ListView_SetItemText(list, row, 1, const_cast<char*>(o.MessageID.c_str()));
    ListView_SetItemText(list, row, 2, const_cast<char*>(o.sData.c_str()));
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::optional<std::string> MainWindow::SelectedOriginKey() const {
  const HWND list = Control(lvOrigins);
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  const auto key = static_cast<std::size_t>(item.lParam);
  return key < rowKeys_.size() ? rowKeys_[key] : std::string();
}

void MainWindow::SetFocus(ControlId id) {
  ::SetFocus(Control(id));
}

void MainWindow::Move(ControlId id, const TwipsRect& rect) {
  controls_.Place(id, rect, dpi_);
}

void MainWindow::Close() {
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK MainWindow::DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
  // Every character typed into the date box passes the form's key filter on its way in.
  if (message == WM_CHAR && DateBoxKeyFilter(static_cast<int>(wParam)) == 0) return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &MainWindow::DateEditProc, 1);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void MainWindow::OnCommand(ControlId id, int code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case cmdListOrigins:
        return form_.cmdListOrigins_Click();
      case cmdTrace:
        return form_.cmdTrace_Click();
      case cmdShowTransaction:
        return form_.cmdShowTransaction_Click();
      case cmdQuit:
        return form_.cmdQuit_Click();
      case chkBacktrace:
        return form_.chkBacktrace_Click();
      default:
        return;
    }
  }
  if (code == CBN_SELCHANGE && id == icboConnector) form_.icboConnector_Click();
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      controls_.Create(hwnd_, MainFormSpec());
      const HWND list = Control(lvOrigins);
      ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
      int column = 0;
      for (const ListColumnSpec& c : OriginListColumns()) {
        const std::string caption(c.caption);
        LVCOLUMNA lvc{};
        lvc.mask = LVCF_TEXT | LVCF_SUBITEM;
        lvc.pszText = const_cast<char*>(caption.c_str());
        lvc.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column++),
                     reinterpret_cast<LPARAM>(&lvc));
      }
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(Control(cboDate), &info) && info.hwndItem != nullptr) {
        SetWindowSubclass(info.hwndItem, &MainWindow::DateEditProc, 1, 0);
      }
      ApplyDpi(DpiOf(hwnd_));
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }
    case WM_ACTIVATE:
      if (focus_.OnActivate(hwnd_, wParam, Control(icboConnector))) return 0;
      break;
    case WM_SETCURSOR:
      if (ui_.busy()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      // Enter and Escape (IDOK, IDCANCEL from the dialog keys) start nothing.
      OnCommand(controls_.IdOf(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == Control(lvOrigins) && header->code == NM_DBLCLK) {
        form_.lvOrigins_DblClick();
      }
      return 0;
    }
    case WM_CLOSE:
      form_.cmdQuit_Click();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace rq::win32
