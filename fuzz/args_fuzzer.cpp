// Both programs' option parsing and dispatch on argument vectors cut at NUL bytes: rqtrace's
// body, rqtracker's main() compiled in under another name; the settings are a tiny server, no
// input (questions get No).
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "fuzz_support.h"

#ifdef RQ_FUZZ_RQTRACE
#include <sstream>

#include "app/rqtrace.h"
#else
int RQ_FUZZ_MAIN(int argc, char** argv);
#endif

namespace {

void Setup() {
  static const rq::fuzz::TinyServer tiny;
  const std::string settings = tiny.dir + "/server.reg";
  rq::fuzz::WriteWholeFile(settings, tiny.settings);
  rq::fuzz::WriteWholeFile(tiny.Log("SMTP", "SMTP", "Debug"),
                           "12:00:01 RQ-I0018: [P1] requeued as [C1] target domain [a.example]\r\n"
                           "12:00:02 delivering [C1]\r\n");
  rq::fuzz::WriteWholeFile(tiny.Log("SMTP", "SMTP", "Activity"),
                           "12:00:00\tSMTP-IN\tP1\t1\t10.0.0.1\tMAIL\tFROM:<a@b.example>\r\n");
  rq::fuzz::WriteWholeFile(
      tiny.Log("MTA", "MTA", "Debug"),
      "240105 12:00:01\tx [P1] a [SMTP] b c d [SMTP] e f [Q1] RQ-MTA-ROUTE\r\n");
  ::setenv("RQTRACKER_SETTINGS", settings.c_str(), 1);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  const int devnull = ::open("/dev/null", O_RDONLY);
  if (devnull >= 0) {
    ::dup2(devnull, 0);
    ::close(devnull);
  }
  // Without a buffer a stream drops what is written to it.
  std::cout.rdbuf(nullptr);
  std::cerr.rdbuf(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  std::vector<std::string> args = {"prog"};
  const std::vector<std::string> parts = rq::fuzz::CutInput(data, size, 15);
  for (const std::string& p : parts) {
    if (!p.empty()) args.push_back(p);
  }
  // Searching back through earlier days is as long as the user asks for; not a parsing question.
  for (const std::string& a : args) {
    if (a.find("days") != std::string::npos) return 0;
  }
#ifdef RQ_FUZZ_RQTRACE
  std::ostringstream out;
  std::ostringstream err;
  const int status = rq::RunRqtrace({args.begin() + 1, args.end()}, out, err);
#else
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::cin.clear();
  const int status = RQ_FUZZ_MAIN(static_cast<int>(args.size()), argv.data());
#endif
  RQ_FUZZ_CHECK(status >= 0 && status <= 3);
  return 0;
}
