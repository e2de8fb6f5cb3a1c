#include "app/gui/trace_window.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "app/gui/twips.h"
#include "base/codepage.h"

namespace rq {

TraceLayout LayoutTraceWindow(const TraceLayout& current, int outerWidth, int outerHeight) {
  TraceLayout next = current;
  const int width = outerWidth - 280;
  if (width >= 0) next.textWidth = width;
  const int height = outerHeight - next.buttonHeight - 850;
  if (height >= 0) next.textHeight = height;
  next.buttonLeft = outerWidth - next.buttonWidth - 200;
  // From the text box's height, not its bottom edge: the gap to the button stays 115 twips.
  next.buttonTop = next.textHeight + 250;
  return next;
}

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

frmTrace::frmTrace(QWidget* owner)
    : QDialog(owner),
      txtTrace_(new QPlainTextEdit(this)),
      cmdClose_(new QPushButton(QStringLiteral("&Close"), this)) {
  setObjectName(QStringLiteral("frmTrace"));
  setWindowTitle(QStringLiteral("Message Trace Result"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(false);

  txtTrace_->setObjectName(QStringLiteral("txtTrace"));
  txtTrace_->setReadOnly(true);
  txtTrace_->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtTrace_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtTrace_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtTrace_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Log fields are TAB-separated: stops every eight characters keep the columns of most lines
  // aligned, as a plain text editor shows them.
  txtTrace_->setTabStopDistance(8.0 * QFontMetricsF(txtTrace_->font()).horizontalAdvance(' '));
  // Keyboard users can still move through and select the report.
  txtTrace_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  cmdClose_->setAutoDefault(false);
  connect(cmdClose_, &QPushButton::clicked, this, &QDialog::accept);
  setTabOrder(txtTrace_, cmdClose_);

  const double dpi = Dpi();
  resize(TwipsToPixels(kTraceClientWidth, dpi), TwipsToPixels(kTraceClientHeight, dpi));
  ApplyLayout();
}

double frmTrace::Dpi() const {
  return logicalDpiX() > 0 ? logicalDpiX() : 96.0;
}

void frmTrace::ClearReport() {
  report_.clear();
  textCurrent_ = false;
}

void frmTrace::AppendReport(std::string_view text) {
  report_ += text;
  textCurrent_ = false;
}

void frmTrace::SyncText() {
  if (textCurrent_) return;
  txtTrace_->setPlainText(ReportDisplayText(report_));
  textCurrent_ = true;
}

void frmTrace::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Relayout(event->size());
}

bool frmTrace::event(QEvent* event) {
  // A window manager adds its frame after the window is first shown; the outer size changes then
  // without a resize of the client area, and the layout must follow it.
  if (event->type() == QEvent::Move && FrameSize() != layoutFrame_) Relayout(size());
  return QDialog::event(event);
}

QSize frmTrace::FrameSize() const {
  return frameGeometry().size() - geometry().size();
}

void frmTrace::Relayout(const QSize& client) {
  // The rule is stated for the outer size, border and title bar included.
  layoutFrame_ = FrameSize();
  const double dpi = Dpi();
  layout_ = LayoutTraceWindow(layout_, PixelsToTwips(client.width() + layoutFrame_.width(), dpi),
                              PixelsToTwips(client.height() + layoutFrame_.height(), dpi));
  ApplyLayout();
}

void frmTrace::keyPressEvent(QKeyEvent* event) {
  // The window has no cancel button: Escape does not close it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmTrace::ApplyLayout() {
  const double dpi = Dpi();
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  txtTrace_->setGeometry(px(layout_.textLeft), px(layout_.textTop), px(layout_.textWidth),
                         px(layout_.textHeight));
  cmdClose_->setGeometry(px(layout_.buttonLeft), px(layout_.buttonTop), px(layout_.buttonWidth),
                         px(layout_.buttonHeight));
}

WindowReport::WindowReport(UserInterface& ui, QWidget* owner, ShowModal showModal)
    : ui_(ui), owner_(owner), showModal_(std::move(showModal)) {
  if (!showModal_) showModal_ = [](frmTrace& window) { window.exec(); };
}

WindowReport::~WindowReport() {
  delete window_.data();
}

frmTrace& WindowReport::Window() {
  if (window_.isNull()) window_ = new frmTrace(owner_);
  return *window_;
}

void WindowReport::ClearTraceOutput() {
  Window().ClearReport();
}

void WindowReport::WriteTraceOutput(std::string_view text) {
  Window().AppendReport(text);
}

void WindowReport::ShowTraceOutput() {
  frmTrace& window = Window();
  ui_.SetBusy(false);
  window.SyncText();
  showModal_(window);
  // Closing discards the window and its report.
  delete window_.data();
}

}  // namespace rq
