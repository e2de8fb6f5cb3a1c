#include "app/program_support.h"

#include <cstdlib>

#include "settings/reg_file_store.h"
#ifdef _WIN32
#include "settings/registry_store_win.h"
#endif

namespace rq {

std::unique_ptr<SettingsStore> OpenSettings(const std::string& settingsFile, std::string& error) {
  std::string path = settingsFile;
  if (path.empty()) {
    const char* env = std::getenv("RQTRACKER_SETTINGS");
    if (env != nullptr) path = env;
  }
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
  err_ << message.title << ": " << message.text << '\n';
  err_.flush();
}

bool ConsoleUserInterface::AskYesNo(const Message& question) {
  for (;;) {
    err_ << question.text << " [Y/n] ";
    err_.flush();
    std::string answer;
    if (!std::getline(in_, answer)) {
      err_ << '\n';
      return false;  // no one is there to answer: stop going back
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    for (char& c : answer) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    if (answer.empty() || answer == "y" || answer == "yes") return true;
    if (answer == "n" || answer == "no") return false;
  }
}

}  // namespace rq
