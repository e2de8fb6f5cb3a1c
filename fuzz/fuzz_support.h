// What every fuzz target shares: a failing check that aborts with a message (so libFuzzer
// records the input), inputs cut into parts, scratch files on a memory file system and a tiny
// server over them. The plain reading rules the targets compare the real readers against are the
// unit tests' own (test_support.h), written without the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/dates.h"
#include "settings/reg_file_store.h"
#include "settings/server.h"
#include "test_support.h"

namespace rq::fuzz {

using test::PlainContaining;
using test::PlainContains;
using test::PlainFolded;
using test::PlainLines;

#define RQ_FUZZ_CHECK(cond)                                                         \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (false)

// Cuts an input into parts at NUL bytes: the first `count` parts end at a NUL, the last part is
// whatever follows (and may hold NULs itself). Missing parts are empty.
std::vector<std::string> CutInput(const std::uint8_t* data, std::size_t size, std::size_t count);

// A scratch directory on a memory file system, made once per process and removed at exit.
const std::string& ScratchDir();

// Replaces the file's contents; aborts when it cannot (the harness itself is broken then).
void WriteWholeFile(const std::string& path, std::string_view bytes);

// A server whose settings file keeps every log below <scratch>/logs/<code> and its connectors
// below <scratch>/root; the log folders of the usual codes exist.
struct TinyServer {
  static constexpr Date kDay{2024, 1, 5};
  TinyServer();
  // Where a reader should find its log of kDay: worked out here, not by the code under test.
  std::string Log(std::string_view code, std::string_view prefix, std::string_view kind) const;

  std::string dir = ScratchDir();
  std::string settings;
  RegFileStore store;
  Server server;
};

}  // namespace rq::fuzz
