// Both windows' behaviour against a fake view: what each event sets, shows and asks, on small
// servers; the Qt and Win32 tests only show that their widgets honour the view interface.
#include "app/forms/main_form.h"

#include <gtest/gtest.h>

#include <exception>
#include <map>
#include <stdexcept>
#include <utility>

#include "app/commands.h"
#include "app/forms/trace_form.h"
#include "base/read_error.h"
#include "test_support.h"

namespace rq {
namespace {

using enum ControlId;
using test::ActivityLine;
using test::CrLfLines;

// A window that is only its controls' state, started from the form table; as the result
// window's report it keeps the text and records each showing with whether the busy pointer was
// still on.
class FakeView final : public FormView, public ReportSink {
 public:
  struct Control {
    std::string text;
    bool enabled = true;
    CheckState check = CheckState::kUnchecked;
    std::vector<std::pair<std::string, std::string>> items;  // key, text
    int selected = -1;
    TwipsRect rect;
  };

  explicit FakeView(const FormSpec& form, const test::RecordingUserInterface* ui = nullptr)
      : ui_(ui) {
    for (const ControlSpec& c : form.controls)
      controls[c.id] = {std::string(c.caption), c.enabled, {}, {}, -1, c.rect};
  }

  std::string Text(ControlId id) const override { return controls.at(id).text; }
  void SetText(ControlId id, std::string_view text) override { controls.at(id).text = text; }
  void SetEnabled(ControlId id, bool enabled) override { controls.at(id).enabled = enabled; }
  CheckState Check(ControlId id) const override { return controls.at(id).check; }
  void ClearItems(ControlId id) override {
    Control& c = controls.at(id);
    c = {"", c.enabled, c.check, {}, -1, c.rect};
  }
  void AddItem(ControlId id, std::string_view key, std::string_view text) override {
    controls.at(id).items.emplace_back(key, text);
  }
  void SelectItem(ControlId id, int index) override {
    Control& c = controls.at(id);
    c.selected = index;
    c.text = c.items.at(index).second;
  }
  std::optional<std::string> SelectedKey(ControlId id) const override {
    const Control& c = controls.at(id);
    return c.selected < 0 ? std::nullopt : std::optional(c.items.at(c.selected).first);
  }
  void ShowOrigins(const OriginList& origins) override {
    rows.clear();
    for (std::size_t i = 0; i < origins.size(); ++i) rows.push_back(origins[i].MessageID);
    selectedRow.reset();
  }
  std::optional<std::string> SelectedOriginKey() const override { return selectedRow; }
  void SetFocus(ControlId id) override { focus = id; }
  void Move(ControlId id, const TwipsRect& rect) override { controls.at(id).rect = rect; }
  void Close() override { closed = true; }
  void ClearTraceOutput() override { report.clear(); }
  void WriteTraceOutput(std::string_view more) override { report += more; }
  void ShowTraceOutput() override { showings.push_back({report, ui_->busy}); }

  std::vector<std::string> ItemTexts(ControlId id) const {
    std::vector<std::string> texts;
    for (const auto& item : controls.at(id).items) texts.push_back(item.second);
    return texts;
  }

  std::map<ControlId, Control> controls;
  std::vector<std::string> rows;
  std::optional<std::string> selectedRow;
  std::optional<ControlId> focus;
  bool closed = false;
  struct Showing {
    std::string text;
    bool busy;
  };
  std::string report;
  std::vector<Showing> showings;

 private:
  const test::RecordingUserInterface* ui_;
};

const Date kDay{2026, 12, 1};
const Date kDayBefore{2026, 11, 30};
const std::string kNone = "Could not find messages matching the criteria specified";
const std::string kNotRouted =
    "Unable to trace message. Message does not seem to have been routed through Ravenquill queues.";
const std::string kNoDetails =
    "Unable to locate message details in from selected origin. Error (0) ";

std::vector<std::string> LoggingSwitches(const std::string& v) {
  std::vector<std::string> lines;
  for (const char* key : {"Agents\\MTA", "Connectors\\SF", "Connectors\\SMTP", "Connectors\\LS"}) {
    lines.push_back("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\" + std::string(key) +
                    "]");
    lines.insert(lines.end(), {"\"Activity Log Enabled\"=" + v, "\"Debug Enabled\"=" + v});
  }
  return lines;
}

// A server whose SMTP connector logged two days: on the later one IN001 was routed to the
// postoffice, IN002 waits in the inbound queue, IN003 was never routed, OUT009 went out.
class MainFormTest : public ::testing::Test {
 protected:
  explicit MainFormTest(const char* logging = "dword:00000001")
      : sample(LoggingSwitches(logging)) {}

