// What the window tests share: a stand-in for the result window's modal run.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <vector>

#include "app/gui/trace_window.h"
#include "app/user_interface.h"
#include "test_support.h"

namespace rq::test {

// Records each showing of the result window instead of running it modally.
struct ReportRecorder {
  struct Showing {
    std::string report;
    QString text;  // what the text box held
    bool busy;
  };

  WindowReport::ShowModal Hook(const RecordingUserInterface& ui) {
    return [this, &ui](TraceWindow& window) {
      const auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
      showings.push_back({window.report(), box ? box->toPlainText() : QString(), ui.busy});
    };
  }

  std::vector<Showing> showings;
};

}  // namespace rq::test
