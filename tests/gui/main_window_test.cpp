// The main window driven as a user would: load, date box, search, trace, show transaction,
// double-click and the backtrace choice, against small servers written to a temporary directory.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "app/commands.h"
#include "app/gui/main_window.h"
#include "app/gui/origin_model.h"
#include "app/gui/twips.h"
#include "gui_test_support.h"
#include "test_support.h"

using namespace rq;
using namespace rq::test;

namespace {

const Date kDay{2026, 12, 1};
const Date kDayBefore{2026, 11, 30};

// The logging switches of one service, as the .reg file holds them.
std::vector<std::string> Switches(const std::string& key, const std::string& activity,
                                  const std::string& debug) {
  return {"", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\" + key + "]",
          "\"Activity Log Enabled\"=" + activity, "\"Debug Enabled\"=" + debug};
}

constexpr const char* kOn = "dword:00000001";

std::vector<std::string> AllLoggingOn() {
  std::vector<std::string> lines;
  for (const char* key : {"Agents\\MTA", "Connectors\\SF", "Connectors\\SMTP", "Connectors\\LS"}) {
    const auto more = Switches(key, kOn, kOn);
    lines.insert(lines.end(), more.begin(), more.end());
  }
  return lines;
}

std::string Activity(const char* time, const char* dir, const char* id, const char* verb,
                     const char* arg) {
  return std::string(time) + "\t" + dir + "\t" + id + "\t7\t192.0.2.10\t" + verb + "\t" + arg;
}

const std::vector<std::string> kActivityLines = {
    Activity("10:00:01", "SMTP-IN", "IN001", "MAIL", "<alice@example.org>"),
    Activity("10:00:02", "SMTP-IN", "IN001", "RCPT", "<bob@example.net>"),
    Activity("10:01:00", "SMTP-IN", "IN002", "MAIL", "<Alice@Example.org>"),
    Activity("10:02:00", "SMTP-IN", "IN003", "MAIL", "<alice@example.org>"),
    Activity("10:02:05", "SMTP-IN", "IN003", "DATA", "connection lost"),
    Activity("10:03:00", "SMTP-OU", "OUT009", "MAIL", "<alice@example.org>"),
};

// A server whose SMTP connector has activity logs of two days and a day of traffic in which
// IN001 was routed to the postoffice, IN002 waits in the inbound queue, IN003 was never routed
// and the outbound copy OUT009 has no parent.
struct Harness {
  explicit Harness(const std::vector<std::string>& regLines = AllLoggingOn(), bool logs = true)
      : sample(regLines) {
    if (logs) {
      sample.WriteLog("SMTP", "Activity", kDayBefore,
                      CrLfLines({Activity("09:00:00", "SMTP-IN", "EARLY1", "MAIL", "<x@y.z>")}));
      sample.WriteLog("SMTP", "Activity", kDay, CrLfLines(kActivityLines));
      sample.WriteLog("MTA", "Debug", kDay,
                      CrLfLines({"12/01/26 10:00:05\tRoute [IN001] from [SMTP] to queue of [SF] "
                                 "new id [PO001] RQ-MTA-ROUTE"}));
      sample.WriteLog("SF", "Debug", kDay, CrLfLines({"10:00:06 Delivered [PO001] to bob"}));
      sample.WriteInboundFile("IN002");
    }
    window =
        std::make_unique<frmMain>(sample.server(), DateFormat("%m/%d/%y"), ui, recorder.Hook(ui));
  }

