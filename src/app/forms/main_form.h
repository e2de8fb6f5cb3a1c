// The main window's behaviour without a toolkit: every event of the window as code over the
// FormView it is given. A front end builds the window from MainFormSpec(), forwards each event
// to the member of the same name and implements FormView; the rules live here only.
#pragma once

#include "app/forms/form_view.h"
#include "app/user_interface.h"
#include "base/dates.h"
#include "readers/origin_search.h"
#include "settings/server.h"
#include "tracing/report.h"

namespace rq {

inline constexpr const char* kLoggingWarningTitle = "Message Logging Settings";

// The date box's key filter, for each character typed into the box: digits, Enter (13) and
// Backspace (8) pass unchanged; any other character code becomes 0, which drops the character.
int DateBoxKeyFilter(int keyAscii);

class MainForm {
 public:
  // `report` is the result window's report; `dateFormat` writes the day the walker is given.
  MainForm(const Server& server, const DateFormat& dateFormat, FormView& view, UserInterface& ui,
           ReportSink& report);

  // Before the window is shown: each logging warning in its own message box, then the connector
  // box with its one entry "SMTP Connector" (key "SMTP") selected, then the date box.
  void Form_Load();
  // Lists the selected connector's log days in the date box, selects the first and enables
  // Search exactly when there is one.
  void icboConnector_Click();
  // The label above the list names the direction; nothing else changes.
  void chkBacktrace_Click();
  // Search: empties the list, refuses without sender and recipient (focus to the sender box),
  // otherwise lists the origins and enables Trace and Show Transaction exactly when there are
  // some. The busy pointer is off before any message box.
  void cmdListOrigins_Click();
  // Trace Message on the selected row: the report, or a message box.
  void cmdTrace_Click();
  // Show Transaction on the selected row: the report, or a message box.
  void cmdShowTransaction_Click();
  // A double-click traces, unless the selected row has an empty key.
  void lvOrigins_DblClick();
  // Quit (and the close box) closes the window.
  void cmdQuit_Click();

  // Whether the backtrace box is ticked; a greyed third state is not.
  bool boolDoBacktrace() const;

  const OriginList& origins() const { return origins_; }

 private:
  void ShowOutcome(const std::optional<Message>& message, bool showReport);

  const Server& server_;
  DateFormat dateFormat_;
  FormView& view_;
  UserInterface& ui_;
  ReportSink& report_;
  OriginList origins_;
};

}  // namespace rq
