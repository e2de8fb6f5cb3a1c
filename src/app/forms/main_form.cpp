#include "app/forms/main_form.h"

#include <exception>
#include <string>
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

}  // namespace

int DateBoxKeyFilter(int keyAscii) {
  if ((keyAscii >= '0' && keyAscii <= '9') || keyAscii == 13 || keyAscii == 8) return keyAscii;
  return 0;
}

MainForm::MainForm(const Server& server, const DateFormat& dateFormat, FormView& view,
                   UserInterface& ui, ReportSink& report)
    : server_(server), dateFormat_(dateFormat), view_(view), ui_(ui), report_(report) {}

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
  if (message) {
    ui_.SetBusy(false);
    ui_.ShowMessage(*message);
  } else if (showReport) {
    ui_.SetBusy(false);
    report_.ShowTraceOutput();
  }
  ui_.SetBusy(false);
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

void MainForm::cmdQuit_Click() {
  view_.Close();
}

}  // namespace rq
