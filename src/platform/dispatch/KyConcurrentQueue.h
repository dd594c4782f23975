// The platform's shared concurrent queue: a pool of background workers for tasks that
// may sleep or block (the colour-flash driver and sampler, result delivery, ring easing).
#pragma once

#include <asio/thread_pool.hpp>

#include <functional>

class KyConcurrentQueue {
 public:
  // The process-wide queue, created on first use.
  static KyConcurrentQueue& shared();

  explicit KyConcurrentQueue(size_t workers);
  ~KyConcurrentQueue();
  KyConcurrentQueue(const KyConcurrentQueue&) = delete;
  KyConcurrentQueue& operator=(const KyConcurrentQueue&) = delete;

  void async(std::function<void()> task);

 private:
  asio::thread_pool pool_;
};
