// The desktop program's entry: the main window, or the command-line trace with its question
// and its report in windows.
#pragma once

#include <string>

#include "settings/server.h"

namespace rq {

// Asks Qt for whole device pixels, before QApplication is made: the windows are laid out in
// twips at the screen's resolution, so a display at 144 dpi gets 1.5 times the pixels rather
// than a 1.5 scale that draws lines between pixels.
void UseWholeDevicePixels();

// True when a display can be opened: QT_QPA_PLATFORM names a platform, or WAYLAND_DISPLAY or
// DISPLAY names a display server that is there (always on Windows and macOS).
bool DesktopAvailable();

// An empty command line shows the main window modally, after its load, and returns 0 when it
// closes. Otherwise traces field 1 of the command line from today's logs, asking before each
// earlier day, and shows the report in the result window when the message's copies were found.
int RunDesktop(int argc, char** argv, const Server& server, const std::string& commandLine);

}  // namespace rq
