// The Qt result window: its layout from the first show and on resize, how report bytes are
// shown, and the report sink's life cycle (created hidden on first use, shown modally,
// discarded on close).
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/trace_window.h"
#include "app/gui/twips.h"
#include "gui_test_support.h"

using namespace rq;
using namespace rq::test;

class TraceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutFillsTheWindowFromTheFirstShow();
  void displayKeepsEveryByte_data();
  void displayKeepsEveryByte();
  void reportSinkLifeCycle();
  void closeButtonEndsTheModalRun();
};

void TraceWindowTest::layoutFillsTheWindowFromTheFirstShow() {
  TraceWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const double dpi = window.logicalDpiX();
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  const auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
  const auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdClose"));
  // Whatever frame the platform draws, or has not drawn yet: the text box as the table has it.
  QCOMPARE(text->geometry(), QRect(px(90), px(135), px(9735) - px(90), px(3480) - px(135)));
  QCOMPARE(close->geometry().bottom(), px(3595 + 405) - 1);

  // A client area of 6000 x 2550 twips: with the frame the rule counts, 6055 x 3040 outside.
  if (dpi != 96) QSKIP("the sizes below are whole pixels at 96 dpi");
  window.resize(400, 170);
  QCoreApplication::processEvents();
  QCOMPARE(text->geometry(),
           QRect(px(90), px(135), px(90 + 5775) - px(90), px(135 + 1785) - px(135)));
  QCOMPARE(close->geometry(),
           QRect(px(4610), px(2035), px(4610 + 1245) - px(4610), px(2035 + 405) - px(2035)));
}

void TraceWindowTest::displayKeepsEveryByte_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");
  QTest::newRow("CR LF ends lines") << QByteArray("a\r\nb\r\n\r\n") << QString("a\nb\n\n");
  QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 \x93q\x94")
                                << QString::fromUtf8("caf\u00E9 \u20AC \u201Cq\u201D");
  QTest::newRow("lone LF and CR are shown, not obeyed")
      << QByteArray("a\nb\rc") << QString::fromUtf8("a\u240Ab\u240Dc");
  QTest::newRow("NUL and tab") << QByteArray("x\0y\tz", 5) << QString::fromUtf8("x\u2400y\tz");
  QTest::newRow("CR at the end") << QByteArray("end\r") << QString::fromUtf8("end\u240D");
  QTest::newRow("empty") << QByteArray() << QString();
}

void TraceWindowTest::displayKeepsEveryByte() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shown);
  QCOMPARE(ReportDisplayText(
               std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
           shown);
}

void TraceWindowTest::reportSinkLifeCycle() {
  RecordingUserInterface ui;
  ReportRecorder recorder;
  WindowReport report(ui, nullptr, recorder.Hook(ui));
  ui.SetBusy(true);
  report.ShowTraceOutput();  // also with nothing written: the window is created for it
  QCOMPARE(recorder.showings.size(), std::size_t{1});
  QVERIFY(!recorder.showings[0].busy);
  QVERIFY(recorder.showings[0].report.empty());

  // Writes join without separator and gather in the hidden window.
  QVERIFY(report.window() == nullptr);
  report.WriteTraceOutput("one");
  QVERIFY(report.window() != nullptr);
  QVERIFY(!report.window()->isVisible());
  report.WriteTraceOutput("two\r\n");
  report.WriteTraceOutput("three");
  report.ShowTraceOutput();
  QCOMPARE(recorder.showings.at(1).report, std::string("onetwo\r\nthree"));
  QCOMPARE(recorder.showings.at(1).text, QStringLiteral("onetwo\nthree"));

  // The closed window took its report along; clearing discards what was written.
  QVERIFY(report.window() == nullptr);
  report.WriteTraceOutput("kept?");
  report.ClearTraceOutput();
  report.WriteTraceOutput("fresh");
  report.ShowTraceOutput();
  QCOMPARE(recorder.showings.at(2).report, std::string("fresh"));
}

void TraceWindowTest::closeButtonEndsTheModalRun() {
  RecordingUserInterface ui;
  WindowReport report(ui, nullptr);  // the real modal run
  report.WriteTraceOutput("line\r\n");
  bool seen = false;
  QTimer::singleShot(0, [&] {
    TraceWindow* window = report.window();
    QVERIFY(window && window->isVisible() && window->isModal());
    const auto* text = window->findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
    QCOMPARE(text->toPlainText(), QStringLiteral("line\n"));
    seen = true;
    window->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
  });
  report.ShowTraceOutput();
  QVERIFY(seen);
  QVERIFY(report.window() == nullptr);
}

QTEST_MAIN(TraceWindowTest)
#include "trace_window_test.moc"
