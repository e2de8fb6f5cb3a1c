// The windows as data: every control of the main window (frmMain), the result window (frmTrace)
// and the story window (frmStory) with its name, kind, caption, place and size in twips, tab
// index and initial state; and the measures both views derive from them (pixels, the focus
// order, the list's columns). The Qt and the Win32 front ends both build their windows from
// these tables, so that no caption, coordinate or rounding is written twice.
#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace rq {

// Every control of both windows; the names are the windows' own.
enum class ControlId {
  // frmMain
  Frame1,
  Label1,
  Label2,
  icboConnector,
  Label6,
  Label4,
  cboDate,
  Label5,
  Label3,
  txtSender,
  Label7,
  Label10,
  txtRecipient,
  Label9,
  chkBacktrace,
  cmdListOrigins,
  lblMessageCriteria,
  lvOrigins,
  cmdShowTransaction,
  cmdTrace,
  cmdQuit,
  // frmTrace
  txtTrace,
  cmdClose,
  // frmStory
  lblSummary,
  tvStory,
  cmdCopy,
  cmdCopyRedacted,
  cmdStoryClose,
  // The window itself, as the container of its top-level controls.
  kForm,
};

enum class ControlKind {
  kFrame,         // a group frame without caption; holds other controls
  kLabel,         // static text, one line, vertically centred
  kWrappedLabel,  // static text wrapped over as many lines as its height holds
  kImageCombo,    // a drop-down list of keyed entries, nothing typed (icboConnector)
  kEditCombo,     // a combo box whose text can be typed (cboDate)
  kTextBox,       // a single-line text box
  kReportBox,     // a read-only multi-line text box, both scroll bars, fixed-pitch font, no wrap
  kCheckBox,
  kButton,    // a push button; an '&' in its caption marks its accelerator
  kListView,  // a report-style list: columns, full-row single selection, keyed rows
  kTreeView,  // headings that fold over their rows, fixed-pitch font (the story)
};

// A rectangle in twips (1/1440 inch), relative to the control's container.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int right() const { return left + width; }
  int bottom() const { return top + height; }
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

inline constexpr int kNoTabStop = -1;

struct ControlSpec {
  ControlId id;
  std::string_view name;
  ControlKind kind;
  std::string_view caption;  // text of labels, buttons, the check box; empty for the rest
  ControlId container;       // kForm or the frame that holds it
  TwipsRect rect;            // relative to the container
  int tabIndex;              // place in the keyboard focus order, or kNoTabStop
  bool enabled = true;       // at creation; every control starts empty and unticked
};

// One column of the origins list: its header and its share of the list's width in fifths.
struct ListColumnSpec {
  std::string_view caption;
  int fifths;
};

struct FormSpec {
  std::string_view name;
  std::string_view caption;
  int clientWidth;   // twips, at creation
  int clientHeight;  // twips, at creation
  bool resizable;
  std::span<const ControlSpec> controls;  // in creation order: a container before its content
};

// The main window: fixed size, centred on the screen.
const FormSpec& MainFormSpec();
// The result window: resizable, centred over its owner.
const FormSpec& TraceFormSpec();
// The story window: resizable, centred over its owner.
const FormSpec& StoryFormSpec();

// The columns of lvOrigins: "Date/Time" a fifth of the width, "Message ID" and "Data" two each.
std::span<const ListColumnSpec> OriginListColumns();

// The control's entry in whichever table holds it. A control without one (kForm) is a fault in
// the caller: it throws std::out_of_range rather than answer with another control's entry.
const ControlSpec& ControlOf(ControlId id);

// The form's controls that take the focus, in the order Tab walks them.
std::vector<ControlId> TabOrder(const FormSpec& form);

// The widths of the origin list's columns in pixels when `inside` pixels are theirs: each its
// fifths, rounded down, the last one what the others leave.
std::vector<int> OriginColumnWidths(int inside);

// Twips to pixels at `dpi` and back, to the nearest whole pixel (halves away from zero, as
// MulDiv rounds), so that both views place every edge on the same pixel.
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

// The control's rectangle relative to its window's client area (its container's offset added).
TwipsRect FormRect(ControlId id);

// The layout is fixed in twips while fonts differ between systems: a window takes one font size
// for all its controls, the largest from `start` down, in steps, to a still legible floor, at
// which `allLabelsFit(points)` says that no label is cut off. At the floor it stays, fit or not.
inline constexpr double kSmallestFontPoints = 6.5;
inline constexpr double kFontStepPoints = 0.5;
double FitFontPoints(double start, const std::function<bool(double points)>& allLabelsFit);

}  // namespace rq
