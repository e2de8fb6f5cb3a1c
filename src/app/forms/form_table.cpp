#include "app/forms/form_table.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace rq {
namespace {

using enum ControlId;
using enum ControlKind;

// The frame fills the main window but for a strip at the bottom that holds Quit. The rows of
// the criteria: labels, boxes of one width and the notes, in three columns.
constexpr int kTwipsPerInch = 1440;
constexpr int kRowHeight = 330;
constexpr int kButtonHeight = 375;
constexpr int kLabelLeft = 120;
constexpr int kLabelWidth = 1020;
constexpr int kBoxLeft = 1200;
constexpr int kBoxWidth = 2850;
constexpr int kNoteLeft = 4140;
constexpr int kNoteWidth = 5490;
constexpr int kConnectorRow = 780;
constexpr int kDateRow = 1155;
constexpr int kSenderRow = 1530;
constexpr int kRecipientRow = 1905;

constexpr std::array kMainControls{
    ControlSpec{Frame1, "Frame1", kFrame, "", kForm, {60, 30, 9750, 5925}, kNoTabStop},
    ControlSpec{Label1,
                "Label1",
                kWrappedLabel,
                "To trace a message through Ravenquill, you must first specify a starting point "
                "to search for the message. Please enter criteria below for locating the "
                "original message:",
                Frame1,
                {120, 210, 9510, 480},
                kNoTabStop},
    ControlSpec{Label2,
                "Label2",
                kLabel,
                "Connector:",
                Frame1,
                {kLabelLeft, kConnectorRow, kLabelWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{icboConnector,
                "icboConnector",
                kImageCombo,
                "",
                Frame1,
                {kBoxLeft, kConnectorRow, kBoxWidth, kRowHeight},
                0},
    ControlSpec{Label6,
                "Label6",
                kLabel,
                "(Mandatory)",
                Frame1,
                {kNoteLeft, kConnectorRow, kNoteWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{Label4,
                "Label4",
                kLabel,
                "Date:",
                Frame1,
                {kLabelLeft, kDateRow, kLabelWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{
        cboDate, "cboDate", kEditCombo, "", Frame1, {kBoxLeft, kDateRow, kBoxWidth, kRowHeight}, 1},
    ControlSpec{Label5,
                "Label5",
                kLabel,
                "(Mandatory - Formatted as YYMMDD)",
                Frame1,
                {kNoteLeft, kDateRow, kNoteWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{Label3,
                "Label3",
                kLabel,
                "Sender:",
                Frame1,
                {kLabelLeft, kSenderRow, kLabelWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{txtSender,
                "txtSender",
                kTextBox,
                "",
                Frame1,
                {kBoxLeft, kSenderRow, kBoxWidth, kRowHeight},
                2},
    ControlSpec{Label7,
                "Label7",
                kLabel,
                "(Optional - Search string used to locate the message by it's sender)",
                Frame1,
                {kNoteLeft, kSenderRow, kNoteWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{Label10,
                "Label10",
                kLabel,
                "Recipient:",
                Frame1,
                {kLabelLeft, kRecipientRow, kLabelWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{txtRecipient,
                "txtRecipient",
                kTextBox,
                "",
                Frame1,
                {kBoxLeft, kRecipientRow, kBoxWidth, kRowHeight},
                3},
    ControlSpec{Label9,
                "Label9",
                kLabel,
                "(Optional - Search string used to locate the message by it's recipient)",
                Frame1,
                {kNoteLeft, kRecipientRow, kNoteWidth, kRowHeight},
                kNoTabStop},
    ControlSpec{cmdListOrigins,
                "cmdListOrigins",
                kButton,
                "&Search",
                Frame1,
                {8385, 2280, 1245, kButtonHeight},
                4,
                /*enabled=*/false},
    ControlSpec{lblMessageCriteria,
                "lblMessageCriteria",
                kLabel,
                "Inbound Messages matching criteria:",
                Frame1,
                {120, 2700, 5400, kRowHeight},
                kNoTabStop},
    ControlSpec{lvOrigins, "lvOrigins", kListView, "", Frame1, {120, 2970, 9510, 2400}, 5},
    ControlSpec{cmdShowTransaction,
                "cmdShowTransaction",
                kButton,
                "&Show Transaction ...",
                Frame1,
                {5910, 5445, 1935, kButtonHeight},
                9,
                /*enabled=*/false},
    ControlSpec{cmdTrace,
                "cmdTrace",
                kButton,
                "&Trace Message ...",
                Frame1,
                {7935, 5445, 1695, kButtonHeight},
                6,
                /*enabled=*/false},
    ControlSpec{cmdQuit, "cmdQuit", kButton, "Quit", kForm, {8565, 5985, 1245, kButtonHeight}, 7},
    // A child of the window drawn over the frame, after the frame's own controls.
    ControlSpec{chkBacktrace,
                "chkBacktrace",
                kCheckBox,
                "Backtrace Message from Outgoing Queue to Origin",
                kForm,
                {180, 2340, 5400, kRowHeight},
                8},
};

constexpr std::array kTraceControls{
    ControlSpec{txtTrace, "txtTrace", kReportBox, "", kForm, {90, 135, 9645, 3345}, 0},
    ControlSpec{cmdClose, "cmdClose", kButton, "&Close", kForm, {8520, 3600, 1245, 405}, 1},
};

constexpr std::array kStoryControls{
    ControlSpec{
        lblSummary, "lblSummary", kWrappedLabel, "", kForm, {90, 90, 11220, 630}, kNoTabStop},
    ControlSpec{tvStory, "tvStory", kTreeView, "", kForm, {90, 780, 11220, 5100}, 0},
    ControlSpec{cmdCopy, "cmdCopy", kButton, "C&opy", kForm, {6705, 6015, 1395, 405}, 1},
    ControlSpec{cmdCopyRedacted,
                "cmdCopyRedacted",
                kButton,
                "Copy &Redacted",
                kForm,
                {8190, 6015, 1695, 405},
                2},
    ControlSpec{
        cmdStoryClose, "cmdStoryClose", kButton, "&Close", kForm, {9975, 6015, 1335, 405}, 3},
};

constexpr std::array kOriginColumns{
    ListColumnSpec{"Date/Time", 1},
    ListColumnSpec{"Message ID", 2},
    ListColumnSpec{"Data", 2},
};

const FormSpec kMainForm{"frmMain",
                         "Ravenquill Message Routing Trace Utility",
                         9870,
                         6390,
                         /*resizable=*/false,
                         kMainControls};
const FormSpec kTraceForm{"frmTrace", "Message Trace Result", 9870,
                          4110,       /*resizable=*/true,     kTraceControls};
const FormSpec kStoryForm{"frmStory", "Message Story",    11400,
                          6510,       /*resizable=*/true, kStoryControls};

int MulDivRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

}  // namespace

const FormSpec& MainFormSpec() {
  return kMainForm;
}

const FormSpec& TraceFormSpec() {
  return kTraceForm;
}

std::span<const ListColumnSpec> OriginListColumns() {
  return kOriginColumns;
}

const FormSpec& StoryFormSpec() {
  return kStoryForm;
}

const ControlSpec& ControlOf(ControlId id) {
  for (const FormSpec* form : {&kMainForm, &kTraceForm, &kStoryForm}) {
    for (const ControlSpec& c : form->controls) {
      if (c.id == id) return c;
    }
  }
  throw std::out_of_range("no control table row for control " +
                          std::to_string(static_cast<int>(id)));
}

std::vector<ControlId> TabOrder(const FormSpec& form) {
  std::vector<const ControlSpec*> stops;
  for (const ControlSpec& c : form.controls) {
    if (c.tabIndex != kNoTabStop) stops.push_back(&c);
  }
  std::stable_sort(stops.begin(), stops.end(), [](const ControlSpec* a, const ControlSpec* b) {
    return a->tabIndex < b->tabIndex;
  });
  std::vector<ControlId> order(stops.size());
  std::transform(stops.begin(), stops.end(), order.begin(),
                 [](const ControlSpec* c) { return c->id; });
  return order;
}

std::vector<int> OriginColumnWidths(int inside) {
  std::vector<int> widths;
  int used = 0;
  for (const ListColumnSpec& c : kOriginColumns) {
    widths.push_back(inside * c.fifths / 5);
    used += widths.back();
  }
  widths.back() += inside - used;
  return widths;
}

int TwipsToPixels(int twips, int dpi) {
  return MulDivRounded(twips, dpi, kTwipsPerInch);
}

int PixelsToTwips(int pixels, int dpi) {
  return dpi > 0 ? MulDivRounded(pixels, kTwipsPerInch, dpi) : pixels;
}

TwipsRect FormRect(ControlId id) {
  const ControlSpec& c = ControlOf(id);
  TwipsRect r = c.rect;
  if (c.container != kForm) {
    const TwipsRect outer = FormRect(c.container);
    r.left += outer.left;
    r.top += outer.top;
  }
  return r;
}

double FitFontPoints(double start, const std::function<bool(double points)>& allLabelsFit) {
  double points = start;
  while (points > kSmallestFontPoints && !allLabelsFit(points)) {
    points = std::max(points - kFontStepPoints, kSmallestFontPoints);
  }
  return points;
}

}  // namespace rq
