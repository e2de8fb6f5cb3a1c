#include "app/gui/result_windows.h"

#include <QPlainTextEdit>

namespace rq {

TraceWindow::TraceWindow(QWidget* owner, ShowModalHook showModal)
    : QtFormWindow(TraceFormSpec(), owner, std::move(showModal)) {
  setSizeGripEnabled(false);
  Drive(form_);
}

void TraceWindow::SetReport(std::string_view bytes) {
  const std::string text = ReportDisplayText(bytes, "\n");
  control<QPlainTextEdit>(ControlId::txtTrace)
      ->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace rq
