#include "app/gui/qt_user_interface.h"

#include <QApplication>
#include <QMessageBox>

#include "base/codepage.h"

namespace rq {
namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  if (icon == MessageIcon::kCritical) return QMessageBox::Critical;
  return icon == MessageIcon::kExclamation ? QMessageBox::Warning : QMessageBox::Information;
}

}  // namespace

QString MessageText(const std::string& text) {
  return QString::fromStdString(ToUtf8Display(text));
}

void QtUserInterface::ShowMessage(const Message& message) {
  QMessageBox box(IconOf(message.icon), MessageText(message.title), MessageText(message.text),
                  QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtUserInterface::AskYesNo(const Message& question) {
  QMessageBox box(IconOf(question.icon), MessageText(question.title), MessageText(question.text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtUserInterface::SetBusy(bool busy) {
  if (busy) {
    if (QApplication::overrideCursor() == nullptr) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    return;
  }
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

}  // namespace rq
