#include "app/win32/main_window.h"

#include "app/win32/handles.h"

#include <commctrl.h>

#include "app/commands.h"
#include "app/win32/main_form.h"
#include "app/win32/window_support.h"
#include "settings/log_dates.h"
#include "settings/startup_check.h"

namespace rq::win32 {
namespace {

constexpr char kClassName[] = "RQTrackerMain";

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

constexpr int kFirstId = 1000;

Message ToolMessage(std::string text) {
  return Message{kToolTitle, std::move(text), MessageIcon::kInformation};
}

}  // namespace

MainWindow::MainWindow(const Server& server, const DateFormat& dateFormat,
                       MessageBoxUserInterface& ui, WindowReport::ShowModal showModal)
    : server_(server),
      dateFormat_(dateFormat),
      ui_(ui),
      report_(ui, nullptr, std::move(showModal)) {
  RegisterWindowClass(kClassName, &WindowProcOf<MainWindow>);
  const UINT dpi = DpiOf(nullptr);
  const SIZE outer = OuterSize(kStyle, kExStyle, TwipsToPixels(kMainClientWidth, dpi),
                               TwipsToPixels(kMainClientHeight, dpi), dpi);
  CreateWindowExA(kExStyle, kClassName, "Ravenquill Message Routing Trace Utility", kStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr,
                  GetModuleHandleA(nullptr), this);
  report_.SetOwner(hwnd_);
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND MainWindow::Control(std::string_view name) const {
  for (const Child& c : children_) {
    if (name == c.name) return c.hwnd;
  }
  return nullptr;
}

void MainWindow::CreateControls() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  int id = kFirstId;
  for (const ControlSpec& spec : kControls) {
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (spec.kind) {
      case Kind::kFrame:
        cls = "BUTTON";
        style |= BS_GROUPBOX;
        break;
      case Kind::kLabel:
        style |= SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS;
        break;
      case Kind::kWrappedLabel:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case Kind::kImageCombo:
        cls = WC_COMBOBOXEXA;
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        break;
      case Kind::kDateCombo:
        cls = "COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
        break;
      case Kind::kText:
        cls = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case Kind::kCheck:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
      case Kind::kButton:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case Kind::kList:
        cls = WC_LISTVIEWA;
        style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    }
    const HWND child =
        CreateWindowExA(exStyle, cls, spec.caption, style, 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    if (!spec.enabled) EnableWindow(child, FALSE);
    children_.push_back(Child{spec.name, child});
  }

  const HWND list = Control("lvOrigins");
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const char* headers[] = {"Date/Time", "Message ID", "Data"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(headers[i]);
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&column));
  }

  // Every key typed into the date box passes the date filter on its way to the box's edit part.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(Control("cboDate"), &info) && info.hwndItem != nullptr) {
    SetWindowSubclass(info.hwndItem, &MainWindow::DateEditProc, 1,
                      reinterpret_cast<DWORD_PTR>(this));
  }
}

