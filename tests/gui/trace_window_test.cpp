// The result window: its resize rule, how report bytes are shown, and the report sink's life
// cycle (created hidden on first use, shown modally, discarded on close).
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/trace_window.h"
#include "app/gui/twips.h"
#include "gui_test_support.h"

using namespace rq;
using namespace rq::test;

Q_DECLARE_METATYPE(rq::TraceLayout)

class TraceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutFollowsTheOuterSize_data();
  void layoutFollowsTheOuterSize();
  void resizedWindowPlacesItsControls();
  void displayKeepsEveryByte_data();
  void displayKeepsEveryByte();
  void windowShowsTheReportReadOnly();
  void reportSinkLifeCycle();
  void closeButtonEndsTheModalRun();
};

void TraceWindowTest::layoutFollowsTheOuterSize_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<TraceLayout>("expected");
  TraceLayout fits;
  fits.textWidth = 5720;
  fits.textHeight = 1745;
  fits.buttonLeft = 4555;
  fits.buttonTop = 1995;
  QTest::newRow("6000 x 3000") << 6000 << 3000 << fits;

  TraceLayout low;  // the height would be negative: it stays, and the button follows it
  low.textWidth = 5720;
  low.buttonLeft = 4555;
  low.buttonTop = 3345 + 250;
  QTest::newRow("too low") << 6000 << 1000 << low;

  TraceLayout narrow;  // the width would be negative: it stays; a left of its own may be negative
  narrow.textHeight = 1745;
  narrow.buttonLeft = 200 - 1245 - 200;
  narrow.buttonTop = 1995;
  QTest::newRow("too narrow") << 200 << 3000 << narrow;

  TraceLayout edge;  // exactly zero is a size like any other
  edge.textWidth = 0;
  edge.textHeight = 0;
  edge.buttonLeft = 280 - 1245 - 200;
  edge.buttonTop = 250;
  QTest::newRow("zero") << 280 << 1255 << edge;
}

void TraceWindowTest::layoutFollowsTheOuterSize() {
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(TraceLayout, expected);
  QVERIFY(LayoutTraceWindow(TraceLayout{}, width, height) == expected);
}

void TraceWindowTest::resizedWindowPlacesItsControls() {
  frmTrace window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const double dpi = window.logicalDpiX();
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  // The rule reads the outer size: the frame the platform draws counts.
  const QSize frame = window.frameGeometry().size() - window.geometry().size();
  const auto outer = [&](int w, int h) {
    window.resize(px(w) - frame.width(), px(h) - frame.height());
    QCoreApplication::processEvents();
  };
  outer(6000, 3000);
  const auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
  const auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdClose"));
  QCOMPARE(text->geometry(), QRect(px(90), px(135), px(5720), px(1745)));
  QCOMPARE(close->geometry(), QRect(px(4555), px(1995), px(1245), px(405)));

  // Too low for the text box: its height stays, the rest still follows.
  outer(3990, 600);
  QCOMPARE(text->geometry(), QRect(px(90), px(135), px(3710), px(1745)));
  QCOMPARE(close->geometry(), QRect(px(2545), px(1995), px(1245), px(405)));
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

void TraceWindowTest::windowShowsTheReportReadOnly() {
  frmTrace window;
  QCOMPARE(window.windowTitle(), QStringLiteral("Message Trace Result"));
  const auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
  const auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdClose"));
  QVERIFY(text && close);
  QCOMPARE(close->text(), QStringLiteral("&Close"));
  QVERIFY(text->isReadOnly());
  QCOMPARE(text->lineWrapMode(), QPlainTextEdit::NoWrap);
  QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QWidget* next = text->nextInFocusChain();
  while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  QCOMPARE(next, close);
  QVERIFY(text->toPlainText().isEmpty());
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
    frmTrace* window = report.window();
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