  template <typename T>
  T* Control(const char* name) {
    T* control = window->findChild<T*>(QString::fromUtf8(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
  }

  QComboBox* cboDate() { return Control<QComboBox>("cboDate"); }
  QLineEdit* txtSender() { return Control<QLineEdit>("txtSender"); }
  QLineEdit* txtRecipient() { return Control<QLineEdit>("txtRecipient"); }
  QCheckBox* chkBacktrace() { return Control<QCheckBox>("chkBacktrace"); }
  QPushButton* cmdListOrigins() { return Control<QPushButton>("cmdListOrigins"); }
  QPushButton* cmdTrace() { return Control<QPushButton>("cmdTrace"); }
  QPushButton* cmdShowTransaction() { return Control<QPushButton>("cmdShowTransaction"); }
  QTreeView* lvOrigins() { return Control<QTreeView>("lvOrigins"); }

  // Loads the window and searches the traffic day for alice's messages.
  void LoadAndSearch(bool show = false) {
    window->Form_Load();
    if (show) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    cboDate()->setEditText(QStringLiteral("261201"));
    Search(QStringLiteral("alice"));
  }

  void Search(const QString& sender, const QString& recipient = {}) {
    txtSender()->setText(sender);
    txtRecipient()->setText(recipient);
    cmdListOrigins()->click();
  }

  QStringList ListedIds() {
    QStringList ids;
    const QAbstractItemModel* model = lvOrigins()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      ids << model->index(row, OriginModel::kMessageIdColumn).data().toString();
    }
    return ids;
  }

  void Select(const QString& id) {
    const QAbstractItemModel* model = lvOrigins()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      const QModelIndex index = model->index(row, 0);
      if (index.data(OriginModel::kKeyRole).toByteArray() == id.toUtf8()) {
        lvOrigins()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
      }
    }
    qFatal("%s is not listed", qPrintable(id));
  }

  SampleServer sample;
  RecordingUserInterface ui;
  ReportRecorder recorder;
  std::unique_ptr<frmMain> window;
};

std::string NoSelectionText() {
  return "Unable to process selected origin. Error (" + std::to_string(kNoSelectionCode) + ") " +
         kNoSelectionText;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsStartAsTheWindowDescribesThem();
  void focusMovesInTheWindowsOrder();
  void loadWarnsOncePerServiceWithoutLogging();
  void dateBoxListsTheConnectorsLogDaysOrDisablesSearch();
  void dateBoxTakesOnlyDigits();
  void searchListsOneRowPerMessage();
  void searchWithoutCriteriaWarnsAndKeepsButtons();
  void searchFindingNothingDisablesButtons();
  void traceWithoutSelectionExplains();
  void traceShowsReportOrMessagePerWalkResult_data();
  void traceShowsReportOrMessagePerWalkResult();
  void showTransactionShowsLinesOrExplains();
  void doubleClickTracesTheRowOrExplains();
  void backtraceRelabelsListAndKeepsRows();
};

