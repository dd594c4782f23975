#include "FailureLimiter.h"

namespace {
// Above this many tracked subjects, idle ones are dropped so a flood of made-up subjects
// cannot grow the table without bound.
constexpr size_t kPruneAbove = 100000;
}  // namespace

void FailureLimiter::forgetOld(Entry& entry, int64_t now) const {
  while (!entry.failures.empty() && entry.failures.front() <= now - rule_.window) entry.failures.pop_front();
}

bool FailureLimiter::allowed(const std::string& subject, int64_t now) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(subject);
  return it == entries_.end() || now >= it->second.pausedUntil;
}

void FailureLimiter::recordFailure(const std::string& subject, int64_t now) {
  std::lock_guard lock(mutex_);
  pruneIfLarge(now);
  Entry& entry = entries_[subject];
  forgetOld(entry, now);
  entry.failures.push_back(now);
  if (static_cast<int>(entry.failures.size()) >= rule_.maxFailures) {
    entry.pausedUntil = now + rule_.pause;
    entry.failures.clear();
  }
}

void FailureLimiter::pruneIfLarge(int64_t now) {
  if (entries_.size() < kPruneAbove) return;
  for (auto it = entries_.begin(); it != entries_.end();) {
    forgetOld(it->second, now);
    bool idle = it->second.failures.empty() && now >= it->second.pausedUntil;
    it = idle ? entries_.erase(it) : std::next(it);
  }
}

size_t FailureLimiter::trackedSubjects() {
  std::lock_guard lock(mutex_);
  return entries_.size();
}
