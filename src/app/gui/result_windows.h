// The result window and the story window in Qt: the forms' widgets, their events through the
// forms' tables, and the two verbs of each that are the view's own (filling the report, showing
// modally).
#pragma once

#include <functional>

#include "app/forms/story_form.h"
#include "app/forms/trace_form.h"
#include "app/gui/qt_form_window.h"

namespace rq {

// Shows a window modally and returns when it is closed; tests replace QDialog::exec.
using ShowModalHook = std::function<void(QtFormWindow&)>;

class TraceWindow final : public QtFormWindow, public ReportWindow {
  Q_OBJECT

 public:
  explicit TraceWindow(QWidget* owner = nullptr, ShowModalHook showModal = {});

  void SetReport(std::string_view bytes) override;
  void ShowModal() override;

 private:
  TraceForm form_;
  ShowModalHook showModal_;
};

class StoryDialog final : public QtFormWindow, public StoryWindow {
  Q_OBJECT

 public:
  explicit StoryDialog(QWidget* owner = nullptr, ShowModalHook showModal = {});

  StoryForm& form() override { return form_; }
  void ShowModal() override;

 private:
  StoryForm form_;
  ShowModalHook showModal_;
};

}  // namespace rq
