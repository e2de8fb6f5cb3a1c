#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace rq {

void PrintTo(const RouteEntry& e, std::ostream* os) {
  *os << "{MessageID \"" << e.MessageID << "\", ConnectorCode \"" << e.ConnectorCode
      << "\", Domain \"" << e.Domain << "\", LogTime \"" << e.LogTime << "\"}";
}

void PrintTo(const Date& d, std::ostream* os) {
  *os << d.year << '-' << d.month << '-' << d.day;
}

}  // namespace rq

namespace rq::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = fs::temp_directory_path() / ("rq-unit-" + std::to_string(random()) +
                                                            "-" + std::to_string(attempt));
    std::error_code ec;
    if (fs::create_directory(candidate, ec) && !ec) {
      path_ = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string RegText(const std::vector<std::string>& lines) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Utf16LeWithBom(std::string_view ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

SampleServer::SampleServer(const std::vector<std::string>& extraRegLines) {
  std::vector<std::string> lines = {
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]",
      "\"Activity Log Directory\"=\"C:\\\\RQ\\\\Logs\\\\Activity\"",
      "\"Debug Log File Directory\"=\"C:\\\\RQ\\\\Logs\\\\Debug\"",
      "\"W3C Logging Directory\"=\"C:\\\\RQ\\\\Logs\\\\W3C\"",
      "",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors]",
      "\"Connector Root Directory\"=\"C:\\\\RQ\\\\Connectors\"",
  };
  lines.insert(lines.end(), extraRegLines.begin(), extraRegLines.end());
  regLines_ = lines;
  store_ = std::make_unique<RegFileStore>(RegFileStore::FromBytes(RegText(lines), "sample.reg"));
  server_ = std::make_unique<Server>(
      *store_, std::vector<PathMapping>{{std::string(kWinRoot), dir_.path()}}, '/');
  fs::create_directories(InboundDir());
}

std::string SampleServer::LogPath(std::string_view code, std::string_view kind,
                                  const Date& day) const {
  const std::string prefix = code == "SF" ? "POC" : std::string(code);
  return dir_.path() + "/Logs/" + std::string(kind) + "/" + std::string(code) + "/" + prefix + "-" +
         std::string(kind) + "-" + LogDateOf(day) + ".log";
}

std::vector<std::string> SampleServer::ProgramOptions() const {
  const std::string file = dir_.path() + "/settings.reg";
  std::ofstream(file, std::ios::binary) << RegText(regLines_);
  return {"--settings", file, "--map", std::string(kWinRoot) + "=" + dir_.path()};
}

void SampleServer::WriteLog(std::string_view code, std::string_view kind, const Date& day,
                            std::string_view bytes) const {
  WriteFile(LogPath(code, kind, day), bytes);
}

std::string SampleServer::InboundDir() const {
  return dir_.path() + "/Connectors/SMTP/Inbound";
}

void SampleServer::WriteInboundFile(std::string_view name) const {
  WriteFile(InboundDir() + "/" + std::string(name), "queued message\r\n");
}

}  // namespace rq::test
