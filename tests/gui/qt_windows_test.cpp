// The Qt windows honour the form tables and the view interface, driven as a user does (keys to the
// focused widget, clicks); also the report sink, the origin list model and the display check.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "app/gui/desktop.h"
#include "app/gui/display_check.h"
#include "app/gui/main_window.h"
#include "app/gui/origin_model.h"
#include "app/gui/qt_user_interface.h"
#include "test_support.h"

using namespace rq;
using namespace rq::test;

namespace {

// Records each showing of the result window instead of running it modally; a story window is
// handed to `onStory`, shown, to be driven by keys.
struct ReportRecorder {
  struct Showing {
    QString text;  // what the text box held
    bool busy;
  };
  ShowModalHook Hook(const RecordingUserInterface& ui) {
    return [this, &ui](QtFormWindow& window) {
      if (window.objectName() == QStringLiteral("frmStory")) {
        window.show();
        if (!QTest::qWaitForWindowActive(&window)) qFatal("the story window never became active");
        if (onStory) onStory(window);
        return;
      }
      const auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
      showings.push_back({box->toPlainText(), ui.busy});
    };
  }
  std::vector<Showing> showings;
  std::function<void(QtFormWindow&)> onStory;
};
const Date kDay{2026, 12, 1};

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The pixels a rectangle of twips covers: its edges are rounded, not its size.
QRect Pixels(const TwipsRect& r, int dpi) {
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  return QRect(QPoint(px(r.left), px(r.top)), QPoint(px(r.right()) - 1, px(r.bottom()) - 1));
}

// A main window on a server with one day of SMTP traffic: IN001 and IN002 from alice, IN002
// waiting in the inbound queue.
struct Harness {
  Harness() {
    sample.WriteLog("SMTP", "Activity", kDay,
                    CrLfLines({ActivityLine("IN001", "MAIL", "<alice@example.org>"),
                               ActivityLine("IN002", "MAIL", "<alice@example.org>")}));
    sample.WriteLog("MTA", "Debug", kDay,
                    CrLfLines({"12/01/26 10:00:05\tRoute [IN001] from [SMTP] to queue of [SF] "
                               "new id [PO001] RQ-MTA-ROUTE"}));
    sample.WriteInboundFile("IN002");
    window.Form_Load();
    ui.shown.clear();  // the logging warnings of a server without switches
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) qFatal("the main window never became active");
  }

  template <typename T>
  T* Control(ControlId id) {
    return window.findChild<T*>(Q(ControlOf(id).name));
  }
  static QWidget* Focused() { return QApplication::focusWidget(); }

  SampleServer sample;
  RecordingUserInterface ui;
  ReportRecorder recorder;
  MainWindow window{sample.server(), DateFormat("%m/%d/%y"), ui, recorder.Hook(ui)};
};

// Whether the label's text, drawn by a label of the same font made larger than it, puts ink
// where the label itself ends: the part it would cut off. A wrapped label grows downwards.
bool InkBeyond(const QLabel& label) {
  const QSize size = label.size();
  const QSize larger = label.wordWrap() ? QSize(size.width(), size.height() * 4)
                                        : QSize(size.width() * 4, size.height());
  const auto drawn = [&](const QString& text) {
    QLabel probe(text);
    probe.setTextFormat(Qt::PlainText);
    probe.setFont(label.font());
    probe.setWordWrap(label.wordWrap());
    probe.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    probe.setFixedSize(larger);
    return probe.grab().toImage();
  };
  const QImage text = drawn(label.text()), blank = drawn(QString());
  for (int y = 0; y < text.height(); ++y) {
    for (int x = y < size.height() ? size.width() : 0; x < text.width(); ++x) {
      if (text.pixel(x, y) != blank.pixel(x, y)) return true;
    }
  }
  return false;
}

