// The Qt windows honour the form tables and the view interface, driven as a user drives them:
// keys go to the focused widget, buttons and rows are clicked. What the events do is the form
// logic's business and is tested once, in the unit tests.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cmath>

#include "app/gui/desktop.h"
#include "app/gui/main_window.h"
#include "app/gui/twips.h"
#include "gui_test_support.h"
#include "test_support.h"

using namespace rq;
using namespace rq::test;

namespace {

const Date kDay{2026, 12, 1};

std::string Activity(const char* id, const char* verb, const char* arg) {
  return std::string("10:00:00\tSMTP-IN\t") + id + "\t7\t192.0.2.10\t" + verb + "\t" + arg;
}

// A main window on a server with one day of SMTP traffic: IN001 and IN002 from alice, IN002
// waiting in the inbound queue.
struct Harness {
  Harness() {
    sample.WriteLog("SMTP", "Activity", kDay,
                    CrLfLines({Activity("IN001", "MAIL", "<alice@example.org>"),
                               Activity("IN002", "MAIL", "<alice@example.org>")}));
    sample.WriteInboundFile("IN002");
    window.Form_Load();
    ui.shown.clear();  // the logging warnings of a server without switches
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) qFatal("the main window never became active");
  }

  template <typename T>
  T* Control(ControlId id) {
    const std::string_view name = ControlOf(id).name;
    return window.findChild<T*>(
        QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  static QWidget* Focused() { return QApplication::focusWidget(); }

  SampleServer sample;
  RecordingUserInterface ui;
  ReportRecorder recorder;
  MainWindow window{sample.server(), DateFormat("%m/%d/%y"), ui, recorder.Hook(ui)};
};

// Every control of the form is a widget of its name, kind, caption, place and state, in the
// table's focus order; the window uses one font, at which no label is cut off.
void ExpectFollowsTable(QWidget& window, const FormSpec& form) {
  QCOMPARE(window.windowTitle().toStdString(), std::string(form.caption));
  const double dpi = window.logicalDpiX();
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  std::vector<std::pair<int, QWidget*>> tabStops;
  for (const ControlSpec& def : form.controls) {
    const QString name =
        QString::fromUtf8(def.name.data(), static_cast<qsizetype>(def.name.size()));
    auto* w = window.findChild<QWidget*>(name);
    QVERIFY2(w != nullptr, qPrintable(name));
    const TwipsRect& r = def.rect;
    QCOMPARE(w->geometry(),
             QRect(px(r.left), px(r.top), px(r.right()) - px(r.left), px(r.bottom()) - px(r.top)));
    QCOMPARE(w->isEnabled(), def.enabled);
    if (def.tabIndex != kNoTabStop) tabStops.emplace_back(def.tabIndex, w);
    const QString caption =
        QString::fromUtf8(def.caption.data(), static_cast<qsizetype>(def.caption.size()));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), caption);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      QCOMPARE(label->text(), caption);
      QCOMPARE(label->font().pointSizeF(), window.font().pointSizeF());
      const QFontMetricsF metrics(label->font());
      const bool fits = label->wordWrap() ? metrics.boundingRect(QRectF(0, 0, w->width(), 1e6),
                                                                 Qt::TextWordWrap, caption)
                                                    .height() <= w->height()
                                          : metrics.horizontalAdvance(caption) <= w->width();
      QVERIFY2(fits, qPrintable(name));
    }
  }
  std::sort(tabStops.begin(), tabStops.end());
  QList<QWidget*> expected, order;
  for (const auto& stop : tabStops) expected << stop.second;
  QWidget* w = expected.front();
  for (int steps = 0; steps < 200 && order.size() < expected.size(); ++steps) {
    if (expected.contains(w) && !order.contains(w)) order << w;
    w = w->nextInFocusChain();
  }
  QCOMPARE(order, expected);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void windowsFollowTheirFormTables();
  void focusAndTheDateBoxTakingOnlyTypedDigits();
  void searchSelectTraceAndDoubleClick();
};

void MainWindowTest::windowsFollowTheirFormTables() {
  SampleServer sample;
  RecordingUserInterface ui;
  MainWindow main(sample.server(), DateFormat(), ui);
  ExpectFollowsTable(main, MainFormSpec());
  QCOMPARE(main.size(),
           QSize(TwipsToPixels(9870, main.logicalDpiX()), TwipsToPixels(6390, main.logicalDpiX())));
  QCOMPARE(main.minimumSize(), main.maximumSize());
  TraceWindow trace;
  ExpectFollowsTable(trace, TraceFormSpec());
  // Whole device pixels at any resolution (ctest runs this at 96 and 144 dpi): at a fractional
  // scale lines fall between pixels, and the list's border and the date box's arrow suffered.
  QCOMPARE(std::fmod(main.devicePixelRatioF(), 1.0), 0.0);
}

