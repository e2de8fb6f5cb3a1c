// What every fuzz target shares: a failing check that aborts with a message (so libFuzzer
// records the input), the plain per-line reading rule the targets compare the real readers
// against, and scratch files on a memory file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace rq::fuzz {

#define RQ_FUZZ_CHECK(cond)                                                         \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (false)

// Cuts an input into parts at NUL bytes: the first `count` parts end at a NUL, the last part is
// whatever follows (and may hold NULs itself). Missing parts are empty.
inline std::vector<std::string> CutInput(const std::uint8_t* data, std::size_t size,
                                         std::size_t count) {
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

// The lines of a log, written the slow and obvious way: a line ends at CR or CR LF, a lone LF is
// an ordinary byte, and what follows the last break is a line when it is not empty.
inline std::vector<std::string> PlainLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      lines.push_back(current);
      current.clear();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

// The substring rule, written out: an empty needle is in every non-empty line and in no empty one.
inline bool PlainContains(const std::string& line, const std::string& needle) {
  if (needle.empty()) return !line.empty();
  return line.find(needle) != std::string::npos;
}

// A scratch directory on a memory file system, made once per process and removed at exit.
const std::string& ScratchDir();

// Replaces the file's contents; aborts when it cannot (the harness itself is broken then).
void WriteWholeFile(const std::string& path, std::string_view bytes);

// mkdir -p for a directory below the scratch directory.
void MakeDirs(const std::string& path);

// A settings file whose server keeps every log below `dir`/logs/<code> and its connectors below
// `dir`/root.
std::string TinySettings(const std::string& dir);

}  // namespace rq::fuzz
