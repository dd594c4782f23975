#include "KyFinishedView.h"

#include <chrono>
#include <thread>

void KyFinishedView::playAnimation(float duration, const std::function<void()>& callback) {
  if (duration > 0) std::this_thread::sleep_for(std::chrono::duration<double>(duration));
  if (callback) callback();
}
