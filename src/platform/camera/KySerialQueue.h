// A named serial work queue: one thread runs the submitted tasks in order.
//
// Used by the capture session for "videoDataQueue" and "metaDataQueue". tryAsyncIfIdle lets a
// producer drop work instead of queueing it behind a slow consumer (late frames are discarded).
// Destruction discards tasks not yet started, waits for the running one and joins the thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class KySerialQueue {
 public:
  explicit KySerialQueue(std::string name);
  ~KySerialQueue();
  KySerialQueue(const KySerialQueue&) = delete;
  KySerialQueue& operator=(const KySerialQueue&) = delete;

  const std::string& name() const { return name_; }

  // Queues the task behind every earlier one; false once the queue is shutting down.
  bool async(std::function<void()> task);
  // Queues the task only when nothing is running or waiting; false otherwise.
  bool tryAsyncIfIdle(std::function<void()> task);
  // Blocks until every task queued before this call has run (not from the queue's own thread).
  void drain();
  // True when called from a task of this queue.
  bool isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  // Shared with the thread, so a queue released by one of its own tasks can still wind down.
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> tasks;
    bool busy = false;
    bool stopping = false;
  };
  static void run(const std::shared_ptr<State>& state);

  std::string name_;
  std::shared_ptr<State> state_;
  std::thread thread_;
};
