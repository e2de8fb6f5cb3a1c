// The display check made before Qt starts: a display named but not there sends the program to
// the console instead of ending it inside Qt.
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/gui/display_check.h"

using namespace rq;

class DisplayCheckTest : public QObject {
  Q_OBJECT

 private slots:
  void findsOnlyDisplaysThatAreThere();
};

void DisplayCheckTest::findsOnlyDisplaysThatAreThere() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string root = dir.path().toStdString();
  for (const char* name : {"X7", "wayland-1"}) std::ofstream(root + "/" + name) << "";
  const struct {
    const char* name;
    const char* qpa;
    const char* display;
    const char* wayland;
    bool reachable;
  } cases[] = {
      {"nothing set", "", "", "", false},
      {"platform chosen", "offscreen", "", "", true},
      {"local X display", "", ":7", "", true},
      {"local X display, screen", "", ":7.0", "", true},
      {"stale X display", "", ":8", "", false},
      {"malformed X display", "", ":x", "", false},
      {"bare colon", "", ":", "", false},
      {"remote X display", "", "host.example:10.0", "", true},
      {"wayland socket", "", "", "wayland-1", true},
      {"stale wayland, live X", "", ":7", "wayland-9", true},
      {"stale wayland only", "", "", "wayland-9", false},
  };
  for (const auto& c : cases) {
    QVERIFY2(DisplayLooksReachable(DisplayEnvironment{c.qpa, c.display, c.wayland, root}, root) ==
                 c.reachable,
             c.name);
  }
}

QTEST_MAIN(DisplayCheckTest)
#include "display_check_test.moc"
