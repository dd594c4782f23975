#include "platform/dispatch/KyConcurrentQueue.h"

#include <asio/post.hpp>

#include <exception>

#include "utils/LDTLog.h"

namespace {
// Several of the tasks sleep for most of their life, so there are more workers than cores.
constexpr size_t kSharedWorkers = 6;
}  // namespace

// Never destroyed: workers may still be running (or posting to the UI loop) while the
// process exits.
KyConcurrentQueue& KyConcurrentQueue::shared() {
  static KyConcurrentQueue* queue = new KyConcurrentQueue(kSharedWorkers);
  return *queue;
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
