#include "e2e_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <tuple>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace rq::e2e {
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Only what needs quotes gets them: rqtracker reads its command line as one text, as written,
// so a quoted message ID would be taken with its quotes.
std::string Quote(const std::string& s) {
  if (!s.empty() && s.find_first_of(" \t\"") == std::string::npos) return s;
  return "\"" + s + "\"";
}

// Starts the program directly with the files as its standard handles, and waits for it. Not
// through cmd.exe: that leaves the blanks before its redirections at the end of the program's
// command line, which rqtracker would read as more (empty) fields.
int RunDirect(std::string commandLine, const fs::path& in, const fs::path& out,
              const fs::path& err) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const fs::path& file, DWORD access, DWORD disposition) {
    return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE handles[3] = {open(in, GENERIC_READ, OPEN_EXISTING),
                       open(out, GENERIC_WRITE, CREATE_ALWAYS),
                       open(err, GENERIC_WRITE, CREATE_ALWAYS)};
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  std::tie(si.hStdInput, si.hStdOutput, si.hStdError) =
      std::tie(handles[0], handles[1], handles[2]);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &si, &pi);
  for (HANDLE h : handles) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  const BOOL gotCode = GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return gotCode ? static_cast<int>(code) : -1;
}
#else
std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
#endif

void UseCLocale() {
#ifdef _WIN32
  _putenv_s("LC_ALL", "C");
  _putenv_s("RQTRACKER_SETTINGS", "");
#else
  setenv("LC_ALL", "C", 1);
  unsetenv("RQTRACKER_SETTINGS");
#endif
}

const TempDir& RunDir() {
  static const TempDir dir;
  return dir;
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input) {
  std::string arguments;
  for (const std::string& a : args) arguments += (arguments.empty() ? "" : " ") + Quote(a);
  return RunCommandLine(program, arguments, input);
}

RunResult RunCommandLine(const std::string& program, const std::string& arguments,
                         const std::string& input) {
  static int counter = 0;
  UseCLocale();
  const fs::path base = RunDir() / ("run" + std::to_string(++counter));
  const fs::path in = base.string() + ".in", out = base.string() + ".out",
                 err = base.string() + ".err";
  test::WriteFile(in.string(), input);
  std::string command = Quote(program) + (arguments.empty() ? "" : " " + arguments);
  RunResult r;
#ifdef _WIN32
  r.status = RunDirect(command, in, out, err);
#else
  command += " <" + Quote(in.string()) + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
  const int raw = std::system(command.c_str());
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

// clang-format off
std::string RqTrace() { return RQ_E2E_RQTRACE; }
std::string RqTracker() { return RQ_E2E_RQTRACKER; }
std::string RqSample() { return RQ_E2E_RQSAMPLE; }
// clang-format on

Day Day::Plus(int days) const {
  std::tm t{};
  std::tie(t.tm_year, t.tm_mon, t.tm_mday) = std::tuple(year - 1900, month - 1, day + days);
  t.tm_hour = 12;  // away from any daylight-saving edge
  std::mktime(&t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday};
}

Day Today() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#ifdef _WIN32
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday};
}

const Sample& Sample::Get() {
  static const Sample sample;
  return sample;
}

Sample::Sample() : dir_(temp_ / "server"), today_(Today()) {
  const RunResult r =
      RunProgram(RqSample(), {dir_.string(), "--today", today_.LogDate(), "--seed", "1"});
  if (r.status != 0) throw std::runtime_error("rqsample failed: " + r.err);
}

std::vector<std::string> OptionsFor(const fs::path& dir) {
  return {"--settings", (dir / "settings.reg").string(), "--map",
          "C:\\Program Files (x86)\\Raven Quill=" + dir.string()};
}

RunResult TraceOn(const fs::path& dir, std::vector<std::string> args) {
  std::vector<std::string> all = OptionsFor(dir);
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(RqTrace(), all);
}

fs::path Sample::Log(const std::string& head, const std::string& folder, const Day& d) const {
  return dir_ / folder / (head + "-" + d.LogDate() + ".log");
}

std::vector<std::string> Words(std::string_view text, char separator) {
  std::vector<std::string> words;
  for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
    end = std::min(text.find(separator, start), text.size());
    words.emplace_back(text.substr(start, end - start));
  }
  return words;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> LinesContaining(const fs::path& log, std::string_view needle) {
  return test::PlainContaining(ReadFile(log), needle);
}

}  // namespace rq::e2e
