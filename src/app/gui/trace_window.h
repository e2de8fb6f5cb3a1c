// The result window: the trace report in a read-only text box with a Close button, and the
// report sink of the windows, which creates that window on first use and discards it on close.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "app/user_interface.h"
#include "tracing/report.h"

class QPlainTextEdit;
class QPushButton;

namespace rq {

// Positions and sizes of the result window's two controls, in twips.
struct TraceLayout {
  int textLeft = 90;
  int textTop = 135;
  int textWidth = 9645;
  int textHeight = 3345;
  int buttonLeft = 8520;
  int buttonTop = 3600;
  int buttonWidth = 1245;
  int buttonHeight = 405;

  friend bool operator==(const TraceLayout&, const TraceLayout&) = default;
};

// The client size of the result window when it is created, in twips.
inline constexpr int kTraceClientWidth = 9870;
inline constexpr int kTraceClientHeight = 4110;

// The layout after the window's outer size (border and title bar included) became
// outerWidth x outerHeight twips. The text box fills the window but for fixed margins, the
// button keeps to the bottom right, just below the text box. Each measure is set on its own: a
// width or height that would be negative is refused and keeps its value, the others still follow.
TraceLayout LayoutTraceWindow(const TraceLayout& current, int outerWidth, int outerHeight);

// Report bytes (Windows-1252, lines ending in CR LF) as the text box shows them: CR LF ends a
// line; any other control character but TAB (a lone CR or LF, NUL, ...) is shown as its visible
// symbol, so that no byte of a log line is lost or breaks the line.
QString ReportDisplayText(std::string_view bytes);

class frmTrace final : public QDialog {
  Q_OBJECT

 public:
  explicit frmTrace(QWidget* owner = nullptr);

  // The report, as bytes; the text box is brought up to date by SyncText.
  const std::string& report() const { return report_; }
  void ClearReport();
  void AppendReport(std::string_view text);
  // Shows the report in the text box; writes only gather bytes until then, so that a long trace
  // of many small writes costs one conversion.
  void SyncText();

  const TraceLayout& layoutTwips() const { return layout_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Relayout(const QSize& client);
  void ApplyLayout();
  QSize FrameSize() const;
  double Dpi() const;

  std::string report_;
  bool textCurrent_ = true;
  TraceLayout layout_;
  QSize layoutFrame_{0, 0};  // the frame the layout was computed with
  QPlainTextEdit* txtTrace_;
  QPushButton* cmdClose_;
};

// The trace report of the windows. Each operation first creates the result window, hidden, when
// there is none. ShowTraceOutput ends the busy pointer, shows the window modally and, once the
// user has closed it, destroys it with its report: the next report starts empty.
class WindowReport final : public ReportSink {
 public:
  // Shows the window modally and returns when it is closed; tests replace QDialog::exec.
  using ShowModal = std::function<void(frmTrace&)>;

  WindowReport(UserInterface& ui, QWidget* owner, ShowModal showModal = {});
  ~WindowReport() override;
  WindowReport(const WindowReport&) = delete;
  WindowReport& operator=(const WindowReport&) = delete;

  void ClearTraceOutput() override;
  void WriteTraceOutput(std::string_view text) override;
  void ShowTraceOutput() override;

  // The result window, or nullptr while there is none.
  frmTrace* window() const { return window_; }

 private:
  frmTrace& Window();

  UserInterface& ui_;
  QPointer<QWidget> owner_;
  ShowModal showModal_;
  QPointer<frmTrace> window_;
};

}  // namespace rq
