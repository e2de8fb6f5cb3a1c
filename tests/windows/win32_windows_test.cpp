// The Win32 windows as a user meets them on a (virtual) display: keys through the program's own
// loop, clicks, boxes answered by the test; the rules behind them are the form logic's tests.
#include "app/win32/handles.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/forms/form_table.h"
#include "app/win32/main_window.h"
#include "app/win32/window_support.h"
#include "test_support.h"
#include "tracing/story.h"

namespace rq::win32 {
namespace {

using enum ControlId;

using test::CrLfLines;
using test::SampleServer;

const Date kDay{2026, 12, 1};
const Date kDayBefore{2026, 11, 30};

// Answers every box itself and keeps what it was shown; the busy pointer stays the real one.
class AnsweringUserInterface final : public MessageBoxUserInterface {
 public:
  void ShowMessage(const Message& message) override {
    busyAtBox.push_back(busy());
    shown.push_back(message);
  }
  bool AskYesNo(const Message& question) override {
    shown.push_back(question);
    return false;
  }
  std::vector<Message> shown;
  std::vector<bool> busyAtBox;
};

// Whether the label's text, drawn unclipped in its own font on a larger white bitmap, puts ink
// where the label ends: the part the control would cut off. A wrapped label grows downwards.
bool InkBeyond(HWND label, bool wrapped) {
  RECT box{};
  GetClientRect(label, &box);
  const int width = box.right * (wrapped ? 1 : 4), height = box.bottom * (wrapped ? 4 : 1);
  const WindowDc screen(label);
  const HDC dc = CreateCompatibleDC(screen.get());
  const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  bool ink = false;
  {
    const SelectedObject paper(dc, bitmap.get());
    const SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, WindowTextOf(label).c_str(), -1, &box,
              DT_NOCLIP | DT_NOPREFIX | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
    for (int y = 0; y < height && !ink; ++y) {
      for (int x = y < box.bottom ? box.right : 0; x < width && !ink; ++x) {
        ink = GetPixel(dc, x, y) != RGB(255, 255, 255);
      }
    }
  }
  DeleteDC(dc);
  return ink;
}

// Runs what is waiting in the queue as the program's loop would.
void Pump() {
  MSG msg{};
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchWindowMessage(msg);
    Sleep(5);
  }
}

// A key pressed while `GetFocus()` has the focus: the key-down goes into the queue, and the
// loop's translation makes the character, as for a key on the keyboard.
void Press(UINT vk) {
  const HWND focus = GetFocus();
  ASSERT_NE(focus, nullptr);
  PostMessageA(focus, WM_KEYDOWN, vk, 1);
  PostMessageA(focus, WM_KEYUP, vk, 0xC0000001);
  Pump();
}

void Type(std::string_view text) {
  for (const char c : text) Press(LOBYTE(VkKeyScanA(c)));
}

// A key pressed with a modifier (VK_CONTROL, VK_SHIFT) held.
void PressWith(UINT modifier, UINT vk) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[modifier] |= 0x80;
  SetKeyboardState(keys);
  Press(vk);
  keys[modifier] &= 0x7F;
  SetKeyboardState(keys);
}

// Keys for a menu that is about to open: its own loop takes them from the queue.
void PostKeys(HWND to, std::initializer_list<UINT> keys) {
  for (const UINT vk : keys) {
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, 0xC0000001);
  }
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

class Win32Windows : public ::testing::Test {
 protected:
  Win32Windows() {
    sample.WriteLog("SMTP", "Activity", kDayBefore,
                    CrLfLines({test::ActivityLine("EARLY1", "MAIL", "<x@y.z>")}));
    sample.WriteLog("SMTP", "Activity", kDay,
                    CrLfLines({test::ActivityLine("IN001", "MAIL", "<alice@example.org>"),
                               test::ActivityLine("IN001", "RCPT", "<bob@example.net>"),
                               test::ActivityLine("IN002", "MAIL", "<Alice@Example.org>")}));
    sample.WriteLog("MTA", "Debug", kDay,
                    CrLfLines({"12/01/26 10:00:05\tRoute [IN001] from [SMTP] to queue of [SF] "
                               "new id [PO001] RQ-MTA-ROUTE"}));
    window.Form_Load();
    ui.shown.clear();  // the logging warnings of a server without switches
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ui.busyAtBox.clear();
    ShowWindow(window.hwnd(), SW_SHOW);
    SetForegroundWindow(window.hwnd());
    SetFocus(window.Control(icboConnector));
    Pump();
  }

