// Running independent reads at the same time: the days of a range, the segments of a large log.
//
// Each task writes only its own result; the caller puts the results back in task order, so the
// output is that of reading one task after the other. A task that fails fails the whole call, on
// the calling thread, so that a read cut short is never taken for a result.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace rq {

// Counts the bytes that readers on any thread have read, for a progress display; the front end
// sets the total it expects and the day being read.
class ReadMeter {
 public:
  void AddRead(long long bytes) { read_.fetch_add(bytes, std::memory_order_relaxed); }
  void SetTotal(long long bytes) { total_.store(bytes, std::memory_order_relaxed); }
  // The day being read as the number YYMMDD, -1 for none.
  void SetDay(long long yymmdd) { day_.store(yymmdd, std::memory_order_relaxed); }
  long long read() const { return read_.load(std::memory_order_relaxed); }
  long long total() const { return total_.load(std::memory_order_relaxed); }
  long long day() const { return day_.load(std::memory_order_relaxed); }

 private:
  std::atomic<long long> read_{0};
  std::atomic<long long> total_{0};
  std::atomic<long long> day_{-1};
};

// How a reader may read: on how many threads at most (0: ReaderThreadLimit()), and where it
// counts what it read (none by default).
struct ReadOptions {
  std::size_t threads = 0;
  ReadMeter* meter = nullptr;
  // The least size of a segment when a log is cut (0: SegmentedLog::kMinSegment); a test cuts
  // small logs with a small one.
  long long minSegment = 0;
};

// How many threads readers may use at most: RQ_THREADS when it holds a positive number, else
// the processor's cores (at least 1).
std::size_t ReaderThreadLimit();

// Into how many segments a large log is cut by a reader allowed `threads` threads: RQ_SEGMENTS
// when it holds a positive number (1 reads every log whole; more segments than threads are read
// a few at a time), else one per thread. On an idle 2-core machine two segments of a large log
// read in 0.63 of the time of one reader; under load from other work the gain went from nothing
// to a fifth lost, which RQ_SEGMENTS=1 avoids.
std::size_t SegmentCount(std::size_t threads);

// Calls work(i) once for every i in [0, count) on at most `threads` threads, the calling one
// among them; returns when every call has returned. Tasks are taken in ascending order. When a
// call throws, no further task starts, and once the running ones have returned the exception of
// the lowest task that threw is rethrown here: the one a reading task after task would have met.
template <class Work>
void ForEachTaskInParallel(std::size_t count, std::size_t threads, Work&& work) {
  threads = std::max<std::size_t>(1, std::min(threads, count));
  if (threads == 1) {
    for (std::size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::mutex failureMutex;
  std::exception_ptr failure;
  std::size_t failedTask = count;
  auto run = [&] {
    for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
      try {
        work(i);
      } catch (...) {
        const std::lock_guard lock(failureMutex);
        if (i < failedTask) {
          failedTask = i;
          failure = std::current_exception();
        }
        next.store(count);  // every task below i has been taken already
      }
    }
  };
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(threads - 1);
    for (std::size_t t = 1; t < threads; ++t) {
      try {
        helpers.emplace_back(run);
      } catch (const std::system_error&) {
        break;  // no thread to be had: the threads there are take the tasks
      }
    }
    run();
  }  // the helpers are joined here
  if (failure) std::rethrow_exception(failure);
}

}  // namespace rq
