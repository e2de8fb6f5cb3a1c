#include "app/win32/form_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win32/window_support.h"

namespace rq::win32 {
namespace {

struct WindowClass {
  const char* name;
  DWORD style;
  DWORD exStyle;
};

WindowClass ClassFor(ControlKind kind) {
  constexpr DWORD kTab = WS_TABSTOP;
  switch (kind) {
    case ControlKind::kFrame:
      return {"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kLabel:
      return {"STATIC", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS, 0};
    case ControlKind::kWrappedLabel:
      return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::kImageCombo:
      return {WC_COMBOBOXEXA, kTab | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case ControlKind::kEditCombo:
      return {"COMBOBOX", kTab | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case ControlKind::kTextBox:
      return {"EDIT", kTab | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kReportBox:
      return {"EDIT",
              kTab | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                  ES_AUTOVSCROLL | ES_NOHIDESEL,
              WS_EX_CLIENTEDGE};
    case ControlKind::kCheckBox:
      return {"BUTTON", kTab | BS_AUTOCHECKBOX, 0};
    case ControlKind::kButton:
      return {"BUTTON", kTab | BS_PUSHBUTTON, 0};
    case ControlKind::kListView:
      return {WC_LISTVIEWA,
              kTab | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
              WS_EX_CLIENTEDGE};
  }
  return {"STATIC", 0, 0};
}

bool IsCombo(ControlKind kind) {
  return kind == ControlKind::kImageCombo || kind == ControlKind::kEditCombo;
}

}  // namespace

void FormControls::Create(HWND parent, const FormSpec& form) {
  form_ = &form;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const ControlSpec& def : form.controls) {
    const WindowClass c = ClassFor(def.kind);
    const std::string caption(def.caption);
    const int id = kFirstId + static_cast<int>(def.id);
    const HWND hwnd = CreateWindowExA(
        c.exStyle, c.name, caption.c_str(), WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!def.enabled) EnableWindow(hwnd, FALSE);
    hwnds_[static_cast<std::size_t>(def.id)] = hwnd;
  }

  // Tab follows the order of the windows among their siblings: the table's focus order first,
  // the controls that take no focus after them, the frame last, so that it is drawn under them.
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& def : form.controls) order.push_back(&def);
  const auto rank = [](const ControlSpec* s) {
    if (s->kind == ControlKind::kFrame) return 1 << 20;
    return s->tabIndex == kNoTabStop ? 1 << 19 : s->tabIndex;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](const ControlSpec* a, const ControlSpec* b) { return rank(a) < rank(b); });
  HWND after = HWND_TOP;
  for (const ControlSpec* def : order) {
    const HWND hwnd = (*this)[def->id];
    SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = hwnd;
  }
}

ControlId FormControls::IdOf(HWND hwnd) const {
  for (std::size_t i = 0; i < hwnds_.size(); ++i) {
    if (hwnds_[i] == hwnd && hwnd != nullptr) return static_cast<ControlId>(i);
  }
  return ControlId::kForm;
}

void FormControls::Place(ControlId id, const TwipsRect& rect, UINT dpi) const {
  const ControlSpec& def = ControlOf(id);
  int left = rect.left;
  int top = rect.top;
  if (def.container != ControlId::kForm) {
    const TwipsRect outer = FormRect(def.container);
    left += outer.left;
    top += outer.top;
  }
  // A combo box is given the height of its drop-down list; its own follows its font.
  const int height = IsCombo(def.kind) ? TwipsToPixels(2400, dpi) : TwipsToPixels(rect.height, dpi);
  SetWindowPos((*this)[id], nullptr, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi),
               TwipsToPixels(rect.width, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormControls::PlaceAll(UINT dpi, HFONT font) const {
  for (const ControlSpec& def : form_->controls) {
    SendMessageA((*this)[def.id], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    Place(def.id, def.rect, dpi);
  }
}

}  // namespace rq::win32
