// The two windows as data: every control of the main window (frmMain) and of the result window
// (frmTrace) with its name, kind, caption, place and size in twips, tab index and initial state.
// The Qt and the Win32 front ends both build their windows from these tables, so that no caption
// or coordinate is written twice.
#pragma once

#include <functional>
#include <span>
#include <string_view>

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

// The columns of lvOrigins: "Date/Time" a fifth of the width, "Message ID" and "Data" two each.
std::span<const ListColumnSpec> OriginListColumns();

// The control's entry in whichever table holds it (never kForm).
const ControlSpec& ControlOf(ControlId id);

// The control's rectangle relative to its window's client area (its container's offset added).
TwipsRect FormRect(ControlId id);

// The layout is fixed in twips while fonts differ between systems: a window takes one font size
// for all its controls, the largest from `start` down, in steps, to a still legible floor, at
// which `allLabelsFit(points)` says that no label is cut off. At the floor it stays, fit or not.
inline constexpr double kSmallestFontPoints = 6.5;
inline constexpr double kFontStepPoints = 0.5;
double FitFontPoints(double start, const std::function<bool(double points)>& allLabelsFit);

}  // namespace rq
