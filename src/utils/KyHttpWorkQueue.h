// The HTTP client's own queue: one worker thread that runs background requests one after
// another. The worker is joined when the queue is destroyed (at process exit for the shared
// queue); a request still running then is cancelled, and requests still waiting are dropped.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class KyHttpWorkQueue {
 public:
  // A job receives the queue's stop flag, which becomes true when the queue shuts down.
  using Job = std::function<void(const std::atomic<bool>& stopping)>;

  explicit KyHttpWorkQueue(std::size_t capacity);
  ~KyHttpWorkQueue();
  KyHttpWorkQueue(const KyHttpWorkQueue&) = delete;
  KyHttpWorkQueue& operator=(const KyHttpWorkQueue&) = delete;

  // Never blocks: false, dropping the job, when `capacity` jobs are already waiting.
  bool enqueue(Job job);
  // Blocks until every job enqueued before the call has finished.
  void waitIdle();

  static KyHttpWorkQueue& shared();

 private:
  void run();

  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool busy_ = false;
  std::atomic<bool> stopping_{false};
  std::thread worker_;
};
