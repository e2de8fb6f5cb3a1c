// The windows' user interface: message boxes on QMessageBox and the application-wide busy
// pointer.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/user_interface.h"

namespace rq {

class QtUserInterface final : public UserInterface {
 public:
  explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}

  // The window the message boxes are modal over and centred on (none: the screen).
  void setParentWidget(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const Message& message) override;
  bool AskYesNo(const Message& question) override;
  // On sets the wait cursor once; off removes every override, so that no path can leave the
  // pointer busy however often it was set.
  void SetBusy(bool busy) override;

 private:
  QPointer<QWidget> parent_;
};

// Message text for display: message IDs and paths in it come from logs and settings as 8-bit
// text, unless they are UTF-8 already.
QString MessageText(const std::string& text);

}  // namespace rq
