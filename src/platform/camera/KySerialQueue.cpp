#include "platform/camera/KySerialQueue.h"

#include <pthread.h>

KySerialQueue::KySerialQueue(std::string name) : name_(std::move(name)), state_(std::make_shared<State>()) {
  thread_ = std::thread([state = state_] { run(state); });
  // Thread names are limited to 15 characters; both queue names fit.
  pthread_setname_np(thread_.native_handle(), name_.substr(0, 15).c_str());
}

KySerialQueue::~KySerialQueue() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->tasks.clear();
  }
  state_->wake.notify_all();
  if (isCurrent()) {
    thread_.detach();  // released by its own task: the loop ends on its own after the task
  } else {
    thread_.join();
  }
}

bool KySerialQueue::async(std::function<void()> task) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping) return false;
    state_->tasks.push_back(std::move(task));
  }
  state_->wake.notify_one();
  return true;
}

bool KySerialQueue::tryAsyncIfIdle(std::function<void()> task) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping || state_->busy || !state_->tasks.empty()) return false;
    state_->tasks.push_back(std::move(task));
  }
  state_->wake.notify_one();
  return true;
}

void KySerialQueue::drain() {
  std::unique_lock lock(state_->mutex);
  state_->idle.wait(lock, [this] { return state_->stopping || (!state_->busy && state_->tasks.empty()); });
}

void KySerialQueue::run(const std::shared_ptr<State>& state) {
  std::unique_lock lock(state->mutex);
  for (;;) {
    state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
    if (state->stopping) break;
    std::function<void()> task = std::move(state->tasks.front());
    state->tasks.pop_front();
    state->busy = true;
    lock.unlock();
    task();
    task = nullptr;  // release what the task captured before reporting idle
    lock.lock();
    state->busy = false;
    if (state->tasks.empty()) state->idle.notify_all();
  }
  state->busy = false;
  state->idle.notify_all();
}