// Every control of the form is a widget of its name, kind, caption, place and state, in the
// table's focus order; the window uses one font, at which no label is cut off.
void ExpectFollowsTable(QWidget& window, const FormSpec& form) {
  QCOMPARE(window.windowTitle().toStdString(), std::string(form.caption));
  std::vector<std::pair<int, QWidget*>> tabStops;
  for (const ControlSpec& def : form.controls) {
    const QString name = Q(def.name);
    auto* w = window.findChild<QWidget*>(name);
    QVERIFY2(w != nullptr, qPrintable(name));
    QCOMPARE(w->geometry(), Pixels(def.rect, window.logicalDpiX()));
    QCOMPARE(w->isEnabled(), def.enabled);
    if (def.tabIndex != kNoTabStop) tabStops.emplace_back(def.tabIndex, w);
    const QString caption = Q(def.caption);
    if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), caption);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      QCOMPARE(label->text(), caption);
      QCOMPARE(label->textFormat(), Qt::PlainText);  // a '<' in a text is no markup
      QCOMPARE(label->font().pointSizeF(), window.font().pointSizeF());
      QVERIFY2(!InkBeyond(*label), qPrintable(name));
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

class QtWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void windowsFollowTheirFormTables();
  void focusAndTheDateBoxTakingOnlyDigitsTypedOrPasted();
  void searchSelectTraceAndDoubleClick();
  void traceLayoutFillsTheWindowFromTheFirstShow();
  void resultWindowShowsControlBytesTabsToCloseAndEscapeCloses();
  void wholeStoryFromTheMenuWalkedCopiedAndClosedByKeys();
  void originModelStaysConsistentAndShowsLogBytesAsText();
  void displayCheckFindsOnlyDisplaysThatAreThere();
  void messageBoxesAndLabelsShowTextAsWritten();
};

void QtWindowsTest::windowsFollowTheirFormTables() {
  SampleServer sample;
  RecordingUserInterface ui;
  MainWindow main(sample.server(), DateFormat(), ui);
  ExpectFollowsTable(main, MainFormSpec());
  QCOMPARE(main.size(),
           QSize(TwipsToPixels(9870, main.logicalDpiX()), TwipsToPixels(6390, main.logicalDpiX())));
  QCOMPARE(main.minimumSize(), main.maximumSize());
  // With a font too large for its labels, a window steps its font down until they fit, and
  // no further than it must.
  const QFont usual = QApplication::font();
  QFont large = usual;
  large.setPointSizeF(usual.pointSizeF() * 2);
  QApplication::setFont(large);
  MainWindow big(sample.server(), DateFormat(), ui);
  QApplication::setFont(usual);
  ExpectFollowsTable(big, MainFormSpec());
  QVERIFY(big.font().pointSizeF() < large.pointSizeF());
  QVERIFY(big.font().pointSizeF() > usual.pointSizeF() * 0.8);
  TraceWindow trace;
  ExpectFollowsTable(trace, TraceFormSpec());
  StoryDialog story;
  ExpectFollowsTable(story, StoryFormSpec());
  // An icon of the program's own, not the platform's blank: the tile's blue in its middle.
  for (const QWidget* w : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&story)}) {
    const QImage icon = w->windowIcon().pixmap(48, 48).toImage();
    QCOMPARE(icon.size(), QSize(48, 48));
    QCOMPARE(icon.pixelColor(24, 4), QColor(31, 78, 140));
  }
  // Whole device pixels at any resolution (ctest runs this at 96 and 144 dpi): at a fractional
  // scale lines fall between pixels, and the list's border and the date box's arrow suffered.
  QCOMPARE(std::fmod(main.devicePixelRatioF(), 1.0), 0.0);
}

