// Whether a display server is there to open windows on. Qt ends the process when its platform
// cannot connect, so the program looks before it starts Qt and otherwise stays on the console.
#pragma once

#include <string_view>

namespace rq {

// The environment that names a display; empty views for variables that are not set.
struct DisplayEnvironment {
  std::string_view qpaPlatform;     // QT_QPA_PLATFORM
  std::string_view x11Display;      // DISPLAY
  std::string_view waylandDisplay;  // WAYLAND_DISPLAY
  std::string_view runtimeDir;      // XDG_RUNTIME_DIR
};

// True when QT_QPA_PLATFORM names a platform (the user's explicit choice); when WAYLAND_DISPLAY
// names a socket that exists (relative names below XDG_RUNTIME_DIR); or when DISPLAY names a
// local X display (":N" or ":N.S") whose socket /tmp/.X11-unix/XN exists, or a display on
// another host, which cannot be checked without connecting. `x11SocketDir` is that socket folder.
bool DisplayLooksReachable(const DisplayEnvironment& env,
                           std::string_view x11SocketDir = "/tmp/.X11-unix");

}  // namespace rq