LRESULT CALLBACK MainWindow::DateEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
  if (message == WM_CHAR && DateBoxKeyFilter(static_cast<int>(wParam)) == 0) return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &MainWindow::DateEditProc, 1);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  font_ = DialogFont(dpi);
  SetFontOnChildren(hwnd_, font_.get());
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  std::size_t i = 0;
  for (const ControlSpec& spec : kControls) {
    const HWND child = children_[i++].hwnd;
    int height = px(spec.height);
    // A combo box's height is that of its drop-down list; its own follows the font.
    if (spec.kind == Kind::kImageCombo || spec.kind == Kind::kDateCombo) height = px(2400);
    SetWindowPos(child, nullptr, px(spec.left), px(spec.top), px(spec.width), height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // "Date/Time" a fifth of the width, the ID and the data two fifths each, with room for the
  // vertical scroll bar that a long list brings.
  const HWND list = Control("lvOrigins");
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - client.left - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
  ListView_SetColumnWidth(list, 0, width / 5);
  ListView_SetColumnWidth(list, 1, width * 2 / 5);
  ListView_SetColumnWidth(list, 2, width - width / 5 - width * 2 / 5);
}

void MainWindow::Form_Load() {
  for (const std::string& warning : StartUpCheck(server_.settings())) {
    ui_.ShowMessage(Message{kLoggingWarningTitle, warning, MessageIcon::kCritical});
  }
  const HWND connector = Control("icboConnector");
  SendMessageA(connector, CB_RESETCONTENT, 0, 0);
  connectorKeys_ = {"SMTP"};
  COMBOBOXEXITEMA item{};
  item.mask = CBEIF_TEXT | CBEIF_LPARAM;
  item.iItem = 0;
  item.pszText = const_cast<char*>("SMTP Connector");
  item.lParam = 0;
  SendMessageA(connector, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  SendMessageA(connector, CB_SETCURSEL, 0, 0);
  icboConnector_Click();
}

void MainWindow::Run() {
  CenterWindow(hwnd_, nullptr);
  ui_.SetOwner(hwnd_);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  RunWindowLoop(hwnd_);
  ui_.SetOwner(nullptr);
}

std::string MainWindow::ConnectorCode() const {
  const LRESULT index = SendMessageA(Control("icboConnector"), CB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<std::size_t>(index) >= connectorKeys_.size()) return {};
  return connectorKeys_[static_cast<std::size_t>(index)];
}

bool MainWindow::boolDoBacktrace() const {
  return SendMessageA(Control("chkBacktrace"), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::optional<std::string> MainWindow::SelectedMessageId() const {
  const HWND list = Control("lvOrigins");
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  const auto key = static_cast<std::size_t>(item.lParam);
  return key < rowKeys_.size() ? rowKeys_[key] : std::string();
}

void MainWindow::FillOrigins(const OriginList& origins) {
  const HWND list = Control("lvOrigins");
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

void MainWindow::icboConnector_Click() {
  std::vector<std::string> dates;
  try {
    dates = ListAvailableDates(server_, ConnectorCode());
  } catch (...) {
    dates.clear();  // an unreadable directory lists nothing
  }
  const HWND box = Control("cboDate");
  SendMessageA(box, CB_RESETCONTENT, 0, 0);
  for (const std::string& date : dates) {
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(date.c_str()));
  }
  if (!dates.empty()) SendMessageA(box, CB_SETCURSEL, 0, 0);
  EnableWindow(Control("cmdListOrigins"), dates.empty() ? FALSE : TRUE);
}

void MainWindow::chkBacktrace_Click() {
  SetWindowTextA(Control("lblMessageCriteria"), boolDoBacktrace()
                                                    ? "Outbound Messages matching criteria:"
                                                    : "Inbound Messages matching criteria:");
}

void MainWindow::cmdListOrigins_Click() {
  ui_.SetBusy(true);
  const std::string dateText = WindowTextOf(Control("cboDate"));
  const std::string sender = WindowTextOf(Control("txtSender"));
  const std::string recipient = WindowTextOf(Control("txtRecipient"));
  OriginList origins;
  SearchOutcome outcome;
  try {
    outcome = SearchOrigins(server_, dateText, ConnectorCode(), sender, recipient,
                            boolDoBacktrace(), origins);
  } catch (...) {
    origins.Clear();
    outcome = SearchOutcome{};
    outcome.message = ToolMessage("Could not find messages matching the criteria specified");
    outcome.enableTraceButtons = false;
  }
  FillOrigins(origins);
  ui_.SetBusy(false);
  if (outcome.message) ui_.ShowMessage(*outcome.message);
  if (outcome.focusSender) SetFocus(Control("txtSender"));
  if (outcome.enableTraceButtons) {
    EnableWindow(Control("cmdTrace"), *outcome.enableTraceButtons ? TRUE : FALSE);
    EnableWindow(Control("cmdShowTransaction"), *outcome.enableTraceButtons ? TRUE : FALSE);
  }
}

void MainWindow::ShowOutcome(const std::optional<Message>& message, bool showReport) {
  if (message) {
    ui_.SetBusy(false);
    ui_.ShowMessage(*message);
  } else if (showReport) {
    report_.ShowTraceOutput();
  }
  ui_.SetBusy(false);
}

void MainWindow::cmdTrace_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome = TraceMessage(server_, dateFormat_, WindowTextOf(Control("cboDate")),
                           SelectedMessageId(), boolDoBacktrace(), report_);
  } catch (...) {
    outcome = CommandOutcome{};
    outcome.message = ToolMessage(
        "Unable to trace message. Message does not seem to have been routed through Ravenquill "
        "queues.");
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void MainWindow::cmdShowTransaction_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome =
        ShowTransaction(server_, WindowTextOf(Control("cboDate")), SelectedMessageId(), report_);
  } catch (...) {
    outcome = CommandOutcome{};
    outcome.message =
        ToolMessage("Unable to locate message details in from selected origin. Error (0) ");
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void MainWindow::lvOrigins_DblClick() {
  const std::optional<std::string> key = SelectedMessageId();
  if (key && key->empty()) return;
  cmdTrace_Click();
}

void MainWindow::OnCommand(int id, int code) {
  const int index = id - kFirstId;
  if (index < 0 || static_cast<std::size_t>(index) >= children_.size()) return;
  const std::string_view name = children_[static_cast<std::size_t>(index)].name;
  if (code == BN_CLICKED) {
    if (name == "cmdListOrigins") cmdListOrigins_Click();
    if (name == "cmdTrace") cmdTrace_Click();
    if (name == "cmdShowTransaction") cmdShowTransaction_Click();
    if (name == "cmdQuit") DestroyWindow(hwnd_);
    if (name == "chkBacktrace") chkBacktrace_Click();
  } else if (code == CBN_SELCHANGE && name == "icboConnector") {
    icboConnector_Click();
  }
}

void MainWindow::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == Control("lvOrigins") && header.code == NM_DBLCLK) lvOrigins_DblClick();
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      ApplyDpi(DpiOf(hwnd_));
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }
    case WM_ACTIVATE:
      if (focus_.OnActivate(hwnd_, wParam, Control("icboConnector"))) return 0;
      break;
    case WM_SETCURSOR:
      if (ui_.busy()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      // Enter and Escape (IDOK, IDCANCEL from the dialog keys) start nothing.
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace rq::win32
