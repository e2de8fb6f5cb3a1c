#include "settings_export.h"

#include <cstdint>
#include <cstdio>

#include "base/codepage.h"

namespace rq::sample {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Raven Quill";

// A text as the registry editor writes it between quotes: '\' and '"' escaped.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

class Export {
 public:
  Export() {
    text_ = "Windows Registry Editor Version 5.00";
    text_ += kCrLf;
  }

  void Key(std::string_view subKey) {
    text_ += kCrLf;
    text_ += '[';
    text_ += kRoot;
    if (!subKey.empty()) {
      text_ += '\\';
      text_ += subKey;
    }
    text_ += ']';
    text_ += kCrLf;
  }

  void String(std::string_view name, std::string_view value) {
    text_ += Quoted(name) + "=" + Quoted(value);
    text_ += kCrLf;
  }

  void Dword(std::string_view name, std::uint32_t value) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value));
    text_ += Quoted(name) + "=dword:" + digits;
    text_ += kCrLf;
  }

  // An expandable string (REG_EXPAND_SZ): the editor writes its UTF-16 bytes, terminator
  // included, as hex(2), wrapping lines before 80 columns with a '\' and two blanks.
  void ExpandString(std::string_view name, std::string_view value) {
    std::string bytes = Utf8ToUtf16Le(value);
    bytes.append(2, '\0');
    std::string line = Quoted(name) + "=hex(2):";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
      const bool last = i + 1 == bytes.size();
      if (line.size() + 3 > 79) {
        text_ += line + "\\";
        text_ += kCrLf;
        line = "  ";
      }
      line += hex;
      if (!last) line += ',';
    }
    text_ += line;
    text_ += kCrLf;
  }

  std::string Finish() {
    text_ += kCrLf;
    return std::move(text_);
  }

 private:
  std::string text_;
};

std::string Dir(std::string_view rest) {
  std::string out(kInstallDir);
  out += '\\';
  out += rest;
  return out;
}

void LoggingSwitches(Export& e) {
  e.Dword("Activity Log Enabled", 1);
  e.Dword("Debug Enabled", 1);
}

}  // namespace

std::string SettingsExportText() {
  Export e;
  e.Key("");
  e.Key("Raven Quill");
  e.String("Install Directory", kInstallDir);
  e.String("Server Name", "MAIL01");
  e.String("Version", "7.2.1");
  // Every service whose key names no directory of its own logs below these, in a sub-directory
  // named by its connector code.
  e.String("Activity Log Directory", Dir("Logs\\Activity"));
  e.String("Debug Log File Directory", Dir("Logs\\Debug"));
  e.String("W3C Logging Directory", Dir("Logs\\W3C"));
  e.ExpandString("Spool Directory", "%ProgramFiles(x86)%\\Raven Quill\\Spool");
  e.Key("Raven Quill\\Agents");
  e.Key("Raven Quill\\Agents\\MTA");
  LoggingSwitches(e);
  e.Dword("Worker Threads", 4);
  e.Dword("Queue Scan Interval", 15);
  e.Key("Raven Quill\\Applications");
  e.Key("Raven Quill\\Applications\\RQTracker");
  e.Dword("Force Log Locations", 0);
  e.Key("Raven Quill\\Connectors");
  e.String("Connector Root Directory", Dir("Connectors"));
  e.Key("Raven Quill\\Connectors\\LS");
  LoggingSwitches(e);
  // The list server keeps its debug log with its list definitions.
  e.String("Debug Log File Directory", Dir("Connectors\\LS\\Logs"));
  e.Dword("Maximum Members", 5000);
  e.Key("Raven Quill\\Connectors\\POP");
  LoggingSwitches(e);
  e.Dword("Poll Interval", 300);
  e.Key("Raven Quill\\Connectors\\SF");
  LoggingSwitches(e);
  e.String("Postoffice Name", "HARBOUR");
  e.Key("Raven Quill\\Connectors\\SMTP");
  LoggingSwitches(e);
  e.String("Activity Log Directory", Dir("Logs\\Activity\\SMTP"));
  e.String("Debug Log File Directory", Dir("Logs\\Debug\\SMTP"));
  e.String("Local Domain", "harbourview.example");
  e.String("Smart Host", "");
  e.Dword("Port", 25);
  return e.Finish();
}

std::string SettingsExport() {
  std::string out("\xFF\xFE", 2);
  out += Utf8ToUtf16Le(SettingsExportText());
  return out;
}

}  // namespace rq::sample