  HWND Control(ControlId id) const { return window.Control(id); }
  bool Enabled(ControlId id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  void Click(ControlId id) {
    SendMessageA(Control(id), BM_CLICK, 0, 0);
    Pump();
  }
  // Whether `c` or a part of it (a combo box's edit part) has the focus.
  static bool Focused(HWND c) { return GetFocus() == c || GetAncestor(GetFocus(), GA_PARENT) == c; }
  // Tabs from the connector box until `id` has the focus.
  void TabTo(ControlId id) {
    SetFocus(Control(icboConnector));
    for (int i = 0; i < 12 && !Focused(Control(id)); ++i) Press(VK_TAB);
  }

  // A result window shown: its text is kept; the user tabs to Close (every other showing) and
  // presses Escape. A story window is handed to `onStory`.
  void Shown(FormWindow& w) {
    ShowWindow(w.hwnd(), SW_SHOW);
    SetForegroundWindow(w.hwnd());
    Pump();
    if (w.Control(txtTrace) == nullptr) {
      if (onStory) onStory(w);
      return;
    }
    reports.push_back(WindowTextOf(w.Control(txtTrace)));
    EXPECT_EQ(GetFocus(), w.Control(txtTrace));
    if (reports.size() % 2 == 1) {
      Press(VK_TAB);
      EXPECT_EQ(GetFocus(), w.Control(cmdClose));
    }
    Press(VK_ESCAPE);
    EXPECT_EQ(w.hwnd(), nullptr);
  }

  SampleServer sample;
  AnsweringUserInterface ui;
  std::vector<std::string> reports;  // the report text the result window showed, per showing
  std::function<void(FormWindow&)> onStory;
  MainWindow window{sample.server(), DateFormat("%m/%d/%y"), ui,
                    [this](FormWindow& w) { Shown(w); }};
};

TEST_F(Win32Windows, ControlsFollowTheTable) {
  const FormSpec& form = MainFormSpec();
  const UINT dpi = DpiOf(window.hwnd());
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(form.clientWidth, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(form.clientHeight, dpi));
  EXPECT_EQ(WindowTextOf(window.hwnd()), form.caption);

  // Every control where the table puts it, at `at` dots per inch.
  const auto placedAt = [&](UINT at) {
    for (const ControlSpec& def : form.controls) {
      SCOPED_TRACE(def.name);
      RECT r{};
      GetWindowRect(Control(def.id), &r);
      MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
      const TwipsRect w = FormRect(def.id);
      const auto px = [at](int twips) { return static_cast<LONG>(TwipsToPixels(twips, at)); };
      // A combo box's height is its closed box's, not the table's.
      const bool combo =
          def.kind == ControlKind::kImageCombo || def.kind == ControlKind::kEditCombo;
      EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, combo ? 0 : r.bottom - r.top}),
                (std::array{px(w.left), px(w.top), px(w.width), combo ? 0 : px(w.height)}));
    }
  };
  // No label is cut off: its text, in the font it was given, fits its control.
  const auto labelsWhole = [&] {
    for (const ControlSpec& def : form.controls) {
      const bool wrapped = def.kind == ControlKind::kWrappedLabel;
      if (!wrapped && def.kind != ControlKind::kLabel) continue;
      SCOPED_TRACE(def.name);
      EXPECT_FALSE(InkBeyond(Control(def.id), wrapped));
    }
  };
  placedAt(dpi);
  labelsWhole();
  // The check does see a cut-off text: a caption far wider than its label.
  const auto label =
      std::find_if(form.controls.begin(), form.controls.end(),
                   [](const ControlSpec& d) { return d.kind == ControlKind::kLabel; });
  ASSERT_NE(label, form.controls.end());
  SetWindowTextA(Control(label->id), std::string(200, 'W').c_str());
  EXPECT_TRUE(InkBeyond(Control(label->id), false));
  SetWindowTextA(Control(label->id), std::string(label->caption).c_str());

  std::vector<std::pair<int, HWND>> tabStops;
  for (const ControlSpec& def : form.controls) {
    SCOPED_TRACE(def.name);
    const HWND c = Control(def.id);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(def.caption.empty() || WindowTextOf(c) == def.caption) << WindowTextOf(c);
    EXPECT_EQ(IsWindowEnabled(c) != FALSE, def.enabled || def.id == cmdListOrigins);
    const bool tabStop = (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) != 0;
    EXPECT_EQ(tabStop, def.tabIndex != kNoTabStop);
    if (tabStop) tabStops.emplace_back(def.tabIndex, c);
  }
  std::sort(tabStops.begin(), tabStops.end());
  std::vector<HWND> focusOrder;
  for (const auto& [index, c] : tabStops) focusOrder.push_back(c);
  // Tab walks the controls in the table's order, disabled ones left out, and comes round.
  SetFocus(Control(icboConnector));
  for (std::size_t i = 1; i <= focusOrder.size(); ++i) {
    Press(VK_TAB);
    HWND expected = focusOrder[i % focusOrder.size()];
    while (!IsWindowEnabled(expected)) expected = focusOrder[++i % focusOrder.size()];
    EXPECT_TRUE(Focused(expected)) << i;
  }

  // The date box shows the first day it lists (the days themselves are the form logic's).
  EXPECT_EQ(WindowTextOf(Control(cboDate)), "261130");

  // Both combo boxes drop down a list that shows their entries, not a sliver.
  for (const ControlId id : {icboConnector, cboDate}) {
    HWND combo = Control(id);
    if (id == icboConnector) {
      combo = reinterpret_cast<HWND>(SendMessageA(combo, CBEM_GETCOMBOCONTROL, 0, 0));
    }
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    RECT list{};
    GetWindowRect(info.hwndList, &list);
    EXPECT_GE(list.bottom - list.top,
              static_cast<LONG>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0)))
        << ControlOf(id).name;
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  }

  // Moved to a monitor of 144 dpi: everything is laid out again for it.
  RECT outer{};
  GetWindowRect(window.hwnd(), &outer);
  outer.right = outer.left + (outer.right - outer.left) * 3 / 2;
  outer.bottom = outer.top + (outer.bottom - outer.top) * 3 / 2;
  SendMessageA(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&outer));
  placedAt(144);
  labelsWhole();
}