  void WriteTraffic() {
    sample.WriteLog("SMTP", "Activity", kDayBefore,
                    CrLfLines({ActivityLine("EARLY1", "MAIL", "<x@y.z>")}));
    sample.WriteLog("SMTP", "Activity", kDay,
                    CrLfLines({ActivityLine("IN001", "MAIL", "<alice@example.org>"),
                               ActivityLine("IN001", "RCPT", "<bob@example.net>"),
                               ActivityLine("IN002", "MAIL", "<Alice@Example.org>"),
                               ActivityLine("IN003", "MAIL", "<alice@example.org>"),
                               ActivityLine("OUT009", "MAIL", "<alice@example.org>", "SMTP-OU")}));
    sample.WriteLog("MTA", "Debug", kDay,
                    CrLfLines({"12/01/26 10:00:05\tRoute [IN001] from [SMTP] to queue of [SF] "
                               "new id [PO001] RQ-MTA-ROUTE"}));
    sample.WriteInboundFile("IN002");
    sample.WriteLog("SMTP", "Debug", Date{2026, 12, 2}, "not an activity log\r\n");
  }

  // Loads the window, picks the traffic day and searches it for alice.
  void LoadAndSearch() {
    WriteTraffic();
    form.Form_Load();
    Search("alice");
  }

  void Search(const char* sender, const char* recipient = "", const char* day = "261201") {
    view.SetText(cboDate, day);
    view.SetText(txtSender, sender);
    view.SetText(txtRecipient, recipient);
    form.cmdListOrigins_Click();
  }

  bool Enabled(ControlId id) const { return view.controls.at(id).enabled; }

  test::SampleServer sample;
  test::RecordingUserInterface ui;
  FakeView view{MainFormSpec(), &ui};
  MainForm form{sample.server(), DateFormat("%m/%d/%y"), view, ui, view};
};

class MainFormWithoutLoggingTest : public MainFormTest {
 protected:
  MainFormWithoutLoggingTest() : MainFormTest("dword:00000000") {}
};

TEST(DateBoxKeyFilter, DigitsEnterAndBackspacePass) {
  // Every other key is swallowed (0): the digits' neighbours, control keys and wider codes.
  const struct {
    int key, passed;
  } cases[] = {{'0', '0'}, {'9', '9'}, {13, 13}, {8, 8},      {'/', 0}, {':', 0},
               {' ', 0},   {'a', 0},   {0, 0},   {0xB2, 0},   {-1, 0},  {7, 0},
               {9, 0},     {12, 0},    {14, 0},  {0x10035, 0}};
  for (const auto& c : cases) EXPECT_EQ(DateBoxKeyFilter(c.key), c.passed) << c.key;
}

TEST(FitFontPoints, LargestFittingSizeInHalfPointsNeverBelowTheFloorNorAboveTheStart) {
  struct Case {
    double start, largestFitting, chosen;  // labels fit at largestFitting and below
  };
  for (const Case c : {Case{9, 12, 9}, Case{9, 7.5, 7.5}, Case{9, 7.2, 7}, Case{9, 1, 6.5},
                       Case{8.75, 1, 6.5}, Case{6, 1, 6}}) {
    std::vector<double> tried;
    const double chosen = FitFontPoints(c.start, [&](double points) {
      tried.push_back(points);
      return points <= c.largestFitting;
    });
    EXPECT_EQ(chosen, c.chosen) << c.start << " " << c.largestFitting;
    for (const double points : tried) EXPECT_GE(points, 6.5);
  }
}

TEST_F(MainFormWithoutLoggingTest, LoadWarnsPerServiceAndListsNoDays) {
  form.Form_Load();
  ASSERT_EQ(ui.shown.size(), 4u);
  for (const auto& s : ui.shown) {
    EXPECT_EQ(s.message.title, "Message Logging Settings");
    EXPECT_EQ(s.message.icon, MessageIcon::kCritical);
  }
  EXPECT_TRUE(view.ItemTexts(cboDate).empty());
  EXPECT_EQ(view.Text(cboDate), "");
  EXPECT_FALSE(Enabled(cmdListOrigins));
}

TEST_F(MainFormTest, LoadListsTheDaysThenSearchListsRefusesOrFindsNothing) {
  const std::string must =
      "You must enter either a sender or recipient in order to track a message.";
  const struct {
    const char *sender, *recipient, *day;
    bool backtrace;
    std::vector<std::string> rows;
    std::string message;  // empty: none
    bool buttons;         // Trace and Show Transaction afterwards
  } cases[] = {
      {"ALICE", "", "261201", false, {"IN001", "IN002", "IN003"}, "", true},
      {"", "bob@", "261201", false, {"IN001"}, "", true},
      {"alice", "", "261201", true, {"OUT009"}, "", true},
      {"nobody@nowhere", "", "261201", false, {}, kNone, false},
      {" ", "", "261201", false, {}, kNone, false},      // a blank is a search text
      {"alice", "", "261202", false, {}, kNone, false},  // no log for the day
      // Refused: the list is emptied, the buttons keep what the search before left them.
      {"", "", "261201", false, {}, must, true},
  };
  WriteTraffic();
  form.Form_Load();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(view.ItemTexts(icboConnector), std::vector<std::string>{"SMTP Connector"});
  EXPECT_EQ(view.SelectedKey(icboConnector), "SMTP");
  EXPECT_EQ(view.ItemTexts(cboDate), (std::vector<std::string>{"261130", "261201"}));
  EXPECT_EQ(view.Text(cboDate), "261130");
  EXPECT_TRUE(Enabled(cmdListOrigins));
  EXPECT_FALSE(Enabled(cmdTrace));
  EXPECT_FALSE(Enabled(cmdShowTransaction));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sender) + "/" + c.recipient + "/" + c.day);
    Search("alice");  // the state every case starts from: three rows, buttons on
    ui.shown.clear();
    view.focus.reset();
    view.controls[chkBacktrace].check = c.backtrace ? CheckState::kChecked : CheckState::kUnchecked;
    Search(c.sender, c.recipient, c.day);
    view.controls[chkBacktrace].check = CheckState::kUnchecked;
    EXPECT_EQ(view.rows, c.rows);
    EXPECT_EQ(Enabled(cmdTrace), c.buttons);
    EXPECT_EQ(Enabled(cmdShowTransaction), c.buttons);
    EXPECT_FALSE(ui.busy);
    if (c.message.empty()) {
      EXPECT_TRUE(ui.shown.empty());
      continue;
    }
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].message.text, c.message);
    EXPECT_FALSE(ui.shown[0].busy);
    const bool refused = c.message == must;
    EXPECT_EQ(ui.shown[0].message.title, refused ? "Warning" : kToolTitle);
    EXPECT_EQ(view.focus, refused ? std::optional(txtSender) : std::nullopt);
  }
}

