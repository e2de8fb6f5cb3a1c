// The Windows desktop program: the main window, or the command-line trace with its question as
// a message box and its report in the result window.
#pragma once

#include <string>

#include "settings/server.h"

namespace rq::win32 {

// Makes the C streams usable in a program without a console of its own: when standard output
// and error were not handed over (a start from Explorer or a command prompt), they go to the
// console of the parent process, if it has one. Returns true when standard output was handed
// over as a file or a pipe, which asks for the console behaviour.
bool PrepareStandardStreams();

// An error before any window exists: on standard error when someone can read it, otherwise in a
// message box.
void ReportStartupError(const std::string& text);

// Opens the main window (empty command line) or runs the command-line trace with windows.
// Returns the exit status.
int RunDesktop(const Server& server, const std::string& commandLine);

}  // namespace rq::win32
