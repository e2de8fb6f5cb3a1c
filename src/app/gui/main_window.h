// The main window: the search criteria (connector, log date, sender, recipient, direction),
// the list of origins a search found, and the commands that trace an origin or show its SMTP
// transaction. The window only reads its controls and hands them to the core's commands.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "app/gui/trace_window.h"
#include "app/user_interface.h"
#include "base/dates.h"
#include "settings/server.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace rq {

class OriginModel;

// The client area of the main window, in twips; the window cannot be resized.
inline constexpr int kMainClientWidth = 9870;
inline constexpr int kMainClientHeight = 6390;

class frmMain final : public QDialog {
  Q_OBJECT

 public:
  // `ui` answers the message boxes and holds the busy pointer; the result window is shown
  // through `showModal` (QDialog::exec when empty). `dateFormat` writes the day the walker gets.
  frmMain(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
          WindowReport::ShowModal showModal = {}, QWidget* parent = nullptr);
  ~frmMain() override;

  // Runs before the window is shown: the logging check (each warning its own message box), then
  // the connector box with its one entry, then the date box for that connector.
  void Form_Load();

  // Whether the backtrace box is ticked (a third, partial state counts as not ticked).
  bool boolDoBacktrace() const;

  // The report sink of this window's commands.
  WindowReport& report() { return report_; }
  const OriginModel& origins() const { return *model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void icboConnector_Click();
  void chkBacktrace_Click();
  void cmdListOrigins_Click();
  void cmdTrace_Click();
  void cmdShowTransaction_Click();
  void lvOrigins_DblClick();
  void ListAvailableDates(const std::string& connectorCode);
  std::optional<std::string> SelectedMessageId() const;
  std::string ConnectorCode() const;
  void ShowOutcome(const std::optional<Message>& message, bool showReport);

  const Server& server_;
  DateFormat dateFormat_;
  UserInterface& ui_;
  WindowReport report_;
  OriginModel* model_;

  QGroupBox* Frame1_ = nullptr;
  QComboBox* icboConnector_ = nullptr;
  QComboBox* cboDate_ = nullptr;
  QLineEdit* txtSender_ = nullptr;
  QLineEdit* txtRecipient_ = nullptr;
  QCheckBox* chkBacktrace_ = nullptr;
  QPushButton* cmdListOrigins_ = nullptr;
  QLabel* lblMessageCriteria_ = nullptr;
  QTreeView* lvOrigins_ = nullptr;
  QPushButton* cmdShowTransaction_ = nullptr;
  QPushButton* cmdTrace_ = nullptr;
  QPushButton* cmdQuit_ = nullptr;
};

}  // namespace rq
