#include "platform/ui/KyMainLoop.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

#include <exception>

#include "utils/LDTLog.h"

namespace {

void runGuarded(const std::function<void()>& task) {
  try {
    task();
  } catch (const std::exception& e) {
    LDT_LOGE("UI task failed: %s", e.what());
  } catch (...) {
    LDT_LOGE("UI task failed");
  }
}

}  // namespace

struct KyTimer::State {
  State(asio::io_context& io, KyMainLoop::Clock::duration d, bool r, std::function<void()> t)
      : timer(io), interval(d), repeats(r), task(std::move(t)) {}
  asio::steady_timer timer;
  KyMainLoop::Clock::duration interval;
  bool repeats;
  std::function<void()> task;
  std::atomic<bool> cancelled{false};
};

KyTimer::KyTimer(asio::io_context& io, KyMainLoop::Clock::duration interval, bool repeats,
                 std::function<void()> task)
    : state_(std::make_shared<State>(io, interval, repeats, std::move(task))) {}

KyTimer::~KyTimer() { invalidate(); }

void KyTimer::invalidate() {
  valid_ = false;
  if (!state_->cancelled.exchange(true)) {
    asio::post(state_->timer.get_executor(), [state = state_] { state->timer.cancel(); });
  }
}

// A one-shot timer keeps itself alive until it fires; a repeating one lives as long as its
// owner holds the handle. The pending wait holds the state, so cancelling it frees both.
void KyTimer::arm(bool keepAlive) {
  state_->timer.expires_after(state_->interval);
  waitNext(state_, keepAlive ? shared_from_this() : nullptr);
}

void KyTimer::waitNext(const std::shared_ptr<State>& state, const std::shared_ptr<KyTimer>& keep) {
  state->timer.async_wait([state, keep](const std::error_code& error) {
    if (error || state->cancelled) return;
    if (state->repeats) {
      state->timer.expires_at(state->timer.expiry() + state->interval);
      waitNext(state, nullptr);
    } else {
      state->cancelled = true;
    }
    runGuarded(state->task);
  });
}

// Never destroyed, so that background work finishing during exit can still post to it.
KyMainLoop& KyMainLoop::shared() {
  static KyMainLoop* loop = new KyMainLoop();
  return *loop;
}

KyMainLoop::KyMainLoop() : guard_(asio::make_work_guard(io_)) {}

void KyMainLoop::post(std::function<void()> task) {
  asio::post(io_, [task = std::move(task)] { runGuarded(task); });
}

std::shared_ptr<KyTimer> KyMainLoop::addTimer(Clock::duration delay, bool repeats, std::function<void()> task) {
  auto timer = std::make_shared<KyTimer>(io_, delay, repeats, std::move(task));
  // Arming touches the timer object, which belongs to the loop's thread.
  asio::post(io_, [timer, repeats] {
    if (timer->isValid()) timer->arm(!repeats);
  });
  return timer;
}

void KyMainLoop::enter() {
  uiThread_ = std::this_thread::get_id();
  io_.restart();
}

void KyMainLoop::run() {
  enter();
  io_.run();
}

void KyMainLoop::quit() { io_.stop(); }

size_t KyMainLoop::drain() {
  enter();
  return io_.poll();
}

bool KyMainLoop::runUntil(const std::function<bool()>& done, Clock::duration limit) {
  enter();
  const Clock::time_point end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) return false;
    io_.restart();
    io_.run_one_for(std::chrono::milliseconds(5));
  }
  return true;
}