void QtWindowsTest::focusAndTheDateBoxTakingOnlyDigitsTypedOrPasted() {
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
  auto* date = h.Control<QComboBox>(ControlId::cboDate);
  // Ctrl+A selects the box's text, so that typing replaces it.
  QTest::keyClick(Harness::Focused(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Harness::Focused(), "26a 1-2x0/1");
  QCOMPARE(date->currentText(), QStringLiteral("261201"));
  QTest::keyClick(Harness::Focused(), Qt::Key_Backspace);
  QTest::keyClicks(Harness::Focused(), "15");
  QCOMPARE(date->currentText(), QStringLiteral("2612015"));  // nothing limits the digits
  // Pasted text passes the same filter, by Ctrl+V and by Shift+Insert.
  QGuiApplication::clipboard()->setText(QStringLiteral("2a6-1"));
  QTest::keyClick(Harness::Focused(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Harness::Focused(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(date->currentText(), QStringLiteral("261"));
  QTest::keyClick(Harness::Focused(), Qt::Key_Insert, Qt::ShiftModifier);
  QCOMPARE(date->currentText(), QStringLiteral("261261"));
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

void QtWindowsTest::searchSelectTraceAndDoubleClick() {
  Harness h;
  QTest::mouseClick(h.Control<QLineEdit>(ControlId::txtSender), Qt::LeftButton);
  QTest::keyClicks(Harness::Focused(), "alice");
  QTest::mouseClick(h.Control<QPushButton>(ControlId::cmdListOrigins), Qt::LeftButton);
  auto* list = h.Control<QTreeView>(ControlId::lvOrigins);
  QCOMPARE(list->model()->rowCount(), 2);
  // The columns take the table's fifths of the list's inside, the last one what is left.
  const int inside = list->width() - 2 * list->frameWidth();
  QCOMPARE(list->header()->sectionSize(0), inside / 5);
  QCOMPARE(list->header()->sectionSize(1), inside * 2 / 5);
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
  QVERIFY(h.recorder.showings[0].text.contains("[IN002] is waiting"));
  QVERIFY(!h.recorder.showings[0].busy);

  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
  QCOMPARE(h.recorder.showings.size(), std::size_t{2});

  // The check box's click reaches the logic, which relabels the list.
  auto* backtrace = h.Control<QCheckBox>(ControlId::chkBacktrace);
  QTest::mouseClick(backtrace, Qt::LeftButton, {}, QPoint(8, backtrace->height() / 2));
  QCOMPARE(h.Control<QLabel>(ControlId::lblMessageCriteria)->text(),
           QStringLiteral("Outbound Messages matching criteria:"));
  // Escape in the main window closes nothing.
  QTest::keyClick(Harness::Focused(), Qt::Key_Escape);
  QVERIFY(h.window.isVisible());
}

void QtWindowsTest::traceLayoutFillsTheWindowFromTheFirstShow() {
  TraceWindow window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const int dpi = window.logicalDpiX();
  const auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
  const auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdClose"));
  // Whatever frame the platform draws, or has not drawn yet: the text box as the table has it.
  QCOMPARE(text->geometry(), Pixels({90, 135, 9735 - 90, 3480 - 135}, dpi));
  QCOMPARE(close->geometry().bottom(), Pixels({0, 3595, 0, 405}, dpi).bottom());

  // Made smaller, the text box keeps its top left corner and the window's right and bottom
  // margins stay as they were (a pixel of rounding aside): Close stays at the bottom right.
  const auto margins = [&](const QWidget* w) {
    return std::array{window.width() - w->geometry().right(),
                      window.height() - w->geometry().bottom()};
  };
  const auto textMargins = margins(text), closeMargins = margins(close);
  const QPoint topLeft = text->geometry().topLeft();
  const QSize closeSize = close->size();
  window.resize(window.width() * 2 / 3, window.height() / 2);
  QCoreApplication::processEvents();
  QCOMPARE(text->geometry().topLeft(), topLeft);
  for (const auto& [w, before] :
       {std::pair<const QWidget*, std::array<int, 2>>{text, textMargins}, {close, closeMargins}}) {
    for (std::size_t i = 0; i < 2; ++i) QVERIFY(std::abs(margins(w)[i] - before[i]) <= 1);
  }
  QCOMPARE(close->size(), closeSize);
}

void QtWindowsTest::resultWindowShowsControlBytesTabsToCloseAndEscapeCloses() {
  RecordingUserInterface ui;
  WindowReport report(ui, [] { return std::make_unique<TraceWindow>(); });  // the real modal run
  // A NUL and a lone LF are shown as their symbols, not dropped or obeyed; a long line is not
  // wrapped, the box scrolls sideways.
  report.WriteTraceOutput(std::string_view("a\0b\nc\r\nline\r\n", 13));
  report.WriteTraceOutput(std::string(400, 'w'));
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    QVERIFY(window && QTest::qWaitForWindowActive(window));
    const auto* text = window->findChild<QPlainTextEdit*>(QStringLiteral("txtTrace"));
    QCOMPARE(text->toPlainText(), QString::fromUtf8("a\u2400b\u240Ac\nline\n") + QString(400, 'w'));
    QVERIFY(text->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(text->document()->lineCount(), 3);
    QCOMPARE(Harness::Focused(), text);
    QTest::keyClick(Harness::Focused(), Qt::Key_Tab);
    QCOMPARE(Harness::Focused(), window->findChild<QWidget*>(QStringLiteral("cmdClose")));
    QTest::keyClick(Harness::Focused(), Qt::Key_Backtab);
    QCOMPARE(Harness::Focused(), text);
    seen = true;
    QTest::keyClick(Harness::Focused(), Qt::Key_Escape);
  });
  report.ShowTraceOutput();
  QVERIFY(seen);
  QVERIFY(report.window() == nullptr);
}

void QtWindowsTest::wholeStoryFromTheMenuWalkedCopiedAndClosedByKeys() {
  Harness h;
  QTest::mouseClick(h.Control<QLineEdit>(ControlId::txtSender), Qt::LeftButton);
  QTest::keyClicks(Harness::Focused(), "alice");
  QTest::mouseClick(h.Control<QPushButton>(ControlId::cmdListOrigins), Qt::LeftButton);
  auto* list = h.Control<QTreeView>(ControlId::lvOrigins);
  QCOMPARE(list->model()->rowCount(), 2);
  // A click below the rows chooses none: the menu's entries are there, greyed.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    QPoint(5, list->viewport()->height() - 5));
  QCOMPARE(Harness::Focused(), list);
  int greyed = 0;
  QTimer::singleShot(0, [&greyed] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    for (const QAction* action : menu->actions()) greyed += action->isEnabled() ? 0 : 1;
    QTest::keyClick(menu, Qt::Key_Escape);
  });
  QTest::keyClick(h.window.windowHandle(), Qt::Key_Menu);
  QCOMPARE(greyed, 4);
  h.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&h.window));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualRect(list->model()->index(0, 1)).center());

  int stories = 0;
  h.recorder.onStory = [&](QtFormWindow& story) {
    ++stories;
    auto* tree = story.findChild<QTreeWidget*>(QStringLiteral("tvStory"));
    QCOMPARE(Harness::Focused(), tree);
    QVERIFY(tree->topLevelItemCount() >= 2);
    QTreeWidgetItem* inbound = tree->topLevelItem(0);
    QVERIFY(inbound->text(0).startsWith(QStringLiteral("Inbound [IN001]")));
    QCOMPARE(tree->currentItem(), inbound);
    QTest::keyClick(Harness::Focused(), Qt::Key_Down);  // onto its first event
    QCOMPARE(tree->currentItem(), inbound->child(0));
    QVERIFY(tree->currentItem()->text(0).startsWith(QStringLiteral("261201 10:00:00  ")));
    QTest::keyClick(Harness::Focused(), Qt::Key_Up);  // back to the heading, folded, unfolded
    QTest::keyClick(Harness::Focused(), Qt::Key_Left);
    QVERIFY(!inbound->isExpanded());
    QTest::keyClick(Harness::Focused(), Qt::Key_Right);
    QVERIFY(inbound->isExpanded());
    QTest::keyClick(Harness::Focused(), Qt::Key_Tab);
    QCOMPARE(Harness::Focused(), story.findChild<QWidget*>(QStringLiteral("cmdCopy")));
    QTest::keyClick(Harness::Focused(), Qt::Key_Space);
    QTest::keyClick(Harness::Focused(), Qt::Key_Escape);
    QVERIFY(!story.isVisible());
  };
  // The Menu key, then the entry by its accelerator; a right click, then down to the entry.
  const auto chooseLater = [](std::vector<Qt::Key> keys) {
    QTimer::singleShot(0, [keys] {
      QWidget* menu = QApplication::activePopupWidget();
      QVERIFY(qobject_cast<QMenu*>(menu) != nullptr);
      for (const Qt::Key key : keys) QTest::keyClick(menu, key);
    });
  };
  chooseLater({Qt::Key_W});
  QCOMPARE(Harness::Focused(), list);
  QTest::keyClick(h.window.windowHandle(), Qt::Key_Menu);  // through the window, as a key comes
  QCOMPARE(stories, 1);
  QGuiApplication::clipboard()->clear();
  chooseLater({Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
  const QPoint row = list->visualRect(list->model()->index(0, 1)).center();
  QTest::mouseClick(h.window.windowHandle(), Qt::RightButton, {},
                    list->viewport()->mapTo(&h.window, row));
  QCOMPARE(stories, 2);
  QVERIFY(h.recorder.showings.empty());

  // What Copy put on the clipboard is what the story command prints for the same ID and day.
  QProcess rqtrace;
  QStringList args;
  for (const std::string& option : h.sample.ProgramOptions()) args << Q(option);
  args << "story"
       << "IN001"
       << "--date"
       << "261201";
  rqtrace.start(QStringLiteral(RQ_RQTRACE), args);
  QVERIFY(rqtrace.waitForFinished());
  const QString printed = QString::fromUtf8(rqtrace.readAllStandardOutput());
  QVERIFY(printed.startsWith(QStringLiteral("Story of Message ID [IN001]")));
  QCOMPARE(QGuiApplication::clipboard()->text(), printed);
}

void QtWindowsTest::originModelStaysConsistentAndShowsLogBytesAsText() {
  OriginModel model;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  QCOMPARE(model.rowCount(), 0);
  QCOMPARE(model.columnCount(), 3);
  OriginList list;
  list.AddItemToSourceList("10:00", "A1", "1.2.3.4 <a@b>");
  list.AddItemToSourceList("12:00", "ID\xE9", "10.0.0.1 <ren\xE9@caf\xE9.fr> \x80");
  list.AddItemToSourceList("10:02", "A1", "refused: same key");
  model.SetOrigins(list);
  QCOMPARE(model.rowCount(), 2);
  QCOMPARE(model.index(0, OriginModel::kDataColumn).data().toString(),
           QStringLiteral("1.2.3.4 <a@b>"));
  QCOMPARE(model.index(1, OriginModel::kMessageIdColumn).data().toString(),
           QString::fromUtf8("ID\u00E9"));
  QCOMPARE(model.index(1, OriginModel::kDataColumn).data().toString(),
           QString::fromUtf8("10.0.0.1 <ren\u00E9@caf\u00E9.fr> \u20AC"));
  // The key stays the log's bytes, so the commands look up exactly what the log holds.
  QCOMPARE(model.index(1, OriginModel::kDataColumn).data(OriginModel::kKeyRole).toByteArray(),
           QByteArray("ID\xE9"));
  QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).isValid());
  QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());  // a flat table

  model.SetOrigins(OriginList());
  QCOMPARE(model.rowCount(), 0);

  // A long list arrives in one reset, not row by row.
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
  for (int i = 0; i < 100000; ++i) list.AddItemToSourceList("10:00", "M" + std::to_string(i), "");
  model.SetOrigins(list);
  QCOMPARE(resets.count(), 1);
  QCOMPARE(inserts.count(), 0);
  QCOMPARE(model.rowCount(), 100002);
  QCOMPARE(model.index(100001, 1).data().toString(), QStringLiteral("M99999"));
}

