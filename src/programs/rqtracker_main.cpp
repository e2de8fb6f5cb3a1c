// rqtracker: the program as the administrator starts it. An empty command line opens the main
// window; a command line whose second blank-separated field is a message ID runs the
// command-line trace, with windows when a display is there and on the console otherwise.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/program_support.h"
#include "base/version.h"

#ifdef RQ_HAVE_GUI
#include "app/gui/desktop.h"
#endif
#ifdef RQ_HAVE_WIN32_GUI
#include "app/win32/desktop.h"
#endif

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "app/windows_command_line.h"
#endif

namespace {

using namespace rq;

constexpr const char* kUsage =
    "Usage: rqtracker [OPTION]... [COMMAND LINE]\n"
    "Traces messages through the queues of a Ravenquill mail server.\n"
    "\n"
    "With no command line, opens the main window. Otherwise the command line's second\n"
    "blank-separated field is a message ID, and the program lists the per-domain copies\n"
    "into which the SMTP connector split it, starting with today's logs.\n"
    "\n"
    "  --settings FILE     the server's settings, a .reg file exported from its registry\n"
    "                      (default: $RQTRACKER_SETTINGS)\n"
    "  --map WINPATH=DIR   read directories under WINPATH from DIR (repeatable)\n"
    "  --console           no windows: ask on the terminal, print the report\n"
    "  --help, --version\n"
    "\n"
    "Example: rqtracker --console --settings server.reg trace 4F2A0001\n";

struct Options {
  std::string settings;
  std::vector<std::string> maps;
  bool console = false;
  std::string commandLine;
  int firstCommandArg = 1;  // argv index where the command line starts
};

// Takes the leading options out; parsing stops at the first other argument or after "--".
// Returns -1 to go on, otherwise an exit status.
int ParseOptions(int argc, char** argv, Options& o) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const std::string& name, std::string& out) -> bool {
      if (arg == name) {
        if (i + 1 >= argc) return false;
        out = argv[++i];
        return true;
      }
      out = arg.substr(name.size() + 1);
      return true;
    };
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--help") {
      std::cout << kUsage << '\n' << kLicenceLine << '\n';
      return kExitOk;
    }
    if (arg == "--version") {
      std::cout << VersionText("rqtracker") << '\n';
      return kExitOk;
    }
    if (arg == "--console") {
      o.console = true;
    } else if (arg == "--settings" || arg.rfind("--settings=", 0) == 0) {
      if (!value("--settings", o.settings)) {
        std::cerr << "rqtracker: --settings needs a file\n" << kUsage;
        return kExitUsage;
      }
    } else if (arg == "--map" || arg.rfind("--map=", 0) == 0) {
      std::string m;
      if (!value("--map", m)) {
        std::cerr << "rqtracker: --map needs WINPATH=DIR\n" << kUsage;
        return kExitUsage;
      }
      o.maps.push_back(m);
    } else {
      break;
    }
  }
  o.firstCommandArg = i;
  for (int first = i; i < argc; ++i) {
    if (i > first) o.commandLine += ' ';
    o.commandLine += argv[i];
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef RQ_HAVE_WIN32_GUI
  // A GUI program has no console of its own; output handed over as a file or a pipe asks for
  // the console behaviour, as --console does.
  const bool redirected = win32::PrepareStandardStreams();
  const auto Fail = [](const std::string& text) { win32::ReportStartupError(text); };
#else
  const auto Fail = [](const std::string& text) { std::cerr << "rqtracker: " << text << '\n'; };
#endif
#ifdef _WIN32
  // The same bytes as on every other system: no LF turned into CR LF behind our back, neither in
  // the report nor in the messages.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  Options o;
  if (const int status = ParseOptions(argc, argv, o); status >= 0) return status;
#ifdef _WIN32
  // Windows passes the command line as one text: the trace's fields are cut from it as written
  // (two blanks give an empty field), not from the arguments split out of it.
  o.commandLine = std::string(
      TextAfterArguments(TextAfterProgramName(GetCommandLineA()), o.firstCommandArg - 1));
#endif

  if (o.commandLine.empty() && o.console) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  const std::vector<std::string_view> fields = SplitCommandLine(o.commandLine);
  if (!o.commandLine.empty() && fields.size() < 2) return kExitOk;  // nothing to trace

  std::string error;
  std::vector<PathMapping> mappings;
  if (!ParseMappings(o.maps, mappings, error)) {
    Fail(error);
    return kExitUsage;
  }
  const std::unique_ptr<SettingsStore> settings = OpenSettings(o.settings, error);
  if (!settings) {
    Fail(error);
    return kExitUsage;
  }
  const Server server(*settings, std::move(mappings));

#ifdef RQ_HAVE_GUI
  if (!o.console && DesktopAvailable()) {
    return RunDesktop(argc, argv, server, o.commandLine);
  }
#endif
#ifdef RQ_HAVE_WIN32_GUI
  if (!o.console && (o.commandLine.empty() || !redirected)) {
    return win32::RunDesktop(server, o.commandLine);
  }
#endif
  if (o.commandLine.empty()) {
    std::cerr << "rqtracker: the main window is not part of this build, or no display can be "
                 "opened; use --console with a command line, or rqtrace\n";
    return kExitUsage;
  }

  const DateFormat format = DateFormat::FromUserLocale();
  ConsoleUserInterface ui(std::cin, std::cerr);
  StringReport report;
  if (RunCommandLineTrace(server, format, fields[1], TodayLocal(), ui, report)) {
    std::cout.write(report.text().data(), static_cast<std::streamsize>(report.text().size()));
    std::cout.flush();
  }
  return kExitOk;
}
