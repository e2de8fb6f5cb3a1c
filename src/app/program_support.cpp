#include "app/program_support.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/text.h"
#include "settings/reg_file_store.h"
#ifdef _WIN32
#include "settings/registry_store_win.h"
#endif

namespace rq {

std::unique_ptr<SettingsStore> OpenSettings(const std::string& settingsFile, std::string& error) {
  const char* env = std::getenv("RQTRACKER_SETTINGS");
  const std::string path = settingsFile.empty() && env != nullptr ? env : settingsFile;
  if (path.empty()) {
#ifdef _WIN32
    return std::make_unique<WindowsRegistryStore>();
#else
    error =
        "no settings: give --settings FILE or set RQTRACKER_SETTINGS to a .reg file exported "
        "from the mail server";
    return nullptr;
#endif
  }
  try {
    return std::make_unique<RegFileStore>(RegFileStore::FromFile(path));
  } catch (const SettingsFileError& e) {
    error = e.what();
  } catch (const std::exception& e) {
    error = path + ": " + e.what();
  }
  return nullptr;
}

bool ParseMappings(const std::vector<std::string>& texts, std::vector<PathMapping>& mappings,
                   std::string& error) {
  for (const std::string& text : texts) {
    PathMapping m;
    if (!ParsePathMapping(text, m)) {
      error = "--map needs WINPATH=DIR, got '" + text + "'";
      return false;
    }
    mappings.push_back(std::move(m));
  }
  return true;
}

void ConsoleUserInterface::ShowMessage(const Message& message) {
  err_ << message.title << ": " << message.text << '\n' << std::flush;
}

bool ConsoleUserInterface::AskYesNo(const Message& question) {
  for (;;) {
    err_ << question.text << " [Y/n] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
      err_ << '\n';
      return false;  // no one is there to answer: stop going back
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    answer = AsciiUpper(answer);
    if (answer.empty() || answer == "Y" || answer == "YES") return true;
    if (answer == "N" || answer == "NO") return false;
  }
}

namespace {

std::string Amount(double bytes) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  std::size_t unit = 0;
  while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  (void)std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
  return text;
}

}  // namespace

std::string ProgressLine::Text(long long read, long long total, double seconds, long long day) {
  std::string text = "read " + Amount(static_cast<double>(read));
  if (total > 0) text += " of " + Amount(static_cast<double>(total));
  if (seconds > 0) text += ", " + Amount(static_cast<double>(read) / seconds) + "/s";
  if (day >= 0) {
    char date[32];
    (void)std::snprintf(date, sizeof date, ", day %06lld", day);
    text += date;
  }
  return text;
}

ProgressLine::ProgressLine(const ReadMeter& meter, std::ostream& out, bool enabled) {
  if (!enabled) return;
  thread_ = std::jthread([&meter, &out](const std::stop_token& stop) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::mutex mutex;
    std::condition_variable_any wake;
    std::size_t shown = 0;  // width of the line on the terminal
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait_for(lock, stop, std::chrono::milliseconds(100), [] { return false; });
      if (stop.stop_requested()) break;
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      if (seconds < 1.0) continue;
      std::string text = Text(meter.read(), meter.total(), seconds, meter.day());
      const std::size_t width = text.size();
      if (width < shown) text.append(shown - width, ' ');
      shown = width;
      out << '\r' << text << std::flush;
    }
    if (shown > 0) out << '\r' << std::string(shown, ' ') << '\r' << std::flush;
  });
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace rq
