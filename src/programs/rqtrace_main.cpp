// rqtrace: the console program; its body is RunRqtrace.
#include <iostream>
#include <string>
#include <vector>

#include "app/rqtrace.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on every other system: no LF turned into CR LF behind our back, neither in
  // the report nor in the messages.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  return rq::RunRqtrace(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
