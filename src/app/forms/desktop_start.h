// The desktop program's two roads, the same in every view: an empty command line opens the main
// window; otherwise field 1 of the command line is traced from today's logs, asking before each
// earlier day, with the report in the result window. The views only make the windows.
#pragma once

#include <memory>
#include <string>

#include "app/forms/trace_form.h"
#include "app/user_interface.h"
#include "base/dates.h"
#include "settings/server.h"

namespace rq {

class DesktopViews {
 public:
  virtual ~DesktopViews() = default;
  // The message boxes and the busy pointer of the windows.
  virtual UserInterface& ui() = 0;
  // Loads the main window (its logging warnings come first, owned by nobody), shows it and
  // returns once it is closed.
  virtual void RunMainWindow(const Server& server, const DateFormat& format) = 0;
  // A result window without an owner, hidden.
  virtual std::unique_ptr<ReportWindow> CreateReportWindow() = 0;
  // An error before or outside any window.
  virtual void ReportError(const std::string& text) = 0;
};

// Runs the road the command line asks for and returns the exit status. The user's date format
// is read here, once the views have set up the process's locale.
int RunDesktopWindows(const Server& server, const std::string& commandLine, DesktopViews& views);

}  // namespace rq