TEST_F(Win32Windows, SearchListTraceAndBoxes) {
  // Search with neither sender nor recipient: the box comes without the busy pointer, and the
  // focus lands in the real sender box.
  Click(cmdListOrigins);
  ASSERT_EQ(ui.busyAtBox, std::vector<bool>{false});
  EXPECT_EQ(GetFocus(), Control(txtSender));

  // The date box takes only digits typed into it (Tab selects its text, so typing replaces it);
  // the sender box takes letters: were it filtered too, the search would find nothing.
  TabTo(cboDate);
  Type("26x1.2-0 1");
  Press(VK_BACK);
  Type("1");
  EXPECT_EQ(WindowTextOf(Control(cboDate)), "261201");
  // Ctrl+A selects, Ctrl+V and Shift+Insert paste what passes the same filter.
  window.SetClipboard("2a6-1");
  PressWith(VK_CONTROL, 'A');
  PressWith(VK_CONTROL, 'V');
  EXPECT_EQ(WindowTextOf(Control(cboDate)), "261");
  PressWith(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(WindowTextOf(Control(cboDate)), "261261");
  PressWith(VK_CONTROL, 'A');
  Type("261201");
  TabTo(txtSender);
  Type("alice");
  Press(VK_TAB);
  Press(VK_TAB);  // onto Search
  Press(VK_SPACE);
  const HWND list = Control(lvOrigins);
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  char text[64] = {};
  ListView_GetItemText(list, 1, 1, text, sizeof text);
  EXPECT_EQ(std::string(text), "IN002");
  EXPECT_TRUE(Enabled(cmdTrace));
  EXPECT_TRUE(Enabled(cmdShowTransaction));
  EXPECT_EQ(ListView_GetSelectedCount(list), 0);

  // Trace with no row chosen: the failure box, no result window.
  Click(cmdTrace);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[1].text.rfind("Unable to process selected origin. Error (", 0), 0u);
  EXPECT_TRUE(reports.empty());

  // Into the list and down to its first row, then Alt+T: the report opens, Close closes it.
  TabTo(lvOrigins);
  Press(VK_DOWN);
  PostMessageA(list, WM_SYSKEYDOWN, 'T', 1 << 29);  // with Alt held
  PostMessageA(list, WM_SYSKEYUP, 'T', (1 << 29) | 0xC0000001);
  Pump();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].rfind("Trace: Tracing message with Message ID [IN001]", 0), 0u)
      << reports[0];
  EXPECT_EQ(window.report().window(), nullptr);  // closed and discarded
  EXPECT_TRUE(IsWindowEnabled(window.hwnd()));

  // Back into the list, down to the second row, Show Transaction: its lines, CR LF kept.
  TabTo(lvOrigins);
  Press(VK_DOWN);
  Click(cmdShowTransaction);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[1].find("[IN002] follow below: \r\n\r\n10:00:00\tSMTP-IN\tIN002"),
            std::string::npos)
      << reports[1];

  // Ticking Backtrace changes the label over the list, nothing else.
  Click(chkBacktrace);
  EXPECT_EQ(WindowTextOf(Control(lblMessageCriteria)), "Outbound Messages matching criteria:");
  EXPECT_EQ(ListView_GetItemCount(list), 2);
}

