// Both windows' behaviour against a fake view: what each event sets, shows and asks, on small
// servers; the Qt and Win32 tests only show that their widgets honour the view interface.
#include "app/forms/main_form.h"

#include <gtest/gtest.h>

#include <exception>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

#include "app/commands.h"
#include "app/forms/desktop_start.h"
#include "app/forms/story_form.h"
#include "app/forms/trace_form.h"
#include "app/redact.h"
#include "base/read_error.h"
#include "test_support.h"

namespace rq {
namespace {

using enum ControlId;
using test::ActivityLine;
using test::CrLfLines;

// A window that is only its controls' state, started from the form table; as the result
// window's report it keeps the text and records each showing with whether the busy pointer was
// still on. Its menu answers with `menuChoice`; its story windows are recorded in `stories`.
class FakeView final : public FormView, public StoryView, public ReportSink {
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
  std::optional<int> ShowMenu(ControlId id, std::span<const MenuItem> items) override {
    menuAt = id;
    menu.assign(items.begin(), items.end());
    return menuChoice;
  }
  void ShowTree(const std::vector<TreeBranch>& branches) override { tree = branches; }
  void SetFocus(ControlId id) override { focus = id; }
  void Move(ControlId id, const TwipsRect& rect) override { controls.at(id).rect = rect; }
  void SetClipboard(std::string_view text) override { clipboard = text; }
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
  std::optional<ControlId> menuAt;
  std::vector<MenuItem> menu;
  std::optional<int> menuChoice;
  std::vector<TreeBranch> tree;
  std::string clipboard;
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

// A story window over a fake view; each one shown leaves its view in `shown` with whether the
// busy pointer was still on, after `whileShown` had its turn with the window's form.
struct StoryRecorder {
  struct Window final : StoryWindow {
    explicit Window(StoryRecorder& r) : recorder(r) {}
    StoryForm& form() override { return storyForm; }
    void ShowModal() override {
      if (recorder.whileShown) recorder.whileShown(*this);
      recorder.shown.emplace_back(view, recorder.ui->busy);
    }
    StoryRecorder& recorder;
    FakeView view{StoryFormSpec()};
    StoryForm storyForm{view};
  };
  StoryWindowFactory Factory() {
    return [this] { return std::make_unique<Window>(*this); };
  }
  const test::RecordingUserInterface* ui;
  std::function<void(Window&)> whileShown;
  std::vector<std::pair<FakeView, bool>> shown;
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
  StoryRecorder stories{&ui, {}, {}};
  MainForm form{sample.server(), DateFormat("%m/%d/%y"), view, ui, view, stories.Factory()};
};

class MainFormWithoutLoggingTest : public MainFormTest {
 protected:
  MainFormWithoutLoggingTest() : MainFormTest("dword:00000000") {}
};

TEST(DateBoxKeyFilter, DigitsEnterAndBackspacePassAndPastedTextKeepsDigits) {
  // Every other key is swallowed (0): the digits' neighbours, control keys and wider codes.
  const struct {
    int key, passed;
  } cases[] = {{'0', '0'}, {'9', '9'}, {13, 13}, {8, 8},      {'/', 0}, {':', 0},
               {' ', 0},   {'a', 0},   {0, 0},   {0xB2, 0},   {-1, 0},  {7, 0},
               {9, 0},     {12, 0},    {14, 0},  {0x10035, 0}};
  for (const auto& c : cases) EXPECT_EQ(DateBoxKeyFilter(c.key), c.passed) << c.key;
  // Pasted text keeps the characters a key would have let in.
  EXPECT_EQ(DateBoxPasteFilter("26-12-01x\r\n\b\xB2"), "261201");
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
      EXPECT_TRUE(view.showings[0].busy);  // the sink ends it once the report is in
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
       {kNone, kNotRouted, kNoDetails + "gone", "Unable to read the story of message [ID]. gone"}},
      {std::make_exception_ptr(ReadError("/a.log", "gone")), {unread, unread, unread, unread}}};
  for (const auto& [failure, expected] : cases) {
    BrokenStore store(failure);
    const Server server(store);
    test::RecordingUserInterface ui;
    FakeView view(MainFormSpec(), &ui);
    StoryRecorder stories{&ui, {}, {}};
    MainForm form(server, DateFormat(), view, ui, view, stories.Factory());
    view.AddItem(icboConnector, "SMTP", "SMTP Connector");
    view.SelectItem(icboConnector, 0);
    form.icboConnector_Click();
    EXPECT_FALSE(view.controls[cmdListOrigins].enabled);
    view.SetText(txtSender, "a");
    form.cmdListOrigins_Click();
    view.selectedRow = "ID";
    form.cmdTrace_Click();
    form.cmdShowTransaction_Click();
    form.mnuWholeStory_Click();
    EXPECT_TRUE(stories.shown.empty());
    ASSERT_EQ(ui.shown.size(), 4u);
    for (int i = 0; i < 4; ++i) {
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

TEST(TraceForm, FirstLayoutKeepsTheTablesTextBoxAndCloseEscapeAndCloseBoxClose) {
  FakeView view(TraceFormSpec());
  TraceForm form(view);
  const FormSpec& def = TraceFormSpec();
  form.Form_Resize(def.clientWidth, def.clientHeight);
  EXPECT_EQ(view.controls[txtTrace].rect, ControlOf(txtTrace).rect);
  // The button's top follows the text box's height, 5 twips above the table's 3600.
  EXPECT_EQ(view.controls[cmdClose].rect, (TwipsRect{8480, 3595, 1245, 405}));
  const std::pair<ControlId, FormEvent> closers[] = {
      {cmdClose, FormEvent::kClick}, {kForm, FormEvent::kCancel}, {kForm, FormEvent::kClose}};
  for (const auto& [id, event] : closers) {
    view.closed = false;
    EXPECT_TRUE(Dispatch(TraceForm::Events(), form, id, event));
    EXPECT_TRUE(view.closed);
  }
}

TEST(WindowReport, FillsWhileBusyShowsThenDiscardsTheWindowWithItsReport) {
  struct Window final : ReportWindow {
    Window(std::vector<std::string>& log, const test::RecordingUserInterface& ui)
        : log(log), ui(ui) {
      log.push_back("create");
    }
    ~Window() override { log.push_back("destroy"); }
    void SetReport(std::string_view bytes) override {
      log.push_back("set " + std::string(bytes) + (ui.busy ? " busy" : ""));
    }
    void ShowModal() override { log.push_back(ui.busy ? "show busy" : "show"); }
    std::vector<std::string>& log;
    const test::RecordingUserInterface& ui;
  };
  std::vector<std::string> log;
  test::RecordingUserInterface ui;
  WindowReport report(ui, [&] { return std::make_unique<Window>(log, ui); });
  report.WriteTraceOutput("one");
  report.WriteTraceOutput("two\r\n");
  EXPECT_EQ(log, std::vector<std::string>{"create"});  // hidden until shown
  ui.SetBusy(true);
  report.ShowTraceOutput();
  report.WriteTraceOutput("stale");
  report.ClearTraceOutput();
  report.ShowTraceOutput();  // also with nothing written
  EXPECT_EQ(log, (std::vector<std::string>{"create", "set onetwo\r\n busy", "show", "destroy",
                                           "create", "set ", "show", "destroy"}));
}

TEST(ReportDisplayText, KeepsEveryByteVisibleInEitherLineEnd) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view bytes;
    const char* shown;
  } cases[] = {
      {"a\r\nb\r\n\r\n", "a|b||"},  // CR LF ends lines
      {"caf\xE9 \x80 \x93q\x94", "caf\u00E9 \u20AC \u201Cq\u201D"},
      {"a\nb\rc", "a\u240Ab\u240Dc"},  // lone LF and CR are shown, not obeyed
      {"x\0y\tz\x1b"sv, "x\u2400y\tz\u241B"},
      {"end\r", "end\u240D"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportDisplayText(c.bytes, "|"), c.shown);
  EXPECT_EQ(ReportDisplayText("a\r\nb", "\r\n"), "a\r\nb");
}

TEST(FormTables, PixelsRoundToTheNearestAndAMissingRowIsAFault) {
  const struct {
    int twips, dpi, pixels;
  } cases[] = {{1440, 96, 96}, {7, 96, 0},   {8, 96, 1},
               {10, 144, 1},   {-8, 96, -1}, {9870, 120, 823}};
  for (const auto& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips;
  EXPECT_EQ(PixelsToTwips(823, 120), 9876);
  EXPECT_THROW(ControlOf(kForm), std::out_of_range);
}

// Two days of traffic: IN001 came in the day before and was routed to PO001 on the start day.
class StoryFormTest : public MainFormTest {
 protected:
  StoryFormTest() {
    sample.WriteLog(
        "SMTP", "Activity", kDayBefore,
        CrLfLines({ActivityLine("IN001", "MAIL", "<alice@example.org>", "SMTP-IN", "23:59:00")}));
    sample.WriteLog("SMTP", "Activity", kDay,
                    CrLfLines({ActivityLine("IN002", "MAIL", "<alice@example.org>")}));
    sample.WriteLog("MTA", "Debug", kDay,
                    CrLfLines({"12/01/26 10:00:05\tRoute [IN001] from [SMTP] to queue of [SF] "
                               "new id [PO001] RQ-MTA-ROUTE"}));
    form.Form_Load();
    Search("alice", "", "261130");
  }
};

// The story window gives its new room to the summary's width and to the tree, and moves the
// buttons with its bottom right corner; made smaller than the tree, it keeps every size at zero or
// more and the buttons below the tree's top.
TEST(StoryLayout, RoomGoesToTheTreeAndTheButtonsFollowTheCorner) {
  struct Row {
    int width, height;
    std::map<ControlId, TwipsRect> places;
  };
  const Row rows[] = {
      {11400,
       6510,
       {{lblSummary, {90, 90, 11220, 630}},
        {tvStory, {90, 780, 11220, 5100}},
        {cmdCopy, {6705, 6015, 1395, 405}},
        {cmdCopyRedacted, {8190, 6015, 1695, 405}},
        {cmdStoryClose, {9975, 6015, 1335, 405}}}},
      {12000,
       6810,
       {{lblSummary, {90, 90, 11820, 630}},
        {tvStory, {90, 780, 11820, 5400}},
        {cmdCopy, {7305, 6315, 1395, 405}},
        {cmdCopyRedacted, {8790, 6315, 1695, 405}},
        {cmdStoryClose, {10575, 6315, 1335, 405}}}},
      {0,
       0,
       {{lblSummary, {90, 90, 0, 630}},
        {tvStory, {90, 780, 0, 0}},
        {cmdCopy, {-4695, 915, 1395, 405}},
        {cmdCopyRedacted, {-3210, 915, 1695, 405}},
        {cmdStoryClose, {-1425, 915, 1335, 405}}}},
  };
  for (const Row& row : rows) {
    const auto placed = LayoutStoryWindow(row.width, row.height);
    const std::map<ControlId, TwipsRect> places(placed.begin(), placed.end());
    EXPECT_EQ(places, row.places) << row.width << " x " << row.height;
  }
}

TEST_F(StoryFormTest, OriginMenuOffersItsEntriesForANamedRowAndRunsTheChosenOne) {
  const std::vector<std::string> captions{"&Trace Message", "&Show Transaction", "&Whole Story...",
                                          "&Copy Message ID"};
  const struct {
    std::optional<std::string> row;
    std::optional<int> choice;
    bool enabled;
    std::string clipboard;
    std::size_t reports, stories;
  } cases[] = {
      {std::nullopt, 0, false, "", 0, 0},  // no row: the entries are there, greyed, and inert
      {"", 3, false, "", 0, 0},           {"IN001", std::nullopt, true, "", 0, 0},  // dismissed
      {"IN001", 0, true, "", 1, 0},       {"IN001", 1, true, "", 1, 0},
      {"IN001", 2, true, "", 0, 1},       {"IN001", 3, true, "IN001", 0, 0},
      {"IN001", 4, true, "", 0, 0},  // no such entry
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row.value_or("(none)") + " " + std::to_string(c.choice.value_or(-1)));
    view.showings.clear();
    stories.shown.clear();
    view.clipboard.clear();
    ui.shown.clear();
    view.selectedRow = c.row;
    view.menuChoice = c.choice;
    EXPECT_TRUE(Dispatch(MainForm::Events(), form, lvOrigins, FormEvent::kContextMenu));
    EXPECT_EQ(view.menuAt, lvOrigins);
    ASSERT_EQ(view.menu.size(), captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i) {
      EXPECT_EQ(view.menu[i].caption, captions[i]);
      EXPECT_EQ(view.menu[i].enabled, c.enabled);
      EXPECT_EQ(view.menu[i].isDefault, i == 2);  // the Ctrl+double-click's
    }
    EXPECT_EQ(view.clipboard, c.clipboard);
    EXPECT_EQ(view.showings.size(), c.reports);
    EXPECT_EQ(stories.shown.size(), c.stories);
    EXPECT_TRUE(ui.shown.empty());  // an inert entry does not even fail
  }
  // Escape on the main window starts nothing.
  EXPECT_FALSE(Dispatch(MainForm::Events(), form, kForm, FormEvent::kCancel));
}

TEST_F(StoryFormTest, WholeStoryReadsFromTheDateBoxDayAndCopiesAsTheStoryCommandPrints) {
  // Ctrl+double-click on no row, or on a row that names no message, tells no story.
  for (const std::optional<std::string>& row :
       {std::optional<std::string>(), std::optional(std::string())}) {
    view.selectedRow = row;
    EXPECT_TRUE(Dispatch(MainForm::Events(), form, lvOrigins, FormEvent::kCtrlDblClick));
  }
  EXPECT_TRUE(stories.shown.empty());
  EXPECT_TRUE(ui.shown.empty());
  view.selectedRow = "IN001";
  ui.busyOn = 0;
  EXPECT_TRUE(Dispatch(MainForm::Events(), form, lvOrigins, FormEvent::kCtrlDblClick));
  ASSERT_EQ(stories.shown.size(), 1u);
  EXPECT_EQ(ui.busyOn, 1);
  EXPECT_FALSE(stories.shown[0].second);  // the pointer is back before the window shows
  FakeView& story = stories.shown[0].first;
  EXPECT_EQ(story.Text(lblSummary),
            "Origin [IN001], connector SMTP, routed; logs of 261130 to 261202.");
  ASSERT_GE(story.tree.size(), 2u);
  EXPECT_EQ(story.tree[0].heading, "Inbound [IN001]  connector SMTP");
  EXPECT_EQ(story.tree[0].rows.at(0).rfind("261130 23:59:00  ", 0), 0u);
  EXPECT_NE(story.tree[0].rows.at(0).find("\tIN001\t7\t192.0.2.10\tMAIL\t<alice@example.org>"),
            std::string::npos);
  EXPECT_EQ(story.focus, tvStory);

  // Copy gives the command's text; Copy Redacted the same with every address replaced; Escape
  // closes.
  std::vector<std::string> copies;
  stories.whileShown = [&](StoryRecorder::Window& w) {
    for (const ControlId id : {cmdCopy, cmdCopyRedacted}) {
      EXPECT_TRUE(Dispatch(StoryForm::Events(), w.storyForm, id, FormEvent::kClick));
      copies.push_back(w.view.clipboard);
    }
    EXPECT_TRUE(Dispatch(StoryForm::Events(), w.storyForm, kForm, FormEvent::kCancel));
    EXPECT_TRUE(w.view.closed);
  };
  form.mnuWholeStory_Click();
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0], StoryCopyText(TellStory(sample.server(), "IN001", kDayBefore, 2), false));
  EXPECT_EQ(copies[0].rfind("Story of Message ID [IN001], logs of 261130 to 261202\n", 0), 0u);
  EXPECT_NE(copies[0].find("<alice@example.org>"), std::string::npos);
  EXPECT_EQ(copies[1].find("alice@example.org"), std::string::npos);
  EXPECT_NE(copies[1].find("<user1@domain1.example>"), std::string::npos);
  EXPECT_NE(copies[1].find("[IN001]"), std::string::npos);
}

// The desktop program's roads: no command line opens the main window; a command line traces its
// second field from today and shows the report, or asks before reading earlier days; an error is
// shown with the busy pointer off, and ends with status 2.
TEST(DesktopStart, EachCommandLineTakesItsRoad) {
  struct Views final : DesktopViews {
    UserInterface& ui() override { return recorder; }
    void RunMainWindow(const Server&, const DateFormat&) override {
      log.emplace_back("main window");
      if (fail) throw std::runtime_error("no display");
    }
    std::unique_ptr<ReportWindow> CreateReportWindow() override {
      struct Window final : ReportWindow {
        explicit Window(std::vector<std::string>& log) : log(log) {}
        void SetReport(std::string_view bytes) override { log.emplace_back(bytes); }
        void ShowModal() override { log.emplace_back("shown"); }
        std::vector<std::string>& log;
      };
      return std::make_unique<Window>(log);
    }
    void ReportError(const std::string& text) override {
      log.push_back(text + (recorder.busy ? ", busy" : ""));
    }
    test::RecordingUserInterface recorder;
    std::vector<std::string> log;
    bool fail = false;
  };
  const test::SampleServer sample;
  sample.WriteLog("SMTP", "Debug", TodayLocal(),
                  CrLfLines({"RQ-I0018: [OUT1] requeued as [CP1] target domain [a.example]"}));
  const auto run = [&](const std::string& commandLine, bool fail = false) {
    Views views;
    views.fail = fail;
    views.recorder.busy = true;  // as a failed command may leave it
    const int status = RunDesktopWindows(sample.server(), commandLine, views);
    if (!views.recorder.questions.empty()) views.log.emplace_back("asked");
    return std::pair{status, views.log};
  };
  EXPECT_EQ(run(""), (std::pair{0, std::vector<std::string>{"main window"}}));
  EXPECT_EQ(run("", true), (std::pair{2, std::vector<std::string>{"main window", "no display"}}));
  EXPECT_EQ(run("rqtracker.exe"), (std::pair{0, std::vector<std::string>{}}));
  EXPECT_EQ(run("rqtracker.exe NOPE"), (std::pair{0, std::vector<std::string>{"asked"}}));
  const auto [status, log] = run("rqtracker.exe CP1");
  EXPECT_EQ(status, 0);
  ASSERT_EQ(log.size(), 2U);
  EXPECT_NE(log[0].find("RQ-I0018: [OUT1] requeued as [CP1]"), std::string::npos) << log[0];
  EXPECT_EQ(log[1], "shown");
}

}  // namespace
}  // namespace rq
