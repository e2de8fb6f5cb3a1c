#include "base/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

#include <climits>
#include <system_error>

namespace rq {

#ifdef _WIN32

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(h);
    return false;
  }
  handle_ = h;
  return true;
}

bool ReadOnlyFile::is_open() const {
  return handle_ != nullptr;
}

void ReadOnlyFile::Close() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

long long ReadOnlyFile::Read(char* data, std::size_t size) {
  if (handle_ == nullptr) return -1;
  DWORD got = 0;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!ReadFile(static_cast<HANDLE>(handle_), data, want, &got, nullptr)) return -1;
  return static_cast<long long>(got);
}

long long ReadOnlyFile::ReadAt(long long offset, char* data, std::size_t size) const {
  if (handle_ == nullptr || offset < 0) return -1;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
  DWORD got = 0;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!ReadFile(static_cast<HANDLE>(handle_), data, want, &got, &at)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return static_cast<long long>(got);
}

long long ReadOnlyFile::Size() const {
  LARGE_INTEGER size;
  if (handle_ == nullptr || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
  return static_cast<long long>(size.QuadPart);
}

bool IsOrdinaryFile(const std::string& path) {
  const DWORD attrs = GetFileAttributesA(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return false;
  return (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                   FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::string LastSystemErrorText() {
  return std::system_category().message(static_cast<int>(GetLastError()));
}

#else

ReadOnlyFile::~ReadOnlyFile() {
  Close();
}

bool ReadOnlyFile::Open(const std::string& path) {
  Close();
  // O_NONBLOCK so that opening a FIFO cannot hang; it is refused just below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  fd_ = fd;
  return true;
}

bool ReadOnlyFile::is_open() const {
  return fd_ >= 0;
}

void ReadOnlyFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

long long ReadOnlyFile::Read(char* data, std::size_t size) {
  if (fd_ < 0) return -1;
  if (size > static_cast<std::size_t>(INT_MAX)) size = INT_MAX;
  for (;;) {
    const ssize_t got = ::read(fd_, data, size);
    if (got >= 0) return static_cast<long long>(got);
    if (errno != EINTR) return -1;
  }
}

long long ReadOnlyFile::ReadAt(long long offset, char* data, std::size_t size) const {
  if (fd_ < 0 || offset < 0) return -1;
  if (size > static_cast<std::size_t>(INT_MAX)) size = INT_MAX;
  for (;;) {
    const ssize_t got = ::pread(fd_, data, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<long long>(got);
    if (errno != EINTR) return -1;
  }
}

long long ReadOnlyFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool IsOrdinaryFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string LastSystemErrorText() {
  return std::generic_category().message(errno);
}

#endif

}  // namespace rq
