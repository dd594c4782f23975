#include "platform/dispatch/KyConcurrentQueue.h"

#include <asio/post.hpp>

#include <exception>

#include "utils/LDTLog.h"

namespace {
// Several of the tasks sleep for most of their life, so there are more workers than cores.
constexpr size_t kSharedWorkers = 6;
}  // namespace

KyConcurrentQueue& KyConcurrentQueue::shared() {
  static KyConcurrentQueue queue(kSharedWorkers);
  return queue;
}

KyConcurrentQueue::KyConcurrentQueue(size_t workers) : pool_(workers) {}

KyConcurrentQueue::~KyConcurrentQueue() { pool_.join(); }

void KyConcurrentQueue::async(std::function<void()> task) {
  asio::post(pool_, [task = std::move(task)] {
    try {
      task();
    } catch (const std::exception& e) {
      LDT_LOGE("background task failed: %s", e.what());
    }
  });
}
