#include "app/gui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace rq {

using enum ControlId;

MainWindow::MainWindow(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
                       WindowReport::ShowModal showModal, QWidget* parent)
    : QDialog(parent),
      view_(MainFormSpec(), *this),
      report_(ui, this, std::move(showModal)),
      form_(server, dateFormat, view_, ui, report_) {
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // Keys typed into the date box reach the combo box, which hands them to its line edit itself,
  // past any filter on the line edit: the filter sits on both.
  auto* date = view_.control<QComboBox>(cboDate);
  date->installEventFilter(this);
  date->lineEdit()->installEventFilter(this);
  view_.control<QTreeView>(lvOrigins)->viewport()->installEventFilter(this);

  connect(view_.control<QComboBox>(icboConnector), &QComboBox::activated, this,
          [this] { form_.icboConnector_Click(); });
  connect(view_.control<QCheckBox>(chkBacktrace), &QCheckBox::stateChanged, this,
          [this] { form_.chkBacktrace_Click(); });
  const auto onClick = [this](ControlId id, void (MainForm::*handler)()) {
    connect(view_.control<QPushButton>(id), &QPushButton::clicked, this,
            [this, handler] { (form_.*handler)(); });
  };
  onClick(cmdListOrigins, &MainForm::cmdListOrigins_Click);
  onClick(cmdTrace, &MainForm::cmdTrace_Click);
  onClick(cmdShowTransaction, &MainForm::cmdShowTransaction_Click);
  onClick(cmdQuit, &MainForm::cmdQuit_Click);
  view_.SetFocus(icboConnector);
}

void MainWindow::showEvent(QShowEvent* event) {
  // The focus is on the connector box from the start; draw it as after a key press, or the
  // user cannot see where typing goes until the first key.
  setAttribute(Qt::WA_KeyboardFocusChange);
  QDialog::showEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* date = view_.control<QComboBox>(cboDate);
  if ((watched == date || watched == date->lineEdit()) && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys that type no character (arrows, Delete, Home, Tab to the next box) work as usual.
    if (text.isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab ||
        key->key() == Qt::Key_Backtab) {
      return false;
    }
    return DateBoxKeyFilter(static_cast<int>(text.at(0).unicode())) == 0;
  }
  if (watched == view_.control<QTreeView>(lvOrigins)->viewport() &&
      event->type() == QEvent::MouseButtonDblClick) {
    form_.lvOrigins_DblClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Only Quit and the close box end the program; Escape does not.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace rq
