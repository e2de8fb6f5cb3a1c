#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace rq::fuzz {
namespace {

std::string MakeScratchDir() {
  // /dev/shm keeps the thousands of rewrites per second off the disk.
  const bool shm = ::access("/dev/shm", W_OK) == 0;
  std::string templ =
      (shm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
      "/rqfuzz.XXXXXX";
  RQ_FUZZ_CHECK(::mkdtemp(templ.data()) != nullptr);
  return templ;
}

struct Scratch {
  std::string dir = MakeScratchDir();
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

std::string TinySettings(const std::string& dir) {
  return "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]\r\n"
         "\"Activity Log Directory\"=\"" +
         dir + "/logs\"\r\n\"Debug Log File Directory\"=\"" + dir +
         "/logs\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors]\r\n"
         "\"Connector Root Directory\"=\"" +
         dir + "/root\"\r\n";
}

}  // namespace

std::vector<std::string> CutInput(const std::uint8_t* data, std::size_t size, std::size_t count) {
  std::vector<std::string> parts;
  const char* p = reinterpret_cast<const char*>(data);
  const char* const end = p + size;
  for (std::size_t i = 0; i < count; ++i) {
    const char* q = p;
    while (q < end && *q != '\0') ++q;
    parts.emplace_back(p, q);
    p = q < end ? q + 1 : q;
  }
  parts.emplace_back(p, end);
  return parts;
}

const std::string& ScratchDir() {
  static const Scratch scratch;
  return scratch.dir;
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  RQ_FUZZ_CHECK(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

TinyServer::TinyServer()
    : settings(TinySettings(dir)),
      store(RegFileStore::FromBytes(settings, "fuzz.reg")),
      server(store) {
  std::error_code ec;
  for (const char* code : {"MTA", "SMTP", "smtp", "SF", "sf", "LS", "POP"}) {
    std::filesystem::create_directories(dir + "/logs/" + code, ec);
  }
  RQ_FUZZ_CHECK(std::filesystem::create_directories(dir + "/root/SMTP/Inbound", ec) && !ec);
}

std::string TinyServer::Log(std::string_view code, std::string_view prefix,
                            std::string_view kind) const {
  return dir + "/logs/" + std::string(code) + "/" + std::string(prefix) + "-" + std::string(kind) +
         "-" + LogDateOf(kDay) + ".log";
}

}  // namespace rq::fuzz
