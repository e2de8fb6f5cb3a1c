#include "app/gui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "app/commands.h"
#include "app/forms/main_form.h"
#include "app/gui/origin_model.h"
#include "app/gui/qt_user_interface.h"
#include "app/gui/twips.h"
#include "base/codepage.h"
#include "settings/log_dates.h"
#include "settings/startup_check.h"

namespace rq {
namespace {

// Layout, in twips. The frame fills the window but for a strip at the bottom that holds Quit;
// positions of the frame's children are relative to the frame.
constexpr int kFrameLeft = 60;
constexpr int kFrameTop = 30;
constexpr int kFrameWidth = 9750;
constexpr int kFrameHeight = 5925;
constexpr int kInnerLeft = 120;
constexpr int kInnerWidth = 9510;
constexpr int kRowHeight = 330;
constexpr int kRowTops[] = {780, 1155, 1530, 1905};  // connector, date, sender, recipient
constexpr int kLabelWidth = 1020;
constexpr int kBoxLeft = 1200;
constexpr int kBoxWidth = 2850;
constexpr int kNoteLeft = 4140;
constexpr int kNoteWidth = 5490;
constexpr int kButtonHeight = 375;

// Text typed by the user as the 8-bit text the logs are written in.
std::string ToBytes(const QString& text) {
  return Utf8ToCp1252(text.toStdString());
}

// The layout is fixed in twips while fonts differ between systems: a label whose text would be
// cut off gets a smaller font, down to a still legible size.
void FitText(QLabel* label) {
  QFont font = label->font();
  const int width = label->width();
  while (font.pointSizeF() > 6.5 && QFontMetrics(font).horizontalAdvance(label->text()) > width) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label->setFont(font);
}

Message ToolMessage(std::string text) {
  return Message{kToolTitle, std::move(text), MessageIcon::kInformation};
}

}  // namespace

frmMain::frmMain(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
                 WindowReport::ShowModal showModal, QWidget* parent)
    : QDialog(parent),
      server_(server),
      dateFormat_(dateFormat),
      ui_(ui),
      report_(ui, this, std::move(showModal)),
      model_(new OriginModel(this)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Ravenquill Message Routing Trace Utility"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  BuildControls();
}

frmMain::~frmMain() = default;

void frmMain::BuildControls() {
  const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
  const auto place = [dpi](QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
                   TwipsToPixels(height, dpi));
  };
  const auto label = [&](QWidget* parent, const char* name, const char* text, int left, int top,
                         int width) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(l, left, top, width, kRowHeight);
    FitText(l);
    return l;
  };
  const auto button = [&](QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromUtf8(name));
    // Enter in a text box starts nothing; a button is pressed by click, Space or its accelerator.
    b->setAutoDefault(false);
    return b;
  };

  setFixedSize(TwipsToPixels(kMainClientWidth, dpi), TwipsToPixels(kMainClientHeight, dpi));

  Frame1_ = new QGroupBox(this);
  Frame1_->setObjectName(QStringLiteral("Frame1"));
  place(Frame1_, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);

  auto* label1 = label(Frame1_, "Label1",
                       "To trace a message through Ravenquill, you must first specify a starting "
                       "point to search for the message. Please enter criteria below for locating "
                       "the original message:",
                       kInnerLeft, 210, kInnerWidth);
  label1->setWordWrap(true);
  place(label1, kInnerLeft, 210, kInnerWidth, 480);

  label(Frame1_, "Label2", "Connector:", kInnerLeft, kRowTops[0], kLabelWidth);
  icboConnector_ = new QComboBox(Frame1_);
  icboConnector_->setObjectName(QStringLiteral("icboConnector"));
  place(icboConnector_, kBoxLeft, kRowTops[0], kBoxWidth, kRowHeight);
  label(Frame1_, "Label6", "(Mandatory)", kNoteLeft, kRowTops[0], kNoteWidth);

  label(Frame1_, "Label4", "Date:", kInnerLeft, kRowTops[1], kLabelWidth);
  cboDate_ = new QComboBox(Frame1_);
  cboDate_->setObjectName(QStringLiteral("cboDate"));
  cboDate_->setEditable(true);
  cboDate_->setInsertPolicy(QComboBox::NoInsert);
  cboDate_->setCompleter(nullptr);
  cboDate_->lineEdit()->installEventFilter(this);
  place(cboDate_, kBoxLeft, kRowTops[1], kBoxWidth, kRowHeight);
  label(Frame1_, "Label5", "(Mandatory - Formatted as YYMMDD)", kNoteLeft, kRowTops[1], kNoteWidth);

  label(Frame1_, "Label3", "Sender:", kInnerLeft, kRowTops[2], kLabelWidth);
  txtSender_ = new QLineEdit(Frame1_);
  txtSender_->setObjectName(QStringLiteral("txtSender"));
  place(txtSender_, kBoxLeft, kRowTops[2], kBoxWidth, kRowHeight);
  label(Frame1_, "Label7", "(Optional - Search string used to locate the message by it's sender)",
        kNoteLeft, kRowTops[2], kNoteWidth);

  label(Frame1_, "Label10", "Recipient:", kInnerLeft, kRowTops[3], kLabelWidth);
  txtRecipient_ = new QLineEdit(Frame1_);
  txtRecipient_->setObjectName(QStringLiteral("txtRecipient"));
  place(txtRecipient_, kBoxLeft, kRowTops[3], kBoxWidth, kRowHeight);
  label(Frame1_, "Label9",
        "(Optional - Search string used to locate the message by it's recipient)", kNoteLeft,
        kRowTops[3], kNoteWidth);

  // The check box belongs to the window and is drawn over the frame.
  chkBacktrace_ =
      new QCheckBox(QStringLiteral("Backtrace Message from Outgoing Queue to Origin"), this);
  chkBacktrace_->setObjectName(QStringLiteral("chkBacktrace"));
  place(chkBacktrace_, kFrameLeft + kInnerLeft, kFrameTop + 2310, 5400, kRowHeight);

  cmdListOrigins_ = button(Frame1_, "cmdListOrigins", "&Search");
  place(cmdListOrigins_, kInnerLeft + kInnerWidth - 1245, 2280, 1245, kButtonHeight);
  cmdListOrigins_->setEnabled(false);

  lblMessageCriteria_ = label(Frame1_, "lblMessageCriteria",
                              "Inbound Messages matching criteria:", kInnerLeft, 2700, 5400);

  lvOrigins_ = new QTreeView(Frame1_);
  lvOrigins_->setObjectName(QStringLiteral("lvOrigins"));
  lvOrigins_->setModel(model_);
  lvOrigins_->setRootIsDecorated(false);
  lvOrigins_->setItemsExpandable(false);
  lvOrigins_->setUniformRowHeights(true);
  lvOrigins_->setAllColumnsShowFocus(true);
  lvOrigins_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvOrigins_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvOrigins_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvOrigins_->setSortingEnabled(false);
  lvOrigins_->header()->setSectionsMovable(false);
  lvOrigins_->viewport()->installEventFilter(this);
  place(lvOrigins_, kInnerLeft, 2970, kInnerWidth, 2400);
  {
    // "Date/Time" takes a fifth of the width, the ID and the data two fifths each.
    const int width = lvOrigins_->width() - 2 * lvOrigins_->frameWidth();
    lvOrigins_->header()->setStretchLastSection(true);
    lvOrigins_->header()->resizeSection(OriginModel::kDateTimeColumn, width / 5);
    lvOrigins_->header()->resizeSection(OriginModel::kMessageIdColumn, width * 2 / 5);
  }

  cmdShowTransaction_ = button(Frame1_, "cmdShowTransaction", "&Show Transaction ...");
  cmdTrace_ = button(Frame1_, "cmdTrace", "&Trace Message ...");
  place(cmdTrace_, kInnerLeft + kInnerWidth - 1695, 5445, 1695, kButtonHeight);
  place(cmdShowTransaction_, kInnerLeft + kInnerWidth - 1695 - 90 - 1935, 5445, 1935,
        kButtonHeight);
  cmdShowTransaction_->setEnabled(false);
  cmdTrace_->setEnabled(false);

  cmdQuit_ = button(this, "cmdQuit", "Quit");
  place(cmdQuit_, kFrameLeft + kFrameWidth - 1245, kFrameTop + kFrameHeight + 30, 1245,
        kButtonHeight);

  chkBacktrace_->raise();

  setTabOrder(icboConnector_, cboDate_);
  setTabOrder(cboDate_, txtSender_);
  setTabOrder(txtSender_, txtRecipient_);
  setTabOrder(txtRecipient_, cmdListOrigins_);
  setTabOrder(cmdListOrigins_, lvOrigins_);
  setTabOrder(lvOrigins_, cmdTrace_);
  setTabOrder(cmdTrace_, cmdQuit_);
  setTabOrder(cmdQuit_, chkBacktrace_);
  setTabOrder(chkBacktrace_, cmdShowTransaction_);
  icboConnector_->setFocus();

  connect(icboConnector_, &QComboBox::activated, this, [this] { icboConnector_Click(); });
  connect(chkBacktrace_, &QCheckBox::toggled, this, [this] { chkBacktrace_Click(); });
  connect(cmdListOrigins_, &QPushButton::clicked, this, [this] { cmdListOrigins_Click(); });
  connect(cmdTrace_, &QPushButton::clicked, this, [this] { cmdTrace_Click(); });
  connect(cmdShowTransaction_, &QPushButton::clicked, this, [this] { cmdShowTransaction_Click(); });
  connect(cmdQuit_, &QPushButton::clicked, this, [this] { close(); });
}

