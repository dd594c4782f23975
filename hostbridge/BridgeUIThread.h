// The library's UI loop on a thread of its own: the JavaScript thread is not the UI thread,
// so screens are built and sessions started by tasks posted here.
#pragma once

#include <functional>
#include <memory>
#include <future>
#include <mutex>
#include <thread>

class KyViewController;
class KyWindow;

class BridgeUIThread {
 public:
  // The one UI thread of the process, started on first use.
  static BridgeUIThread& shared();

  void post(std::function<void()> task);
  // Runs `task` on the UI thread and waits for its value.
  template <typename T>
  T call(std::function<T()> task) {
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> value = promise->get_future();
    post([promise, task = std::move(task)] { promise->set_value(task()); });
    return value.get();
  }
  // Ends the loop and waits for the thread; later posts start it again.
  void stop();

  // On the UI thread: the screen now shown. A Node process has no application window, so the
  // first call without a key window gives it one, kept until stop().
  std::shared_ptr<KyViewController> shownScreen();

 private:
  BridgeUIThread() = default;
  void startLocked();

  std::mutex mutex_;
  std::thread thread_;
  std::shared_ptr<KyWindow> window_;  // touched on the UI thread only
};
