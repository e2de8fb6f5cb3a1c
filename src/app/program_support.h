// What both programs need before any command runs: the settings store and the path mappings,
// plus the console's implementation of the user interface.
#pragma once

#include <cstdio>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/user_interface.h"
#include "base/dates.h"
#include "readers/parallel.h"
#include "settings/server.h"
#include "settings/settings_store.h"

namespace rq {

// Exit statuses shared by both programs.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNothingFound = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitReadError = 3;  // a log could not be read whole

// Opens the settings: the file given, else the one named by RQTRACKER_SETTINGS, else (on Windows)
// the registry itself. On failure returns nullptr and sets `error` to one line naming the file
// and line, or saying that no settings were named.
std::unique_ptr<SettingsStore> OpenSettings(const std::string& settingsFile, std::string& error);

// Parses every --map WINPATH=DIR; on a malformed one sets `error` and returns false.
bool ParseMappings(const std::vector<std::string>& texts, std::vector<PathMapping>& mappings,
                   std::string& error);

// One progress line on a terminal while a command reads: after the first second, the bytes read
// of the total, the rate and the day being read, rewritten in place about ten times a second and
// wiped when the object goes. Shows nothing unless `enabled` (the front end passes whether its
// standard error is a terminal), so scripts see no difference.
class ProgressLine {
 public:
  ProgressLine(const ReadMeter& meter, std::ostream& out, bool enabled);

  // The line's text: "read 1.2 GiB of 7.0 GiB, 850.0 MiB/s, day 261203".
  static std::string Text(long long read, long long total, double seconds, long long day);

 private:
  std::jthread thread_;  // asked to stop and joined as the object goes
};

// True when standard error is a terminal.
bool StandardErrorIsTerminal();

// The console's user interface: questions on standard error, answers from standard input.
class ConsoleUserInterface final : public UserInterface {
 public:
  ConsoleUserInterface(std::istream& in, std::ostream& err) : in_(in), err_(err) {}
  void ShowMessage(const Message& message) override;
  // Writes the text and " [Y/n] "; reads a line: empty, y or yes is Yes, n or no is No (any case),
  // anything else asks again; the end of input answers No.
  bool AskYesNo(const Message& question) override;
  void SetBusy(bool) override {}

 private:
  std::istream& in_;
  std::ostream& err_;
};

}  // namespace rq
