// rqtrace, the scriptable console program, as one function of its arguments: main, the argument
// fuzzer and the end-to-end tests run the same body. Standard output carries only the result;
// messages go to standard error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rq {

// Runs rqtrace with the arguments after the program's name. Returns the exit status: 0 found,
// 1 nothing found, 2 bad usage or unreadable settings, 3 a log could not be read whole.
int RunRqtrace(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace rq
