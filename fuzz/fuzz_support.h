// What every fuzz target shares: a check that aborts (so libFuzzer keeps the input), inputs cut
// into parts, scratch files on a memory file system, a tiny server, the unit tests' plain rules.
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

using namespace rq::test;  // the plain reading rules

#define RQ_FUZZ_CHECK(cond)                                                         \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (false)

// `count` parts each ended by a NUL (empty when missing), then the rest, NULs and all.
std::vector<std::string> CutInput(const std::uint8_t* data, std::size_t size, std::size_t count);

// A scratch directory on a memory file system, made once per process and removed at exit.
const std::string& ScratchDir();

// Replaces the file's contents; aborts when it cannot (the harness itself is broken then).
void WriteWholeFile(const std::string& path, std::string_view bytes);

// A server with every log below <scratch>/logs/<code> (folders made) and connectors below root.
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
