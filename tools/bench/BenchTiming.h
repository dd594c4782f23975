// Timing helpers shared by the benchmark files: baselines measured in the same run.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

// CPU time of this thread, so a ratio stays meaningful on a machine shared with other work.
struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadClock>;
  static constexpr bool is_steady = true;
  static time_point now() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return time_point(duration(int64_t{now.tv_sec} * 1000000000 + now.tv_nsec));
  }
};

// The best of five batches of `calls` calls, in wall seconds per call.
template <typename Work>
double bestSecondsPerCall(int calls, Work work) {
  double best = 1e9;
  for (int batch = 0; batch < 5; ++batch) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls);
  }
  return best;
}
