// The result window and the story window in Qt: the forms' widgets, their events through the
// forms' tables, and the verbs of each that are the view's own (filling the report, showing
// modally).
#pragma once

#include "app/forms/story_form.h"
#include "app/forms/trace_form.h"
#include "app/gui/qt_form_window.h"

namespace rq {

using ShowModalHook = QtFormWindow::ShowModalHook;

class TraceWindow final : public QtFormWindow, public ReportWindow {
  Q_OBJECT

 public:
  explicit TraceWindow(QWidget* owner = nullptr, ShowModalHook showModal = {});

  void SetReport(std::string_view bytes) override;
  void ShowModal() override { RunModal(); }

 private:
  TraceForm form_{*this};
};

class StoryDialog final : public QtFormWindow, public StoryWindow {
  Q_OBJECT

 public:
  explicit StoryDialog(QWidget* owner = nullptr, ShowModalHook showModal = {})
      : QtFormWindow(StoryFormSpec(), owner, std::move(showModal)) {
    Drive(form_);
  }

  StoryForm& form() override { return form_; }
  void ShowModal() override { RunModal(); }

 private:
  StoryForm form_{*this};
};

}  // namespace rq