void QtWindowsTest::displayCheckFindsOnlyDisplaysThatAreThere() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string root = dir.path().toStdString();
  for (const char* name : {"X7", "wayland-1"}) std::ofstream(root + "/" + name) << "";
  const struct {
    const char *name, *qpa, *display, *wayland;
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

// A log's text may hold '<' and '&': a box shows it as written, never as markup.
void QtWindowsTest::messageBoxesAndLabelsShowTextAsWritten() {
  QtUserInterface ui;
  std::vector<Qt::TextFormat> formats;
  const auto answer = [&](QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [&formats, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      formats.push_back(box->textFormat());
      box->button(button)->click();
    });
  };
  answer(QMessageBox::Ok);
  ui.ShowMessage(Message{"t", "<b>4F2A0C3A</b> &amp; more", MessageIcon::kInformation});
  answer(QMessageBox::No);
  QVERIFY(!ui.AskYesNo(Message{"t", "<i>yesterday</i>?", MessageIcon::kExclamation}));
  QCOMPARE(formats, (std::vector<Qt::TextFormat>{Qt::PlainText, Qt::PlainText}));
  // Return in the question takes its default answer, Yes.
  QTimer::singleShot(0, [] {
    QVERIFY(QApplication::activeModalWidget() != nullptr);
    QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return);
  });
  QVERIFY(ui.AskYesNo(Message{"t", "The day before?", MessageIcon::kExclamation}));
}

int main(int argc, char** argv) {
  UseWholeDevicePixels();  // as the program does
  QApplication app(argc, argv);
  QtWindowsTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}
#include "qt_windows_test.moc"