void MainWindowTest::focusAndTheDateBoxTakingOnlyTypedDigits() {
  Harness h;
  // The focus is drawn from the start, not only after the first key.
  QWidget* connector = h.Control<QWidget>(ControlId::icboConnector);
  QCOMPARE(Harness::Focused(), connector);
  const QImage atStart = connector->grab().toImage();
  QTest::keyClick(Harness::Focused(), Qt::Key_Tab);
  QTest::keyClick(Harness::Focused(), Qt::Key_Backtab);
  QCOMPARE(Harness::Focused(), connector);
  QCOMPARE(atStart, connector->grab().toImage());

  QTest::keyClick(Harness::Focused(), Qt::Key_Tab);
  QCOMPARE(Harness::Focused(), h.Control<QWidget>(ControlId::cboDate));
  QTest::keyClick(Harness::Focused(), Qt::Key_End);
  QTest::keyClick(Harness::Focused(), Qt::Key_Home, Qt::ShiftModifier);
  QTest::keyClick(Harness::Focused(), Qt::Key_Delete);
  QTest::keyClicks(Harness::Focused(), "26a 1-2x0/1");
  auto* date = h.Control<QComboBox>(ControlId::cboDate);
  QCOMPARE(date->currentText(), QStringLiteral("261201"));
  QTest::keyClick(Harness::Focused(), Qt::Key_Backspace);
  QTest::keyClicks(Harness::Focused(), "15");
  QCOMPARE(date->currentText(), QStringLiteral("2612015"));  // nothing limits the digits
  QTest::keyClick(Harness::Focused(), Qt::Key_Tab);
  QCOMPARE(Harness::Focused(), h.Control<QWidget>(ControlId::txtSender));

  // The text part ends before the arrow button, whatever the resolution.
  QStyleOptionComboBox option;
  option.initFrom(date);
  option.editable = true;
  const QRect arrow =
      date->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, date);
  QVERIFY(date->lineEdit()->geometry().right() < arrow.left());
}

void MainWindowTest::searchSelectTraceAndDoubleClick() {
  Harness h;
  QTest::mouseClick(h.Control<QLineEdit>(ControlId::txtSender), Qt::LeftButton);
  QTest::keyClicks(Harness::Focused(), "alice");
  QTest::mouseClick(h.Control<QPushButton>(ControlId::cmdListOrigins), Qt::LeftButton);
  auto* list = h.Control<QTreeView>(ControlId::lvOrigins);
  QCOMPARE(list->model()->rowCount(), 2);
  auto* trace = h.Control<QPushButton>(ControlId::cmdTrace);
  QVERIFY(trace->isEnabled());

  // Trace without a row selected: the logic hears "no selection".
  QTest::mouseClick(trace, Qt::LeftButton);
  QCOMPARE(h.ui.shown.size(), std::size_t{1});
  QVERIFY(h.recorder.showings.empty());

  const QPoint row = list->visualRect(list->model()->index(1, 1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseClick(trace, Qt::LeftButton);
  QCOMPARE(h.recorder.showings.size(), std::size_t{1});
  QVERIFY(QString::fromStdString(h.recorder.showings[0].report).contains("[IN002] is waiting"));
  // The text box shows the same report with plain line breaks.
  QCOMPARE(h.recorder.showings[0].text,
           QString::fromStdString(h.recorder.showings[0].report).replace("\r\n", "\n"));

  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
  QCOMPARE(h.recorder.showings.size(), std::size_t{2});

  // The check box's click reaches the logic, which relabels the list.
  auto* backtrace = h.Control<QCheckBox>(ControlId::chkBacktrace);
  QTest::mouseClick(backtrace, Qt::LeftButton, {}, QPoint(8, backtrace->height() / 2));
  QCOMPARE(h.Control<QLabel>(ControlId::lblMessageCriteria)->text(),
           QStringLiteral("Outbound Messages matching criteria:"));
}

int main(int argc, char** argv) {
  UseWholeDevicePixels();  // as the program does
  QApplication app(argc, argv);
  MainWindowTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}
#include "main_window_test.moc"
