#include "app/win32/message_boxes.h"

namespace rq::win32 {

UINT MessageBoxIcon(MessageIcon icon) {
  if (icon == MessageIcon::kCritical) return MB_ICONHAND;
  return icon == MessageIcon::kExclamation ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
}

void MessageBoxUserInterface::ShowMessage(const Message& message) {
  // Every box appears with the normal pointer, whoever forgot to reset it.
  SetBusy(false);
  const UINT owned = owner_ != nullptr ? 0u : static_cast<UINT>(MB_TASKMODAL);
  MessageBoxA(owner_, message.text.c_str(), message.title.c_str(),
              MB_OK | MessageBoxIcon(message.icon) | MB_SETFOREGROUND | owned);
}

bool MessageBoxUserInterface::AskYesNo(const Message& question) {
  SetBusy(false);
  const UINT owned = owner_ != nullptr ? 0u : static_cast<UINT>(MB_TASKMODAL);
  return MessageBoxA(owner_, question.text.c_str(), question.title.c_str(),
                     MB_YESNO | MB_DEFBUTTON1 | MessageBoxIcon(question.icon) | MB_SETFOREGROUND |
                         owned) == IDYES;
}

void MessageBoxUserInterface::SetBusy(bool busy) {
  busy_ = busy;
  SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

}  // namespace rq::win32
