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
  void findsOnlyDisplaysThatAreThere_data();
  void findsOnlyDisplaysThatAreThere();
};

void DisplayCheckTest::findsOnlyDisplaysThatAreThere_data() {
  QTest::addColumn<QString>("qpa");
  QTest::addColumn<QString>("display");
  QTest::addColumn<QString>("wayland");
  QTest::addColumn<bool>("reachable");
  // The temporary folder holds the sockets X7 and wayland-1.
  QTest::newRow("nothing set") << ""
                               << ""
                               << "" << false;
  QTest::newRow("platform chosen") << "offscreen"
                                   << ""
                                   << "" << true;
  QTest::newRow("local X display") << ""
                                   << ":7"
                                   << "" << true;
  QTest::newRow("local X display, screen") << ""
                                           << ":7.0"
                                           << "" << true;
  QTest::newRow("stale X display") << ""
                                   << ":8"
                                   << "" << false;
  QTest::newRow("malformed X display") << ""
                                       << ":x"
                                       << "" << false;
  QTest::newRow("bare colon") << ""
                              << ":"
                              << "" << false;
  QTest::newRow("remote X display") << ""
                                    << "host.example:10.0"
                                    << "" << true;
  QTest::newRow("wayland socket") << ""
                                  << ""
                                  << "wayland-1" << true;
  QTest::newRow("stale wayland, live X") << ""
                                         << ":7"
                                         << "wayland-9" << true;
  QTest::newRow("stale wayland only") << ""
                                      << ""
                                      << "wayland-9" << false;
}

void DisplayCheckTest::findsOnlyDisplaysThatAreThere() {
  QFETCH(QString, qpa);
  QFETCH(QString, display);
  QFETCH(QString, wayland);
  QFETCH(bool, reachable);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string root = dir.path().toStdString();
  for (const char* name : {"X7", "wayland-1"}) std::ofstream(root + "/" + name) << "";
  const std::string q = qpa.toStdString();
  const std::string d = display.toStdString();
  const std::string w = wayland.toStdString();
  QCOMPARE(DisplayLooksReachable(DisplayEnvironment{q, d, w, root}, root), reachable);
}

QTEST_MAIN(DisplayCheckTest)
#include "display_check_test.moc"