void MainWindowTest::controlsStartAsTheWindowDescribesThem() {
  Harness h;
  h.window->Form_Load();
  QCOMPARE(h.window->windowTitle(), QStringLiteral("Ravenquill Message Routing Trace Utility"));
  const double dpi = h.window->logicalDpiX();
  QCOMPARE(h.window->minimumSize(), h.window->maximumSize());
  QCOMPARE(h.window->width(), TwipsToPixels(kMainClientWidth, dpi));
  QCOMPARE(h.window->height(), TwipsToPixels(kMainClientHeight, dpi));

  const struct {
    const char* name;
    const char* caption;
    bool enabled;
  } buttons[] = {{"cmdListOrigins", "&Search", true},
                 {"cmdShowTransaction", "&Show Transaction ...", false},
                 {"cmdTrace", "&Trace Message ...", false},
                 {"cmdQuit", "Quit", true}};
  for (const auto& b : buttons) {
    QPushButton* button = h.Control<QPushButton>(b.name);
    QCOMPARE(button->text(), QString::fromUtf8(b.caption));
    QCOMPARE(button->isEnabled(), b.enabled);
  }
  const struct {
    const char* name;
    const char* text;
  } labels[] = {
      {"Label2", "Connector:"},
      {"Label6", "(Mandatory)"},
      {"Label4", "Date:"},
      {"Label5", "(Mandatory - Formatted as YYMMDD)"},
      {"Label3", "Sender:"},
      {"Label7", "(Optional - Search string used to locate the message by it's sender)"},
      {"Label10", "Recipient:"},
      {"Label9", "(Optional - Search string used to locate the message by it's recipient)"},
      {"lblMessageCriteria", "Inbound Messages matching criteria:"},
  };
  for (const auto& l : labels)
    QCOMPARE(h.Control<QLabel>(l.name)->text(), QString::fromUtf8(l.text));
  QVERIFY(h.Control<QLabel>("Label1")->text().startsWith("To trace a message through Ravenquill"));
  QVERIFY(h.Control<QGroupBox>("Frame1")->title().isEmpty());

  QComboBox* connector = h.Control<QComboBox>("icboConnector");
  QCOMPARE(connector->count(), 1);
  QCOMPARE(connector->currentText(), QStringLiteral("SMTP Connector"));
  QCOMPARE(connector->currentData().toString(), QStringLiteral("SMTP"));
  QCOMPARE(h.chkBacktrace()->text(),
           QStringLiteral("Backtrace Message from Outgoing Queue to Origin"));
  QVERIFY(!h.chkBacktrace()->isChecked());
  QVERIFY(h.txtSender()->text().isEmpty());
  QVERIFY(h.txtRecipient()->text().isEmpty());
  QCOMPARE(h.lvOrigins()->model()->rowCount(), 0);
  QStringList headers;
  for (int c = 0; c < h.lvOrigins()->model()->columnCount(); ++c) {
    headers << h.lvOrigins()->model()->headerData(c, Qt::Horizontal).toString();
  }
  QCOMPARE(headers, QStringList({"Date/Time", "Message ID", "Data"}));
  // The date column takes about a fifth of the list's width.
  const QTreeView* list = h.lvOrigins();
  const int inner = list->width() - 2 * list->frameWidth();
  QVERIFY(qAbs(list->header()->sectionSize(0) * 5 - inner) < 10);
  QVERIFY(qAbs(list->header()->sectionSize(1) * 5 - 2 * inner) < 10);
}

void MainWindowTest::focusMovesInTheWindowsOrder() {
  Harness h;
  h.window->Form_Load();
  const QStringList expected = {"icboConnector",  "cboDate",           "txtSender", "txtRecipient",
                                "cmdListOrigins", "lvOrigins",         "cmdTrace",  "cmdQuit",
                                "chkBacktrace",   "cmdShowTransaction"};
  QStringList order;
  QWidget* w = h.Control<QWidget>("icboConnector");
  for (int steps = 0; steps < 200 && order.size() < expected.size(); ++steps) {
    if (expected.contains(w->objectName()) && !order.contains(w->objectName())) {
      order << w->objectName();
    }
    w = w->nextInFocusChain();
  }
  QCOMPARE(order, expected);
}

void MainWindowTest::loadWarnsOncePerServiceWithoutLogging() {
  // Which service warns when is the logging check's business; the window shows each warning.
  Harness h(std::vector<std::string>{});  // no logging switches at all
  h.window->Form_Load();
  const char* warned[] = {"MTA", "Postoffice Connector", "SMTP Connector", "LS Connector"};
  QCOMPARE(h.ui.shown.size(), std::size(warned));
  for (std::size_t i = 0; i < std::size(warned); ++i) {
    const Message& m = h.ui.shown[i].message;
    QCOMPARE(m.title, std::string("Message Logging Settings"));
    QCOMPARE(m.icon, MessageIcon::kCritical);
    QVERIFY2(m.text.rfind("Warning: " + std::string(warned[i]) + " Debug and Activity", 0) == 0,
             m.text.c_str());
  }
  // The window loads all the same.
  QCOMPARE(h.Control<QComboBox>("icboConnector")->count(), 1);
  QVERIFY(h.cmdListOrigins()->isEnabled());
}

