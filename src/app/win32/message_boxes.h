// The user interface of the Windows windows: message boxes through MessageBox, the wait cursor as
// the busy pointer. Texts are 8-bit text in the system's ANSI code page, as the logs are.
#pragma once

#include "app/user_interface.h"
#include "app/win32/handles.h"

namespace rq::win32 {

// Tests derive from it to answer the boxes themselves; the busy pointer stays the real one.
class MessageBoxUserInterface : public UserInterface {
 public:
  // Boxes are owned by `owner` (may be null: they stand on their own).
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }

  void ShowMessage(const Message& message) override;
  bool AskYesNo(const Message& question) override;
  void SetBusy(bool busy) override;

  // Whether the busy pointer is on; windows keep the wait cursor up while it is (WM_SETCURSOR).
  bool busy() const { return busy_; }

 private:
  HWND owner_ = nullptr;
  bool busy_ = false;
};

// The MessageBox style for an icon.
UINT MessageBoxIcon(MessageIcon icon);

}  // namespace rq::win32
