#include "utils/KyHttpWorkQueue.h"

KyHttpWorkQueue::KyHttpWorkQueue(std::size_t capacity) : capacity_(capacity), worker_([this] { run(); }) {}

KyHttpWorkQueue::~KyHttpWorkQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

KyHttpWorkQueue& KyHttpWorkQueue::shared() {
  // Bounded so that a silent cloud cannot make failure reports pile up without limit.
  static KyHttpWorkQueue queue(64);
  return queue;
}

bool KyHttpWorkQueue::enqueue(Job job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || jobs_.size() >= capacity_) return false;
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
  return true;
}

void KyHttpWorkQueue::waitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return stopping_ || (jobs_.empty() && !busy_); });
}

void KyHttpWorkQueue::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    job(stopping_);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}