TEST_F(Win32Windows, ReportShowsControlBytesAsSymbols) {
  TraceWindow trace(nullptr, ui);
  trace.SetReport(std::string_view("a\0b\nc\r\nline\r\n", 13));
  wchar_t text[64] = {};
  GetWindowTextW(trace.Control(txtTrace), text, 64);
  EXPECT_EQ(std::wstring(text), L"a\u2400b\u240Ac\r\nline\r\n");
}

TEST_F(Win32Windows, WholeStoryFromTheMenuWalkedCopiedAndClosedByKeys) {
  TabTo(cboDate);
  Type("261201");
  TabTo(txtSender);
  Type("alice");
  Click(cmdListOrigins);
  const HWND list = Control(lvOrigins);
  ASSERT_EQ(ListView_GetItemCount(list), 2);
  TabTo(lvOrigins);
  Press(VK_DOWN);  // IN001

  std::vector<std::string> copies;
  onStory = [&](FormWindow& story) {
    const HWND tree = story.Control(tvStory);
    EXPECT_EQ(GetFocus(), tree);
    const auto current = [tree] { return TreeView_GetSelection(tree); };
    const HTREEITEM inbound = TreeView_GetRoot(tree);
    EXPECT_EQ(current(), inbound);
    Press(VK_DOWN);  // onto its first event, back up, folded, unfolded
    EXPECT_EQ(current(), TreeView_GetChild(tree, inbound));
    Press(VK_LEFT);
    EXPECT_EQ(current(), inbound);
    Press(VK_LEFT);
    EXPECT_EQ(TreeView_GetItemState(tree, inbound, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
    Press(VK_RIGHT);
    EXPECT_NE(TreeView_GetItemState(tree, inbound, TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), story.Control(cmdCopy));
    Press(VK_SPACE);
    copies.push_back(ClipboardText());
    Press(VK_ESCAPE);
    EXPECT_EQ(story.hwnd(), nullptr);
  };
  // The Menu key, then down to the entry; a right click on the row, then its accelerator.
  PostKeys(list, {VK_APPS, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  Pump();
  EXPECT_EQ(copies.size(), 1u);
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
  PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(row.left + 20, row.top + 2));
  PostMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(row.left + 20, row.top + 2));
  PostKeys(list, {'W'});
  Pump();
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_TRUE(reports.empty());
  // What the story command prints (its lines end in CR LF on Windows).
  std::string printed;
  for (const char c : StoryCopyText(TellStory(sample.server(), "IN001", kDay, 2), false)) {
    if (c == '\n') printed += '\r';
    printed += c;
  }
  EXPECT_EQ(copies[0], printed);
  EXPECT_EQ(copies[1], printed);
}

}  // namespace
}  // namespace rq::win32
