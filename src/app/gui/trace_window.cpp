#include "app/gui/trace_window.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "app/gui/twips.h"
#include "base/codepage.h"

namespace rq {

QString ReportDisplayText(std::string_view bytes) {
  std::string utf8;
  utf8.reserve(bytes.size() + bytes.size() / 8);
  std::size_t run = 0;  // start of the ordinary bytes not yet converted
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 || c == '\t') continue;
    utf8 += Cp1252ToUtf8(bytes.substr(run, i - run));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      utf8 += '\n';
      ++i;
    } else {
      // U+2400 + c, the control picture of the character.
      const unsigned symbol = 0x2400u + c;
      utf8 += static_cast<char>(0xE0 | (symbol >> 12));
      utf8 += static_cast<char>(0x80 | ((symbol >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (symbol & 0x3F));
    }
    run = i + 1;
  }
  utf8 += Cp1252ToUtf8(bytes.substr(run));
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

TraceWindow::TraceWindow(QWidget* owner)
    : QDialog(owner), view_(TraceFormSpec(), *this), form_(view_) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(false);
  connect(view_.control<QPushButton>(ControlId::cmdClose), &QPushButton::clicked, this,
          [this] { form_.cmdClose_Click(); });
}

void TraceWindow::ClearReport() {
  report_.clear();
  textCurrent_ = false;
}

void TraceWindow::AppendReport(std::string_view text) {
  report_ += text;
  textCurrent_ = false;
}

void TraceWindow::SyncText() {
  if (textCurrent_) return;
  view_.control<QPlainTextEdit>(ControlId::txtTrace)->setPlainText(ReportDisplayText(report_));
  textCurrent_ = true;
}

void TraceWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const double dpi = view_.Dpi();
  form_.Form_Resize(PixelsToTwips(event->size().width(), dpi),
                    PixelsToTwips(event->size().height(), dpi));
}

void TraceWindow::keyPressEvent(QKeyEvent* event) {
  // The window has no cancel button: Escape does not close it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

WindowReport::WindowReport(UserInterface& ui, QWidget* owner, ShowModal showModal)
    : ui_(ui), owner_(owner), showModal_(std::move(showModal)) {
  if (!showModal_) showModal_ = [](TraceWindow& window) { window.exec(); };
}

WindowReport::~WindowReport() {
  delete window_.data();
}

TraceWindow& WindowReport::Window() {
  if (window_.isNull()) window_ = new TraceWindow(owner_);
  return *window_;
}

void WindowReport::ClearTraceOutput() {
  Window().ClearReport();
}

void WindowReport::WriteTraceOutput(std::string_view text) {
  Window().AppendReport(text);
}

void WindowReport::ShowTraceOutput() {
  TraceWindow& window = Window();
  ui_.SetBusy(false);
  window.SyncText();
  showModal_(window);
  // Closing discards the window and its report.
  delete window_.data();
}

}  // namespace rq
