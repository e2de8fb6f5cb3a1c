#include "app/forms/desktop_start.h"

#include <exception>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/program_support.h"

namespace rq {

int RunDesktopWindows(const Server& server, const std::string& commandLine, DesktopViews& views) {
  try {
    const DateFormat format = DateFormat::FromUserLocale();
    if (commandLine.empty()) {
      views.RunMainWindow(server, format);
      return kExitOk;
    }
    const std::vector<std::string_view> fields = SplitCommandLine(commandLine);
    if (fields.size() < 2) return kExitOk;
    WindowReport report(views.ui(), [&views] { return views.CreateReportWindow(); });
    RunCommandLineTrace(server, format, fields[1], TodayLocal(), views.ui(), report);
    return kExitOk;
  } catch (const std::exception& e) {
    views.ui().SetBusy(false);
    views.ReportError(e.what());
    return kExitUsage;
  }
}

}  // namespace rq
