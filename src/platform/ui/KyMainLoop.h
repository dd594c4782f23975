// The UI thread: a run loop that the host (or one of our tools) runs on its main thread.
// Any thread may post work to it; timers drive animations and the window's frames.
#pragma once

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class KyTimer;

class KyMainLoop {
 public:
  using Clock = std::chrono::steady_clock;

  // The process's UI loop.
  static KyMainLoop& shared();

  KyMainLoop();
  KyMainLoop(const KyMainLoop&) = delete;
  KyMainLoop& operator=(const KyMainLoop&) = delete;

  // Queues a task to run on the UI thread, after the tasks posted before it. Any thread.
  void post(std::function<void()> task);
  // Runs `task` on the UI thread once after `delay`, or every `delay` when `repeats`.
  // The timer stops when invalidated or when the returned handle's last copy goes away
  // (for one-shot timers the loop keeps it until it has fired).
  std::shared_ptr<KyTimer> addTimer(Clock::duration delay, bool repeats, std::function<void()> task);

  // Runs until quit() is called. The calling thread becomes the UI thread.
  void run();
  void quit();
  // Runs every task that is ready now, then returns the number run.
  size_t drain();
  // Runs tasks until done() holds or the limit passes; answers done().
  bool runUntil(const std::function<bool()>& done, Clock::duration limit);

  // True on the thread that is running the loop (or last ran it).
  bool isUIThread() const { return uiThread_.load() == std::this_thread::get_id(); }
  asio::io_context& context() { return io_; }

 private:
  void enter();

  asio::io_context io_;
  asio::executor_work_guard<asio::io_context::executor_type> guard_;
  std::atomic<std::thread::id> uiThread_{};
};

// A timer made by KyMainLoop::addTimer.
class KyTimer : public std::enable_shared_from_this<KyTimer> {
 public:
  KyTimer(asio::io_context& io, KyMainLoop::Clock::duration interval, bool repeats, std::function<void()> task);
  ~KyTimer();
  void invalidate();
  bool isValid() const { return valid_.load(); }

 private:
  friend class KyMainLoop;
  struct State;
  void arm(bool keepAlive);
  static void waitNext(const std::shared_ptr<State>& state, const std::shared_ptr<KyTimer>& keep);

  std::shared_ptr<State> state_;
  std::atomic<bool> valid_{true};
};
