// Where the line source gets its bytes: a log file, or bytes in memory (tests, fuzz targets).
//
// Reads are positioned: each names its offset, so several readers (one per segment of a large
// log, each on its own thread) can share one open file without a shared read position.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/file.h"

namespace rq {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes from `offset`: the count read, or 0 at or past the end (a log cut
  // shorter while it is read just ends sooner). Bytes that are there but cannot be read are a
  // ReadError, thrown here or reported as -1 for the line source to throw: never an end. Safe
  // to call from several threads at once.
  virtual long long ReadAt(long long offset, char* data, std::size_t size) const = 0;
  // The number of bytes now, -1 when it cannot be told. A log may grow or shrink while it is
  // read; readers read to the real end whatever this said.
  virtual long long Size() const = 0;
  // What a message about a failed read names: the file's path.
  virtual std::string Name() const = 0;
};

// A log file, opened only for reading and only when it is an ordinary file. A failed read
// throws a ReadError with the system's reason.
class FileBytes final : public ByteSource {
 public:
  explicit FileBytes(const std::string& path) : path_(path) { file_.Open(path); }
  bool is_open() const { return file_.is_open(); }
  long long ReadAt(long long offset, char* data, std::size_t size) const override;
  long long Size() const override { return file_.Size(); }
  std::string Name() const override { return path_; }

 private:
  std::string path_;
  ReadOnlyFile file_;
};

// Bytes in memory; the view must outlive the source.
class MemoryBytes final : public ByteSource {
 public:
  explicit MemoryBytes(std::string_view bytes) : bytes_(bytes) {}
  long long ReadAt(long long offset, char* data, std::size_t size) const override;
  long long Size() const override { return static_cast<long long>(bytes_.size()); }
  std::string Name() const override { return "bytes in memory"; }

 private:
  std::string_view bytes_;
};

}  // namespace rq