void MainWindowTest::dateBoxListsTheConnectorsLogDaysOrDisablesSearch() {
  Harness h;
  h.sample.WriteLog("SMTP", "Debug", Date{2026, 12, 2}, "not an activity log\r\n");
  h.window->Form_Load();
  QComboBox* box = h.cboDate();
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  QCOMPARE(items, QStringList({"261130", "261201"}));
  QCOMPARE(box->currentText(), QStringLiteral("261130"));
  QVERIFY(h.cmdListOrigins()->isEnabled());

  Harness empty(AllLoggingOn(), /*logs=*/false);
  empty.window->Form_Load();
  QCOMPARE(empty.cboDate()->count(), 0);
  QVERIFY(empty.cboDate()->currentText().isEmpty());
  QVERIFY(!empty.cmdListOrigins()->isEnabled());
  QVERIFY(!empty.cmdTrace()->isEnabled());
}

void MainWindowTest::dateBoxTakesOnlyDigits() {
  Harness h;
  h.window->Form_Load();
  QLineEdit* edit = h.cboDate()->lineEdit();
  edit->clear();
  QTest::keyClicks(edit, "26a 1-2x0/1");
  QCOMPARE(edit->text(), QStringLiteral("261201"));
  QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(edit->text(), QStringLiteral("26120"));
  QTest::keyClicks(edit, "15");
  QCOMPARE(edit->text(), QStringLiteral("2612015"));  // nothing limits the digits
}

void MainWindowTest::searchListsOneRowPerMessage() {
  Harness h;
  h.window->Form_Load();
  h.cboDate()->setEditText(QStringLiteral("261201"));
  for (int run = 0; run < 2; ++run) {  // a second search replaces the list, never doubles it
    h.Search(QStringLiteral("ALICE"));
    QCOMPARE(h.ListedIds(), QStringList({"IN001", "IN002", "IN003"}));
  }
  const QAbstractItemModel* model = h.lvOrigins()->model();
  QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("10:00:01"));
  QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("192.0.2.10 <alice@example.org>"));
  QVERIFY(h.ui.shown.empty());
  QVERIFY(h.cmdTrace()->isEnabled());
  QVERIFY(h.cmdShowTransaction()->isEnabled());
  QVERIFY(!h.lvOrigins()->selectionModel()->hasSelection());
  QVERIFY(!h.ui.busy);
  QCOMPARE(h.ui.busyOn, 2);

  // A recipient alone finds its message; backtrace searches the outbound lines instead.
  h.Search({}, QStringLiteral("bob@"));
  QCOMPARE(h.ListedIds(), QStringList({"IN001"}));
  h.chkBacktrace()->setChecked(true);
  h.Search(QStringLiteral("alice"));
  QCOMPARE(h.ListedIds(), QStringList({"OUT009"}));
}

void MainWindowTest::searchWithoutCriteriaWarnsAndKeepsButtons() {
  Harness h;
  h.LoadAndSearch(/*show=*/true);
  QCOMPARE(h.ListedIds().size(), 3);
  h.cmdListOrigins()->setFocus();

  h.Search({}, {});
  QVERIFY(h.ListedIds().isEmpty());
  QCOMPARE(h.ui.shown.size(), std::size_t{1});
  const Message expected{"Warning",
                         "You must enter either a sender or recipient in order to track a message.",
                         MessageIcon::kExclamation};
  QCOMPARE(h.ui.shown[0].message, expected);
  QVERIFY(!h.ui.shown[0].busy);
  QCOMPARE(h.window->focusWidget(), h.txtSender());
  QVERIFY(h.cmdTrace()->isEnabled());
  QVERIFY(h.cmdShowTransaction()->isEnabled());

  // A single blank is a search text.
  h.Search(QStringLiteral(" "));
  QCOMPARE(h.ui.shown.size(), std::size_t{2});
  QCOMPARE(h.ui.shown[1].message.text,
           std::string("Could not find messages matching the criteria specified"));
}

