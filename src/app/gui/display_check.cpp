#include "app/gui/display_check.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace rq {
namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec) && !ec;
}

bool X11Reachable(std::string_view display, std::string_view socketDir) {
  if (display.empty()) return false;
  if (display.front() != ':') return true;  // another host, or a path the server hands out
  std::string_view number = display.substr(1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  return Exists(std::string(socketDir) + "/X" + std::string(number));
}

bool WaylandReachable(std::string_view name, std::string_view runtimeDir) {
  if (name.empty()) return false;
  if (name.front() == '/') return Exists(std::string(name));
  if (runtimeDir.empty()) return false;
  return Exists(std::string(runtimeDir) + "/" + std::string(name));
}

}  // namespace

bool DisplayLooksReachable(const DisplayEnvironment& env, std::string_view x11SocketDir) {
  return !env.qpaPlatform.empty() || WaylandReachable(env.waylandDisplay, env.runtimeDir) ||
         X11Reachable(env.x11Display, x11SocketDir);
}

}  // namespace rq
