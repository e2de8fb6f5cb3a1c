#include "app/gui/desktop.h"

#include <QApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "app/forms/desktop_start.h"
#include "app/gui/display_check.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_user_interface.h"

namespace rq {
namespace {

class QtDesktopViews final : public DesktopViews {
 public:
  UserInterface& ui() override { return ui_; }
  void RunMainWindow(const Server& server, const DateFormat& format) override {
    MainWindow window(server, format, ui_);
    // The logging warnings come before the window exists on screen, so they stand on their own.
    ui_.setParentWidget(nullptr);
    window.Form_Load();
    ui_.setParentWidget(&window);
    window.exec();
    ui_.setParentWidget(nullptr);
  }
  std::unique_ptr<ReportWindow> CreateReportWindow() override {
    return std::make_unique<TraceWindow>();
  }
  void ReportError(const std::string& text) override { std::cerr << "rqtracker: " << text << '\n'; }

 private:
  QtUserInterface ui_;
};

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
  QtDesktopViews views;
  return RunDesktopWindows(server, commandLine, views);
}

}  // namespace rq
