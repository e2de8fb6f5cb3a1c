// What the program asks or tells the user: message boxes, a yes/no question, the busy pointer.
// The windows and the console are two implementations; the command logic sees only this.
#pragma once

#include <string>

#include "base/read_error.h"

namespace rq {

enum class MessageIcon { kInformation, kCritical, kExclamation };

struct Message {
  std::string title;
  std::string text;
  MessageIcon icon = MessageIcon::kInformation;

  friend bool operator==(const Message&, const Message&) = default;
};

inline constexpr const char* kToolTitle = "Ravenquill Message Tracking Utility";
inline constexpr const char* kWarningTitle = "Warning";

// What the user is told when a log could not be read whole: the file, and that nothing is shown,
// since what was read of it would make an incomplete answer look whole.
inline Message ReadErrorMessage(const ReadError& error) {
  return Message{
      kToolTitle,
      "A log could not be read to its end, so nothing is shown: " + std::string(error.what()),
      MessageIcon::kCritical};
}

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box with one OK button.
  virtual void ShowMessage(const Message& message) = 0;
  // A modal message box with Yes and No, Yes the default; true for Yes.
  virtual bool AskYesNo(const Message& question) = 0;
  // The application-wide busy pointer on or off.
  virtual void SetBusy(bool busy) = 0;
};

}  // namespace rq