TEST_F(MainFormTest, TraceShowAndDoubleClickShowTheReportOrAMessage) {
  const std::string noRow =
      "Unable to process selected origin. Error (91) No message is selected in the list of "
      "origins.";
  using Event = void (MainForm::*)();
  const Event trace = &MainForm::cmdTrace_Click, show = &MainForm::cmdShowTransaction_Click,
              dbl = &MainForm::lvOrigins_DblClick;
  const struct {
    Event event;
    std::optional<std::string> row;
    bool backtrace;
    std::string message;  // empty: the report is shown
  } cases[] = {
      {trace, std::nullopt, false, noRow},
      {show, std::nullopt, false, noRow},
      {dbl, std::nullopt, false, noRow},
      {trace, "IN001", false, ""},  // routed; IN002 (waiting) by the double-click
      {trace, "IN003", false, ""},  // not routed
      {trace, "OUT009", true, kNotRouted},
      {dbl, "IN002", false, ""},
      {show, "IN003", false, ""},
      {show, "NOPE", false, kNoDetails},
  };
  LoadAndSearch();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row.value_or("(no row)"));
    ui.shown.clear();
    view.showings.clear();
    view.selectedRow = c.row;
    view.controls[chkBacktrace].check = c.backtrace ? CheckState::kChecked : CheckState::kUnchecked;
    (form.*c.event)();
    EXPECT_FALSE(ui.busy);
    if (c.message.empty()) {
      EXPECT_TRUE(ui.shown.empty());
      ASSERT_EQ(view.showings.size(), 1u);
      EXPECT_FALSE(view.showings[0].busy);
      EXPECT_NE(view.showings[0].text.find("[" + *c.row + "]"), std::string::npos);
      continue;
    }
    EXPECT_TRUE(view.showings.empty());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].message, (Message{kToolTitle, c.message, MessageIcon::kInformation}));
    EXPECT_FALSE(ui.shown[0].busy);
  }
  // A selected row with an empty key names no message: the double-click does nothing.
  ui.shown.clear();
  ui.busyOn = 0;
  view.selectedRow = "";
  form.lvOrigins_DblClick();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(view.showings.empty());
  EXPECT_EQ(ui.busyOn, 0);
}

