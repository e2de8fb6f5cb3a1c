// What the window tests share: a user interface that records every message box and answers
// questions from a script, and a stand-in for the result window's modal run.
#pragma once

#include <QPlainTextEdit>
#include <deque>
#include <string>
#include <vector>

#include "app/gui/trace_window.h"
#include "app/user_interface.h"

namespace rq::test {

class RecordingUserInterface final : public UserInterface {
 public:
  struct Shown {
    Message message;
    bool busy;  // whether the busy pointer was still on when the box appeared
  };

  void ShowMessage(const Message& message) override { shown.push_back({message, busy}); }
  bool AskYesNo(const Message& question) override {
    questions.push_back(question);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetBusy(bool on) override {
    busy = on;
    if (on) ++busyOn;
  }

  std::vector<Shown> shown;
  std::vector<Message> questions;
  std::deque<bool> answers;
  bool busy = false;
  int busyOn = 0;
};

// Records each showing of the result window instead of running it modally.
struct ReportRecorder {
  struct Showing {
    std::string report;
    QString text;  // what the text box held
    bool busy;
  };

  WindowReport::ShowModal Hook(const RecordingUserInterface& ui) {
    return [this, &ui](frmTrace& window) {
      const auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
      showings.push_back({window.report(), box ? box->toPlainText() : QString(), ui.busy});
    };
  }

  std::vector<Showing> showings;
};

}  // namespace rq::test
