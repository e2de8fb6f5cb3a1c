// A file opened only for reading, and only when it is an ordinary file.
//
// Logs are read while the server writes them: the file is shared for writing and deleting, and a
// FIFO, a device or a directory of a log's name is never opened (a FIFO would block the reader).
#pragma once

#include <cstddef>
#include <string>

namespace rq {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Opens `path` for reading; false when it is missing, unreadable or not an ordinary file.
  bool Open(const std::string& path);
  bool is_open() const;
  void Close();

  // Reads up to `size` bytes; the count read, 0 at the end of the file, -1 on a read error. An
  // interrupted read is tried again.
  long long Read(char* data, std::size_t size);

  // Reads up to `size` bytes from `offset` bytes after the start, leaving the read position
  // alone; the count read, 0 at or past the end, -1 on a read error. Several threads may read
  // one file at once this way.
  long long ReadAt(long long offset, char* data, std::size_t size) const;

  // The file's size now in bytes, -1 when it cannot be told.
  long long Size() const;

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// True when `path` names an ordinary file (following symbolic links); never opens it.
bool IsOrdinaryFile(const std::string& path);

// The system's words for why the last failed call on this thread failed (errno, or the last
// error on Windows), for a message right after a Read or ReadAt that returned -1.
std::string LastSystemErrorText();

}  // namespace rq
