// The main window's behaviour without a toolkit: every event of the window as code over the
// FormView it is given. A front end builds the window from MainFormSpec(), reports each event
// through the table of Events() and implements FormView; the rules live here only.
#pragma once

#include <span>

#include "app/forms/form_events.h"
#include "app/forms/form_view.h"
#include "app/forms/story_form.h"
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
// What the date box keeps of text pasted or dropped into it: the characters the key filter
// passes. (Control keys such as Ctrl+V or Ctrl+A are commands, not characters, and are not
// filtered.)
std::string DateBoxPasteFilter(std::string_view text);

class MainForm {
 public:
  // `report` is the result window's report; `dateFormat` writes the day the walker is given;
  // `stories` opens story windows (none: "Whole Story..." does nothing).
  MainForm(const Server& server, const DateFormat& dateFormat, FormView& view, UserInterface& ui,
           ReportSink& report, StoryWindowFactory stories = {});

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
  // With Ctrl held, the double-click opens the whole story instead, the menu's default entry.
  void lvOrigins_CtrlDblClick();
  // The origin list's menu: Trace Message, Show Transaction, Whole Story..., Copy Message ID,
  // enabled while a row that names a message is selected.
  void lvOrigins_ContextMenu();
  // The whole story of the selected row's message in a story window, from the date box's day
  // and the days after it that `rqtrace story` reads; the busy pointer while it is read.
  void mnuWholeStory_Click();
  // The selected row's message ID to the clipboard.
  void mnuCopyMessageId_Click();
  // Quit (and the close box) closes the window.
  void cmdQuit_Click();

  // Whether the backtrace box is ticked; a greyed third state is not.
  bool boolDoBacktrace() const;

  static std::span<const EventRow<MainForm>> Events();

  const OriginList& origins() const { return origins_; }

 private:
  void ShowOutcome(const std::optional<Message>& message, bool showReport);

  const Server& server_;
  DateFormat dateFormat_;
  FormView& view_;
  UserInterface& ui_;
  ReportSink& report_;
  StoryWindowFactory stories_;
  OriginList origins_;
};

}  // namespace rq
