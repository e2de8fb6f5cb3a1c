// A log file written the way the server writes it: CR LF line ends, appended through one large
// buffer so that multi-gigabyte logs are written at disk speed without allocating per line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace rq::sample {

// A number written in decimal, filled on the left with zeros to `width` digits.
struct Dec {
  std::uint64_t value;
  int width = 0;
};

// A number written in upper-case hexadecimal, filled to `width` digits.
struct Hex {
  std::uint64_t value;
  int width = 0;
};

class LogFile {
 public:
  LogFile() = default;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile();

  // Creates (or truncates) the file; false with `error` set when that fails.
  bool Open(const std::filesystem::path& path, std::string& error);
  // Writes what is buffered and closes; false with `error` set when any write failed.
  bool Close(std::string& error);

  bool is_open() const { return file_ != nullptr; }
  // Bytes written so far, the buffer included.
  std::uint64_t size() const { return flushed_ + buffer_.size(); }

  LogFile& operator<<(std::string_view text) {
    buffer_.append(text);
    return *this;
  }
  LogFile& operator<<(char c) {
    buffer_.push_back(c);
    return *this;
  }
  LogFile& operator<<(Dec n);
  LogFile& operator<<(Hex n);

  // Ends the line with CR LF, as Windows writes it.
  void EndLine() {
    buffer_.append("\r\n");
    if (buffer_.size() >= kFlushAt) Flush();
  }

 private:
  static constexpr std::size_t kFlushAt = std::size_t{4} << 20;

  void Flush();

  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  std::string buffer_;
  std::uint64_t flushed_ = 0;
  bool failed_ = false;
};

// Writes every piece in order, then ends the line.
template <class... Pieces>
void WriteLine(LogFile& file, const Pieces&... pieces) {
  ((file << pieces), ...);
  file.EndLine();
}

}  // namespace rq::sample
