// The main window in Qt: the widgets of the main form's table, each event handed to MainForm.
#pragma once

#include <QDialog>

#include "app/forms/main_form.h"
#include "app/gui/qt_form_view.h"
#include "app/gui/trace_window.h"

namespace rq {

class MainWindow final : public QDialog {
  Q_OBJECT

 public:
  // `ui` answers the message boxes and holds the busy pointer; the result window is shown
  // through `showModal` (QDialog::exec when empty). `dateFormat` writes the day the walker gets.
  MainWindow(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
             WindowReport::ShowModal showModal = {}, QWidget* parent = nullptr);

  // Runs before the window is shown (the logging warnings come first).
  void Form_Load() { form_.Form_Load(); }

  // The report sink of this window's commands.
  WindowReport& report() { return report_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QtFormView view_;
  WindowReport report_;
  MainForm form_;
};

}  // namespace rq
