// Microbenchmarks of the line source and the matchers on synthetic activity-log text.
//
//   build-bench/bench/rq_microbench [--benchmark_filter=REGEX]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "readers/line_source.h"
#include "readers/literal_search.h"
#include "readers/multi_literal.h"

namespace rq {
namespace {

std::string HexId(std::mt19937_64& rng, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string id;
  for (int i = 0; i < digits; ++i) id += kHex[rng() % 16];
  return id;
}

// About `size` bytes of lines shaped like the SMTP activity log, with the IDs of the first
// `planted` copies (9D10000000 + n) on a few lines near the end.
std::string ActivityText(std::size_t size, unsigned planted) {
  std::mt19937_64 rng(42);
  static const char* const kVerbs[] = {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"};
  std::string text;
  text.reserve(size + 256);
  char line[256];
  while (text.size() < size) {
    const std::string id = HexId(rng, 12);
    for (const char* verb : kVerbs) {
      std::snprintf(
          line, sizeof line,
          "%02u:%02u:%02u\tSMTP-IN\t%s\t%u\t203.0.113.%u\t%s\tFROM:<user%u@host%u.example> "
          "SIZE=%u\t250\r\n",
          unsigned(rng() % 24), unsigned(rng() % 60), unsigned(rng() % 60), id.c_str(),
          unsigned(rng() % 10000), unsigned(rng() % 255), verb, unsigned(rng() % 5000),
          unsigned(rng() % 300), unsigned(rng() % 90000));
      text += line;
    }
  }
  for (unsigned n = 0; n < planted; ++n) {
    std::snprintf(line, sizeof line,
                  "23:32:41\tSMTP-OU\t%010llX\t3841\t203.0.115.6\tRCPT\tTO:<rcpt@d>\r\n",
                  0x9D10000000ull + n);
    text += line;
  }
  return text;
}

const std::string& Text() {
  static const std::string text = ActivityText(8 << 20, 1000);
  return text;
}

void FindAbsent(benchmark::State& state, int level) {
  if (internal::SimdLevel() < level) {
    state.SkipWithError("not supported by this processor");
    return;
  }
  const std::string& t = Text();
  const std::string_view needle = "9D1000FFFF";
  for (auto _ : state) {
    const char* b = t.data();
    const char* e = b + t.size();
    const char* hit = level == 2   ? internal::FindLiteralAvx2(b, e, needle, 0, 9)
                      : level == 1 ? internal::FindLiteralSse2(b, e, needle, 0, 9)
                                   : internal::FindLiteralPortable(b, e, needle, 0, 9);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
void BM_FindLiteralPortable(benchmark::State& s) {
  FindAbsent(s, 0);
}
void BM_FindLiteralSse2(benchmark::State& s) {
  FindAbsent(s, 1);
}
void BM_FindLiteralAvx2(benchmark::State& s) {
  FindAbsent(s, 2);
}
BENCHMARK(BM_FindLiteralPortable);
BENCHMARK(BM_FindLiteralSse2);
BENCHMARK(BM_FindLiteralAvx2);

void BM_LiteralSearcherRareBytes(benchmark::State& state) {
  const std::string& t = Text();
  const LiteralSearcher searcher("9D1000FFFF");
  for (auto _ : state) benchmark::DoNotOptimize(searcher.Find(t.data(), t.data() + t.size()));
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
BENCHMARK(BM_LiteralSearcherRareBytes);

void BM_FoldedSearch(benchmark::State& state) {
  const std::string& t = Text();
  const FoldedLiteralSearcher searcher("BENCH.Sender");
  for (auto _ : state) benchmark::DoNotOptimize(searcher.Find(t.data(), t.data() + t.size()));
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
BENCHMARK(BM_FoldedSearch);

void BM_EveryLine(benchmark::State& state) {
  const std::string& t = Text();
  for (auto _ : state) {
    std::size_t n = 0;
    ForEachLineInBlock(t, [&](std::string_view line) {
      n += line.size();
      return true;
    });
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
BENCHMARK(BM_EveryLine);

void BM_LinesContainingOneId(benchmark::State& state) {
  const std::string& t = Text();
  LiteralMatcher matcher("9D10000005");
  for (auto _ : state) {
    std::size_t n = 0;
    ForEachMatchingLineInBlock(t, matcher, [&](std::string_view) {
      ++n;
      return true;
    });
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
BENCHMARK(BM_LinesContainingOneId);

void BM_LinesContainingManyIds(benchmark::State& state) {
  const std::string& t = Text();
  std::vector<std::string> ids;
  for (long long n = 0; n < state.range(0); ++n) {
    char id[24];
    std::snprintf(id, sizeof id, "%010llX", 0x9D10000000ull + static_cast<unsigned long long>(n));
    ids.push_back(id);
  }
  const std::vector<std::string_view> views(ids.begin(), ids.end());
  MultiLiteralMatcher matcher(views);
  for (auto _ : state) {
    std::size_t n = 0;
    matcher.ForEachMatchingLine(t, [&](std::string_view, const std::vector<std::size_t>& m) {
      n += m.size();
      return true;
    });
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * t.size()));
}
BENCHMARK(BM_LinesContainingManyIds)->Arg(2)->Arg(10)->Arg(100)->Arg(1000);

// The whole read path from a file in the page cache, by chunk size.
void BM_LineSourceFile(benchmark::State& state) {
  const std::string path = "/tmp/rq_microbench_log";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
      state.SkipWithError("cannot write /tmp/rq_microbench_log");
      return;
    }
    for (int i = 0; i < 8; ++i) std::fwrite(Text().data(), 1, Text().size(), f);
    std::fclose(f);
  }
  const std::size_t chunk = static_cast<std::size_t>(state.range(0)) << 10;
  for (auto _ : state) {
    LineSource source(path, chunk);
    std::size_t n = 0;
    source.ForEachLineContaining("9D10000005", [&](std::string_view) {
      ++n;
      return true;
    });
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<long long>(state.iterations() * 8 * Text().size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_LineSourceFile)->Arg(64)->Arg(128)->Arg(256)->Arg(1024)->Arg(4096);

}  // namespace
}  // namespace rq
