#include "app/gui/result_windows.h"

#include <QPlainTextEdit>

namespace rq {

TraceWindow::TraceWindow(QWidget* owner, ShowModalHook showModal)
    : QtFormWindow(TraceFormSpec(), owner), form_(*this), showModal_(std::move(showModal)) {
  setSizeGripEnabled(false);
  OnEvent([this](ControlId id, FormEvent event) {
    return Dispatch(TraceForm::Events(), form_, id, event);
  });
  OnResize([this](int width, int height) { form_.Form_Resize(width, height); });
}

void TraceWindow::SetReport(std::string_view bytes) {
  const std::string text = ReportDisplayText(bytes, "\n");
  control<QPlainTextEdit>(ControlId::txtTrace)
      ->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void TraceWindow::ShowModal() {
  if (showModal_) {
    showModal_(*this);
  } else {
    exec();
  }
}

StoryDialog::StoryDialog(QWidget* owner, ShowModalHook showModal)
    : QtFormWindow(StoryFormSpec(), owner), form_(*this), showModal_(std::move(showModal)) {
  OnEvent([this](ControlId id, FormEvent event) {
    return Dispatch(StoryForm::Events(), form_, id, event);
  });
  OnResize([this](int width, int height) { form_.Form_Resize(width, height); });
}

void StoryDialog::ShowModal() {
  if (showModal_) {
    showModal_(*this);
  } else {
    exec();
  }
}

}  // namespace rq
