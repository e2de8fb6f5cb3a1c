#include "app/forms/main_form.h"

#include <array>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "settings/log_dates.h"
#include "settings/startup_check.h"

namespace rq {
namespace {

using enum ControlId;

Message ToolMessage(std::string text) {
  return Message{kToolTitle, std::move(text), MessageIcon::kInformation};
}

// Called in a catch block: a log that could not be read whole is named, any other failure shows
// `otherwise`.
Message FailureMessage(const char* otherwise) {
  try {
    throw;
  } catch (const ReadError& e) {
    return ReadErrorMessage(e);
  } catch (...) {
    return ToolMessage(otherwise);
  }
}

// What a command that fails on the way (an exception out of the core) tells the user: the
// message its own failure of the same kind shows.
constexpr const char* kNothingFoundText = "Could not find messages matching the criteria specified";
constexpr const char* kNotTracedText =
    "Unable to trace message. Message does not seem to have been routed through Ravenquill "
    "queues.";
constexpr const char* kNoDetailsText =
    "Unable to locate message details in from selected origin. Error (0) ";

struct OriginMenuEntry {
  std::string_view caption;
  void (MainForm::*handler)();
  bool isDefault;
};

constexpr std::array kOriginMenu{
    OriginMenuEntry{"&Trace Message", &MainForm::cmdTrace_Click, false},
    OriginMenuEntry{"&Show Transaction", &MainForm::cmdShowTransaction_Click, false},
    OriginMenuEntry{"&Whole Story...", &MainForm::mnuWholeStory_Click, true},
    OriginMenuEntry{"&Copy Message ID", &MainForm::mnuCopyMessageId_Click, false},
};

}  // namespace

int DateBoxKeyFilter(int keyAscii) {
  if ((keyAscii >= '0' && keyAscii <= '9') || keyAscii == 13 || keyAscii == 8) return keyAscii;
  return 0;
}

std::string DateBoxPasteFilter(std::string_view text) {
  std::string kept;
  for (const char c : text) {
    if (c >= '0' && c <= '9') kept += c;
  }
  return kept;
}

MainForm::MainForm(const Server& server, const DateFormat& dateFormat, FormView& view,
                   UserInterface& ui, ReportSink& report, StoryWindowFactory stories)
    : server_(server),
      dateFormat_(dateFormat),
      view_(view),
      ui_(ui),
      report_(report),
      stories_(std::move(stories)) {}

std::span<const EventRow<MainForm>> MainForm::Events() {
  static constexpr std::array<EventRow<MainForm>, 10> kEvents{{
      {icboConnector, FormEvent::kClick, &MainForm::icboConnector_Click},
      {chkBacktrace, FormEvent::kClick, &MainForm::chkBacktrace_Click},
      {cmdListOrigins, FormEvent::kClick, &MainForm::cmdListOrigins_Click},
      {cmdTrace, FormEvent::kClick, &MainForm::cmdTrace_Click},
      {cmdShowTransaction, FormEvent::kClick, &MainForm::cmdShowTransaction_Click},
      {cmdQuit, FormEvent::kClick, &MainForm::cmdQuit_Click},
      {lvOrigins, FormEvent::kDblClick, &MainForm::lvOrigins_DblClick},
      {lvOrigins, FormEvent::kCtrlDblClick, &MainForm::lvOrigins_CtrlDblClick},
      {lvOrigins, FormEvent::kContextMenu, &MainForm::lvOrigins_ContextMenu},
      // Only Quit and the close box end the program; Escape does not.
      {kForm, FormEvent::kClose, &MainForm::cmdQuit_Click},
  }};
  return kEvents;
}

void MainForm::Form_Load() {
  for (const std::string& warning : StartUpCheck(server_.settings())) {
    ui_.ShowMessage(Message{kLoggingWarningTitle, warning, MessageIcon::kCritical});
  }
  view_.ClearItems(icboConnector);
  view_.AddItem(icboConnector, "SMTP", "SMTP Connector");
  view_.SelectItem(icboConnector, 0);
  icboConnector_Click();
}

void MainForm::icboConnector_Click() {
  const std::string code = view_.SelectedKey(icboConnector).value_or("");
  std::vector<std::string> dates;
  try {
    dates = ListAvailableDates(server_, code);
  } catch (...) {
    dates.clear();  // an unreadable directory lists nothing
  }
  view_.ClearItems(cboDate);
  for (const std::string& date : dates) view_.AddItem(cboDate, date, date);
  if (!dates.empty()) view_.SelectItem(cboDate, 0);
  view_.SetEnabled(cmdListOrigins, !dates.empty());
}

void MainForm::chkBacktrace_Click() {
  view_.SetText(lblMessageCriteria, boolDoBacktrace() ? "Outbound Messages matching criteria:"
                                                      : "Inbound Messages matching criteria:");
}

bool MainForm::boolDoBacktrace() const {
  return view_.Check(chkBacktrace) == CheckState::kChecked;
}

void MainForm::cmdListOrigins_Click() {
  ui_.SetBusy(true);
  SearchOutcome outcome;
  try {
    outcome =
        SearchOrigins(server_, view_.Text(cboDate), view_.SelectedKey(icboConnector).value_or(""),
                      view_.Text(txtSender), view_.Text(txtRecipient), boolDoBacktrace(), origins_);
  } catch (...) {
    // A search that fails finds nothing, as when its log cannot be read.
    origins_.Clear();
    outcome = SearchOutcome{};
    outcome.message = FailureMessage(kNothingFoundText);
    outcome.enableTraceButtons = false;
  }
  view_.ShowOrigins(origins_);
  ui_.SetBusy(false);
  if (outcome.message) ui_.ShowMessage(*outcome.message);
  if (outcome.focusSender) view_.SetFocus(txtSender);
  if (outcome.enableTraceButtons) {
    view_.SetEnabled(cmdTrace, *outcome.enableTraceButtons);
    view_.SetEnabled(cmdShowTransaction, *outcome.enableTraceButtons);
  }
}

void MainForm::ShowOutcome(const std::optional<Message>& message, bool showReport) {
  // A report goes to its sink with the pointer still busy: the sink ends it once a long report
  // is in its text box.
  if (!message && showReport) report_.ShowTraceOutput();
  ui_.SetBusy(false);
  if (message) ui_.ShowMessage(*message);
}

void MainForm::cmdTrace_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome = TraceMessage(server_, dateFormat_, view_.Text(cboDate), view_.SelectedOriginKey(),
                           boolDoBacktrace(), report_);
  } catch (...) {
    // A walk that fails traced nothing.
    outcome = CommandOutcome{};
    outcome.message = FailureMessage(kNotTracedText);
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void MainForm::cmdShowTransaction_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome = ShowTransaction(server_, view_.Text(cboDate), view_.SelectedOriginKey(), report_);
  } catch (const ReadError& e) {
    outcome = CommandOutcome{};
    outcome.message = ReadErrorMessage(e);
  } catch (const std::exception& e) {
    outcome = CommandOutcome{};
    outcome.message = ToolMessage(kNoDetailsText + std::string(e.what()));
  } catch (...) {
    outcome = CommandOutcome{};
    outcome.message = ToolMessage(kNoDetailsText);
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void MainForm::lvOrigins_DblClick() {
  const std::optional<std::string> key = view_.SelectedOriginKey();
  // A row without a key names no message; no row at all lets the trace report the failure.
  if (key && key->empty()) return;
  cmdTrace_Click();
}

void MainForm::lvOrigins_CtrlDblClick() {
  mnuWholeStory_Click();
}

void MainForm::lvOrigins_ContextMenu() {
  const std::optional<std::string> key = view_.SelectedOriginKey();
  const bool named = key && !key->empty();
  std::array<MenuItem, kOriginMenu.size()> items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i] = MenuItem{kOriginMenu[i].caption, named, kOriginMenu[i].isDefault};
  }
  const std::optional<int> chosen = view_.ShowMenu(lvOrigins, items);
  if (!named || !chosen || *chosen < 0 || static_cast<std::size_t>(*chosen) >= items.size()) {
    return;
  }
  (this->*kOriginMenu[static_cast<std::size_t>(*chosen)].handler)();
}

void MainForm::mnuWholeStory_Click() {
  const std::optional<std::string> key = view_.SelectedOriginKey();
  if (!key || key->empty() || !stories_) return;
  ui_.SetBusy(true);
  std::unique_ptr<StoryWindow> window;
  try {
    window = stories_();
    window->form().Show(
        TellStory(server_, *key, DateFromLogDate(view_.Text(cboDate)), kStoryFollowingDays));
  } catch (const ReadError& e) {
    ui_.SetBusy(false);
    ui_.ShowMessage(ReadErrorMessage(e));
    return;
  } catch (const std::exception& e) {
    ui_.SetBusy(false);
    ui_.ShowMessage(ToolMessage("Unable to read the story of message [" + *key + "]. " + e.what()));
    return;
  }
  ui_.SetBusy(false);
  window->ShowModal();
}

void MainForm::mnuCopyMessageId_Click() {
  const std::optional<std::string> key = view_.SelectedOriginKey();
  if (key && !key->empty()) view_.SetClipboard(*key);
}

void MainForm::cmdQuit_Click() {
  view_.Close();
}

}  // namespace rq
