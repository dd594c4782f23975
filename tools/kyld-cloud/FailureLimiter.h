// Slows down a client that keeps failing: after `maxFailures` failures within `window`
// seconds its requests are refused for `pause` seconds. Times are passed in (seconds since
// 1970) so the rule does not depend on a clock. Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

class FailureLimiter {
 public:
  struct Rule {
    int maxFailures = 5;
    int64_t window = 180;
    int64_t pause = 120;
  };

  FailureLimiter() = default;
  explicit FailureLimiter(Rule rule) : rule_(rule) {}

  // False while the subject is paused.
  bool allowed(const std::string& subject, int64_t now);
  void recordFailure(const std::string& subject, int64_t now);
  size_t trackedSubjects();

 private:
  struct Entry {
    std::deque<int64_t> failures;  // times inside the window, oldest first
    int64_t pausedUntil = 0;
  };
  void forgetOld(Entry& entry, int64_t now) const;
  void pruneIfLarge(int64_t now);

  Rule rule_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};
