// The result window and the story window on Windows: the forms' controls, their events through
// the forms' tables, and the verbs of each that are the view's own (filling the report, showing
// modally).
#pragma once

#include "app/forms/story_form.h"
#include "app/forms/trace_form.h"
#include "app/win32/form_window.h"

namespace rq::win32 {

using ShowModalHook = FormWindow::ShowModalHook;

class TraceWindow final : public FormWindow, public ReportWindow {
 public:
  TraceWindow(HWND owner, MessageBoxUserInterface& ui, ShowModalHook showModal = {})
      : FormWindow(TraceFormSpec(), owner, ui, std::move(showModal)) {
    Drive(form_);
  }

  // The report as wide text, in one go and drawn once: a long report used to be drawn line by
  // line while the window stood frozen.
  void SetReport(std::string_view bytes) override;
  void ShowModal() override { RunModal(); }

 private:
  TraceForm form_{*this};
};

class StoryDialog final : public FormWindow, public StoryWindow {
 public:
  StoryDialog(HWND owner, MessageBoxUserInterface& ui, ShowModalHook showModal = {})
      : FormWindow(StoryFormSpec(), owner, ui, std::move(showModal)) {
    Drive(form_);
  }

  StoryForm& form() override { return form_; }
  void ShowModal() override { RunModal(); }

 private:
  StoryForm form_{*this};
};

}  // namespace rq::win32