TEST_F(MainFormTest, BacktraceBoxOnlyRelabelsTheList) {
  LoadAndSearch();
  const struct {
    CheckState check;
    const char* label;
    bool backtrace;
  } cases[] = {
      {CheckState::kChecked, "Outbound Messages matching criteria:", true},
      {CheckState::kUnchecked, "Inbound Messages matching criteria:", false},
      {CheckState::kGrayed, "Inbound Messages matching criteria:", false},
  };
  for (const auto& c : cases) {
    view.controls[chkBacktrace].check = c.check;
    form.chkBacktrace_Click();
    EXPECT_EQ(view.Text(lblMessageCriteria), c.label);
    EXPECT_EQ(form.boolDoBacktrace(), c.backtrace);
    EXPECT_EQ(view.rows.size(), 3u);
    EXPECT_TRUE(Enabled(cmdTrace));
  }
  form.cmdQuit_Click();
  EXPECT_TRUE(view.closed);
}

// Settings whose every read throws `failure`: every command still ends in a message, never a crash.
class BrokenStore final : public SettingsStore {
 public:
  explicit BrokenStore(std::exception_ptr failure) : failure_(std::move(failure)) {}
  std::string GetRegistryString(std::string_view, std::string_view) const override {
    std::rethrow_exception(failure_);
  }
  std::int32_t GetRegistryNumber(std::string_view, std::string_view) const override {
    std::rethrow_exception(failure_);
  }

 private:
  std::exception_ptr failure_;
};

TEST(MainForm, FailuresInTheCoreEndInTheCommandsMessage) {
  // A log that could not be read whole is named; any other failure ends in the command's message.
  const std::string unread =
      "A log could not be read to its end, so nothing is shown: /a.log: gone";
  const std::pair<std::exception_ptr, std::vector<std::string>> cases[] = {
      {std::make_exception_ptr(std::runtime_error("gone")),
       {kNone, kNotRouted, kNoDetails + "gone"}},
      {std::make_exception_ptr(ReadError("/a.log", "gone")), {unread, unread, unread}}};
  for (const auto& [failure, expected] : cases) {
    BrokenStore store(failure);
    const Server server(store);
    test::RecordingUserInterface ui;
    FakeView view(MainFormSpec(), &ui);
    MainForm form(server, DateFormat(), view, ui, view);
    view.AddItem(icboConnector, "SMTP", "SMTP Connector");
    view.SelectItem(icboConnector, 0);
    form.icboConnector_Click();
    EXPECT_FALSE(view.controls[cmdListOrigins].enabled);
    view.SetText(txtSender, "a");
    form.cmdListOrigins_Click();
    view.selectedRow = "ID";
    form.cmdTrace_Click();
    form.cmdShowTransaction_Click();
    ASSERT_EQ(ui.shown.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(ui.shown[i].message.text, expected[i]);
      EXPECT_FALSE(ui.shown[i].busy);
    }
    EXPECT_FALSE(ui.busy);
  }
}

TEST(LayoutTraceWindow, FollowsTheOuterSize) {
  const struct {
    const char* name;
    int width, height;
    TwipsRect text, button;
  } cases[] = {
      {"6000 x 3000", 6000, 3000, {90, 135, 5720, 1745}, {4555, 1995, 1245, 405}},
      // Too low: the height stays, the button follows it.
      {"too low", 6000, 1000, {90, 135, 5720, 3345}, {4555, 3595, 1245, 405}},
      // Too narrow: the width stays; a left of its own may be negative.
      {"too narrow", 200, 3000, {90, 135, 9645, 1745}, {-1245, 1995, 1245, 405}},
      {"zero is a size", 280, 1255, {90, 135, 0, 0}, {-1165, 250, 1245, 405}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TraceLayout next = LayoutTraceWindow(TraceLayout{}, c.width, c.height);
    EXPECT_EQ(next.text, c.text);
    EXPECT_EQ(next.button, c.button);
  }
}

TEST(TraceForm, FirstLayoutKeepsTheTablesTextBoxAndCloseCloses) {
  FakeView view(TraceFormSpec());
  TraceForm form(view);
  const FormSpec& def = TraceFormSpec();
  form.Form_Resize(def.clientWidth, def.clientHeight);
  EXPECT_EQ(view.controls[txtTrace].rect, ControlOf(txtTrace).rect);
  // The button's top follows the text box's height, 5 twips above the table's 3600.
  EXPECT_EQ(view.controls[cmdClose].rect, (TwipsRect{8480, 3595, 1245, 405}));
  form.cmdClose_Click();
  EXPECT_TRUE(view.closed);
}

}  // namespace
}  // namespace rq