void frmMain::Form_Load() {
  for (const std::string& warning : StartUpCheck(server_.settings())) {
    ui_.ShowMessage(Message{kLoggingWarningTitle, warning, MessageIcon::kCritical});
  }
  icboConnector_->clear();
  icboConnector_->addItem(QStringLiteral("SMTP Connector"), QStringLiteral("SMTP"));
  icboConnector_->setCurrentIndex(0);
  icboConnector_Click();
}

bool frmMain::boolDoBacktrace() const {
  return chkBacktrace_->checkState() == Qt::Checked;
}

std::string frmMain::ConnectorCode() const {
  return icboConnector_->currentData().toString().toStdString();
}

void frmMain::icboConnector_Click() {
  ListAvailableDates(ConnectorCode());
}

void frmMain::ListAvailableDates(const std::string& connectorCode) {
  std::vector<std::string> dates;
  try {
    dates = rq::ListAvailableDates(server_, connectorCode);
  } catch (...) {
    dates.clear();  // an unreadable directory lists nothing
  }
  cboDate_->clear();
  for (const std::string& date : dates) cboDate_->addItem(MessageText(date));
  if (!dates.empty()) cboDate_->setCurrentIndex(0);
  cmdListOrigins_->setEnabled(!dates.empty());
}

void frmMain::chkBacktrace_Click() {
  lblMessageCriteria_->setText(boolDoBacktrace()
                                   ? QStringLiteral("Outbound Messages matching criteria:")
                                   : QStringLiteral("Inbound Messages matching criteria:"));
}

