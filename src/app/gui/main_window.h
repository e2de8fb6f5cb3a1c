// The main window in Qt: the widgets of the main form's table, each event handed to MainForm
// through its table; only the date box's character filter is the window's own.
#pragma once

#include "app/forms/main_form.h"
#include "app/gui/result_windows.h"

namespace rq {

class MainWindow final : public QtFormWindow {
  Q_OBJECT

 public:
  // `ui` answers the message boxes and holds the busy pointer; the result and story windows are
  // shown through `showModal` (QDialog::exec when empty). `dateFormat` writes the day the walker
  // gets.
  MainWindow(const Server& server, const DateFormat& dateFormat, UserInterface& ui,
             ShowModalHook showModal = {}, QWidget* parent = nullptr);

  // Runs before the window is shown (the logging warnings come first).
  void Form_Load() { form_.Form_Load(); }

  WindowReport& report() { return report_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  WindowReport report_;
  MainForm form_;
};

}  // namespace rq