void MainWindowTest::searchFindingNothingDisablesButtons() {
  Harness h;
  h.LoadAndSearch();
  QVERIFY(h.cmdTrace()->isEnabled());

  for (const char* date : {"261201", "261202"}) {  // no match; no log for the day
    h.cboDate()->setEditText(QString::fromUtf8(date));
    h.Search(QStringLiteral("nobody@nowhere"));
    QVERIFY(h.ListedIds().isEmpty());
    QVERIFY(!h.cmdTrace()->isEnabled());
    QVERIFY(!h.cmdShowTransaction()->isEnabled());
    const Message expected{kToolTitle, "Could not find messages matching the criteria specified",
                           MessageIcon::kInformation};
    QCOMPARE(h.ui.shown.back().message, expected);
    QVERIFY(!h.ui.shown.back().busy);
  }
}

void MainWindowTest::traceWithoutSelectionExplains() {
  Harness h;
  h.LoadAndSearch();
  for (QPushButton* button : {h.cmdTrace(), h.cmdShowTransaction()}) {
    h.ui.shown.clear();
    button->click();
    QCOMPARE(h.ui.shown.size(), std::size_t{1});
    QCOMPARE(h.ui.shown[0].message,
             (Message{kToolTitle, NoSelectionText(), MessageIcon::kInformation}));
    QVERIFY(!h.ui.shown[0].busy);
  }
  QVERIFY(h.recorder.showings.empty());
  QVERIFY(!h.ui.busy);
}

void MainWindowTest::traceShowsReportOrMessagePerWalkResult_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("backtrace");
  QTest::addColumn<QString>("message");  // empty: the report is shown
  QTest::addColumn<QString>("reportStart");
  QTest::addColumn<QString>("reportEnd");
  QTest::newRow("0 copy without parent")
      << "OUT009" << true
      << "Unable to trace message. Message does not seem to have been routed through Ravenquill "
         "queues."
      << QString() << QString();
  QTest::newRow("1 routed")
      << "IN001" << false << QString()
      << "Trace: Tracing message with Message ID [IN001] from the SMTP Inbound Queue\r\n\r\n"
         "Status: Message ID [IN001] was routed by the MTA from the SMTP Inbound Queue to 1 "
         "destination queue(s)\r\n\r\n"
      << "10:00:06 Delivered [PO001] to bob\r\n\r\n";
  QTest::newRow("2 waiting") << "IN002" << false << QString()
                             << "Trace: Tracing message with Message ID [IN002]"
                             << "Result: [IN002] is waiting in the SMTP inbound message queue to "
                                "be routed by the MTA Service. This most likely means that the "
                                "MTA service has not had sufficient time to route the message or "
                                "that there is a problem with the MTA Service.\r\n";
  QTest::newRow("3 not routed")
      << "IN003" << false << QString() << "Trace: Tracing message with Message ID [IN003]"
      << QString::fromStdString(
             "Important: Message ID [IN003] does not seem to have been routed through Ravenquill "
             "queues (an error most likely occured when receiving this message).\r\n\r\n"
             "Status: SMTP Inbound transaction details for Message ID [IN003] follow below: \r\n" +
             kActivityLines[3] + "\r\n" + kActivityLines[4] + "\r\n\r\n");
}

void MainWindowTest::traceShowsReportOrMessagePerWalkResult() {
  QFETCH(QString, id);
  QFETCH(bool, backtrace);
  QFETCH(QString, message);
  QFETCH(QString, reportStart);
  QFETCH(QString, reportEnd);
  Harness h;
  h.window->Form_Load();
  h.cboDate()->setEditText(QStringLiteral("261201"));
  h.chkBacktrace()->setChecked(backtrace);
  h.Search(QStringLiteral("alice"));
  h.Select(id);
  h.cmdTrace()->click();
  QVERIFY(!h.ui.busy);
  QCOMPARE(h.ui.busyOn, 2);
  if (!message.isEmpty()) {
    QCOMPARE(h.ui.shown.size(), std::size_t{1});
    QCOMPARE(h.ui.shown[0].message,
             (Message{kToolTitle, message.toStdString(), MessageIcon::kInformation}));
    QVERIFY(!h.ui.shown[0].busy);
    QVERIFY(h.recorder.showings.empty());
    return;
  }
  QVERIFY(h.ui.shown.empty());
  QCOMPARE(h.recorder.showings.size(), std::size_t{1});
  const ReportRecorder::Showing& s = h.recorder.showings[0];
  QVERIFY(!s.busy);
  const QString report = QString::fromStdString(s.report);
  QVERIFY2(report.startsWith(reportStart), qPrintable(report));
  QVERIFY2(report.endsWith(reportEnd), qPrintable(report));
  // The text box shows the same report with plain line breaks.
  QCOMPARE(s.text, QString(report).replace("\r\n", "\n"));
  // Closing the result window discards it.
  QVERIFY(h.window->report().window() == nullptr);
}