void frmMain::cmdListOrigins_Click() {
  ui_.SetBusy(true);
  const std::string dateText = ToBytes(cboDate_->currentText());
  const std::string sender = ToBytes(txtSender_->text());
  const std::string recipient = ToBytes(txtRecipient_->text());
  const std::string connector = ConnectorCode();
  const bool backtrace = boolDoBacktrace();
  SearchOutcome outcome;
  try {
    model_->Update([&](OriginList& list) {
      outcome = SearchOrigins(server_, dateText, connector, sender, recipient, backtrace, list);
    });
  } catch (...) {
    // A search that fails finds nothing, as when its log cannot be read.
    outcome = SearchOutcome{};
    outcome.message = ToolMessage("Could not find messages matching the criteria specified");
    outcome.enableTraceButtons = false;
  }
  ui_.SetBusy(false);
  if (outcome.message) ui_.ShowMessage(*outcome.message);
  if (outcome.focusSender) txtSender_->setFocus();
  if (outcome.enableTraceButtons) {
    cmdTrace_->setEnabled(*outcome.enableTraceButtons);
    cmdShowTransaction_->setEnabled(*outcome.enableTraceButtons);
  }
}

std::optional<std::string> frmMain::SelectedMessageId() const {
  const QModelIndexList rows = lvOrigins_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  const QByteArray key = rows.first().data(OriginModel::kKeyRole).toByteArray();
  return std::string(key.constData(), static_cast<std::size_t>(key.size()));
}

void frmMain::ShowOutcome(const std::optional<Message>& message, bool showReport) {
  if (message) {
    ui_.SetBusy(false);
    ui_.ShowMessage(*message);
  } else if (showReport) {
    report_.ShowTraceOutput();
  }
  ui_.SetBusy(false);
}

void frmMain::cmdTrace_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome = TraceMessage(server_, dateFormat_, ToBytes(cboDate_->currentText()),
                           SelectedMessageId(), boolDoBacktrace(), report_);
  } catch (...) {
    // A walk that fails traced nothing.
    outcome = CommandOutcome{};
    outcome.message = ToolMessage(
        "Unable to trace message. Message does not seem to have been routed through Ravenquill "
        "queues.");
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void frmMain::cmdShowTransaction_Click() {
  ui_.SetBusy(true);
  CommandOutcome outcome;
  try {
    outcome =
        ShowTransaction(server_, ToBytes(cboDate_->currentText()), SelectedMessageId(), report_);
  } catch (const std::exception& e) {
    outcome = CommandOutcome{};
    outcome.message = ToolMessage(
        std::string("Unable to locate message details in from selected origin. Error (0) ") +
        e.what());
  } catch (...) {
    outcome = CommandOutcome{};
    outcome.message =
        ToolMessage("Unable to locate message details in from selected origin. Error (0) ");
  }
  ShowOutcome(outcome.message, outcome.showReport);
}

void frmMain::lvOrigins_DblClick() {
  const std::optional<std::string> key = SelectedMessageId();
  // A row without a key names no message; no row at all lets the trace report the failure.
  if (key && key->empty()) return;
  cmdTrace_Click();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cboDate_->lineEdit() && event->type() == QEvent::KeyPress) {
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (!text.isEmpty() && DateBoxKeyFilter(static_cast<int>(text.at(0).unicode())) == 0) {
      return true;  // the character never reaches the box
    }
    return false;
  }
  if (watched == lvOrigins_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    lvOrigins_DblClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void frmMain::keyPressEvent(QKeyEvent* event) {
  // Only Quit and the close box end the program; Escape does not.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace rq
