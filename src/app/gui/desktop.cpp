#include "app/gui/desktop.h"

#include <QApplication>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string_view>

#include "app/commands.h"
#include "app/gui/display_check.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_user_interface.h"
#include "app/gui/trace_window.h"
#include "app/program_support.h"

namespace rq {
namespace {

int RunMainWindow(const Server& server, const DateFormat& format, QtUserInterface& ui) {
  MainWindow window(server, format, ui);
  // The logging warnings come before the window exists on screen, so they stand on their own.
  ui.setParentWidget(nullptr);
  window.Form_Load();
  ui.setParentWidget(&window);
  window.exec();
  ui.setParentWidget(nullptr);
  return kExitOk;
}

int RunWindowedTrace(const Server& server, const DateFormat& format, QtUserInterface& ui,
                     const std::string& commandLine) {
  const std::vector<std::string_view> fields = SplitCommandLine(commandLine);
  if (fields.size() < 2) return kExitOk;
  WindowReport report(ui, nullptr);
  RunCommandLineTrace(server, format, fields[1], TodayLocal(), ui, report);
  return kExitOk;
}

}  // namespace

void UseWholeDevicePixels() {
  // At 144 dpi Qt would scale the windows by 1.5 and draw lines between pixels (the list lost its
  // right border, the date box's text ran into its arrow). Rounded down, the remaining factor
  // stays in the logical resolution, which the twips layout reads.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
}

bool DesktopAvailable() {
#if defined(_WIN32) || defined(__APPLE__)
  return true;
#else
  const auto Environment = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
  };
  return DisplayLooksReachable(
      DisplayEnvironment{Environment("QT_QPA_PLATFORM"), Environment("DISPLAY"),
                         Environment("WAYLAND_DISPLAY"), Environment("XDG_RUNTIME_DIR")});
#endif
}

int RunDesktop(int argc, char** argv, const Server& server, const std::string& commandLine) {
  // The arguments are the program's own (options, message ID); Qt sees only the program name.
  int qtArgc = argc > 0 ? 1 : 0;
  UseWholeDevicePixels();
  QApplication app(qtArgc, argv);
  QtUserInterface ui;
  try {
    // Read after QApplication has set the process locale from the user's environment.
    const DateFormat format = DateFormat::FromUserLocale();
    if (commandLine.empty()) return RunMainWindow(server, format, ui);
    return RunWindowedTrace(server, format, ui, commandLine);
  } catch (const std::exception& e) {
    ui.SetBusy(false);
    std::cerr << "rqtracker: " << e.what() << '\n';
    return kExitUsage;
  }
}

}  // namespace rq
