#include "log_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>

namespace rq::sample {
namespace {

template <int Base>
void AppendNumber(std::string& out, std::uint64_t value, int width) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, Base);
  const auto length = static_cast<int>(end - digits);
  if (width > length) out.append(static_cast<std::size_t>(width - length), '0');
  for (char* p = digits; p != end; ++p) {
    out.push_back(*p >= 'a' && *p <= 'f' ? static_cast<char>(*p - 'a' + 'A') : *p);
  }
}

}  // namespace

LogFile::~LogFile() {
  std::string ignored;
  Close(ignored);
}

bool LogFile::Open(const std::filesystem::path& path, std::string& error) {
  std::string closeError;
  Close(closeError);
  path_ = path;
#ifdef _WIN32
  file_ = _wfopen(path.c_str(), L"wb");  // wide names: the directory may hold any character
#else
  file_ = std::fopen(path.c_str(), "wb");
#endif
  if (file_ == nullptr) {
    error = "cannot create " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  buffer_.clear();
  buffer_.reserve(kFlushAt + (std::size_t{1} << 16));
  flushed_ = 0;
  failed_ = false;
  return true;
}

void LogFile::Flush() {
  if (file_ == nullptr || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  flushed_ += buffer_.size();
  buffer_.clear();
}

bool LogFile::Close(std::string& error) {
  if (file_ == nullptr) return true;
  Flush();
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_) {
    error = "cannot write " + path_.string() + " (disk full?)";
    return false;
  }
  return true;
}

LogFile& LogFile::operator<<(Dec n) {
  AppendNumber<10>(buffer_, n.value, n.width);
  return *this;
}

LogFile& LogFile::operator<<(Hex n) {
  AppendNumber<16>(buffer_, n.value, n.width);
  return *this;
}

}  // namespace rq::sample
