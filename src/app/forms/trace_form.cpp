#include "app/forms/trace_form.h"

#include <array>
#include <utility>

#include "base/codepage.h"

namespace rq {

TraceLayout LayoutTraceWindow(const TraceLayout& current, int outerWidth, int outerHeight) {
  TraceLayout next = current;
  const int width = outerWidth - 280;
  if (width >= 0) next.text.width = width;
  const int height = outerHeight - next.button.height - 850;
  if (height >= 0) next.text.height = height;
  next.button.left = outerWidth - next.button.width - 200;
  // From the text box's height, not its bottom edge: the gap to the button stays 115 twips.
  next.button.top = next.text.height + 250;
  return next;
}

std::string ReportDisplayText(std::string_view bytes, std::string_view lineEnd) {
  std::string utf8;
  utf8.reserve(bytes.size() + bytes.size() / 8);
  std::size_t run = 0;  // start of the ordinary bytes not yet converted
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 || c == '\t') continue;
    utf8 += Cp1252ToUtf8(bytes.substr(run, i - run));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      utf8 += lineEnd;
      ++i;
    } else {
      const unsigned symbol = 0x2400U + c;  // the control picture of the character
      utf8 += static_cast<char>(0xE0 | (symbol >> 12));
      utf8 += static_cast<char>(0x80 | ((symbol >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (symbol & 0x3F));
    }
    run = i + 1;
  }
  utf8 += Cp1252ToUtf8(bytes.substr(run));
  return utf8;
}

void TraceForm::Form_Resize(int clientWidth, int clientHeight) {
  layout_ =
      LayoutTraceWindow(layout_, clientWidth + kTraceFrameWidth, clientHeight + kTraceFrameHeight);
  view_.Move(ControlId::txtTrace, layout_.text);
  view_.Move(ControlId::cmdClose, layout_.button);
}

std::span<const EventRow<TraceForm>> TraceForm::Events() {
  static constexpr std::array<EventRow<TraceForm>, 3> kEvents{{
      {ControlId::cmdClose, FormEvent::kClick, &TraceForm::cmdClose_Click},
      {ControlId::kForm, FormEvent::kCancel, &TraceForm::cmdClose_Click},
      {ControlId::kForm, FormEvent::kClose, &TraceForm::cmdClose_Click},
  }};
  return kEvents;
}

WindowReport::WindowReport(UserInterface& ui, ReportWindowFactory create)
    : ui_(ui), create_(std::move(create)) {}

void WindowReport::Open() {
  if (!window_) window_ = create_();
}

void WindowReport::ClearTraceOutput() {
  Open();
  report_.clear();
}

void WindowReport::WriteTraceOutput(std::string_view text) {
  Open();
  report_ += text;
}

void WindowReport::ShowTraceOutput() {
  Open();
  // A long report takes a while to fill in: the pointer stays busy until it is there.
  window_->SetReport(report_);
  ui_.SetBusy(false);
  window_->ShowModal();
  // Closing discards the window and its report.
  window_.reset();
  report_.clear();
}

}  // namespace rq
