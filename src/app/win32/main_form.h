// The main window's controls as the Win32 view builds them: name, kind, caption, rectangle in
// twips from the client area's corner, initial enabled state, in focus order.
#pragma once

namespace rq::win32 {

// The client area, in twips; the window cannot be resized.
inline constexpr int kMainClientWidth = 9870;
inline constexpr int kMainClientHeight = 6390;

enum class Kind {
  kFrame,
  kLabel,
  kWrappedLabel,
  kImageCombo,
  kDateCombo,
  kText,
  kCheck,
  kButton,
  kList
};

// The controls in focus order (labels where they stand), positions in twips from the client
// area's corner.
struct ControlSpec {
  const char* name;
  Kind kind;
  const char* caption;
  int left, top, width, height;
  bool enabled;
};

inline constexpr int kFx = 60, kFy = 30;  // the frame's corner
inline constexpr ControlSpec kControls[] = {
    {"Label1", Kind::kWrappedLabel,
     "To trace a message through Ravenquill, you must first specify a starting point to search "
     "for the message. Please enter criteria below for locating the original message:",
     kFx + 120, kFy + 210, 9510, 480, true},
    {"Label2", Kind::kLabel, "Connector:", kFx + 120, kFy + 780, 1020, 330, true},
    {"icboConnector", Kind::kImageCombo, "", kFx + 1200, kFy + 780, 2850, 330, true},
    {"Label6", Kind::kLabel, "(Mandatory)", kFx + 4140, kFy + 780, 5490, 330, true},
    {"Label4", Kind::kLabel, "Date:", kFx + 120, kFy + 1155, 1020, 330, true},
    {"cboDate", Kind::kDateCombo, "", kFx + 1200, kFy + 1155, 2850, 330, true},
    {"Label5", Kind::kLabel, "(Mandatory - Formatted as YYMMDD)", kFx + 4140, kFy + 1155, 5490, 330,
     true},
    {"Label3", Kind::kLabel, "Sender:", kFx + 120, kFy + 1530, 1020, 330, true},
    {"txtSender", Kind::kText, "", kFx + 1200, kFy + 1530, 2850, 330, true},
    {"Label7", Kind::kLabel, "(Optional - Search string used to locate the message by it's sender)",
     kFx + 4140, kFy + 1530, 5490, 330, true},
    {"Label10", Kind::kLabel, "Recipient:", kFx + 120, kFy + 1905, 1020, 330, true},
    {"txtRecipient", Kind::kText, "", kFx + 1200, kFy + 1905, 2850, 330, true},
    {"Label9", Kind::kLabel,
     "(Optional - Search string used to locate the message by it's recipient)", kFx + 4140,
     kFy + 1905, 5490, 330, true},
    {"cmdListOrigins", Kind::kButton, "&Search", kFx + 8385, kFy + 2280, 1245, 375, false},
    {"lblMessageCriteria", Kind::kLabel, "Inbound Messages matching criteria:", kFx + 120,
     kFy + 2700, 5400, 330, true},
    {"lvOrigins", Kind::kList, "", kFx + 120, kFy + 2970, 9510, 2400, true},
    {"cmdTrace", Kind::kButton, "&Trace Message ...", kFx + 7935, kFy + 5445, 1695, 375, false},
    {"cmdQuit", Kind::kButton, "Quit", kFx + 8505, kFy + 5955, 1245, 375, true},
    {"chkBacktrace", Kind::kCheck, "Backtrace Message from Outgoing Queue to Origin", kFx + 120,
     kFy + 2310, 5400, 330, true},
    {"cmdShowTransaction", Kind::kButton, "&Show Transaction ...", kFx + 5910, kFy + 5445, 1935,
     375, false},
    {"Frame1", Kind::kFrame, "", kFx, kFy, 9750, 5925, true},
};

}  // namespace rq::win32