void MainWindowTest::showTransactionShowsLinesOrExplains() {
  Harness h;
  h.LoadAndSearch();
  h.Select(QStringLiteral("IN003"));
  h.cmdShowTransaction()->click();
  QVERIFY(h.ui.shown.empty());
  QCOMPARE(h.recorder.showings.size(), std::size_t{1});
  QCOMPARE(h.recorder.showings[0].report,
           "Status: SMTP transaction details for Message ID [IN003] follow below: \r\n\r\n" +
               kActivityLines[3] + "\r\n" + kActivityLines[4] + "\r\n\r\n");
  QVERIFY(!h.recorder.showings[0].busy);
  QVERIFY(!h.ui.busy);

  // The date box is read when the command runs: the day before has a log without the ID.
  h.cboDate()->setEditText(QStringLiteral("261130"));
  h.cmdShowTransaction()->click();
  QCOMPARE(h.ui.shown.size(), std::size_t{1});
  QCOMPARE(
      h.ui.shown[0].message,
      (Message{kToolTitle, "Unable to locate message details in from selected origin. Error (0) ",
               MessageIcon::kInformation}));
  // The busy pointer is off while the box is open.
  QVERIFY(!h.ui.shown[0].busy);
  QCOMPARE(h.recorder.showings.size(), std::size_t{1});
}

void MainWindowTest::doubleClickTracesTheRowOrExplains() {
  Harness h;
  h.window->Form_Load();
  h.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
  QTest::mouseDClick(h.lvOrigins()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  QCOMPARE(h.ui.shown.size(), std::size_t{1});
  QCOMPARE(h.ui.shown[0].message.text, NoSelectionText());
  QVERIFY(h.recorder.showings.empty());

  h.cboDate()->setEditText(QStringLiteral("261201"));
  h.Search(QStringLiteral("alice"));
  const QRect row = h.lvOrigins()->visualRect(h.lvOrigins()->model()->index(1, 1));
  QVERIFY(row.isValid());
  // A real double-click: the first click selects the row, the second one acts on it.
  QTest::mouseClick(h.lvOrigins()->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(h.lvOrigins()->viewport(), Qt::LeftButton, {}, row.center());
  QCOMPARE(h.ui.shown.size(), std::size_t{1});
  QCOMPARE(h.recorder.showings.size(), std::size_t{1});
  QVERIFY(QString::fromStdString(h.recorder.showings[0].report).contains("[IN002] is waiting"));
}

void MainWindowTest::backtraceRelabelsListAndKeepsRows() {
  Harness h;
  h.LoadAndSearch();
  QLabel* label = h.Control<QLabel>("lblMessageCriteria");
  h.chkBacktrace()->click();
  QCOMPARE(label->text(), QStringLiteral("Outbound Messages matching criteria:"));
  QVERIFY(h.window->boolDoBacktrace());
  QCOMPARE(h.ListedIds().size(), 3);
  QVERIFY(h.cmdTrace()->isEnabled());
  h.chkBacktrace()->click();
  QCOMPARE(label->text(), QStringLiteral("Inbound Messages matching criteria:"));
  // A partial state does not count as ticked.
  h.chkBacktrace()->setTristate(true);
  h.chkBacktrace()->setCheckState(Qt::PartiallyChecked);
  QVERIFY(!h.window->boolDoBacktrace());
  QCOMPARE(label->text(), QStringLiteral("Inbound Messages matching criteria:"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
