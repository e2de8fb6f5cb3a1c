// The result window in Qt: the widgets of the result form's table with TraceForm's layout, and
// the report sink of the windows, which creates that window on first use and discards it on close.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "app/forms/trace_form.h"
#include "app/gui/qt_form_view.h"
#include "app/user_interface.h"
#include "tracing/report.h"

namespace rq {

// Report bytes (Windows-1252, lines ending in CR LF) as the text box shows them: CR LF ends a
// line; any other control character but TAB (a lone CR or LF, NUL, ...) is shown as its visible
// symbol, so that no byte of a log line is lost or breaks the line.
QString ReportDisplayText(std::string_view bytes);

class TraceWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit TraceWindow(QWidget* owner = nullptr);

  // The report, as bytes; the text box is brought up to date by SyncText.
  const std::string& report() const { return report_; }
  void ClearReport();
  void AppendReport(std::string_view text);
  // Shows the report in the text box; writes only gather bytes until then, so that a long trace
  // of many small writes costs one conversion.
  void SyncText();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QtFormView view_;
  TraceForm form_;
  std::string report_;
  bool textCurrent_ = true;
};

// The trace report of the windows. Each operation first creates the result window, hidden, when
// there is none. ShowTraceOutput ends the busy pointer, shows the window modally and, once the
// user has closed it, destroys it with its report: the next report starts empty.
class WindowReport final : public ReportSink {
 public:
  // Shows the window modally and returns when it is closed; tests replace QDialog::exec.
  using ShowModal = std::function<void(TraceWindow&)>;

  WindowReport(UserInterface& ui, QWidget* owner, ShowModal showModal = {});
  ~WindowReport() override;
  WindowReport(const WindowReport&) = delete;
  WindowReport& operator=(const WindowReport&) = delete;

  void ClearTraceOutput() override;
  void WriteTraceOutput(std::string_view text) override;
  void ShowTraceOutput() override;

  // The result window, or nullptr while there is none.
  TraceWindow* window() const { return window_; }

 private:
  TraceWindow& Window();

  UserInterface& ui_;
  QPointer<QWidget> owner_;
  ShowModal showModal_;
  QPointer<TraceWindow> window_;
};

}  // namespace rq
