// Lets at most `slots` callers through at a time, strictly in the order they arrived, so no
// waiting request is overtaken again and again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class FairGate {
 public:
  explicit FairGate(uint64_t slots) : slots_(slots > 0 ? slots : 1) {}

  void enter() {
    std::unique_lock lock(mutex_);
    uint64_t ticket = issued_++;
    turn_.wait(lock, [&] { return ticket < left_ + slots_; });
  }

  void leave() {
    {
      std::lock_guard lock(mutex_);
      ++left_;
    }
    turn_.notify_all();
  }

 private:
  const uint64_t slots_;
  std::mutex mutex_;
  std::condition_variable turn_;
  uint64_t issued_ = 0;  // tickets handed out
  uint64_t left_ = 0;    // holders that have left
};

// Holds a place in the gate for its lifetime.
class GatePass {
 public:
  explicit GatePass(FairGate& gate) : gate_(gate) { gate_.enter(); }
  ~GatePass() { gate_.leave(); }
  GatePass(const GatePass&) = delete;
  GatePass& operator=(const GatePass&) = delete;

 private:
  FairGate& gate_;
};
