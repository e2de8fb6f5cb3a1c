#include "app/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "app/forms/trace_form.h"

namespace rq::win32 {
namespace {

constexpr char kClassName[] = "RQTrackerForm";
constexpr int kFirstId = 1000;  // a control's id (WM_COMMAND) is this plus its ControlId
// A combo box is given the height of its drop-down list; its own follows its font.
constexpr int kDropDownTwips = 2400;

DWORD StyleOf(const FormSpec& form) {
  constexpr DWORD kFixed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  return form.resizable ? kFixed | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN : kFixed;
}
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

struct WindowClass {
  const char* name;
  DWORD style;
  DWORD exStyle;
};

// The class and styles of each kind of control, in the order of ControlKind.
constexpr DWORD kTab = WS_TABSTOP;
constexpr std::array<WindowClass, 11> kClasses{{
    {"BUTTON", BS_GROUPBOX, 0},
    {"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS, 0},
    {"STATIC", SS_LEFT | SS_NOPREFIX, 0},
    {WC_COMBOBOXEXA, kTab | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
    {"COMBOBOX", kTab | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0},
    {"EDIT", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {"EDIT",
     kTab | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
         ES_NOHIDESEL,
     WS_EX_CLIENTEDGE},
    {"BUTTON", kTab | BS_AUTOCHECKBOX, 0},
    {"BUTTON", kTab | BS_PUSHBUTTON, 0},
    {WC_LISTVIEWA, kTab | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
     WS_EX_CLIENTEDGE},
    {WC_TREEVIEWA, kTab | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
     WS_EX_CLIENTEDGE},
}};

bool IsCombo(ControlKind kind) {
  return kind == ControlKind::kImageCombo || kind == ControlKind::kEditCombo;
}

// The report box leaves Tab and Escape to the window, as every other control does: Tab moves on
// to Close, Escape closes.
LRESULT CALLBACK ReportBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
  if (message == WM_GETDLGCODE) {
    return DefSubclassProc(hwnd, message, wParam, lParam) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &ReportBoxProc, 1);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// The Menu key and Shift+F10 open the list's menu on every system alike: turned into
// WM_CONTEXTMENU on the key's way down, and kept from the default handling, which on some systems
// makes a second one on the way up and on others none.
LRESULT CALLBACK MenuKeysProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
  const bool menuKey = wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0);
  if (menuKey && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
    SendMessageA(GetParent(hwnd), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
    return 0;
  }
  if (menuKey && (message == WM_KEYUP || message == WM_SYSKEYUP)) return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &MenuKeysProc, 1);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// A menu, destroyed with its holder.
using PopupMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)>;

}  // namespace

FormWindow::FormWindow(const FormSpec& form, HWND owner, MessageBoxUserInterface& ui,
                       ShowModalHook showModal)
    : form_(form), owner_(owner), ui_(ui), showModal_(std::move(showModal)) {
  RegisterWindowClass(kClassName, &WindowProcOf<FormWindow>);
  const int dpi = static_cast<int>(DpiOf(owner));
  const SIZE outer = OuterSize(StyleOf(form), kExStyle, TwipsToPixels(form.clientWidth, dpi),
                               TwipsToPixels(form.clientHeight, dpi), static_cast<UINT>(dpi));
  const std::string caption(form.caption);
  CreateWindowExA(kExStyle, kClassName, caption.c_str(), StyleOf(form), CW_USEDEFAULT,
                  CW_USEDEFAULT, outer.cx, outer.cy, owner, nullptr, GetModuleHandleA(nullptr),
                  this);
  CenterWindow(hwnd_, owner);
}

FormWindow::~FormWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void FormWindow::RunModal() {
  if (showModal_) {
    showModal_(*this);
  } else {
    win32::RunModal(hwnd_, owner_);
  }
}

void FormWindow::CreateControls() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  const int dpi = static_cast<int>(dpi_);
  for (const ControlSpec& def : form_.controls) {
    const WindowClass c = kClasses.at(static_cast<std::size_t>(def.kind));
    const TwipsRect r = FormRect(def.id);
    // Siblings clip each other: a label that reaches into the list below it cannot paint over
    // the list's border. Combo boxes are made with their drop-down list's height from the start.
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | c.style;
    const int height = TwipsToPixels(IsCombo(def.kind) ? kDropDownTwips : r.height, dpi);
    const auto id =
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + static_cast<int>(def.id)));
    HWND hwnd = nullptr;
    if (def.kind == ControlKind::kReportBox) {
      // A window of wide text, so that the symbols of control bytes can be shown.
      hwnd = CreateWindowExW(c.exStyle, L"EDIT", L"", style, TwipsToPixels(r.left, dpi),
                             TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi), height, hwnd_,
                             id, instance, nullptr);
      SetWindowSubclass(hwnd, &ReportBoxProc, 1, 0);
      SendMessageA(hwnd, EM_SETLIMITTEXT, 0, 0);  // a report may be far longer than typing
    } else {
      const std::string caption(def.caption);
      hwnd = CreateWindowExA(c.exStyle, c.name, caption.c_str(), style, TwipsToPixels(r.left, dpi),
                             TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi), height, hwnd_,
                             id, instance, nullptr);
    }
    if (!def.enabled) EnableWindow(hwnd, FALSE);
    controls_[static_cast<std::size_t>(def.id)] = hwnd;
    if (def.kind == ControlKind::kListView) {
      SetWindowSubclass(hwnd, &MenuKeysProc, 1, 0);
      ListView_SetExtendedListViewStyle(hwnd, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
      int column = 0;
      for (const ListColumnSpec& col : OriginListColumns()) {
        const std::string text(col.caption);
        LVCOLUMNA lvc{};
        lvc.mask = LVCF_TEXT | LVCF_SUBITEM;
        lvc.pszText = const_cast<char*>(text.c_str());
        lvc.iSubItem = column;
        SendMessageA(hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column++),
                     reinterpret_cast<LPARAM>(&lvc));
      }
    }
  }
  // Tab follows the order of the windows among their siblings: the table's focus order first,
  // the controls that take no focus after them, the frame last, so that it is drawn under them.
  std::vector<ControlId> order = TabOrder(form_);
  for (const ControlSpec& def : form_.controls) {
    if (def.tabIndex == kNoTabStop && def.kind != ControlKind::kFrame) order.push_back(def.id);
  }
  for (const ControlSpec& def : form_.controls) {
    if (def.kind == ControlKind::kFrame) order.push_back(def.id);
  }
  HWND after = HWND_TOP;
  for (const ControlId id : order) {
    SetWindowPos(Control(id), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = Control(id);
  }
}

void FormWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  font_ = FittedDialogFont(form_, dpi);
  fixedFont_ = FixedFont(dpi);
  for (const ControlSpec& def : form_.controls) {
    const bool fixed = def.kind == ControlKind::kReportBox || def.kind == ControlKind::kTreeView;
    SendMessageA(Control(def.id), WM_SETFONT,
                 reinterpret_cast<WPARAM>(fixed ? fixedFont_.get() : font_.get()), TRUE);
    Move(def.id, def.rect);
  }
  Relayout();
}

void FormWindow::Relayout() {
  if (!onResize_ || hwnd_ == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int dpi = static_cast<int>(dpi_);
  onResize_(PixelsToTwips(client.right, dpi), PixelsToTwips(client.bottom, dpi));
}

bool FormWindow::Report(ControlId id, FormEvent event) {
  return onEvent_ && onEvent_(id, event);
}

ControlId FormWindow::IdOf(HWND hwnd) const {
  const auto at = std::find(controls_.begin(), controls_.end(), hwnd);
  if (hwnd == nullptr || at == controls_.end()) return ControlId::kForm;
  return static_cast<ControlId>(at - controls_.begin());
}

std::string FormWindow::Text(ControlId id) const {
  return WindowTextOf(Control(id));
}

void FormWindow::SetText(ControlId id, std::string_view text) {
  SetWindowTextA(Control(id), std::string(text).c_str());
}

void FormWindow::SetEnabled(ControlId id, bool enabled) {
  const HWND c = Control(id);
  // A control that loses the focus by being disabled hands it on, or the keyboard would be dead.
  if (!enabled && (GetFocus() == c || IsChild(c, GetFocus()))) {
    ::SetFocus(GetNextDlgTabItem(hwnd_, c, FALSE));
  }
  EnableWindow(c, enabled ? TRUE : FALSE);
}

void FormWindow::SetFocus(ControlId id) {
  ::SetFocus(Control(id));
}

void FormWindow::Move(ControlId id, const TwipsRect& rect) {
  const ControlSpec& def = ControlOf(id);
  TwipsRect r = rect;
  if (def.container != ControlId::kForm) {
    const TwipsRect outer = FormRect(def.container);
    r.left += outer.left;
    r.top += outer.top;
  }
  const int dpi = static_cast<int>(dpi_);
  const int height = TwipsToPixels(IsCombo(def.kind) ? kDropDownTwips : r.height, dpi);
  // The old pixels are not copied along: a control moved by a resize is drawn afresh.
  SetWindowPos(Control(id), nullptr, TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi),
               TwipsToPixels(r.width, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  if (def.kind == ControlKind::kListView) {
    // The columns share the list's inside, less room for the vertical scroll bar a long list
    // brings.
    RECT client{};
    GetClientRect(Control(id), &client);
    const std::vector<int> widths =
        OriginColumnWidths(client.right - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_));
    for (std::size_t c = 0; c < widths.size(); ++c) {
      ListView_SetColumnWidth(Control(id), static_cast<int>(c), widths[c]);
    }
  }
}

void FormWindow::SetClipboard(std::string_view text) {
  // Plain text on Windows ends its lines in CR LF, as the programs' output does.
  std::string crlf;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
    crlf += text[i];
  }
  if (!OpenClipboard(hwnd_)) return;
  EmptyClipboard();
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, crlf.size() + 1)) {
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    std::copy(crlf.begin(), crlf.end(), bytes);
    bytes[crlf.size()] = '\0';
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

void FormWindow::Close() {
  DestroyWindow(hwnd_);
}

CheckState FormWindow::Check(ControlId id) const {
  const LRESULT state = SendMessageA(Control(id), BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED) return CheckState::kChecked;
  return state == BST_INDETERMINATE ? CheckState::kGrayed : CheckState::kUnchecked;
}

void FormWindow::ClearItems(ControlId id) {
  SendMessageA(Control(id), CB_RESETCONTENT, 0, 0);
  KeysOf(id).clear();
}

void FormWindow::AddItem(ControlId id, std::string_view key, std::string_view text) {
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

void FormWindow::SelectItem(ControlId id, int index) {
  SendMessageA(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::optional<std::string> FormWindow::SelectedKey(ControlId id) const {
  const LRESULT index = SendMessageA(Control(id), CB_GETCURSEL, 0, 0);
  const std::vector<std::string>& keys = KeysOf(id);
  if (index < 0 || static_cast<std::size_t>(index) >= keys.size()) return std::nullopt;
  return keys[static_cast<std::size_t>(index)];
}

void FormWindow::ShowOrigins(const OriginList& origins) {
  const HWND list = Control(ControlId::lvOrigins);
  std::vector<std::string>& keys = KeysOf(ControlId::lvOrigins);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  keys.clear();
  for (std::size_t i = 0; i < origins.size(); ++i) {
    const Origin& o = origins[i];
    keys.push_back(o.MessageID);
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

std::optional<std::string> FormWindow::SelectedOriginKey() const {
  const HWND list = Control(ControlId::lvOrigins);
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  const auto key = static_cast<std::size_t>(item.lParam);
  const std::vector<std::string>& keys = KeysOf(ControlId::lvOrigins);
  return key < keys.size() ? keys[key] : std::string();
}

std::optional<int> FormWindow::ShowMenu(ControlId, std::span<const MenuItem> items) {
  const PopupMenu menu(CreatePopupMenu(), &DestroyMenu);
  UINT command = 1;
  for (const MenuItem& item : items) {
    const std::string caption(item.caption);
    AppendMenuA(menu.get(), MF_STRING | (item.enabled ? 0U : static_cast<UINT>(MF_GRAYED)), command,
                caption.c_str());
    if (item.isDefault) SetMenuDefaultItem(menu.get(), command, FALSE);
    ++command;
  }
  const BOOL chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                     menuAt_.x, menuAt_.y, 0, hwnd_, nullptr);
  if (chosen <= 0) return std::nullopt;
  return static_cast<int>(chosen) - 1;
}

void FormWindow::ShowTree(const std::vector<TreeBranch>& branches) {
  const HWND tree = Control(ControlId::tvStory);
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree);
  HTREEITEM first = nullptr;
  const auto insert = [tree](HTREEITEM parent, std::string text) {
    // A tree view draws TAB as a box: log fields are set apart by spaces instead.
    std::replace(text.begin(), text.end(), '\t', ' ');
    TVINSERTSTRUCTA item{};
    item.hParent = parent;
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT;
    item.item.pszText = const_cast<char*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  };
  for (const TreeBranch& branch : branches) {
    const HTREEITEM heading = insert(TVI_ROOT, branch.heading);
    for (const std::string& row : branch.rows) insert(heading, row);
    TreeView_Expand(tree, heading, TVE_EXPAND);
    if (first == nullptr) first = heading;
  }
  if (first != nullptr) TreeView_SelectItem(tree, first);
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      dpi_ = DpiOf(hwnd_);
      CreateControls();
      ApplyDpi(dpi_);
      return 0;
    case WM_SIZE:
      Relayout();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(HIWORD(wParam));
      return 0;
    }
    case WM_ACTIVATE: {
      // The first control of the focus order has the focus first.
      const std::vector<ControlId> order = TabOrder(form_);
      if (focus_.OnActivate(hwnd_, wParam, order.empty() ? nullptr : Control(order.front()))) {
        return 0;
      }
      break;
    }
    case WM_SETCURSOR:
      if (ui_.busy()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // A report reads like a document: on the window colour, not greyed as read-only.
      const ControlId id = IdOf(reinterpret_cast<HWND>(lParam));
      if (id != ControlId::kForm && ControlOf(id).kind == ControlKind::kReportBox) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    }
    case WM_COMMAND: {
      // Escape from the dialog keys, wherever the focus is; Enter (IDOK) starts nothing.
      if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
        Report(ControlId::kForm, FormEvent::kCancel);
        return 0;
      }
      const ControlId id = IdOf(reinterpret_cast<HWND>(lParam));
      const int code = HIWORD(wParam);
      if (id != ControlId::kForm &&
          (code == BN_CLICKED ||
           (code == CBN_SELCHANGE && ControlOf(id).kind == ControlKind::kImageCombo))) {
        Report(id, FormEvent::kClick);
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == NM_DBLCLK && IdOf(header->hwndFrom) == ControlId::lvOrigins) {
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        Report(ControlId::lvOrigins, ctrl ? FormEvent::kCtrlDblClick : FormEvent::kDblClick);
      }
      return 0;
    }
    case WM_CONTEXTMENU: {
      const auto from = reinterpret_cast<HWND>(wParam);
      const ControlId id = IdOf(from);
      if (id == ControlId::kForm) break;
      menuAt_ = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (lParam == -1) {
        // From the keyboard: at the selected row, or the list's corner.
        RECT row{LVIR_BOUNDS, 0, 0, 0};
        const int selected = ListView_GetNextItem(from, -1, LVNI_SELECTED);
        if (selected < 0 || !ListView_GetItemRect(from, selected, &row, LVIR_BOUNDS)) row = {};
        menuAt_ = POINT{row.left, row.bottom};
        ClientToScreen(from, &menuAt_);
      }
      Report(id, FormEvent::kContextMenu);
      return 0;
    }
    case WM_CLOSE:
      if (!Report(ControlId::kForm, FormEvent::kClose)) DestroyWindow(hwnd_);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace rq::win32
